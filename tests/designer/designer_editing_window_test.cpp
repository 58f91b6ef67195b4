#include "designer/designer_canvas.h"
#include "designer/graph_renderer.h"
#include "designer/menu_rules.h"
#include "designer/project_file.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "designer_fixture.h"
#include "platform/file_dialogs.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/fake_main_window.h"
#include "support/unreadable_file.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <utility>

namespace {

class DesignerEditingTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        for (const char* fixture : {"QX-450.smf", "QX-NMS.smf"})
            AddTypeFile(fixture);
        SetFileDialogResponder([this](const FileDialogRequest& request) -> std::optional<std::string> {
            offeredName = request.fileName;
            if (dialogAnswers.empty())
                return std::nullopt;
            std::optional<std::string> answer = dialogAnswers.front();
            dialogAnswers.erase(dialogAnswers.begin());
            return answer;
        });
        main.show();
    }
    void TearDown() override {
        SetFileDialogResponder({});
        DesignerFolderTest::TearDown();
    }

    Tpiirtopohja* Open(bool singleModem = false) {
        Tpiirtopohja* designer = CreateDesigner(singleModem);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        canvas = designer->Canvas();
        return designer;
    }

    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, point, canvas->mapToGlobal(point), button, held, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    }
    void Move(QPoint point, Qt::MouseButtons held = Qt::NoButton) {
        Mouse(QEvent::MouseMove, point, Qt::NoButton, held);
    }
    void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, point, button, button);
        Mouse(QEvent::MouseButtonRelease, point, button, Qt::NoButton);
    }
    static QPoint OnPicture(const TKuvio& figure) {
        return QPoint(figure.Left() + 15, figure.PictureTop() + 25);
    }
    // Places a modem of the type from the drawing's pop-up menu at the point.
    TKuvio& Place(Tpiirtopohja* designer, QPoint point, const char* menu, const QString& type) {
        Click(point, Qt::RightButton);
        QMenu* popup = designer->PopupMenu1;
        EXPECT_TRUE(popup->isVisible());
        for (QAction* item : popup->actions())
            if (item->menu() && item->menu()->objectName().isEmpty() && item->text() == menu)
                for (QAction* typeItem : item->menu()->actions())
                    if (typeItem->text() == type)
                        typeItem->trigger();
        popup->hide();
        TKuvio& figure = *designer->Design().Figures().back();
        Move(point + QPoint(3, 3));
        Click(point + QPoint(3, 3));
        EXPECT_FALSE(figure.dragging);
        return figure;
    }
    // Runs an item of the modem's pop-up menu on the figure.
    void ModemCommand(Tpiirtopohja* designer, TKuvio& figure, const char* item) {
        Click(OnPicture(figure), Qt::RightButton);
        EXPECT_TRUE(designer->PopupMenu2->isVisible());
        designer->findChild<QAction*>(item)->trigger();
        designer->PopupMenu2->hide();
    }

    FakeMainWindow main;
    DesignerCanvas* canvas = nullptr;
    std::vector<std::optional<std::string>> dialogAnswers;
    // The file name the last dialog offered.
    std::string offeredName;
};

TEST_F(DesignerEditingTest, ANetworkBuiltWithTheMouseIsSavedAndReopened) {
    Tpiirtopohja* designer = Open();
    NetworkDesign& design = designer->Design();
    EXPECT_EQ(designer->windowTitle(), "Project: noname");

    TKuvio& master = Place(designer, {60, 40}, "&New modem", "QX-450");
    TKuvio& repeater = Place(designer, {260, 40}, "&New modem", "QX-450");
    TKuvio& leaf = Place(designer, {420, 220}, "&New modem", "QX-NMS");
    EXPECT_EQ(design.Figures().size(), 3u);
    EXPECT_EQ(master.Left(), 48);

    design.modified = false;
    ModemCommand(designer, master, "Master1");
    EXPECT_EQ(design.master, &master);
    EXPECT_TRUE(design.modified);

    design.modified = false;
    ModemCommand(designer, master, "Viiva1");
    Move(OnPicture(repeater));
    Click(OnPicture(repeater));
    EXPECT_EQ(repeater.parent, &master);
    EXPECT_TRUE(design.modified);

    // The Modem menu's Connect takes two clicks.
    design.modified = false;
    designer->findChild<QAction*>("Yhdist1")->trigger();
    Click(OnPicture(repeater));
    Click(OnPicture(leaf));
    EXPECT_EQ(leaf.parent, &repeater);
    EXPECT_TRUE(design.modified);

    // A mobile modem in the mobile view, linked by a dotted mobile route.
    designer->findChild<QAction*>("MobileRoutes1")->trigger();
    TKuvio& mobile = Place(designer, {120, 300}, "New &mobile", "QX-450");
    EXPECT_TRUE(mobile.Mobile());
    ModemCommand(designer, repeater, "Viiva1");
    Click(OnPicture(mobile));
    EXPECT_EQ(mobile.mobileParent, &repeater);
    designer->findChild<QAction*>("MobileRoutes1")->trigger();

    // A drag of more than six pixels moves the leaf.
    design.modified = false;
    const int leafLeft = leaf.Left();
    const QPoint grab = OnPicture(leaf);
    Mouse(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    Move(grab + QPoint(40, 30), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, grab + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(leaf.Left(), leafLeft + 40);
    EXPECT_TRUE(design.modified);

    // Deleting the repeater's link marks the design; the link is drawn again after.
    design.modified = design.routesDirty = false;
    ModemCommand(designer, repeater, "Deleteconnection1");
    EXPECT_EQ(repeater.parent, nullptr);
    EXPECT_TRUE(design.modified);
    EXPECT_TRUE(design.routesDirty);
    ModemCommand(designer, master, "Viiva1");
    Click(OnPicture(repeater));
    EXPECT_EQ(repeater.parent, &master);

    // Each placed modem opened its properties; Cancel stores the last one's values
    // before the save.
    ASSERT_TRUE(designer->PropertiesWindow() && designer->PropertiesWindow()->isVisible());
    designer->PropertiesWindow()->findChild<QPushButton*>("pois")->click();

    const std::string path = folder.file("three.spf");
    dialogAnswers = {path};
    designer->findChild<QAction*>("Tallenna1")->trigger();
    EXPECT_FALSE(design.modified);
    designer->close();
    QCoreApplication::processEvents();

    Tpiirtopohja* reopened = Open();
    const NetworkDesign& loaded = reopened->Design();
    EXPECT_EQ(reopened->ProjectFileName(), path);
    ASSERT_EQ(loaded.Figures().size(), 4u);
    const auto at = [&loaded](size_t i) { return loaded.Figures()[i].get(); };
    EXPECT_EQ(loaded.master, at(0));
    EXPECT_EQ(at(1)->parent, at(0));
    EXPECT_EQ(at(2)->parent, at(1));
    EXPECT_EQ(at(3)->mobileParent, at(1));
    EXPECT_TRUE(at(3)->Mobile());
    EXPECT_EQ(at(2)->Left(), leafLeft + 40);
    EXPECT_EQ(at(2)->TypeName(), "QX-NMS");
    EXPECT_TRUE(boxes.texts().empty());

    // With the mobile view off, the leaf's route shows: the hidden mobile modem has
    // its route through the dotted link.
    for (size_t i = 0; i < 4; ++i)
        at(i)->SetTerminalAddress("A" + std::to_string(i));
    reopened->Design().active = at(2);
    reopened->findChild<QAction*>("NytReitti2")->trigger();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Route\r\n000000A2 0002 0003"});

    if (const char* shots = std::getenv("QUOVIX_SCREENSHOTS")) {
        canvas->grab().save(QString(shots) + "/designer_network.png");
        reopened->findChild<QAction*>("MobileRoutes1")->trigger();
        canvas->grab().save(QString(shots) + "/designer_mobile_routes.png");
    }
}

// A new project window is captioned "Projekti:" until its helpers show the project's
// name; a cancelled first New leaves that, and an accepted one adds the file part.
TEST_F(DesignerEditingTest, ANewProjectIsCaptionedByItsNameUntilItHasAFile) {
    Tpiirtopohja* designer = CreateDesigner(false);
    EXPECT_EQ(designer->windowTitle(), "Projekti:");
    QCoreApplication::processEvents();
    ASSERT_TRUE(designer->ProjectPropertiesDialog()->isVisible());
    EXPECT_EQ(designer->windowTitle(), "Project: noname");
    designer->ProjectPropertiesDialog()->CancelBtnClick();
    EXPECT_EQ(designer->windowTitle(), "Project: noname");

    designer->findChild<QAction*>("Uusi1")->trigger();
    designer->ProjectPropertiesDialog()->findChild<QLineEdit*>("nimi")->setText("Harbour");
    designer->ProjectPropertiesDialog()->OKBtnClick();
    EXPECT_EQ(designer->windowTitle(), "Project: Harbour | file: Harbour.spf");
}

// The connect, delete and copy modes each show a cursor drawn for them, with the
// hot spot at the arrow's tip where the click acts; Escape brings the arrow back.
TEST_F(DesignerEditingTest, EachEditingModeShowsItsOwnCursor) {
    Tpiirtopohja* designer = Open();
    TKuvio& modem = Place(designer, {60, 40}, "&New modem", "QX-450");
    const std::function<void()> modes[] = {
        [&] { designer->findChild<QAction*>("Yhdist1")->trigger(); },
        [&] { ModemCommand(designer, modem, "Viiva1"); },
        [&] { designer->findChild<QAction*>("Poista2")->trigger(); },
        [&] { designer->findChild<QAction*>("Copy2")->trigger(); },
    };
    std::vector<QImage> images;
    for (const auto& enter : modes) {
        enter();
        EXPECT_EQ(canvas->cursor().shape(), Qt::BitmapCursor);
        EXPECT_EQ(canvas->cursor().hotSpot(), QPoint(1, 1));
        images.push_back(canvas->cursor().bitmap().toImage());
        QTest::keyClick(canvas, Qt::Key_Escape);
        EXPECT_EQ(canvas->cursor().shape(), Qt::ArrowCursor);
    }
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0], images[1]) << "both ways of connecting";
    EXPECT_NE(images[0], images[2]);
    EXPECT_NE(images[0], images[3]);
    EXPECT_NE(images[2], images[3]);
}

TEST_F(DesignerEditingTest, KeysWheelAndRecentFilesDriveTheDrawing) {
    Tpiirtopohja* designer = Open();
    NetworkDesign& design = designer->Design();
    TKuvio& figure = Place(designer, {80, 80}, "&New modem", "QX-450");
    const int left = figure.Left();

    QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(main.zoom_scale, "105");
    EXPECT_EQ(figure.Left(), std::lround(left * 1.05));
    // Ctrl+= (the + key without Shift) and Ctrl+keypad + zoom in as well.
    QTest::keyClick(canvas, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::keyClick(canvas, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(canvas, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    // The factor moves by five per cent of itself, the figures by 105/100 and
    // 100/105: two steps in and two out leave the factor lower, the figures in place.
    EXPECT_EQ(main.zoom_scale, "104");
    EXPECT_EQ(figure.Left(), std::lround(left * 1.05));
    QWheelEvent wheel(QPointF(10, 10), canvas->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    EXPECT_EQ(main.zoom_scale, "99");
    EXPECT_EQ(figure.Left(), left);

    // Insert repeats the last type; Delete asks and removes the active modem.
    QTest::keyClick(canvas, Qt::Key_Insert);
    ASSERT_EQ(design.Figures().size(), 2u);
    QTest::keyClick(canvas, Qt::Key_Return);
    EXPECT_FALSE(design.Figures().back()->dragging);
    boxes.queueAnswer(IDYES);
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(design.Figures().size(), 1u);

    // Escape leaves the Modem menu's delete mode.
    designer->findChild<QAction*>("Poista2")->trigger();
    EXPECT_TRUE(designer->Editor().DeleteMode());
    QTest::keyClick(canvas, Qt::Key_Escape);
    EXPECT_FALSE(designer->Editor().DeleteMode());

    // Saving as records the file first in the list and in the File menu's items.
    const std::string first = folder.file("first.spf");
    const std::string second = folder.file("second.spf");
    for (const std::string& path : {first, second}) {
        dialogAnswers = {path};
        designer->findChild<QAction*>("Tallennanimell1")->trigger();
    }
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("File List", "Latest", ""), second);
    QAction* recent = designer->findChild<QMenu*>("Tiedosto1")->actions().back();
    EXPECT_EQ(recent->text().toStdString(), first);

    // Cancel in the save question stops the open from the list.
    Place(designer, {200, 200}, "&New modem", "QX-450");
    boxes.queueAnswer(IDCANCEL);
    recent->trigger();
    EXPECT_EQ(designer->ProjectFileName(), second);
    EXPECT_EQ(design.Figures().size(), 2u);
    boxes.queueAnswer(IDNO);
    recent->trigger();
    EXPECT_EQ(designer->ProjectFileName(), first);
    EXPECT_EQ(design.Figures().size(), 1u);
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("File List", "Latest", ""), first);

    std::filesystem::remove(second);
    boxes.clear();
    designer->findChild<QMenu*>("Tiedosto1")->actions().back()->trigger();
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"Project file " + second + " has been removed from disk"}));
    designer->Design().modified = false;
}

// Insert after a mobile modem, with the mobile routes hidden again, adds a modem
// the user sees: it follows the mouse, a click places it and its properties open.
TEST_F(DesignerEditingTest, InsertAddsAModemThatIsSeenAndPlacedWithTheMouse) {
    Tpiirtopohja* designer = Open();
    NetworkDesign& design = designer->Design();
    QAction* mobileRoutes = designer->findChild<QAction*>("MobileRoutes1");
    mobileRoutes->trigger();
    Place(designer, {120, 300}, "New &mobile", "QX-450");
    mobileRoutes->trigger();
    ASSERT_TRUE(designer->PropertiesWindow());
    designer->PropertiesWindow()->hide();

    Move({200, 150});
    QTest::keyClick(canvas, Qt::Key_Insert);
    // A second Insert before the first modem is placed adds none under it.
    QTest::keyClick(canvas, Qt::Key_Insert);
    ASSERT_EQ(design.Figures().size(), 2u);
    TKuvio& inserted = *design.Figures().back();
    EXPECT_EQ(inserted.TypeName(), "QX-450");
    EXPECT_FALSE(inserted.Mobile());
    Move({260, 180});
    EXPECT_EQ(QPoint(inserted.Left(), inserted.Top()), QPoint(245, 155));
    EXPECT_EQ(canvas->cursor().shape(), Qt::SizeAllCursor);
    Click(OnPicture(inserted));
    EXPECT_FALSE(inserted.dragging);
    EXPECT_TRUE(designer->PropertiesWindow()->isVisible());
    EXPECT_EQ(QPoint(inserted.Left(), inserted.Top()), QPoint(245, 155));
    design.modified = false;
}

// Insert with the mouse still on the modem just placed, and a click there without a
// move: the new modem stands aside, never exactly over another one; once the mouse
// moves it follows, and a click places it. A copy made there stands aside as well.
TEST_F(DesignerEditingTest, InsertOrCopyOnTheModemJustPlacedLeavesNoModemHidden) {
    Tpiirtopohja* designer = Open();
    NetworkDesign& design = designer->Design();
    QPoint mouse(150, 150);
    Place(designer, mouse - QPoint(3, 3), "&New modem", "QX-450");
    ASSERT_TRUE(designer->PropertiesWindow());
    const auto stackedFigures = [&] {
        std::set<std::pair<int, int>> places;
        for (const auto& figure : design.Figures())
            places.emplace(figure->Left(), figure->Top());
        return design.Figures().size() - places.size();
    };
    for (size_t count = 2; count <= 3; ++count) {
        designer->PropertiesWindow()->hide();
        QTest::keyClick(canvas, Qt::Key_Insert);
        ASSERT_EQ(design.Figures().size(), count);
        EXPECT_EQ(stackedFigures(), 0u);
        Click(mouse);
        EXPECT_EQ(stackedFigures(), 0u);
        TKuvio& inserted = *design.Figures().back();
        mouse += QPoint(60, 0);
        Move(mouse);
        Click(mouse);
        EXPECT_FALSE(inserted.dragging);
        EXPECT_EQ(stackedFigures(), 0u);
    }
    // A copy of the modem clicked where it is held stands aside too.
    designer->PropertiesWindow()->hide();
    designer->findChild<QAction*>("Copy2")->trigger();
    Click(mouse);
    ASSERT_EQ(design.Figures().size(), 4u);
    EXPECT_EQ(stackedFigures(), 0u);
    Click(mouse);
    EXPECT_EQ(stackedFigures(), 0u);
    design.modified = false;
}

// Delete, Open, a recent file and New, while a new modem still follows the mouse,
// each end its placing: a modem left in the design is dragged by the mouse, and its
// drop opens no properties.
TEST_F(DesignerEditingTest, EveryPathThatRemovesModemsEndsTheirPlacing) {
    Tpiirtopohja* designer = Open();
    Place(designer, {100, 100}, "&New modem", "QX-450");
    const std::string first = folder.file("first.spf");
    const std::string second = folder.file("second.spf");
    for (const std::string& path : {first, second}) {
        dialogAnswers = {path};
        designer->Tallennanimell1Click();
    }
    const std::vector<std::pair<const char*, std::function<void()>>> paths = {
        {"Delete",
         [this] {
             boxes.queueAnswer(IDYES);
             QTest::keyClick(canvas, Qt::Key_Delete);
         }},
        {"Open",
         [this, designer, second] {
             dialogAnswers = {second};
             boxes.queueAnswer(IDNO);
             designer->Avaa1Click();
         }},
        {"recent file",
         [this, designer] {
             boxes.queueAnswer(IDNO);
             designer->findChild<QMenu*>("Tiedosto1")->actions().back()->trigger();
         }},
        {"New",
         [this, designer] {
             boxes.queueAnswer(IDNO);
             designer->Uusi1Click();
         }},
    };
    for (const auto& [path, removeModems] : paths) {
        designer->PropertiesWindow()->hide();
        // The project properties, edited and left open, are of the design that goes:
        // their OK writes nothing into the next one.
        designer->Ominaisuudet3Click();
        designer->ProjectPropertiesDialog()->findChild<QLineEdit*>("nimi")->setText("stale");
        Move({300, 300});
        QTest::keyClick(canvas, Qt::Key_Insert);
        ASSERT_TRUE(designer->Editor().Dragging()) << path;
        removeModems();
        designer->ProjectPropertiesDialog()->OKBtnClick();
        EXPECT_EQ(designer->Design().properties.name == "stale", std::string(path) == "Delete") << path;
        EXPECT_FALSE(designer->Editor().Dragging()) << path;
        EXPECT_FALSE(designer->Editor().NewFigurePending()) << path;
        if (designer->Design().Figures().empty())
            continue;
        TKuvio& modem = *designer->Design().Figures().front();
        const int left = modem.Left();
        const QPoint grab = OnPicture(modem);
        Mouse(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        Move(grab + QPoint(40, 30), Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, grab + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(modem.Left(), left + 40) << path;
        EXPECT_FALSE(designer->PropertiesWindow()->isVisible()) << path;
    }
    designer->Design().modified = false;
}

// A file that cannot be read ends every command that reads it: Open and a recent
// file say why in the same words, the window is left unnamed, the latest file of
// the recent list stays as it was, and Save asks for a name instead of writing
// over that file.
TEST_F(DesignerEditingTest, AFileThatCannotBeReadIsNeverTakenAsTheOpenFile) {
    enum class Read { Open, RecentFile, StartFile };
    const auto refusal = [](const std::string& path) {
        try {
            ReadWholeFile(path);
        } catch (const EFileError& failure) {
            return std::vector<std::string>{failure.what()};
        }
        return std::vector<std::string>{};
    };
    int made = 0;
    for (const bool singleModem : {false, true}) {
        for (const Read read : {Read::Open, Read::RecentFile, Read::StartFile}) {
            for (const std::string& unreadable : MakeUnreadableFiles(folder.file(std::to_string(++made)))) {
                const std::string latest = read == Read::StartFile ? unreadable : folder.file("good.spf");
                const RecentFiles recent(singleModem);
                TIniFile(SettingsFileName()).WriteString(recent.Section(), "Latest", latest);
                TIniFile(SettingsFileName()).WriteString(recent.Section(), "File1", unreadable);
                boxes.clear();
                Tpiirtopohja* designer = Open(singleModem);
                if (designer->ProjectPropertiesDialog())
                    designer->ProjectPropertiesDialog()->hide();
                dialogAnswers = {unreadable};
                if (read == Read::Open)
                    designer->Avaa1Click();
                for (QAction* item : designer->findChild<QMenu*>("Tiedosto1")->actions())
                    if (read == Read::RecentFile && item->data().toString().toStdString() == unreadable)
                        item->trigger();
                EXPECT_EQ(boxes.texts(), refusal(unreadable));
                EXPECT_EQ(designer->FileName(), singleModem ? "default.ssf" : "noname.spf") << unreadable;
                EXPECT_FALSE(designer->windowTitle().contains(QString::fromStdString(unreadable)))
                    << unreadable;
                EXPECT_EQ(TIniFile(SettingsFileName()).ReadString(recent.Section(), "Latest", ""), latest);
                dialogAnswers = {std::nullopt};
                designer->Tallenna1Click();
                EXPECT_TRUE(dialogAnswers.empty()) << unreadable << ": Save asked for no name";
                designer->close();
            }
        }
    }
}

// Modem data that cannot be read are not taken either: the next save of modem
// data does not offer that file's name.
TEST_F(DesignerEditingTest, ModemDataThatCannotBeReadAreNotOfferedForTheNextSave) {
    Tpiirtopohja* designer = Open();
    designer->ProjectPropertiesDialog()->hide();
    Place(designer, {100, 100}, "&New modem", "QX-450").SetPropertyEntry('B', '0', "5", true, true, 0, 0);
    designer->PropertiesWindow()->hide();
    for (const std::string& unreadable : MakeUnreadableFiles(folder.file("modem"))) {
        dialogAnswers = {unreadable, std::nullopt};
        designer->LataaModeemi1Click();
        designer->TallennaModeemi1Click();
        EXPECT_NE(offeredName, unreadable);
    }
    designer->Design().modified = false;
}

// Closing a designer records only its own file: one whose file is already its
// latest, or that has no file, leaves another designer's newer list as it is.
TEST_F(DesignerEditingTest, ClosingADesignerKeepsAnotherDesignersNewerRecentFiles) {
    const std::string x = folder.file("x.spf");
    const std::string y = folder.file("y.spf");
    std::vector<Tpiirtopohja*> designers;
    for (const std::string& path : {x, y}) {
        designers.push_back(Open());
        if (designers.back()->ProjectPropertiesDialog())
            designers.back()->ProjectPropertiesDialog()->hide();
        dialogAnswers = {path};
        designers.back()->Tallennanimell1Click();
    }
    designers[1]->Uusi1Click();
    designers[1]->ProjectPropertiesDialog()->hide();
    designers[1]->close();
    designers[0]->close();
    const TIniFile settings(SettingsFileName());
    EXPECT_EQ(settings.ReadString("File List", "Latest", ""), y);
    EXPECT_EQ(settings.ReadString("File List", "File1", ""), x);
    EXPECT_EQ(settings.ReadString("File List", "File2", ""), "");
}

// Escape in the project properties is their Cancel: the new project's properties
// are refused, so a later OK of the dialog names no file after the project.
TEST_F(DesignerEditingTest, EscapeCancelsTheProjectProperties) {
    Tpiirtopohja* designer = Open();
    Tprj_ominaisuus* dialog = designer->ProjectPropertiesDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    dialog->ShowFor(designer);
    auto* name = dialog->findChild<QLineEdit*>("nimi");
    name->setText("Harbour");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(designer->Design().properties.name, "Harbour");
    EXPECT_EQ(designer->ProjectFileName(), "noname.spf");
    designer->Design().modified = false;
}

// A master and the modem below it, linked, their properties windows closed.
class LinkDrawingTest : public DesignerEditingTest {
protected:
    void SetUp() override {
        DesignerEditingTest::SetUp();
        designer = Open();
        master = &Place(designer, {100, 60}, "&New modem", "QX-450");
        child = &Place(designer, {100, 420}, "&New modem", "QX-450");
        designer->PropertiesWindow()->hide();
        designer->Design().MakeMaster(*master);
        child->parent = master;
    }
    void TearDown() override {
        designer->Design().modified = false;
        DesignerEditingTest::TearDown();
    }
    QImage Drawing() {
        designer->RedrawRoutes();
        return canvas->grab().toImage();
    }

    Tpiirtopohja* designer = nullptr;
    TKuvio* master = nullptr;
    TKuvio* child = nullptr;
};

// The route list shown below the master lies over the link that leaves it
// downward: the pixels of the list are the same with and without the link.
TEST_F(LinkDrawingTest, ShownRouteListsLieOverTheLinks) {
    for (uint32_t i = 1; i <= 6; ++i)
        master->AddVirtualRoute(0x1000 + i, i);
    master->ToggleVirtualRouteWindow();
    designer->Design().active = nullptr;
    const QRect list(master->Left() + 1, master->PictureTop() + 57, 40, 60);
    const QImage linked = Drawing().copy(list);
    child->parent = nullptr;
    EXPECT_EQ(Drawing().copy(list), linked);
}

// At the largest zoom the blue frame of the selected master leaves the tail mark
// of its link to the modem below in sight.
TEST_F(LinkDrawingTest, SelectionFrameLeavesTheLinkTailsInSight) {
    for (int step = 0; step < 20; ++step)
        QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
    designer->Design().active = master;
    const QPolygon tail = RouteLine(*master, *child, 1.0).tail;
    const QColor colour = Drawing().pixelColor((tail[1] + tail[2]) / 2);
    EXPECT_NE(colour, QColor(Qt::blue));
    EXPECT_LT(qGray(colour.rgb()), 128);
}

TEST_F(DesignerEditingTest, PingSettingsAreTickedFromTheSettingsFile) {
    const auto ticked = [](Tpiirtopohja* designer, const char* menu) {
        QStringList texts;
        for (QAction* item : designer->findChild<QMenu*>(menu)->actions())
            if (item->isChecked())
                texts << item->text();
        return texts;
    };
    TIniFile settings(SettingsFileName());
    settings.WriteInteger("Properties", "Speed", 57600);
    settings.WriteInteger("Properties", "Datalen", 7);
    settings.WriteInteger("Properties", "Dataparity", 2);
    Tpiirtopohja* designer = Open();
    EXPECT_EQ(ticked(designer, "Portspeedping1"), QStringList{"57600"});
    EXPECT_EQ(ticked(designer, "PortDataping1"), QStringList{"7"});
    EXPECT_EQ(ticked(designer, "Portstopping1"), QStringList{"1"});
    EXPECT_EQ(ticked(designer, "PortParityping1"), QStringList{"Even"});

    // A speed that no item has ticks none.
    settings.WriteInteger("Properties", "Speed", 14400);
    EXPECT_TRUE(ticked(Open(), "Portspeedping1").isEmpty());
}

TEST_F(DesignerEditingTest, MenusAreEnabledByTheStateWhenTheyOpen) {
    Tpiirtopohja* designer = Open();
    auto item = [designer](const char* name) { return designer->findChild<QAction*>(name); };
    designer->Modeemi1Click();
    EXPECT_FALSE(item("Yhdist1")->isEnabled());
    EXPECT_FALSE(item("Poista2")->isEnabled());
    EXPECT_FALSE(item("Ominaisuudet4")->isEnabled());
    TKuvio& figure = Place(designer, {80, 80}, "&New modem", "QX-450");
    designer->Modeemi1Click();
    EXPECT_TRUE(item("Yhdist1")->isEnabled());
    EXPECT_TRUE(item("Master2")->isEnabled());
    EXPECT_TRUE(item("Haearvot1")->isEnabled());
    EXPECT_EQ(item("NytReitti2")->text(), "&Show route");
    designer->findChild<QAction*>("Master2")->trigger();
    EXPECT_EQ(designer->Design().master, &figure);
    Click(OnPicture(figure), Qt::RightButton);
    EXPECT_FALSE(item("Master1")->isEnabled());
    EXPECT_TRUE(item("Viiva1")->isEnabled());
    designer->PopupMenu2->hide();
    designer->Design().modified = false;
}

// The real items of the Modem menu and the two pop-up menus take the answers of
// their own rules, in states where the rules of different items differ.
class DesignerMenuItemsTest : public DesignerEditingTest {
protected:
    template <typename State> struct Item {
        const char* name;
        ItemState State::*rule;
    };

    // An item by its object name, or by its caption among the pop-up's items.
    QAction* Find(const char* name) const {
        if (auto* action = designer->findChild<QAction*>(name))
            return action;
        if (auto* menu = designer->findChild<QMenu*>(name))
            return menu->menuAction();
        for (QMenu* popup : {designer->PopupMenu1, designer->PopupMenu2})
            for (QAction* action : popup->actions())
                if (action->text() == name)
                    return action;
        ADD_FAILURE() << name;
        return nullptr;
    }
    template <typename State> void ExpectItems(const State& state, const std::vector<Item<State>>& items) {
        for (const Item<State>& item : items) {
            const ItemState& enabled = state.*item.rule;
            QAction* action = Find(item.name);
            if (enabled && action) {
                EXPECT_EQ(action->isEnabled(), *enabled) << state_ << ": " << item.name;
            }
        }
    }
    MenuConditions Conditions() const {
        MenuConditions conditions;
        conditions.mobileView = designer->MobileView();
        return conditions;
    }
    // Opens the three menus (the modem pop-up on the figure) and checks their items.
    void ExpectMenusFollowTheirRules(const std::string& state, TKuvio* figure) {
        state_ = state;
        const NetworkDesign& design = designer->Design();
        emit designer->findChild<QMenu*>("Modeemi1")->aboutToShow();
        const ModemMenuState modem = ModemMenuRules(design, Conditions());
        ExpectItems<ModemMenuState>(modem, {{"Luouusi2", &ModemMenuState::newModem},
                                            {"NewMobile1", &ModemMenuState::newMobile},
                                            {"Newmulti2", &ModemMenuState::newMulti},
                                            {"Yhdist1", &ModemMenuState::connect},
                                            {"Poista2", &ModemMenuState::deleteItem},
                                            {"Copy2", &ModemMenuState::copy},
                                            {"Master2", &ModemMenuState::master},
                                            {"Ominaisuudet4", &ModemMenuState::properties},
                                            {"NytReitti2", &ModemMenuState::showRoute},
                                            {"Haearvot1", &ModemMenuState::receive},
                                            {"Lhetarvot1", &ModemMenuState::transmit},
                                            {"Print2", &ModemMenuState::printProperties},
                                            {"LataaModeemi1", &ModemMenuState::load},
                                            {"TallennaModeemi1", &ModemMenuState::save}});
        EXPECT_EQ(Find("NytReitti2")->text(), modem.hideRoute ? "&Hide route" : "&Show route") << state;

        designer->PopupMenu1Popup();
        ExpectItems<AreaPopupState>(AreaPopupRules(design, Conditions()),
                                    {{"&New modem", &AreaPopupState::newModem},
                                     {"New &mobile", &AreaPopupState::newMobile},
                                     {"New m&ultiterminal", &AreaPopupState::newMulti},
                                     {"Ominaisuudet1", &AreaPopupState::properties}});
        if (!figure)
            return;
        designer->Design().context = figure;
        designer->PopupMenu2Popup();
        const ModemPopupState popup = ModemPopupRules(design, *figure, Conditions());
        ExpectItems<ModemPopupState>(popup, {{"Viiva1", &ModemPopupState::connect},
                                             {"Nytreitti1", &ModemPopupState::showRoute},
                                             {"Copy1", &ModemPopupState::copy},
                                             {"Master1", &ModemPopupState::master},
                                             {"Deleteconnection1", &ModemPopupState::deleteConnection},
                                             {"Transmitparrou1", &ModemPopupState::transmit},
                                             {"Receivevalues1", &ModemPopupState::receive},
                                             {"Change sm&f-file type to", &ModemPopupState::changeType}});
        EXPECT_EQ(Find("Nytreitti1")->text(), popup.hideRoute ? "&Hide route" : "&Show route") << state;
        designer->Design().context = nullptr;
    }

    Tpiirtopohja* designer = nullptr;
    std::string state_;
};

TEST_F(DesignerMenuItemsTest, ProjectMenusFollowTheirRules) {
    designer = Open();
    NetworkDesign& design = designer->Design();
    ExpectMenusFollowTheirRules("empty", nullptr);
    TKuvio& master = Place(designer, {80, 80}, "&New modem", "QX-450");
    designer->PropertiesWindow()->hide();
    ExpectMenusFollowTheirRules("one modem", &master);
    design.MakeMaster(master);
    TKuvio& leaf = Place(designer, {300, 80}, "&New modem", "QX-450");
    designer->PropertiesWindow()->hide();
    design.properties.routingType = 1;
    master.AddVirtualRoute(1, 2);
    master.ToggleVirtualRouteWindow();
    design.active = &master;
    ExpectMenusFollowTheirRules("master with its routes shown", &leaf);
    design.active = nullptr;
    ExpectMenusFollowTheirRules("none active", &master);
    designer->findChild<QAction*>("MobileRoutes1")->trigger();
    TKuvio& mobile = Place(designer, {200, 300}, "New &mobile", "QX-450");
    designer->PropertiesWindow()->hide();
    ExpectMenusFollowTheirRules("mobile view", &mobile);
    design.modified = false;

    // "Change smf-file type" follows this designer's level tick, not the newest
    // designer's.
    const QPointer<Tsuoja> ownLevel = designer->SecurityLevelDialog();
    Open()->ProjectPropertiesDialog()->hide();
    ownLevel->findChild<QRadioButton*>("taso_9")->setChecked(true);
    design.context = &master;
    designer->PopupMenu2Popup();
    EXPECT_FALSE(Find("Change sm&f-file type to")->isEnabled());
}

TEST_F(DesignerMenuItemsTest, SingleModemMenusFollowTheirRules) {
    designer = Open(true);
    ExpectMenusFollowTheirRules("empty", nullptr);
    TKuvio& modem = Place(designer, {80, 80}, "&New modem", "QX-450");
    designer->PropertiesWindow()->hide();
    ExpectMenusFollowTheirRules("one modem", &modem);
    designer->Design().modified = false;
}

// No path adds a second modem to a single-modem window: the Modem menu's new-modem
// items (also after a delete answered No, which leaves no modem active), Insert,
// and a copy.
TEST_F(DesignerEditingTest, ASingleModemWindowTakesNoSecondModem) {
    Tpiirtopohja* designer = Open(true);
    TKuvio& modem = Place(designer, {150, 150}, "&New modem", "QX-450");
    designer->PropertiesWindow()->hide();
    const auto newModemItemsEnabled = [designer] {
        emit designer->findChild<QMenu*>("Modeemi1")->aboutToShow();
        return designer->findChild<QMenu*>("Luouusi2")->menuAction()->isEnabled() ||
               designer->findChild<QMenu*>("Newmulti2")->menuAction()->isEnabled();
    };
    EXPECT_FALSE(newModemItemsEnabled());
    designer->findChild<QAction*>("Poista2")->trigger();
    boxes.queueAnswer(IDNO);
    Click(OnPicture(modem));
    ASSERT_EQ(designer->Design().Figures().size(), 1u);
    EXPECT_FALSE(newModemItemsEnabled());

    const std::vector<std::pair<const char*, std::function<void()>>> paths = {
        {"Modem > New multiterminal",
         [designer] { designer->findChild<QMenu*>("Newmulti2")->actions()[0]->trigger(); }},
        {"Insert", [this] { QTest::keyClick(canvas, Qt::Key_Insert); }},
        {"copy",
         [this, designer, &modem] {
             designer->Copy2Click();
             Click(OnPicture(modem));
         }},
    };
    for (const auto& [path, add] : paths) {
        add();
        EXPECT_EQ(designer->Design().Figures().size(), 1u) << path;
    }
    designer->Design().modified = false;
}

TEST_F(DesignerEditingTest, ASingleModemWindowHoldsOneModemAndForgetsItsFileWithIt) {
    Tpiirtopohja* designer = Open(true);
    QMenu* file = designer->findChild<QMenu*>("Tiedosto1");
    emit file->aboutToShow();
    EXPECT_EQ(designer->findChild<QAction*>("Uusi1")->text(), "&New single");
    EXPECT_FALSE(designer->findChild<QMenu*>("Print1")->menuAction()->isVisible());

    TKuvio& figure = Place(designer, {150, 150}, "&New modem", "QX-450");
    EXPECT_EQ(figure.GetModemName(), "");
    designer->PopupMenu1Popup();
    EXPECT_FALSE(designer->PopupMenu1->actions()[0]->isEnabled());
    EXPECT_FALSE(designer->findChild<QAction*>("Ominaisuudet1")->isEnabled());

    const std::string path = folder.file("one.ssf");
    dialogAnswers = {path};
    designer->findChild<QAction*>("Tallennanimell1")->trigger();
    EXPECT_EQ(designer->windowTitle().toStdString(), "Setup single modem : " + path);
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("One Modem File List", "Latest", ""), path);
    boxes.queueAnswer(IDYES);
    ModemCommand(designer, figure, "Poista1");
    EXPECT_TRUE(designer->Design().Figures().empty());
    EXPECT_EQ(designer->SingleModemFileName(), "default.ssf");
    EXPECT_EQ(designer->windowTitle(), "Setup single modem : default.ssf");
    designer->Design().modified = false;
}

} // namespace
