#include "app/command_line.h"
#include "app/tpohjafrm.h"
#include "designer/designer_fixture.h"
#include "designer/project_file.h"
#include "designer/security_level.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "platform/tinifile.h"
#include "support/file_dialog_recorder.h"
#include "support/pdf_text.h"
#include "terminal/tterminaali.h"

#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <filesystem>
#include <memory>

namespace {

class DesignerWindowTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        for (const char* fixture : {"QX-450.smf", "QX-NMS.smf", "QX-Lite.smf"})
            AddTypeFile(fixture);
    }
    void TearDown() override {
        main.reset();
        DesignerFolderTest::TearDown();
    }

    void OpenMainWindow(bool factoryMode = false) {
        std::vector<std::string> commandLine{folder.file("quovix")};
        if (factoryMode)
            commandLine.push_back(kFactoryCode);
        main = std::make_unique<TPohjafrm>(commandLine);
        main->show();
        QCoreApplication::processEvents();
    }

    // Runs a main-window command and returns the designer it opened.
    Tpiirtopohja* OpenDesigner(QAction* command) {
        const auto before = main->mdiArea()->subWindowList().size();
        command->trigger();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const auto children = main->mdiArea()->subWindowList();
        if (children.size() != before + 1)
            return nullptr;
        return qobject_cast<Tpiirtopohja*>(children.back()->widget());
    }

    static QAction* MenuItem(Tpiirtopohja* designer, const char* menu, const QString& text) {
        for (QAction* item : designer->findChild<QMenu*>(menu)->actions())
            if (item->text() == text)
                return item;
        return nullptr;
    }

    static QStringList MenuTexts(Tpiirtopohja* designer, const char* menu) {
        QStringList texts;
        for (QAction* item : designer->findChild<QMenu*>(menu)->actions())
            texts << item->text();
        return texts;
    }

    static void Trigger(Tpiirtopohja* designer, const char* action) {
        designer->findChild<QAction*>(action)->trigger();
        QCoreApplication::processEvents();
    }

    void CloseDesigner(Tpiirtopohja* designer) {
        QMdiSubWindow* child = main->mdiArea()->subWindowList().back();
        ASSERT_EQ(child->widget(), designer);
        child->close();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TPohjafrm> main;
    FileDialogRecorder dialogs;
};

TEST_F(DesignerWindowTest, ProjectDesignIsSavedClosedAndReopenedWithTheSameFigures) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->SingleModem());
    EXPECT_FALSE(main->DrawingBtn->isEnabled());
    EXPECT_EQ(MenuTexts(designer, "Luouusi2"), (QStringList{"QX-450", "QX-NMS"}));

    MenuItem(designer, "Luouusi2", "QX-450")->trigger();
    MenuItem(designer, "Newmulti2", "QX-NMS")->trigger();
    ASSERT_EQ(designer->Design().Figures().size(), 2u);
    const TKuvio& first = *designer->Design().Figures()[0];
    EXPECT_EQ(first.CentreX(), 30);
    EXPECT_EQ(first.TypeName(), "QX-450");
    EXPECT_TRUE(designer->Design().Figures()[1]->Multiport());
    EXPECT_TRUE(designer->Design().Figures()[1]->NmsSupport());
    EXPECT_TRUE(designer->Design().modified);

    const std::string path = folder.file("harbour.spf");
    dialogs.answers = {path};
    Trigger(designer, "Tallenna1");
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(dialogs.requests[0].save);
    EXPECT_EQ(dialogs.requests[0].filter, "Project files|*.spf");
    EXPECT_FALSE(designer->Design().modified);
    EXPECT_EQ(designer->windowTitle().toStdString(), "Project: noname | file: " + path);
    const std::string saved = ReadWholeFile(path);
    EXPECT_EQ(saved.substr(0, 7), ":\x05"
                                  "5.2.1");

    CloseDesigner(designer);
    EXPECT_TRUE(main->mdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(main->DrawingBtn->isEnabled());

    Tpiirtopohja* reopened = OpenDesigner(main->DrawingBtn);
    ASSERT_NE(reopened, nullptr);
    dialogs.answers = {path};
    Trigger(reopened, "Avaa1");
    ASSERT_EQ(reopened->Design().Figures().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const TKuvio& figure = *reopened->Design().Figures()[i];
        EXPECT_EQ(figure.TypeName(), i == 0 ? "QX-450" : "QX-NMS");
        // The second modem, made at the same point, stood aside from the first.
        EXPECT_EQ(figure.Left(), i == 0 ? 15 : 25);
        EXPECT_EQ(figure.identifier, i + 1);
    }
    EXPECT_TRUE(reopened->Design().Figures()[1]->Multiport());
    EXPECT_EQ(reopened->ProjectFileName(), path);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DesignerWindowTest, ChangedTypeFileStaysInTheMenuAndIsReportedWhenUsed) {
    AddTypeFile("QX-450R.smf");
    TIniFile(folder.file("QX-450R.smf")).WriteInteger("Version", "Number", 1);
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    EXPECT_EQ(MenuTexts(designer, "NewMobile1"), (QStringList{"QX-450", "QX-450R", "QX-NMS"}));
    MenuItem(designer, "NewMobile1", "QX-450R")->trigger();
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].rfind("Ini file QX-450R.smf has been corrupted L ", 0), 0u);
    EXPECT_TRUE(designer->Design().active->Mobile());
}

TEST_F(DesignerWindowTest, WithoutTypeFilesTheNewModemMenusAreDisabled) {
    for (const char* fixture : {"QX-450.smf", "QX-NMS.smf", "QX-Lite.smf"})
        std::filesystem::remove(folder.file(fixture));
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    for (const char* menu : {"Luouusi2", "NewMobile1", "Newmulti2"})
        EXPECT_FALSE(designer->findChild<QMenu*>(menu)->isEnabled()) << menu;
}

TEST_F(DesignerWindowTest, SingleModemDesignIsSavedAndReopened) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->SingleModemSetup1);
    ASSERT_NE(designer, nullptr);
    EXPECT_TRUE(designer->SingleModem());
    EXPECT_EQ(designer->windowTitle(), "Setup single modem : default.ssf");
    EXPECT_EQ(MenuTexts(designer, "Luouusi2"), (QStringList{"QX-450", "QX-Lite", "QX-NMS"}));
    EXPECT_FALSE(designer->findChild<QMenu*>("Projekti1")->menuAction()->isVisible());
    EXPECT_FALSE(main->CopyBtn->isEnabled());

    MenuItem(designer, "Luouusi2", "QX-Lite")->trigger();
    designer->Design().active->SetPropertyEntry('B', '0', "7", true, true, 8, 0x1100);
    const std::string path = folder.file("one.ssf");
    dialogs.answers = {path};
    Trigger(designer, "Tallenna1");
    EXPECT_EQ(designer->windowTitle().toStdString(), "Setup single modem : " + path);
    CloseDesigner(designer);

    Tpiirtopohja* reopened = OpenDesigner(main->SingleModemBtn);
    ASSERT_NE(reopened, nullptr);
    dialogs.answers = {path};
    Trigger(reopened, "Avaa1");
    ASSERT_EQ(reopened->Design().Figures().size(), 1u);
    const TKuvio& figure = *reopened->Design().Figures()[0];
    EXPECT_EQ(figure.TypeName(), "QX-Lite");
    EXPECT_EQ(figure.GetModemName(), "");
    ASSERT_EQ(figure.PropertyEntries().size(), 1u);
    EXPECT_EQ(figure.PropertyEntries()[0].value, "7");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DesignerWindowTest, CancelledSaveDialogAfterYesKeepsTheDesign) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    MenuItem(designer, "Luouusi2", "QX-450")->trigger();
    boxes.queueAnswer(IDYES);
    Trigger(designer, "Uusi1");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Save changes to file ?"}));
    EXPECT_EQ(designer->Design().Figures().size(), 1u);
    EXPECT_TRUE(designer->Design().modified);

    // Closing asks too; No discards.
    boxes.queueAnswer(IDNO);
    CloseDesigner(designer);
    EXPECT_TRUE(main->mdiArea()->subWindowList().isEmpty());
}

TEST_F(DesignerWindowTest, CloseProjectClosesTheWholeChildWindow) {
    OpenMainWindow();
    ASSERT_NE(OpenDesigner(main->Piirtopohja1), nullptr);
    Tpiirtopohja* designer = qobject_cast<Tpiirtopohja*>(main->mdiArea()->subWindowList().back()->widget());
    Trigger(designer, "Sulje1");
    EXPECT_TRUE(main->mdiArea()->subWindowList().isEmpty());
}

TEST_F(DesignerWindowTest, PrintButtonPrintsTheActiveDesignersGraph) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    designer->Design().Append(std::make_unique<TKuvio>(40, 40)).SetModemName("Lighthouse");
    const std::string pdf = folder.file("graph.pdf");
    main->Printer()->setOutputFormat(QPrinter::PdfFormat);
    main->Printer()->setOutputFileName(QString::fromStdString(pdf));
    main->PrintBtn->trigger();
    EXPECT_NE(PdfText(pdf).find("Lighthouse"), std::string::npos);
}

// With a designer active the tool bar's Copy and Paste put it into copy mode, also
// after another designer closed and enabled the Open button.
TEST_F(DesignerWindowTest, ToolBarCopyAndPastePutTheActiveDesignerIntoCopyMode) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    for (const bool anotherClosed : {false, true}) {
        if (anotherClosed) {
            CloseDesigner(OpenDesigner(main->Piirtopohja1));
            ASSERT_FALSE(main->OpenBtn->isEnabled()) << "the first designer is still open";
            ASSERT_EQ(main->mdiArea()->activeSubWindow()->widget(), designer);
        }
        for (QAction* button : {main->CopyBtn, main->PasteBtn}) {
            designer->Editor().EscapeKey();
            button->trigger();
            EXPECT_TRUE(designer->Editor().CopyMode()) << button->objectName().toStdString() << anotherClosed;
        }
    }
    designer->Editor().EscapeKey();
}

// With a terminal active Copy copies its text, though an open designer has
// disabled the Open button.
TEST_F(DesignerWindowTest, ToolBarCopyIsTheActiveTerminalsBesideAnOpenDesigner) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
    main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(terminal->parentWidget()));
    ASSERT_FALSE(main->OpenBtn->isEnabled());
    terminal->AppendScreenBytes("north");
    terminal->Valitsekaikki1Click();
    QGuiApplication::clipboard()->clear();
    main->CopyBtn->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "north");
    EXPECT_FALSE(designer->Editor().CopyMode());
}

// Window > Cascade leaves the designers a usable size: each at least two thirds of
// the area, each one step right of and below the one behind it.
TEST_F(DesignerWindowTest, CascadedDesignersKeepAUsableSize) {
    OpenMainWindow();
    for (QAction* command : {main->Piirtopohja1, main->SingleModemSetup1, main->Piirtopohja1})
        ASSERT_NE(OpenDesigner(command), nullptr);
    main->Limittin1->trigger();
    const QSize area = main->mdiArea()->viewport()->size();
    const auto children = main->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QRect place = children[i]->geometry();
        EXPECT_GE(place.width(), area.width() * 2 / 3) << i;
        EXPECT_GE(place.height(), area.height() * 2 / 3) << i;
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(place)) << i;
        if (i > 0) {
            EXPECT_GT(place.topLeft().x(), children[i - 1]->geometry().topLeft().x()) << i;
        }
    }
}

TEST_F(DesignerWindowTest, ModemDataOfAnotherTypeKeepsTheModemsValues) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->findChild<QAction*>("TallennaModeemi1")->isEnabled());
    designer->TallennaModeemi1Click();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Select modem first"}));
    MenuItem(designer, "Luouusi2", "QX-NMS")->trigger();
    TKuvio& nms = *designer->Design().active;
    nms.SetPropertyEntry('B', '0', "5", true, true, 8, 0x1100);
    dialogs.answers = {folder.file("nms.ssf")};
    Trigger(designer, "TallennaModeemi1");

    MenuItem(designer, "Luouusi2", "QX-450")->trigger();
    TKuvio& other = *designer->Design().active;
    other.SetPropertyEntry('B', '0', "mine", true, true, 0, 0);
    boxes.clear();
    dialogs.answers = {folder.file("nms.ssf")};
    Trigger(designer, "LataaModeemi1");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"This modem doesn't match with requested file"}));
    ASSERT_EQ(other.PropertyEntries().size(), 1u);
    EXPECT_EQ(other.PropertyEntries()[0].value, "mine");
    EXPECT_EQ(dialogs.requests.back().title, "Open modem data");
    EXPECT_EQ(dialogs.requests.back().filter, "Modem setup files|*.ssf");

    // A file that cannot be read is not offered again by the next dialog.
    const std::string unreadable = folder.file("folder.ssf");
    std::filesystem::create_directory(unreadable);
    dialogs.answers = {unreadable};
    Trigger(designer, "LataaModeemi1");
    Trigger(designer, "LataaModeemi1");
    EXPECT_EQ(dialogs.requests.back().fileName, folder.file("nms.ssf"));
}

TEST_F(DesignerWindowTest, SettingsAndStartFileAreReadAtCreation) {
    OpenMainWindow();
    TIniFile(SettingsFileName()).WriteInteger("Properties", "Timeout", 0);
    TIniFile(SettingsFileName()).WriteInteger("Properties", "Speed", 57600);
    NetworkDesign saved(false);
    saved.Append(std::make_unique<TKuvio>(100, 100)).SetTypeName("QX-450");
    SaveProjectFile(saved, folder.file("latest.spf"), "5.2.1", "caption");
    TIniFile(SettingsFileName()).WriteString("File List", "Latest", folder.file("latest.spf"));

    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    EXPECT_EQ(designer->PortSettings().timeout, 3);
    EXPECT_EQ(designer->PortSettings().speed, 57600);
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadInteger("Properties", "Timeout", 0), 3);
    ASSERT_EQ(designer->Design().Figures().size(), 1u);
    EXPECT_EQ(designer->ProjectFileName(), folder.file("latest.spf"));
    EXPECT_TRUE(designer->Design().routesDirty);

    // A second showing opens nothing more.
    designer->hide();
    designer->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(designer->Design().Figures().size(), 1u);
}

TEST_F(DesignerWindowTest, EachDesignerCreatesItsSetOfToolWindows) {
    OpenMainWindow();
    Tpiirtopohja* first = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(first, nullptr);
    // Without a latest file the designer starts a new project and asks for its properties.
    ASSERT_NE(first->ProjectPropertiesDialog(), nullptr);
    EXPECT_TRUE(first->ProjectPropertiesDialog()->isVisible());
    Tpiirtopohja* second = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second->ProjectPropertiesDialog(), first->ProjectPropertiesDialog());
    EXPECT_NE(second->PropertiesWindow(), first->PropertiesWindow());
    EXPECT_NE(second->SecurityLevelDialog(), first->SecurityLevelDialog());
    EXPECT_NE(second->SecurityLevelDialog(), nullptr);
}

TEST_F(DesignerWindowTest, ProjectPropertiesApplyPresetsAndReachTheDesigner) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    Tprj_ominaisuus* dialog = designer->ProjectPropertiesDialog();
    auto* type = dialog->findChild<QComboBox*>("addresstype");
    auto* m = dialog->findChild<QSpinBox*>("m");
    auto* n = dialog->findChild<QSpinBox*>("n");
    m->setValue(5);
    type->setCurrentIndex(1);
    emit type->activated(1);
    EXPECT_FALSE(m->isEnabled());
    EXPECT_EQ(m->value(), 0);
    EXPECT_EQ(n->value(), 1);
    EXPECT_EQ(n->maximum(), 2);
    dialog->findChild<QLineEdit*>("nimi")->setText("Harbour");
    dialog->findChild<QRadioButton*>("VirtualRouting")->click();
    EXPECT_TRUE(designer->Design().routesDirty);
    dialog->OKBtnClick();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(designer->Design().properties.name, "Harbour");
    EXPECT_EQ(designer->Design().properties.addressType, 1);
    EXPECT_TRUE(designer->Design().properties.IsVirtualRouting());
    EXPECT_FALSE(designer->findChild<QAction*>("MobileRoutes1")->isEnabled());
    // The new project's file is named after it.
    EXPECT_EQ(designer->windowTitle(), "Project: Harbour | file: Harbour.spf");
    EXPECT_EQ(designer->ProjectFileName(), "Harbour.spf");

    // Cancel leaves the designer's values alone.
    designer->Ominaisuudet3Click();
    dialog->findChild<QLineEdit*>("nimi")->setText("Other");
    dialog->CancelBtnClick();
    EXPECT_EQ(designer->Design().properties.name, "Harbour");
}

TEST_F(DesignerWindowTest, SecurityLevelNeedsTheLevelsOwnPassword) {
    OpenMainWindow();
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->findChild<QAction*>("Suojaustaso1")->isVisible());
    Tsuoja* dialog = designer->SecurityLevelDialog();
    dialog->ShowFor(designer);
    EXPECT_FALSE(dialog->findChild<QRadioButton*>("taso_9")->isVisible());
    auto* password = dialog->findChild<QLineEdit*>("salasana");
    EXPECT_FALSE(password->isEnabled());
    dialog->findChild<QRadioButton*>("taso_5")->setChecked(true);
    EXPECT_TRUE(password->isEnabled());
    password->setText("zirkapol");
    dialog->okClick();
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Wrong password !!"}));
    EXPECT_EQ(designer->SecurityLevel(), 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(password->text().isEmpty());
    password->setText("qejvomt");
    dialog->okClick();
    EXPECT_EQ(designer->SecurityLevel(), 0);
    password->setText("qejvomtu");
    dialog->okClick();
    EXPECT_EQ(designer->SecurityLevel(), 5);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DesignerWindowTest, FactoryModeOffersLevelNineAndCorrectsTypeFiles) {
    AddTypeFile("QX-450R.smf");
    TIniFile(folder.file("QX-450R.smf")).WriteInteger("Version", "Number", 1);
    OpenMainWindow(true);
    Tpiirtopohja* designer = OpenDesigner(main->SingleModemSetup1);
    ASSERT_NE(designer, nullptr);
    // The Project menu shows only the security level.
    EXPECT_TRUE(designer->findChild<QMenu*>("Projekti1")->menuAction()->isVisible());
    QStringList shown;
    for (QAction* item : designer->findChild<QMenu*>("Projekti1")->actions())
        if (item->isVisible() && !item->isSeparator())
            shown << item->text();
    EXPECT_EQ(shown, QStringList{"Security &level"});

    boxes.queueAnswer(IDYES);
    MenuItem(designer, "Luouusi2", "QX-450R")->trigger();
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"FACTORY: Do you want to correct CRC sum to ini file"}));
    EXPECT_NE(TIniFile(folder.file("QX-450R.smf")).ReadInteger("Version", "Number", 1), 1);

    Trigger(designer, "Suojaustaso1");
    Tsuoja* dialog = designer->SecurityLevelDialog();
    ASSERT_TRUE(dialog->isVisible());
    auto* nine = dialog->findChild<QRadioButton*>("taso_9");
    EXPECT_TRUE(nine->isVisible());
    nine->setChecked(true);
    dialog->findChild<QLineEdit*>("salasana")->setText("zirkapol");
    dialog->okClick();
    EXPECT_EQ(designer->SecurityLevel(), 9);
}

// "Change smf-file type to" follows the tick of "Level &9", whatever the password
// gave: a wrong one leaves level 0 in force with level 9 still ticked.
TEST_F(DesignerWindowTest, ChangingTheTypeIsOffWhileLevelNineIsTicked) {
    OpenMainWindow(true);
    Tpiirtopohja* designer = OpenDesigner(main->Piirtopohja1);
    ASSERT_NE(designer, nullptr);
    MenuItem(designer, "Luouusi2", "QX-450")->trigger();
    QAction* changeType = nullptr;
    for (QAction* item : designer->PopupMenu2->actions())
        if (item->text() == "Change sm&f-file type to")
            changeType = item;
    ASSERT_NE(changeType, nullptr);
    const struct {
        const char* level;
        const char* password;
        int inForce;
        bool changeTypeEnabled;
    } rows[] = {{"taso_9", "zirkapol", 9, false},
                {"taso_0", "", 0, true},
                {"taso_9", "wrong", 0, false},
                {"taso_5", "qejvomtu", 5, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.level) + " " + row.password);
        Trigger(designer, "Suojaustaso1");
        Tsuoja* security = designer->SecurityLevelDialog();
        security->findChild<QRadioButton*>(row.level)->setChecked(true);
        security->findChild<QLineEdit*>("salasana")->setText(row.password);
        security->okClick();
        security->poisClick();
        EXPECT_EQ(designer->SecurityLevel(), row.inForce);
        designer->Design().context = designer->Design().active;
        designer->PopupMenu2Popup();
        EXPECT_EQ(changeType->isEnabled(), row.changeTypeEnabled);
    }
}

TEST(SecurityLevel, LevelNineOnlyWithItsPassword) {
    EXPECT_EQ(ChooseSecurityLevel(9, "zirkapol").level, 9);
    EXPECT_FALSE(ChooseSecurityLevel(9, "qejvomtu").accepted);
    EXPECT_EQ(ChooseSecurityLevel(0, "anything").level, 0);
    EXPECT_TRUE(ChooseSecurityLevel(0, "anything").accepted);
}

} // namespace
