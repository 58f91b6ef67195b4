#include "components/tblockmodelview.h"
#include "components/tgenericprotocoleditorform.h"
#include "components/tselectdirdialog.h"
#include "support/message_box_recorder.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Editor {
    MessageBoxRecorder boxes;
    TGenericProtocol protocol;
    TGenericProtocolEditorForm form;
    std::vector<std::string> published;

    Editor() {
        protocol.OnPacketReceived = [this](TGPDataPacket* packet, bool&) {
            std::string data;
            for (uint32_t i = 0; i < packet->u32GetBlockCount(); ++i)
                data += packet->pGetBlockByIndex(i)->strGetName() + "=" +
                        packet->pGetBlockByIndex(i)->vstrGetBlockData().AsString() + ";";
            published.push_back(data);
        };
        form.vSetPacketList(&protocol.PacketList());
        form.show();
        QApplication::processEvents();
    }
    void packetCommand(const QString& item) {
        for (QAction* action : form.PacketListPopupMenu()->actions())
            if (action->objectName() == item)
                action->trigger();
    }
    void selectRow(int row) {
        form.ui()->PacketList->setCurrentItem(form.ui()->PacketList->topLevelItem(row));
    }
    std::vector<std::string> packetNames() const {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < protocol.u32GetPacketCount(); ++i)
            names.push_back(protocol.pGetPacketByIndex(i)->strGetName());
        return names;
    }
    void clickBlock(const std::string& packet, const std::string& block) {
        TModelBlock* modelBlock = form.BlockModelView()->pGetModelByName(packet)->pGetBlock(block);
        QTest::mouseClick(modelBlock, Qt::LeftButton, {}, QPoint(3, 3));
    }
    void closeEditor() {
        form.ui()->CloseEditorButton->click();
        protocol.PacketList().SetOnChange([this] { protocol.vPacketListChanged(); });
        protocol.vPacketListChanged();
    }
};

TEST(TGenericProtocolEditorForm, CreatesNumberedPacketsAndReusesFreedNumbers) {
    Editor editor;
    EXPECT_EQ(editor.form.ui()->PacketTypeSelect->count(), 6);
    editor.packetCommand("PacketMenuItem01");
    EXPECT_FALSE(editor.form.ui()->PacketListBox->isEnabled());
    EXPECT_EQ(editor.form.ui()->PacketList->currentItem()->text(1), "NewPacket1");
    EXPECT_EQ(editor.form.BlockModelView()->GetActiveModel(), nullptr)
        << "the new row is selected, not clicked: the view shows what it showed";
    editor.form.ui()->PacketSettingsOkButton->click();
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketSettingsOkButton->click();
    EXPECT_EQ(editor.packetNames(), (std::vector<std::string>{"NewPacket1", "NewPacket2"}));
    EXPECT_EQ(editor.form.ui()->PacketList->topLevelItem(1)->text(1), "NewPacket2");

    editor.selectRow(0);
    editor.packetCommand("PacketMenuItem02");
    editor.packetCommand("PacketMenuItem05"); // loading has no file format: nothing happens
    editor.packetCommand("PacketMenuItem01");
    EXPECT_EQ(editor.packetNames(), (std::vector<std::string>{"NewPacket2", "NewPacket1"}));
    EXPECT_TRUE(editor.boxes.texts().empty());
}

TEST(TGenericProtocolEditorForm, RenamesOnlyToFreeNamesAndKeepsLookUpsWorking) {
    Editor editor;
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketSettingsOkButton->click();
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketNameEdit->setText("NewPacket1");
    editor.form.ui()->PacketSettingsOkButton->click();
    EXPECT_EQ(editor.packetNames(), (std::vector<std::string>{"NewPacket1", "NewPacket2"}));

    editor.selectRow(1);
    editor.form.ui()->PacketNameEdit->setText("Reply");
    editor.form.ui()->PacketSettingsOkButton->click();
    EXPECT_EQ(editor.packetNames(), (std::vector<std::string>{"NewPacket1", "Reply"}));
    EXPECT_NE(editor.protocol.pGetPacket("Reply"), nullptr);
    EXPECT_NE(editor.form.BlockModelView()->pGetModelByName("Reply"), nullptr);
    EXPECT_EQ(editor.form.BlockModelView()->pGetModelByName("NewPacket2"), nullptr);
    editor.selectRow(1);
    EXPECT_TRUE(editor.boxes.texts().empty()) << "the view's model follows the rename";
}

TEST(TGenericProtocolEditorForm, EditedDefinitionsRecogniseInputAfterTheEditorCloses) {
    Editor editor;
    editor.packetCommand("PacketMenuItem01"); // <STX><DATA...><ETX>
    editor.form.ui()->PacketNameEdit->setText("Frame");
    editor.form.ui()->PacketSettingsOkButton->click();
    editor.form.ui()->PacketTypeSelect->setCurrentIndex(4); // the next layout: custom
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketNameEdit->setText("Body");
    editor.form.ui()->PacketSettingsOkButton->click();
    TGPDataPacket* body = editor.protocol.pGetPacket("Body");
    ASSERT_EQ(body->tdGetGeneralPacketType(), gptCustomDataPacket);
    body->pCreateBlock("PAYLOAD")->vSetBlockType(btData);

    editor.clickBlock("Frame", "STX");
    EXPECT_EQ(editor.form.ui()->BlockStaticDataEdit->text(), "\\02");
    EXPECT_TRUE(editor.form.ui()->BlockSettingsBox->isVisible());

    // The data block of the frame stands for the body packet when published.
    editor.clickBlock("Frame", "DATA");
    editor.form.ui()->BlockNameEdit->setText("CONTENT");
    editor.form.ui()->BlockDataFormatTypeSelect->setCurrentIndex(dftAsciiHex);
    editor.form.ui()->BlockPacketReferenceSelect->setCurrentText("Body");
    editor.form.ui()->BlockSettingsOkButton->click();
    TGPDataBlock* content = editor.protocol.pGetPacket("Frame")->pGetBlock("CONTENT");
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(editor.protocol.pGetPacket("Frame")->pGetBlock("DATA"), nullptr);
    const TModel* frameModel = editor.form.BlockModelView()->pGetModelByName("Frame");
    EXPECT_NE(frameModel->pGetBlock("CONTENT"), nullptr) << "the block's row follows the rename";
    EXPECT_EQ(frameModel->pGetBlock("DATA"), nullptr);
    EXPECT_EQ(content->tdGetDataFormatType(), dftAsciiHex);
    EXPECT_EQ(content->pGetReferencePacket(), body);

    editor.closeEditor();
    EXPECT_FALSE(editor.protocol.pGetPacket("Frame")->OnBlockChanged);
    editor.protocol.AddData("\x02"
                            "AB");
    editor.protocol.AddData("\x02"
                            "AB\x03");
    EXPECT_EQ(editor.published, std::vector<std::string>{"STX=\x02;PAYLOAD=;ETX=\x03;"});
    EXPECT_TRUE(editor.boxes.texts().empty());
}

TEST(TGenericProtocolEditorForm, DeletingTheSelectedBlockOrPacketLeavesNothingSelected) {
    Editor editor;
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketSettingsOkButton->click();
    editor.clickBlock("NewPacket1", "DATA");
    ASSERT_NE(editor.form.SelectedBlock(), nullptr);
    for (QAction* action : editor.form.ModelBlockPopupMenu()->actions())
        if (action->objectName() == "BlockMenuItem02")
            action->trigger();
    EXPECT_EQ(editor.form.SelectedBlock(), nullptr);
    EXPECT_FALSE(editor.protocol.pGetPacket("NewPacket1")->bBlockExists("DATA"));
    EXPECT_EQ(editor.form.BlockModelView()->pGetModelByName("NewPacket1")->pGetBlock("DATA"), nullptr);
    editor.form.ui()->BlockSettingsOkButton->click();

    editor.clickBlock("NewPacket1", "STX");
    editor.selectRow(0);
    editor.packetCommand("PacketMenuItem02");
    EXPECT_EQ(editor.form.SelectedPacket(), nullptr);
    EXPECT_EQ(editor.protocol.u32GetPacketCount(), 0u);
    editor.form.ui()->BlockSettingsOkButton->click();
}

TEST(TGenericProtocolEditorForm, FileDialogsOfferPacketsAndPacketListsAndTheFolderDialog) {
    Editor editor;
    const QFileDialog* load = editor.form.LoadPacketDialog();
    EXPECT_EQ(load->nameFilters(), QStringList{"Generic Protocol Data Packet (*.gpp)"});
    EXPECT_EQ(load->defaultSuffix(), "gpp");
    EXPECT_EQ(load->fileMode(), QFileDialog::ExistingFiles) << "several files, each must exist";
    EXPECT_EQ(load->acceptMode(), QFileDialog::AcceptOpen);
    const QFileDialog* save = editor.form.SavePacketDialog();
    EXPECT_EQ(save->nameFilters(), QStringList{"Generic Protocol Data Packet (*.gpp)"});
    EXPECT_EQ(save->defaultSuffix(), "gpp");
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(editor.form.LoadPacketListDialog()->nameFilters(),
              QStringList{"General Protocol Packet List (*.gpl)"});
    EXPECT_EQ(editor.form.SelectDirDialog()->Caption, "Select Directory");

    // The load and save commands run none of them and change nothing.
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketSettingsOkButton->click();
    for (const char* item : {"PacketMenuItem03", "PacketMenuItem04", "PacketMenuItem05", "PacketMenuItem06"})
        editor.packetCommand(item);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(editor.packetNames(), std::vector<std::string>{"NewPacket1"});
}

TEST(TGenericProtocolEditorForm, CancelClosesTheSettingsUnappliedAndResizeKeepsTheNumberColumn) {
    Editor editor;
    editor.packetCommand("PacketMenuItem01");
    editor.form.ui()->PacketNameEdit->setText("Renamed");
    editor.form.PacketSettingsCancelButtonClick();
    EXPECT_FALSE(editor.form.ui()->PacketSettingsBox->isVisible());
    EXPECT_TRUE(editor.form.ui()->PacketListBox->isEnabled());
    EXPECT_EQ(editor.packetNames(), std::vector<std::string>{"NewPacket1"});

    editor.clickBlock("NewPacket1", "DATA");
    ASSERT_TRUE(editor.form.ui()->BlockSettingsBox->isVisible());
    editor.form.ui()->BlockNameEdit->setText("Renamed");
    editor.form.BlockSettingsCancelButtonClick();
    EXPECT_FALSE(editor.form.ui()->BlockSettingsBox->isVisible());
    EXPECT_TRUE(editor.protocol.pGetPacket("NewPacket1")->bBlockExists("DATA"));

    QTreeWidget* list = editor.form.ui()->PacketList;
    list->header()->resizeSection(0, 80);
    list->resize(list->width() + 20, list->height());
    EXPECT_EQ(list->header()->sectionSize(0), 30);

    const qsizetype buttons = editor.form.findChildren<QPushButton*>().size();
    editor.form.Button1Click();
    EXPECT_EQ(editor.form.findChildren<QPushButton*>().size(), buttons + 1);
}

TEST(TGenericProtocol, EditorOpensModallyOnTheComponentsList) {
    TGenericProtocol protocol;
    protocol.CreatePacket("Existing", gptStxData);
    int listChanges = 0;
    protocol.OnPacketListChanged = [&] { ++listChanges; };
    bool listed = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TGenericProtocolEditorForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        listed = form->ui()->PacketList->topLevelItemCount() == 1 &&
                 form->BlockModelView()->pGetModelByName("Existing") != nullptr;
        form->ui()->CloseEditorButton->click();
    });
    protocol.ShowPacketEditor();
    EXPECT_TRUE(listed);
    EXPECT_EQ(listChanges, 0) << "closing the editor re-hooks the packets without a list change";
    int received = 0;
    protocol.OnPacketReceived = [&](TGPDataPacket*, bool&) { ++received; };
    protocol.AddData("\x02");
    EXPECT_EQ(received, 1);
}

} // namespace
