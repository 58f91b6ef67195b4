#pragma once
// The packet serial port's set-up dialog as a component: the port hands it its
// settings record, enabled items, valid baud rates and available ports, and
// Execute runs the form (components/tcommportsetupdialogform.h) on them.

#include "components/commporttools.h"

#include <QObject>

class TCommPortSetupDialog : public QObject {
    Q_OBJECT
public:
    explicit TCommPortSetupDialog(QObject* owner = nullptr);

    void vSetPointers(TdPortSettings* settings, const TdSetupDialogItems* items,
                      const TdBaudRates* validRates, const TdAvailablePorts* ports);
    // True when the user chose OK and the record was written.
    bool Execute();

private:
    TdPortSettings* settings_ = nullptr;
    const TdSetupDialogItems* items_ = nullptr;
    const TdBaudRates* validRates_ = nullptr;
    const TdAvailablePorts* ports_ = nullptr;
};
