#pragma once
// A panel that shows named models as horizontal rows of blocks. Clicking a block
// that refers to another model opens that model as the next row, so the shown
// rows form a chain; reference lines join a referring block to the next row, and
// the active row is framed.

#include "components/tcolor.h"
#include "components/tmodel.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QMenu;

using TDynamicModelList = TDynamicList<TModel>;

class TBlockModelView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int BlockColor READ BlockColor WRITE vSetBlockColor)
    Q_PROPERTY(int ActiveBlockColor READ ActiveBlockColor WRITE vSetActiveBlockColor)
    Q_PROPERTY(int ReferenceBlockColor READ ReferenceBlockColor WRITE vSetReferenceBlockColor)
    Q_PROPERTY(int ReferenceLineColor READ ReferenceLineColor WRITE vSetReferenceLineColor)
    Q_PROPERTY(int ActiveModelColor READ ActiveModelColor WRITE vSetActiveModelColor)
    Q_PROPERTY(int ModelSpace READ ModelSpace WRITE vSetModelSpace)
    Q_PROPERTY(int ModelHeight READ ModelHeight WRITE vSetModelHeight)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE vSetAutoSize)
    Q_PROPERTY(int ViewMinWidth READ ViewMinWidth WRITE vSetViewMinWidth)
    Q_PROPERTY(int ViewMinHeight READ ViewMinHeight WRITE vSetViewMinHeight)
    Q_PROPERTY(int Color READ Color WRITE vSetColor)

public:
    explicit TBlockModelView(QWidget* owner = nullptr);
    ~TBlockModelView() override;

    std::function<void(TBlockModelView* sender)> OnModelListChange;
    std::function<void(TModel* p_Model)> OnModelClick;
    std::function<void(TModel* p_Model)> OnModelChange;
    std::function<void(TModel* p_Model, TModelBlock* p_ModelBlock)> OnBlockClick;
    std::function<void(TModel* p_Model, TModelBlock* p_ModelBlock)> OnBlockChange;
    // Popped up by a right-button release.
    QMenu* PopupMenu = nullptr;

    bool CreateModel(const std::string& name);
    // Adds a model the caller made for this view, under the given name; the
    // view owns it from then on. False, and the model stays the caller's, when
    // a model of that name exists (or there is no model).
    bool AddModel(const std::string& name, TModel* model);
    bool DeleteModel(const std::string& name);
    bool CreateBlockToModel(const std::string& modelName, const std::string& blockName);
    bool DeleteBlockFromModel(const std::string& modelName, const std::string& blockName);
    bool DeleteBlock(const std::string& blockName);
    bool DeleteActiveBlock();
    // Shows the model as the only row and makes it active.
    bool SetActiveModel(const std::string& name);
    bool DeleteActiveModel();
    // Renames the model and the item it is stored under.
    bool RenameModel(const std::string& name, const std::string& newName);
    void Clear();

    TModel* pGetModel(const std::string& blockName) const;
    TModel* pGetModelByName(const std::string& name) const { return models_.Find(name); }
    uint32_t u32GetModelWidth(const std::string& name) const;
    uint32_t u32GetModelIndex(const std::string& name) const;
    uint32_t u32GetModelCount() const { return static_cast<uint32_t>(models_.Count()); }
    TModel* GetActiveModel() const { return activeModel_; }
    TModelBlock* GetActiveBlock() const { return activeModel_ ? activeModel_->pGetActiveBlock() : nullptr; }
    // The shown rows, top to bottom.
    uint32_t u32GetShownModelCount() const { return static_cast<uint32_t>(shown_.size()); }
    TModel* pGetShownModel(uint32_t index) const { return index < shown_.size() ? shown_[index] : nullptr; }

    int BlockColor() const { return blockColor_; }
    int ActiveBlockColor() const { return activeBlockColor_; }
    int ReferenceBlockColor() const { return referenceBlockColor_; }
    int ReferenceLineColor() const { return referenceLineColor_; }
    int ActiveModelColor() const { return activeModelColor_; }
    int ModelSpace() const { return modelSpace_; }
    int ModelHeight() const { return modelHeight_; }
    bool AutoSize() const { return autoSize_; }
    // The size of a new view, and the least size the view keeps when it sizes
    // itself to its rows.
    int ViewMinWidth() const { return viewMinWidth_; }
    int ViewMinHeight() const { return viewMinHeight_; }
    int Color() const { return color_; }
    void vSetBlockColor(int color);
    void vSetActiveBlockColor(int color);
    void vSetReferenceBlockColor(int color);
    void vSetReferenceLineColor(int color);
    void vSetActiveModelColor(int color);
    void vSetModelSpace(int space);
    void vSetModelHeight(int height);
    void vSetAutoSize(bool on);
    void vSetViewMinWidth(int width);
    void vSetViewMinHeight(int height);
    void vSetColor(int color);

    // Lays out the shown rows, sizes the view and repaints.
    void Paint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void hookModel(TModel* model);
    void vDoModelBlockClick(TModel* model, TModelBlock* block);
    void makeActive(TModel* model);
    void hideRow(TModel* model);
    void removeRowsBelow(const TModel* model);
    int shownIndex(const TModel* model) const;
    void vAutoSize();
    void setBlockColors();
    QColor qcolor(TColor color) const { return ToQColor(color, palette()); }

    TDynamicModelList models_{"TBlockModelView::ModelList"};
    std::vector<TModel*> shown_;
    TModel* activeModel_ = nullptr;
    TColor blockColor_ = clGreen;
    TColor activeBlockColor_ = clLime;
    TColor referenceBlockColor_ = clYellow;
    TColor referenceLineColor_ = clBlue;
    TColor activeModelColor_ = clRed;
    int modelSpace_ = 30;
    int modelHeight_ = 20;
    bool autoSize_ = false;
    int viewMinWidth_ = 400;
    int viewMinHeight_ = 100;
    TColor color_ = clWhite;
};
