#include "components/tblockmodelview.h"

#include "components/gdi_rect.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
// How far the active row's frame stands off its blocks.
constexpr int ActiveFrameMargin = 4;
// Room beside the rows when the view sizes itself to them.
constexpr int AutoSizeMargin = 16;
} // namespace

TBlockModelView::TBlockModelView(QWidget* owner) : QWidget(owner) {
    resize(viewMinWidth_, viewMinHeight_);
}

TBlockModelView::~TBlockModelView() {
    models_.SetOnChange({});
}

void TBlockModelView::hookModel(TModel* model) {
    model->vSetHeight(modelHeight_);
    model->vSetBlockColors(blockColor_, activeBlockColor_, referenceBlockColor_);
    model->OnModelChange = [this](TModel* changed) {
        Paint();
        if (OnModelChange)
            OnModelChange(changed);
    };
    model->OnBlockClick = [this](TModel* m, TModelBlock* block) { vDoModelBlockClick(m, block); };
    model->OnBlockChange = [this](TModel* m, TModelBlock* block) {
        Paint();
        if (OnBlockChange)
            OnBlockChange(m, block);
    };
}

bool TBlockModelView::AddModel(const std::string& name, TModel* model) {
    if (!model || models_.Contains(name))
        return false;
    hookModel(model);
    models_.Add(model, name);
    Paint();
    if (OnModelListChange)
        OnModelListChange(this);
    return true;
}

bool TBlockModelView::CreateModel(const std::string& name) {
    return !models_.Contains(name) && AddModel(name, new TModel(this, name));
}

bool TBlockModelView::DeleteModel(const std::string& name) {
    const std::optional<size_t> index = models_.IndexOf(name);
    if (!index)
        return false;
    TModel* model = models_.ObjectAt(*index);
    activeModel_ = nullptr;
    shown_.erase(std::remove(shown_.begin(), shown_.end(), model), shown_.end());
    models_.Delete(*index);
    Paint();
    if (OnModelListChange)
        OnModelListChange(this);
    return true;
}

bool TBlockModelView::RenameModel(const std::string& name, const std::string& newName) {
    TModel* model = models_.Rename(name, newName);
    if (model)
        model->vSetName(newName);
    return model != nullptr;
}

bool TBlockModelView::CreateBlockToModel(const std::string& modelName, const std::string& blockName) {
    TModel* model = models_.Find(modelName);
    return model && model->AddBlock(blockName);
}

bool TBlockModelView::DeleteBlockFromModel(const std::string& modelName, const std::string& blockName) {
    TModel* model = models_.Find(modelName);
    TModelBlock* block = model ? model->pGetBlock(blockName) : nullptr;
    if (!block) {
        Paint();
        return false;
    }
    if (TModel* referenced = models_.Find(block->strGetReference())) {
        referenced->vSetVisible(false);
        shown_.erase(std::remove(shown_.begin(), shown_.end(), referenced), shown_.end());
    }
    model->DeleteBlock(blockName);
    Paint();
    return true;
}

bool TBlockModelView::DeleteBlock(const std::string& blockName) {
    const TModel* model = pGetModel(blockName);
    return model && DeleteBlockFromModel(model->strGetName(), blockName);
}

bool TBlockModelView::DeleteActiveBlock() {
    const TModelBlock* block = GetActiveBlock();
    return block && DeleteBlockFromModel(activeModel_->strGetName(), block->strGetCaption());
}

void TBlockModelView::hideRow(TModel* model) {
    model->vSetVisible(false);
    model->vSetTop(0);
    model->vSetActive(false);
}

bool TBlockModelView::SetActiveModel(const std::string& name) {
    TModel* model = models_.Find(name);
    if (!model) {
        Paint();
        return false;
    }
    for (TModel* row : shown_)
        hideRow(row);
    shown_ = {model};
    makeActive(model);
    Paint();
    return true;
}

bool TBlockModelView::DeleteActiveModel() {
    if (!activeModel_)
        return false;
    DeleteModel(activeModel_->strGetName());
    if (!shown_.empty())
        makeActive(shown_.back());
    Paint();
    return true;
}

void TBlockModelView::Clear() {
    if (models_.Count() > 0) {
        shown_.clear();
        activeModel_ = nullptr;
        models_.Clear();
        if (OnModelListChange)
            OnModelListChange(this);
    }
    Paint();
}

TModel* TBlockModelView::pGetModel(const std::string& blockName) const {
    for (size_t i = 0; i < models_.Count(); ++i)
        if (models_.ObjectAt(i)->pGetBlock(blockName))
            return models_.ObjectAt(i);
    return nullptr;
}

uint32_t TBlockModelView::u32GetModelWidth(const std::string& name) const {
    const TModel* model = models_.Find(name);
    uint32_t width = 0;
    for (uint32_t i = 0; model && i < model->u32GetBlockCount(); ++i)
        width += model->pGetBlockByIndex(i)->width();
    return width;
}

uint32_t TBlockModelView::u32GetModelIndex(const std::string& name) const {
    return static_cast<uint32_t>(models_.IndexOf(name).value_or(0));
}

void TBlockModelView::makeActive(TModel* model) {
    if (activeModel_ != model && activeModel_)
        activeModel_->vSetActive(false);
    activeModel_ = model;
    model->vSetActive(true);
}

int TBlockModelView::shownIndex(const TModel* model) const {
    const auto at = std::find(shown_.begin(), shown_.end(), model);
    return at == shown_.end() ? -1 : static_cast<int>(at - shown_.begin());
}

void TBlockModelView::removeRowsBelow(const TModel* model) {
    const int keep = shownIndex(model) + 1;
    while (static_cast<int>(shown_.size()) > keep) {
        hideRow(shown_.back());
        shown_.pop_back();
    }
}

void TBlockModelView::vDoModelBlockClick(TModel* model, TModelBlock* block) {
    if (activeModel_ != model)
        makeActive(model);
    TModel* referenced = block ? models_.Find(block->strGetReference()) : nullptr;
    if (referenced && referenced != model && shownIndex(referenced) < 0) {
        removeRowsBelow(model);
        shown_.push_back(referenced);
    } else if (referenced && shownIndex(referenced) >= 0) {
        removeRowsBelow(referenced);
    } else {
        removeRowsBelow(model);
    }
    if (activeModel_ != model)
        makeActive(model);
    Paint();
    if (OnBlockClick)
        OnBlockClick(model, model->pGetActiveBlock());
}

void TBlockModelView::Paint() {
    for (size_t i = 0; i < shown_.size(); ++i) {
        shown_[i]->vSetTop((modelHeight_ + modelSpace_) * static_cast<int>(i));
        shown_[i]->vSetVisible(true);
    }
    vAutoSize();
    update();
}

void TBlockModelView::vAutoSize() {
    if (!autoSize_)
        return;
    QSize wanted(viewMinWidth_, viewMinHeight_);
    if (!shown_.empty()) {
        QRect rows = shown_.front()->tdGetModelRect();
        for (const TModel* row : shown_)
            rows = rows.united(row->tdGetModelRect());
        const int w = rows.right() + 1 - shown_.front()->tdGetModelRect().left();
        const int h = shown_.back()->tdGetModelRect().bottom() + 1 - shown_.front()->tdGetModelRect().top();
        wanted = QSize(w > width() || w > viewMinWidth_ ? w + AutoSizeMargin : viewMinWidth_,
                       h > height() || h > viewMinHeight_ ? h + AutoSizeMargin : viewMinHeight_);
    }
    // Inside a layout the size is a wish: the minimum makes the layout grant it.
    setMinimumSize(wanted);
    resize(wanted);
}

void TBlockModelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(qcolor(color_));
    painter.drawRect(GdiOutline(0, 0, width(), height()));
    painter.setBrush(Qt::NoBrush);
    if (activeModel_ && activeModel_->u32GetBlockCount() > 0) {
        const QRect rect = activeModel_->tdGetModelRect();
        painter.setPen(QPen(qcolor(activeModelColor_), 1));
        painter.drawRect(rect.adjusted(-ActiveFrameMargin, -ActiveFrameMargin, ActiveFrameMargin - 1,
                                       ActiveFrameMargin - 1));
    }
    painter.setPen(QPen(qcolor(referenceLineColor_), 1));
    for (size_t i = 1; i < shown_.size(); ++i) {
        const TModel* upper = shown_[i - 1];
        const TModel* lower = shown_[i];
        for (uint32_t b = 0; b < upper->u32GetBlockCount(); ++b) {
            const TModelBlock* block = upper->pGetBlockByIndex(b);
            if (block->strGetReference() != lower->strGetName() || lower->u32GetBlockCount() == 0)
                continue;
            const QRect target = lower->tdGetModelRect();
            const QRect source = block->geometry();
            painter.drawLine(QPoint(source.left(), source.bottom() + 1), target.topLeft());
            painter.drawLine(QPoint(source.right(), source.bottom() + 1),
                             QPoint(target.right(), target.top()));
            break;
        }
    }
}

void TBlockModelView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && PopupMenu)
        PopupMenu->popup(mapToGlobal(event->position().toPoint()));
    QWidget::mouseReleaseEvent(event);
}

void TBlockModelView::setBlockColors() {
    for (size_t i = 0; i < models_.Count(); ++i)
        models_.ObjectAt(i)->vSetBlockColors(blockColor_, activeBlockColor_, referenceBlockColor_);
    Paint();
}

void TBlockModelView::vSetBlockColor(int color) {
    blockColor_ = color;
    setBlockColors();
}

void TBlockModelView::vSetActiveBlockColor(int color) {
    activeBlockColor_ = color;
    setBlockColors();
}

void TBlockModelView::vSetReferenceBlockColor(int color) {
    referenceBlockColor_ = color;
    setBlockColors();
}

void TBlockModelView::vSetReferenceLineColor(int color) {
    referenceLineColor_ = color;
    Paint();
}

void TBlockModelView::vSetActiveModelColor(int color) {
    activeModelColor_ = color;
    Paint();
}

void TBlockModelView::vSetModelSpace(int space) {
    modelSpace_ = space;
    Paint();
}

void TBlockModelView::vSetModelHeight(int height) {
    modelHeight_ = height;
    for (size_t i = 0; i < models_.Count(); ++i)
        models_.ObjectAt(i)->vSetHeight(height);
    Paint();
}

void TBlockModelView::vSetAutoSize(bool on) {
    autoSize_ = on;
    Paint();
}

void TBlockModelView::vSetViewMinWidth(int width) {
    viewMinWidth_ = width;
    Paint();
}

void TBlockModelView::vSetViewMinHeight(int height) {
    viewMinHeight_ = height;
    Paint();
}

void TBlockModelView::vSetColor(int color) {
    color_ = color;
    Paint();
}
