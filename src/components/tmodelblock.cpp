#include "components/tmodelblock.h"

TModelBlock::TModelBlock(QWidget* view) : TLed(view) {
    setVisible(false);
    vSetAutoSize(true);
    ChangeStateOnClick = false;
    vSetLedTextEnabled(true);
    vSetLedShape(lsRectangle);
    OnLedClick = [this](TLed*) {
        if (OnModelBlockClick)
            OnModelBlockClick(this);
    };
}

void TModelBlock::vSetReferenceModel(const std::string& name) {
    reference_ = name;
    vSetOFFColor(reference_.empty() ? blockColor_ : referenceColor_);
    if (OnModelBlockChange)
        OnModelBlockChange(this);
}

void TModelBlock::vSetBlockColor(TColor color) {
    blockColor_ = color;
    if (reference_.empty())
        vSetOFFColor(color);
}

void TModelBlock::vSetActiveBlockColor(TColor color) {
    vSetONColor(color);
}
