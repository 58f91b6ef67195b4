#pragma once
// One row of a block model view: a named, ordered list of blocks laid out left
// to right, neighbours overlapping by one pixel. The blocks are children of the
// view; the model owns them.

#include "base/tdynamiclist.h"
#include "components/tmodelblock.h"

#include <QRect>

#include <cstdint>
#include <functional>
#include <string>

using TModelBlockList = TDynamicList<TModelBlock>;

class TModel {
public:
    TModel(QWidget* view, const std::string& name);
    TModel(const TModel&) = delete;
    TModel& operator=(const TModel&) = delete;

    std::function<void(TModel*)> OnModelChange;
    std::function<void(TModel*)> OnModelActive;
    std::function<void(TModel*)> OnModelDeactive;
    std::function<void(TModel*, TModelBlock*)> OnBlockClick;
    std::function<void(TModel*, TModelBlock*)> OnBlockChange;

    // False when the name is taken.
    bool AddBlock(const std::string& name);
    bool DeleteBlock(const std::string& name);
    // Renames the block, its caption and the item it is stored under.
    bool RenameBlock(const std::string& name, const std::string& newName);
    void vArrangeBlocks();
    void vSetTop(int top);
    void vSetHeight(int height);
    void vSetVisible(bool visible);
    void vSetActive(bool active);
    void vSetActiveBlock(const std::string& name);
    void vSetBlockColors(TColor block, TColor active, TColor reference);
    void vSetName(const std::string& name) { name_ = name; }

    const std::string& strGetName() const { return name_; }
    int Top() const { return top_; }
    int Height() const { return height_; }
    bool bGetActive() const { return active_; }
    bool bGetVisible() const { return visible_; }
    TModelBlock* pGetActiveBlock() const { return activeBlock_; }
    TModelBlock* pGetBlock(const std::string& name) const { return blocks_.Find(name); }
    uint32_t u32GetBlockCount() const { return static_cast<uint32_t>(blocks_.Count()); }
    TModelBlock* pGetBlockByIndex(uint32_t index) const { return blocks_.ObjectAt(index); }
    // From the first block's left, top and bottom to the last block's right edge.
    QRect tdGetModelRect() const;

private:
    void vDoBlockClick(TModelBlock* block);
    void activate(TModelBlock* block);

    TModelBlockList blocks_{"TModel::BlockList"};
    TModelBlock* activeBlock_ = nullptr;
    QWidget* view_;
    TColor blockColor_ = clGreen;
    TColor activeBlockColor_ = clLime;
    TColor referenceBlockColor_ = clYellow;
    std::string name_;
    int top_ = 8;
    int height_ = 20;
    bool active_ = false;
    bool visible_ = false;
};
