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
class QFileDialog;
class QMenu;
class TSelectDirDialog;
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
    // The dialogs of the packet and packet-list files and of their folder; no
    // command runs them while packet definitions have no file format.
    QFileDialog* LoadPacketDialog() const { return loadPacketDialog_; }
    QFileDialog* SavePacketDialog() const { return savePacketDialog_; }
    QFileDialog* LoadPacketListDialog() const { return loadPacketListDialog_; }
    TSelectDirDialog* SelectDirDialog() const { return selectDirDialog_; }

    void FormShow();
    void PacketListClick();
    // Keeps the number column 30 pixels wide whenever the list changes size.
    void PacketListResize();
    void PacketListMenuItemClicked(QAction* item);
    void PacketSettingsOkButtonClick();
    // Closes the packet settings without applying them.
    void PacketSettingsCancelButtonClick();
    void BlockModelViewBlockClick(TModel* model, TModelBlock* block);
    void BlockMenuItemClick(QAction* item);
    void BlockSettingsOkButtonClick();
    // Closes the block settings without applying them.
    void BlockSettingsCancelButtonClick();
    void BlockDataTypeSelectChange();
    void BlockDataLengthEditChange();
    void CloseEditorButtonClick();
    // Creates a button owned by the form, placed and shown nowhere; no control
    // calls it.
    void Button1Click();

    Ui::TGenericProtocolEditorForm* ui() const { return ui_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    QFileDialog* loadPacketDialog_ = nullptr;
    QFileDialog* savePacketDialog_ = nullptr;
    QFileDialog* loadPacketListDialog_ = nullptr;
    TSelectDirDialog* selectDirDialog_ = nullptr;
    TDynamicPacketList* packets_ = nullptr;
    TGPDataPacket* selectedPacket_ = nullptr;
    TGPDataBlock* selectedBlock_ = nullptr;
    TModel* selectedModel_ = nullptr;
    TModelBlock* selectedModelBlock_ = nullptr;
};
