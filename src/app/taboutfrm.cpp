#include "app/taboutfrm.h"

#include "platform/latin1.h"
#include "shell/main_window_services.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

Taboutfrm* aboutfrm = nullptr;

namespace {
constexpr int kPictureSize = 64;

// A modem with its antenna sending: the box's picture, drawn rather than shipped.
QPixmap ModemPicture() {
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 70, 120), 2));
    painter.setBrush(QColor(200, 215, 235));
    painter.drawRoundedRect(8, 38, 48, 18, 4, 4);
    painter.setBrush(QColor(60, 170, 60));
    painter.drawEllipse(QPointF(18, 47), 3, 3);
    painter.drawLine(44, 38, 44, 16);
    painter.setBrush(Qt::NoBrush);
    for (int radius : {6, 12})
        painter.drawArc(QRectF(44 - radius, 16 - radius, 2 * radius, 2 * radius), 30 * 16, 120 * 16);
    return picture;
}
} // namespace

Taboutfrm::Taboutfrm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    Image1->setPixmap(ModemPicture());
    Label3->setText(QString("<a href=\"%1\">%1</a>").arg(WebAddress()));
    Label3->setTextInteractionFlags(Qt::NoTextInteraction);
    Label3->installEventFilter(this);
    if (Pohjafrm != nullptr)
        Label4->setText(fromLatin1("Version " + Pohjafrm->VersionText()));
    connect(Button1, &QPushButton::clicked, this, &Taboutfrm::Button1Click);
    aboutfrm = this;
}

Taboutfrm::~Taboutfrm() {
    if (aboutfrm == this)
        aboutfrm = nullptr;
}

const char* Taboutfrm::WebAddress() {
    return "https://www.example.com/";
}

void Taboutfrm::Button1Click() {
    accept();
}

// Opening the page is left to the desktop; when no browser answers, nothing
// happens and the box stays open.
void Taboutfrm::Label3Click() {
    QDesktopServices::openUrl(QUrl(WebAddress()));
}

bool Taboutfrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label3Click();
    return QDialog::eventFilter(watched, event);
}
