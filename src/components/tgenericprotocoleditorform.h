#pragma once
// The modal editor of a packet recogniser's definitions. It edits the
// recogniser's packet list in place: packets are created from a layout type and
// shown as rows of blocks in a block model view, where a click on a block opens
// its settings.

#include "components/tgenericprotocol.h"
#include "ui_tgenericprotocoleditorform.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class TBlockModelView;
class TModel;
class TModelBlock;

class TGenericProtocolEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TGenericProtocolEditorForm(QWidget* owner = nullptr);
    ~TGenericProtocolEditorForm() override;

    // Takes the list to edit and hooks its packets to the form until it closes.
    void vSetPacketList(TDynamicPacketList* packets);
    void vRefreshPacketList();

    TBlockModelView* BlockModelView() const;
    QMenu* PacketListPopupMenu() const { return packetMenu_; }
    QMenu* ModelBlockPopupMenu() const { return blockMenu_; }
    TGPDataPacket* SelectedPacket() const { return selectedPacket_; }
    TGPDataBlock* SelectedBlock() const { return selectedBlock_; }

    void FormShow();
    void PacketListClick();
    void PacketListMenuItemClicked(QAction* item);
    void PacketSettingsOkButtonClick();
    void BlockModelViewBlockClick(TModel* model, TModelBlock* block);
    void BlockMenuItemClick(QAction* item);
    void BlockSettingsOkButtonClick();
    void BlockDataTypeSelectChange();
    void BlockDataLengthEditChange();
    void CloseEditorButtonClick();

    Ui::TGenericProtocolEditorForm* ui() const { return ui_.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QMenu* buildMenu(const QString& prefix, const QStringList& texts,
                     void (TGenericProtocolEditorForm::*handler)(QAction*));
    void hookPacket(TGPDataPacket* packet);
    void unhookPackets();
    void addModel(const TGPDataPacket& packet);
    void createPacket();
    void deleteSelectedPacket();
    void vShowBlockSettings();
    // Nothing selected: what was selected is about to be deleted.
    void forgetSelection();
    int packetIndex(const std::string& name) const;

    std::unique_ptr<Ui::TGenericProtocolEditorForm> ui_;
    QMenu* packetMenu_ = nullptr;
    QMenu* blockMenu_ = nullptr;
    TDynamicPacketList* packets_ = nullptr;
    TGPDataPacket* selectedPacket_ = nullptr;
    TGPDataBlock* selectedBlock_ = nullptr;
    TModel* selectedModel_ = nullptr;
    TModelBlock* selectedModelBlock_ = nullptr;
};
