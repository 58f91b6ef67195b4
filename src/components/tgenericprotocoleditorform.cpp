#include "components/tgenericprotocoleditorform.h"

#include "base/hex.h"
#include "base/message_dialogs.h"
#include "components/tblockmodelview.h"
#include "components/tselectdirdialog.h"
#include "platform/latin1.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QResizeEvent>

namespace {
template <typename NameOf> void fill(QComboBox* box, int count, NameOf nameOf) {
    box->clear();
    for (int i = 0; i < count; ++i)
        box->addItem(fromLatin1(nameOf(i)));
    box->setCurrentIndex(0);
}

// The number a menu item's name ends with ("PacketMenuItem01" is 1).
int itemNumber(const QAction* item, int position) {
    return item->objectName().mid(position, 2).toInt();
}

const char PacketFileFilter[] = "Generic Protocol Data Packet (*.gpp)";
const char PacketFileSuffix[] = "gpp";
const char PacketListFileFilter[] = "General Protocol Packet List (*.gpl)";

QFileDialog* fileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QString& filter) {
    auto* dialog = new QFileDialog(owner);
    dialog->setAcceptMode(mode);
    dialog->setNameFilter(filter);
    return dialog;
}
} // namespace

TGenericProtocolEditorForm::TGenericProtocolEditorForm(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TGenericProtocolEditorForm>()) {
    ui_->setupUi(this);
    TBlockModelView* view = ui_->BlockModelView;
    view->vSetBlockColor(clGreen);
    view->vSetActiveBlockColor(clLime);
    view->vSetReferenceBlockColor(clYellow);
    view->vSetReferenceLineColor(clBlue);
    view->vSetActiveModelColor(clRed);
    view->vSetModelHeight(20);
    view->vSetModelSpace(30);
    view->vSetViewMinWidth(835);
    view->vSetViewMinHeight(89);
    view->vSetColor(clWhite);
    view->vSetAutoSize(true);
    view->OnBlockClick = [this](TModel* model, TModelBlock* block) {
        BlockModelViewBlockClick(model, block);
    };

    PacketListResize();
    ui_->PacketListBox->setMinimumWidth(200);
    packetMenu_ = buildMenu("PacketMenuItem",
                            {"Create Packet", "Delete Packet", "-", "Load Packet", "Save Packet", "-",
                             "Load Packet List", "Save Packet List", "-", "Clear Packets"},
                            &TGenericProtocolEditorForm::PacketListMenuItemClicked);
    connect(packetMenu_, &QMenu::aboutToShow, this, &TGenericProtocolEditorForm::PacketListClick);
    view->PopupMenu = packetMenu_;
    blockMenu_ = buildMenu("BlockMenuItem", {"Create Block", "Delete Block"},
                           &TGenericProtocolEditorForm::BlockMenuItemClick);

    loadPacketDialog_ = fileDialog(this, QFileDialog::AcceptOpen, PacketFileFilter);
    loadPacketDialog_->setDefaultSuffix(PacketFileSuffix);
    loadPacketDialog_->setFileMode(QFileDialog::ExistingFiles);
    savePacketDialog_ = fileDialog(this, QFileDialog::AcceptSave, PacketFileFilter);
    savePacketDialog_->setDefaultSuffix(PacketFileSuffix);
    loadPacketListDialog_ = fileDialog(this, QFileDialog::AcceptOpen, PacketListFileFilter);
    selectDirDialog_ = new TSelectDirDialog(this);
    selectDirDialog_->Caption = "Select Directory";
    ui_->PacketList->installEventFilter(this);

    connect(ui_->PacketList, &QTreeWidget::itemSelectionChanged, this,
            &TGenericProtocolEditorForm::PacketListClick);
    connect(ui_->PacketList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { packetMenu_->popup(ui_->PacketList->viewport()->mapToGlobal(at)); });
    connect(ui_->PacketSettingsOkButton, &QPushButton::clicked, this,
            &TGenericProtocolEditorForm::PacketSettingsOkButtonClick);
    connect(ui_->BlockSettingsOkButton, &QPushButton::clicked, this,
            &TGenericProtocolEditorForm::BlockSettingsOkButtonClick);
    connect(ui_->BlockDataTypeSelect, &QComboBox::currentIndexChanged, this,
            &TGenericProtocolEditorForm::BlockDataTypeSelectChange);
    connect(ui_->BlockDataLengthEdit, &QLineEdit::textEdited, this,
            &TGenericProtocolEditorForm::BlockDataLengthEditChange);
    connect(ui_->CloseEditorButton, &QPushButton::clicked, this,
            &TGenericProtocolEditorForm::CloseEditorButtonClick);
}

TGenericProtocolEditorForm::~TGenericProtocolEditorForm() {
    unhookPackets();
}

QMenu* TGenericProtocolEditorForm::buildMenu(const QString& prefix, const QStringList& texts,
                                             void (TGenericProtocolEditorForm::*handler)(QAction*)) {
    auto* menu = new QMenu(this);
    int number = 0;
    for (const QString& caption : texts) {
        if (caption == "-") {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(caption);
        item->setObjectName(prefix + QString("%1").arg(++number, 2, 10, QChar('0')));
        connect(item, &QAction::triggered, this, [this, item, handler] { (this->*handler)(item); });
    }
    return menu;
}

TBlockModelView* TGenericProtocolEditorForm::BlockModelView() const {
    return ui_->BlockModelView;
}

void TGenericProtocolEditorForm::hookPacket(TGPDataPacket* packet) {
    packet->OnDataPacketChanged = [this](TGPDataPacket* changed) {
        if (changed == selectedPacket_)
            vRefreshPacketList();
    };
    packet->OnBlockChanged = [this](TGPDataPacket* changed, TGPDataBlock* block) {
        if (changed == selectedPacket_ && block == selectedBlock_)
            vShowBlockSettings();
    };
}

void TGenericProtocolEditorForm::unhookPackets() {
    if (!packets_)
        return;
    packets_->SetOnChange({});
    for (size_t i = 0; i < packets_->Count(); ++i) {
        packets_->ObjectAt(i)->OnDataPacketChanged = nullptr;
        packets_->ObjectAt(i)->OnBlockChanged = nullptr;
    }
    packets_ = nullptr;
}

void TGenericProtocolEditorForm::vSetPacketList(TDynamicPacketList* packets) {
    packets_ = packets;
    packets_->SetOnChange([this] {
        DropReferencesToMissingPackets(*packets_);
        vRefreshPacketList();
    });
    for (size_t i = 0; i < packets_->Count(); ++i) {
        hookPacket(packets_->ObjectAt(i));
        // Packets made before the editor opened get their rows too.
        addModel(*packets_->ObjectAt(i));
    }
}

void TGenericProtocolEditorForm::addModel(const TGPDataPacket& packet) {
    TBlockModelView* view = ui_->BlockModelView;
    view->CreateModel(packet.strGetName());
    for (uint32_t i = 0; i < packet.u32GetBlockCount(); ++i)
        view->CreateBlockToModel(packet.strGetName(), packet.pGetBlockByIndex(i)->strGetName());
}

void TGenericProtocolEditorForm::vRefreshPacketList() {
    const QSignalBlocker block(ui_->PacketList);
    ui_->PacketList->clear();
    for (size_t i = 0; packets_ && i < packets_->Count(); ++i)
        new QTreeWidgetItem(ui_->PacketList,
                            {QString::number(i), fromLatin1(packets_->ObjectAt(i)->strGetName())});
}

void TGenericProtocolEditorForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

bool TGenericProtocolEditorForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->PacketList && event->type() == QEvent::Resize)
        PacketListResize();
    return QDialog::eventFilter(watched, event);
}

void TGenericProtocolEditorForm::PacketListResize() {
    ui_->PacketList->header()->resizeSection(0, 30);
}

void TGenericProtocolEditorForm::FormShow() {
    vRefreshPacketList();
    fill(ui_->PacketTypeSelect, GeneralPacketTypeCount, GeneralPacketTypeName);
    fill(ui_->BlockTypeSelect, BlockTypeCount, BlockTypeName);
    fill(ui_->BlockDataLengthTypeSelect, BlockDataLengthTypeCount, BlockDataLengthTypeName);
    fill(ui_->BlockDataTypeSelect, BlockDataTypeCount, BlockDataTypeName);
    fill(ui_->BlockDataFormatTypeSelect, BlockDataFormatTypeCount, BlockDataFormatTypeName);
}

int TGenericProtocolEditorForm::packetIndex(const std::string& name) const {
    const std::optional<size_t> index = packets_ ? packets_->IndexOf(name) : std::nullopt;
    return index ? static_cast<int>(*index) : -1;
}

void TGenericProtocolEditorForm::PacketListClick() {
    QTreeWidgetItem* item = ui_->PacketList->currentItem();
    const int row = item ? ui_->PacketList->indexOfTopLevelItem(item) : -1;
    selectedPacket_ = packets_ && row >= 0 ? packets_->ObjectAt(row) : nullptr;
    TBlockModelView* view = ui_->BlockModelView;
    if (!selectedPacket_) {
        view->SetActiveModel("");
        selectedModel_ = nullptr;
        ui_->PacketSettingsBox->hide();
        return;
    }
    ui_->PacketSettingsBox->show();
    selectedModel_ = view->SetActiveModel(packets_->ItemName(row)) ? view->GetActiveModel() : nullptr;
    if (!selectedModel_)
        ShowErrorMessage(
            "Exception Error => Cannot set active model => [TGenericProtocolEditorForm::PacketListClick]");
}

void TGenericProtocolEditorForm::PacketListMenuItemClicked(QAction* item) {
    PacketListClick();
    switch (itemNumber(item, 14)) {
    case 1:
        createPacket();
        break;
    case 2:
        deleteSelectedPacket();
        break;
    case 7:
        forgetSelection();
        ui_->BlockModelView->Clear();
        packets_->Clear();
        break;
    default: // loading and saving packets have no file format
        break;
    }
}

void TGenericProtocolEditorForm::createPacket() {
    // The selector lists the layouts from "Undefined"; a new packet takes the
    // layout after the one chosen, and "Custom DataPacket" stays the last.
    const auto type = static_cast<TdGeneralPacketType>(
        std::min(ui_->PacketTypeSelect->currentIndex() + 1, static_cast<int>(gptCustomDataPacket)));
    std::string name;
    for (int n = 1; name.empty() || packetIndex(name) >= 0; ++n)
        name = "NewPacket" + std::to_string(n);
    auto* packet = new TGPDataPacket();
    packet->vSetName(name);
    packet->vSetGeneralPacketType(type);
    selectedPacket_ = packet;
    hookPacket(packet);
    packets_->Add(packet, name);
    addModel(*packet);

    {
        // Selecting the row is no click on it: the view keeps the rows it shows.
        const QSignalBlocker quiet(ui_->PacketList);
        ui_->PacketList->setCurrentItem(
            ui_->PacketList->topLevelItem(ui_->PacketList->topLevelItemCount() - 1));
    }
    ui_->PacketListBox->setEnabled(false);
    ui_->PacketNameEdit->setText(fromLatin1(name));
    ui_->PacketTypeSelect->setCurrentIndex(type);
    ui_->BlockSettingsBox->hide();
    ui_->PacketSettingsBox->show();
}

void TGenericProtocolEditorForm::deleteSelectedPacket() {
    if (!selectedPacket_)
        return;
    const std::string name = selectedPacket_->strGetName();
    const int index = packetIndex(name);
    forgetSelection();
    ui_->BlockModelView->DeleteModel(name);
    if (index >= 0)
        packets_->Delete(index);
}

void TGenericProtocolEditorForm::PacketSettingsOkButtonClick() {
    const std::string name = toLatin1(ui_->PacketNameEdit->text());
    const int holder = packetIndex(name);
    const bool accepted =
        selectedPacket_ && !name.empty() && (holder < 0 || packets_->ObjectAt(holder) == selectedPacket_);
    if (accepted && name != selectedPacket_->strGetName()) {
        // Look-ups go by the names the items are stored under: they follow the rename.
        ui_->BlockModelView->RenameModel(selectedPacket_->strGetName(), name);
        packets_->Rename(selectedPacket_->strGetName(), name);
        selectedPacket_->vSetName(name);
        vRefreshPacketList();
    }
    PacketSettingsCancelButtonClick();
}

void TGenericProtocolEditorForm::PacketSettingsCancelButtonClick() {
    ui_->PacketSettingsBox->hide();
    ui_->PacketListBox->setEnabled(true);
}

void TGenericProtocolEditorForm::BlockModelViewBlockClick(TModel* model, TModelBlock* block) {
    const int index = packetIndex(model->strGetName());
    selectedPacket_ = index >= 0 ? packets_->ObjectAt(index) : nullptr;
    selectedBlock_ = selectedPacket_ && block ? selectedPacket_->pGetBlock(block->strGetCaption()) : nullptr;
    selectedModel_ = model;
    selectedModelBlock_ = block;
    if (!selectedBlock_)
        return;
    vShowBlockSettings();
    ui_->PacketSettingsBox->hide();
    ui_->BlockSettingsBox->show();
}

void TGenericProtocolEditorForm::vShowBlockSettings() {
    const TGPDataBlock* block = selectedBlock_;
    if (!block)
        return;
    ui_->BlockNameEdit->setText(fromLatin1(block->strGetName()));
    ui_->BlockTypeSelect->setCurrentIndex(block->tdGetBlockType());
    ui_->BlockDataFormatTypeSelect->setCurrentIndex(block->tdGetDataFormatType());
    ui_->BlockDataLengthTypeSelect->setCurrentIndex(block->tdGetDataLengthType());
    ui_->BlockDataTypeSelect->setCurrentIndex(block->tdGetDataType());
    const auto lengthType = block->tdGetDataLengthType();
    ui_->BlockDataLengthEdit->setText(lengthType == dltVariable ? "<UNKNOWN>"
                                      : lengthType == dltDefinedByBlock
                                          ? "<DEFINED>"
                                          : QString::number(block->u32GetBlockDataLength()));
    const std::string data = block->vstrGetBlockData().AsString();
    ui_->BlockStaticDataEdit->setText(block->tdGetDataType() != dtStatic ? QString("<UNKNOWN>")
                                      : block->tdGetDataFormatType() == dftBinary
                                          ? fromLatin1(EscapeString(data, EscapeAll))
                                          : fromLatin1(data));
    QComboBox* reference = ui_->BlockPacketReferenceSelect;
    reference->clear();
    reference->addItem("<NO ASSOCIATION>");
    int current = 0;
    for (size_t i = 0; i < packets_->Count(); ++i) {
        reference->addItem(fromLatin1(packets_->ObjectAt(i)->strGetName()));
        if (packets_->ObjectAt(i) == block->pGetReferencePacket())
            current = static_cast<int>(i) + 1;
    }
    reference->setCurrentIndex(current);
}

void TGenericProtocolEditorForm::forgetSelection() {
    selectedPacket_ = nullptr;
    selectedBlock_ = nullptr;
    selectedModel_ = nullptr;
    selectedModelBlock_ = nullptr;
}

void TGenericProtocolEditorForm::BlockSettingsOkButtonClick() {
    TGPDataBlock* block = selectedBlock_;
    if (!block || !selectedPacket_)
        return;
    // Every value is read before any is applied: each change refills the panel
    // from the block.
    const std::string name = toLatin1(ui_->BlockNameEdit->text());
    const auto type = static_cast<TdBlockType>(ui_->BlockTypeSelect->currentIndex());
    const auto dataType = static_cast<TdBlockDataType>(ui_->BlockDataTypeSelect->currentIndex());
    const auto lengthType =
        static_cast<TdBlockDataLengthType>(ui_->BlockDataLengthTypeSelect->currentIndex());
    const auto format = static_cast<TdBlockDataFormatType>(ui_->BlockDataFormatTypeSelect->currentIndex());
    const int referenceIndex = ui_->BlockPacketReferenceSelect->currentIndex();
    const std::string referenceName = toLatin1(ui_->BlockPacketReferenceSelect->currentText());

    const std::string oldName = block->strGetName();
    if (!name.empty() && selectedPacket_->bRenameBlock(oldName, name) && selectedModel_)
        selectedModel_->RenameBlock(oldName, name);
    block->vSetBlockType(type);
    block->vSetDataType(dataType);
    block->vSetDataLengthType(lengthType);
    block->vSetDataFormatType(format);
    const int referenced = referenceIndex < 1 ? -1 : packetIndex(referenceName);
    block->vSetReferencePacket(referenced < 0 ? nullptr : packets_->ObjectAt(referenced));
    if (selectedModelBlock_)
        selectedModelBlock_->vSetReferenceModel(referenced < 0 ? std::string() : referenceName);
    BlockSettingsCancelButtonClick();
}

void TGenericProtocolEditorForm::BlockSettingsCancelButtonClick() {
    ui_->BlockSettingsBox->hide();
}

void TGenericProtocolEditorForm::BlockDataTypeSelectChange() {
    ui_->BlockDataLengthEdit->setEnabled(selectedBlock_ && selectedBlock_->tdGetDataType() != dtStatic);
}

void TGenericProtocolEditorForm::BlockDataLengthEditChange() {
    if (selectedBlock_ && selectedBlock_->tdGetDataType() == dtStatic)
        ui_->BlockDataLengthEdit->setText(QString::number(selectedBlock_->u32GetBlockDataLength()));
}

void TGenericProtocolEditorForm::BlockMenuItemClick(QAction* item) {
    TBlockModelView* view = ui_->BlockModelView;
    TModel* model = view->GetActiveModel();
    const int index = model ? packetIndex(model->strGetName()) : -1;
    if (index < 0)
        return;
    TGPDataPacket* packet = packets_->ObjectAt(index);
    if (itemNumber(item, 13) == 1) {
        const std::string name = "NewBlock_" + RandomHexString(4);
        if (packet->pCreateBlock(name))
            view->CreateBlockToModel(model->strGetName(), name);
    } else if (const TModelBlock* block = view->GetActiveBlock()) {
        const std::string name = block->strGetCaption();
        if (selectedModelBlock_ == block || selectedBlock_ == packet->pGetBlock(name))
            forgetSelection();
        packet->bDeleteBlock(name);
        view->DeleteBlockFromModel(model->strGetName(), name);
    }
}

void TGenericProtocolEditorForm::CloseEditorButtonClick() {
    unhookPackets();
    accept();
}

void TGenericProtocolEditorForm::Button1Click() {
    new QPushButton(this);
}
