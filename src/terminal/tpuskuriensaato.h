#pragma once
// The buffer dialog ("CommPort buffers"): sets the driver buffer sizes of one
// terminal's port. The main window fills the two fields from the port and names
// the target before it shows the dialog, not modally; the dialog stays on top.

#include "ui_tpuskuriensaato.h"

#include <QDialog>
#include <functional>

class Tpuskuriensaato : public QDialog, public Ui::Tpuskuriensaato {
    Q_OBJECT
public:
    // Sets the port's receive buffer, its receive notify level (both to the
    // receive size) and its transmit buffer.
    using BufferTarget = std::function<void(int receiveSize, int transmitSize)>;

    explicit Tpuskuriensaato(QWidget* parent = nullptr);
    ~Tpuskuriensaato() override;

    void SetTarget(BufferTarget target) { target_ = std::move(target); }

    void okbtnClick();
    void peruutaClick();

private:
    BufferTarget target_;
};

extern Tpuskuriensaato* puskuriensaato;
