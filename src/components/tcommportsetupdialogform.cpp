#include "components/tcommportsetupdialogform.h"

#include "base/text_numbers.h"
#include "ui_tcommportsetupdialogform.h"

#include <stdexcept>

TCommPortSetupDialogForm::TCommPortSetupDialogForm(QWidget* owner, TdPortSettings* settings,
                                                   const TdSetupDialogItems* items,
                                                   const TdBaudRates* validRates,
                                                   const TdAvailablePorts* ports)
    : QDialog(owner), ui_(std::make_unique<Ui::TCommPortSetupDialogForm>()), settings_(settings),
      items_(items), validRates_(validRates), ports_(ports) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    connect(ui_->OkButton, &QPushButton::clicked, this, &TCommPortSetupDialogForm::OkButtonClick);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &TCommPortSetupDialogForm::CancelButtonClick);
    FormShow();
    setFixedSize(sizeHint());
}

TCommPortSetupDialogForm::~TCommPortSetupDialogForm() = default;

void TCommPortSetupDialogForm::FormShow() {
    ui_->PortList->setEnabled(InSet(*items_, sdiCOMPORT));
    ui_->BaudRateList->setEnabled(InSet(*items_, sdiBAUDRATE));
    ui_->ByteSizeList->setEnabled(InSet(*items_, sdiBYTESIZE));
    ui_->StopBitsList->setEnabled(InSet(*items_, sdiSTOPBITS));
    ui_->ParityBitsList->setEnabled(InSet(*items_, sdiPARITYBITS));
    ui_->FlowControlList->setEnabled(InSet(*items_, sdiFLOWCONTROL));

    ui_->BaudRateList->clear();
    for (int rate = br1200; rate < brLAST; ++rate)
        if (InSet(*validRates_, rate))
            ui_->BaudRateList->addItem(QString::number(u32GetBaudRateValue(static_cast<TdBaudRate>(rate))));
    ui_->PortList->clear();
    for (const std::string& name : AvailablePortNames(*ports_))
        ui_->PortList->addItem(QString::fromStdString(name));

    const QString port = QString::fromStdString(strGetComPortListName(iGetComPortNumber(settings_->ComPort)));
    ui_->PortList->setCurrentIndex(ui_->PortList->findText(port));
    ui_->BaudRateList->setCurrentIndex(
        ui_->BaudRateList->findText(QString::number(u32GetBaudRateValue(settings_->BaudRate))));
    ui_->ParityBitsList->setCurrentIndex(settings_->ParityBits);
    ui_->StopBitsList->setCurrentIndex(settings_->StopBits);
    ui_->ByteSizeList->setCurrentIndex(u8GetByteSizeBits(settings_->ByteSize) - 4);
    ui_->FlowControlList->setCurrentIndex(settings_->FlowControl);
}

void TCommPortSetupDialogForm::OkButtonClick() {
    // A port or baud box without a usable choice leaves the settings as they
    // were and ends the dialog as cancelled.
    try {
        const uint8_t port = u8GetComPortIndex(ui_->PortList->currentText().toStdString());
        const int rate = StrToInt(ui_->BaudRateList->currentText().toStdString());
        if (port >= kComPortCount)
            throw std::invalid_argument("no such port");
        settings_->ComPort = static_cast<TdComPort>(port);
        settings_->BaudRate = tdGetBaudRateFromValue(static_cast<uint32_t>(rate));
        settings_->StopBits = tdGetStopBits(ui_->StopBitsList->currentIndex());
        settings_->ParityBits = tdGetParityBits(ui_->ParityBitsList->currentIndex());
        // "Xon/Xoff" has no value of its own and is taken as no flow control.
        settings_->FlowControl = tdGetFlowControl(ui_->FlowControlList->currentIndex());
        settings_->ByteSize = tdGetByteSizeFromBits(ui_->ByteSizeList->currentIndex() + 4);
    } catch (const std::invalid_argument&) {
        reject();
        return;
    }
    accept();
}

void TCommPortSetupDialogForm::CancelButtonClick() {
    reject();
}
