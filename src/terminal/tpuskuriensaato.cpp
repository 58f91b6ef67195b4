#include "terminal/tpuskuriensaato.h"

Tpuskuriensaato* puskuriensaato = nullptr;

Tpuskuriensaato::Tpuskuriensaato(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    connect(okbtn, &QPushButton::clicked, this, &Tpuskuriensaato::okbtnClick);
    connect(peruuta, &QPushButton::clicked, this, &Tpuskuriensaato::peruutaClick);
    puskuriensaato = this;
}

Tpuskuriensaato::~Tpuskuriensaato() {
    if (puskuriensaato == this)
        puskuriensaato = nullptr;
}

// The fields are emptied after use: the main window fills them from the port
// each time it shows the dialog.
void Tpuskuriensaato::okbtnClick() {
    if (target_)
        target_(rx_pituus->value(), tx_pituus->value());
    rx_pituus->setValue(0);
    tx_pituus->setValue(0);
    hide();
}

void Tpuskuriensaato::peruutaClick() {
    hide();
}
