#include "components/tcommportsetupdialog.h"

#include "components/tcommportsetupdialogform.h"

#include <QApplication>
#include <QWidget>

TCommPortSetupDialog::TCommPortSetupDialog(QObject* owner) : QObject(owner) {}

void TCommPortSetupDialog::vSetPointers(TdPortSettings* settings, const TdSetupDialogItems* items,
                                        const TdBaudRates* validRates, const TdAvailablePorts* ports) {
    settings_ = settings;
    items_ = items;
    validRates_ = validRates;
    ports_ = ports;
}

bool TCommPortSetupDialog::Execute() {
    if (!settings_ || !items_ || !validRates_ || !ports_)
        return false;
    TCommPortSetupDialogForm form(QApplication::activeWindow(), settings_, items_, validRates_, ports_);
    return form.exec() == QDialog::Accepted;
}
