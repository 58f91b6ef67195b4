#pragma once
// The modal form of the packet serial port's set-up dialog: port, baud rate, data
// bits, stop bits, parity and flow control, each in a box that is enabled only
// when the port enables its item. OK writes the choices into the settings record
// it was given; Cancel or closing leaves the record alone.

#include "components/commporttools.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TCommPortSetupDialogForm;
}

class TCommPortSetupDialogForm : public QDialog {
    Q_OBJECT
public:
    TCommPortSetupDialogForm(QWidget* owner, TdPortSettings* settings, const TdSetupDialogItems* items,
                             const TdBaudRates* validRates, const TdAvailablePorts* ports);
    ~TCommPortSetupDialogForm() override;

private:
    void FormShow();
    void OkButtonClick();
    void CancelButtonClick();

    std::unique_ptr<Ui::TCommPortSetupDialogForm> ui_;
    TdPortSettings* settings_;
    const TdSetupDialogItems* items_;
    const TdBaudRates* validRates_;
    const TdAvailablePorts* ports_;
};
