#include "terminal/ttxtestfrm.h"

#include "platform/latin1.h"
#include "platform/message_box.h"
#include "serial/tquovixcommport.h"
#include "shell/main_window_services.h"
#include "shell/mdi_child.h"
#include "terminal/tpikakirj.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>

Ttxtestfrm* txtestfrm = nullptr;

namespace {

const char* const kIdleHint = "Cancel|Close this window.";
const char* const kRunningHint = "Stop sending|Stop continuously sending.";
constexpr int kNotify = 512;
constexpr int kPortInterval = 200;

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint.section('|', 0, 0));
    widget->setStatusTip(hint.section('|', 1));
}

} // namespace

Ttxtestfrm::Ttxtestfrm(QWidget* parent) : QWidget(parent), CommPort1(std::make_unique<TQuovixCommPort>()) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    // The form's items arrive after its indices; choose the first settings here.
    portinnro->setItemIndex(0);
    nopeus->setItemIndex(br__9600);
    kattely->setItemIndex(0);
    parity->setItemIndex(_pbNone);
    databits->setItemIndex(1);
    stopbits->setItemIndex(0);
    CommPort1->vaihda_bitti_nop(br__9600);
    CommPort1->vaihda_rx_raja(kNotify);
    CommPort1->vaihda_tx_raja(kNotify);
    CommPort1->setdtrmode(dtrENABLE);
    CommPort1->setvaliaika(kPortInterval);
    connect(Start, &QPushButton::clicked, this, &Ttxtestfrm::StartClick);
    connect(Cancel, &QPushButton::clicked, this, &Ttxtestfrm::CancelClick);
    if (txtestfrm == nullptr) {
        txtestfrm = this;
    }
}

Ttxtestfrm::~Ttxtestfrm() {
    if (running_) {
        StopTest();
    }
    if (txtestfrm == this) {
        txtestfrm = nullptr;
    }
}

// The main window counts COM numbers from 1: the port of index i is COM i + 1.
void Ttxtestfrm::ReleaseMainPort(int portIndex) {
    if (Pohjafrm != nullptr) {
        Pohjafrm->ReleaseTerminalPort(portIndex + 1);
    }
}

void Ttxtestfrm::RestoreMainPort(int portIndex) {
    if (Pohjafrm != nullptr) {
        Pohjafrm->RestoreTerminalPort(portIndex + 1);
    }
}

void Ttxtestfrm::StartClick() {
    if (running_) {
        return;
    }
    const std::string text = toLatin1(TestChar->text());
    if (text.empty()) {
        ShowMessage("Error: No text to send");
        return;
    }
    portIndex_ = portinnro->itemIndex();
    ReleaseMainPort(portIndex_);
    QThread::msleep(kAfterReleaseMs);
    SetUpPort();
    CommPort1->aukaise(false);
    if (!CommPort1->IsOpen()) {
        RestoreMainPort(portIndex_);
        return;
    }
    running_ = true;
    setHint(Cancel, kRunningHint);
    writer_ = std::make_unique<Tpikakirj>(*CommPort1);
    writer_->SetTestText(text);
    connect(writer_.get(), &QThread::finished, this, &Ttxtestfrm::WriterEnded, Qt::QueuedConnection);
    writer_->start();
}

void Ttxtestfrm::SetUpPort() {
    CommPort1->setPortin_nro(static_cast<TPortnro>(portIndex_));
    CommPort1->vaihda_bitti_nop(static_cast<TBaudRate>(nopeus->itemIndex()));
    const int handshake = kattely->itemIndex();
    CommPort1->setrtsmode(handshake == 1 ? rtsHANDSHAKE : rtsDISABLE);
    CommPort1->vaihda_kattely(handshake == 2 ? fcXONXOFF : fcNone);
    CommPort1->vaihda_pariteetti(static_cast<TParityBits>(parity->itemIndex()));
    CommPort1->vaihda_bitti_luku(static_cast<TDataBits>(databits->itemIndex() + db_7_Seven));
    CommPort1->vaihda_stop(stopbits->itemIndex() == 1 ? sbTwo : sbOne);
    CommPort1->setover(false);
}

void Ttxtestfrm::StopTest() {
    writer_->Finish();
    writer_.reset();
    QThread::msleep(kBeforeCloseMs);
    CommPort1->sulje();
    QThread::msleep(kAfterCloseMs);
    RestoreMainPort(portIndex_);
    running_ = false;
}

// The writer ended by itself: its port failed. The failure is told before the
// port goes back to the terminals, whose reopen may fail for the same cause and
// say so in a box of its own.
void Ttxtestfrm::WriterEnded() {
    if (!running_ || !writer_ || writer_->Error() == 0) {
        return;
    }
    const QPointer<Ttxtestfrm> window(this);
    MessageBox("Direct write error: " + SystemErrorText(writer_->Error()), "Port write failed",
               MB_OK | MB_ICONINFORMATION);
    // The window may have been closed, and the test stopped, while the box was open.
    if (window && running_) {
        StopTest();
        setHint(Cancel, kIdleHint);
    }
}

void Ttxtestfrm::CancelClick() {
    if (!running_) {
        CloseMdiChild(this);
        return;
    }
    StopTest();
    setHint(Cancel, kIdleHint);
}

void Ttxtestfrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Cancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Ttxtestfrm::closeEvent(QCloseEvent* event) {
    if (running_) {
        StopTest();
    }
    if (txtestfrm == this) {
        txtestfrm = nullptr;
    }
    event->accept();
}
