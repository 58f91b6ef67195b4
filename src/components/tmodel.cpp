#include "components/tmodel.h"

namespace {
// The first block's left edge, and the drop from a row's top to its blocks.
constexpr int RowMargin = 8;
} // namespace

TModel::TModel(QWidget* view, const std::string& name) : view_(view), name_(name) {}

bool TModel::AddBlock(const std::string& name) {
    if (blocks_.Contains(name))
        return false;
    const TModelBlock* last = blocks_.ObjectAt(blocks_.Count() - 1);
    auto* block = new TModelBlock(view_);
    block->move(last ? last->x() + last->width() - 1 : RowMargin, top_);
    block->resize(block->width(), height_);
    block->setVisible(visible_);
    block->vSetLedText(QString::fromStdString(name));
    block->vSetBlockColor(blockColor_);
    block->vSetActiveBlockColor(activeBlockColor_);
    block->vSetReferenceBlockColor(referenceBlockColor_);
    block->OnModelBlockClick = [this](TModelBlock* clicked) { vDoBlockClick(clicked); };
    block->OnModelBlockChange = [this](TModelBlock* changed) {
        if (OnBlockChange)
            OnBlockChange(this, changed);
    };
    blocks_.Add(block, name);
    if (OnModelChange)
        OnModelChange(this);
    return true;
}

bool TModel::DeleteBlock(const std::string& name) {
    const std::optional<size_t> index = blocks_.IndexOf(name);
    if (!index)
        return false;
    activeBlock_ = nullptr;
    blocks_.Delete(*index);
    vArrangeBlocks();
    if (OnModelChange)
        OnModelChange(this);
    return true;
}

bool TModel::RenameBlock(const std::string& name, const std::string& newName) {
    TModelBlock* block = blocks_.Rename(name, newName);
    if (!block)
        return false;
    block->vSetLedText(QString::fromStdString(newName));
    vArrangeBlocks();
    return true;
}

void TModel::vArrangeBlocks() {
    int left = RowMargin;
    for (size_t i = 0; i < blocks_.Count(); ++i) {
        TModelBlock* block = blocks_.ObjectAt(i);
        block->move(left, block->y());
        left += block->width() - 1;
    }
}

void TModel::vSetTop(int top) {
    top_ = top;
    for (size_t i = 0; i < blocks_.Count(); ++i)
        blocks_.ObjectAt(i)->move(blocks_.ObjectAt(i)->x(), top + RowMargin);
}

void TModel::vSetHeight(int height) {
    height_ = height;
    for (size_t i = 0; i < blocks_.Count(); ++i)
        blocks_.ObjectAt(i)->resize(blocks_.ObjectAt(i)->width(), height);
}

void TModel::vSetVisible(bool visible) {
    visible_ = visible;
    for (size_t i = 0; i < blocks_.Count(); ++i)
        blocks_.ObjectAt(i)->setVisible(visible);
}

void TModel::vSetActive(bool active) {
    active_ = active;
    if (active) {
        vSetVisible(true);
        if (OnModelActive)
            OnModelActive(this);
        return;
    }
    activeBlock_ = nullptr;
    for (size_t i = 0; i < blocks_.Count(); ++i)
        blocks_.ObjectAt(i)->vSetLedState(false);
    if (OnModelDeactive)
        OnModelDeactive(this);
}

void TModel::vSetActiveBlock(const std::string& name) {
    activate(blocks_.Find(name));
}

void TModel::activate(TModelBlock* block) {
    if (activeBlock_)
        activeBlock_->vSetLedState(false);
    activeBlock_ = block;
    if (activeBlock_)
        activeBlock_->vSetLedState(true);
}

void TModel::vSetBlockColors(TColor block, TColor active, TColor reference) {
    blockColor_ = block;
    activeBlockColor_ = active;
    referenceBlockColor_ = reference;
    for (size_t i = 0; i < blocks_.Count(); ++i) {
        TModelBlock* b = blocks_.ObjectAt(i);
        b->vSetBlockColor(block);
        b->vSetActiveBlockColor(active);
        b->vSetReferenceBlockColor(reference);
    }
}

QRect TModel::tdGetModelRect() const {
    if (blocks_.Count() == 0)
        return {};
    const TModelBlock* first = blocks_.ObjectAt(0);
    const TModelBlock* last = blocks_.ObjectAt(blocks_.Count() - 1);
    // Inclusive corners: the last block's right edge is its last pixel.
    return QRect(QPoint(first->x(), first->y()),
                 QPoint(last->x() + last->width() - 1, first->y() + first->height() - 1));
}

void TModel::vDoBlockClick(TModelBlock* block) {
    if (block != activeBlock_)
        activate(block);
    if (OnBlockClick)
        OnBlockClick(this, activeBlock_);
}
