#pragma once
// One block of a block model view's row: an LED showing the block's name, lit
// while it is its row's active block. A block may refer to another model by
// name; such a block is drawn in the reference colour while off.

#include "components/tled.h"

#include <functional>
#include <string>

class TModelBlock : public TLed {
    Q_OBJECT
public:
    explicit TModelBlock(QWidget* view);

    std::function<void(TModelBlock*)> OnModelBlockClick;
    std::function<void(TModelBlock*)> OnModelBlockChange;

    // Empty for no reference.
    void vSetReferenceModel(const std::string& name);
    const std::string& strGetReference() const { return reference_; }
    std::string strGetCaption() const { return LedText().toStdString(); }

    void vSetBlockColor(TColor color);
    void vSetActiveBlockColor(TColor color);
    // Applied when the reference is next set.
    void vSetReferenceBlockColor(TColor color) { referenceColor_ = color; }

private:
    std::string reference_;
    TColor blockColor_ = clGreen;
    TColor referenceColor_ = clYellow;
};
