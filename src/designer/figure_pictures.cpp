#include "designer/figure_pictures.h"

#include "designer/tkuvio.h"

#include <QHash>
#include <QPainter>

namespace {

QColor BodyColour(const std::string& kind) {
    if (kind == "PMASTER")
        return QColor(200, 40, 40);
    if (kind == "MOBILE")
        return QColor(40, 140, 60);
    if (kind == "MULTI")
        return QColor(200, 140, 20);
    return QColor(40, 80, 180);
}

QPixmap DrawPicture(const std::string& name, double scale) {
    // "MOBILE" ends in 'E' itself: the NMS form is the kind's name with one more 'E'.
    const bool nms = name == "MODEEMIE" || name == "PMASTERE" || name == "MOBILEE" || name == "MULTIE";
    const std::string kind = nms ? name.substr(0, name.size() - 1) : name;
    QPixmap picture(static_cast<int>(TKuvio::kPictureWidth * scale),
                    static_cast<int>(TKuvio::kPictureHeight * scale));
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.setPen(QPen(Qt::black, 1));
    // Antenna above the case.
    painter.drawLine(22, 4, 22, 20);
    painter.drawEllipse(QPoint(22, 4), 2, 2);
    painter.setBrush(BodyColour(kind));
    painter.drawRoundedRect(QRectF(3, 20, 24, 26), 3, 3);
    painter.setBrush(Qt::green);
    painter.drawEllipse(QPoint(8, 40), 2, 2);
    painter.setPen(Qt::white);
    QFont font("Sans", 7, QFont::Bold);
    painter.setFont(font);
    const char* letter = kind == "PMASTER" ? "M" : kind == "MOBILE" ? "m" : kind == "MULTI" ? "P" : "";
    painter.drawText(QRect(3, 20, 24, 18), Qt::AlignCenter, letter);
    if (nms)
        painter.drawText(QRect(12, 32, 14, 14), Qt::AlignCenter, "E");
    return picture;
}

} // namespace

QPixmap FigurePicture(const std::string& name, double scale) {
    static QHash<QString, QPixmap> pictures;
    const QString key = QString::fromStdString(name) + '@' + QString::number(scale);
    auto found = pictures.find(key);
    if (found == pictures.end())
        found = pictures.insert(key, DrawPicture(name, scale));
    return *found;
}
