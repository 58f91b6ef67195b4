#include "terminal_services_fixture.h"

#include "app/window_layout.h"
#include "designer/tpiirtopohja.h"

#include <QMdiSubWindow>
#include <algorithm>

namespace {

using WindowLayoutRestartTest = TerminalServicesTest;

TEST_F(WindowLayoutRestartTest, TwoTerminalsComeBackAtTheirPlacesWithTheirSettings) {
    {
        auto window = start();
        FakeTerminalWindow* older = Terminal(*window, 3, "older");
        older->layout.options.viewType = kHexView;
        older->layout.options.name = "modem A";
        older->child->setGeometry(10, 20, 300, 200);
        FakeTerminalWindow* newer = Terminal(*window, 6, "newer");
        newer->layout.line.baudRate = 9;
        newer->layout.options.timeStamp = true;
        newer->child->setGeometry(50, 60, 320, 240);
        // The terminal opened first was used last.
        window->mdiArea()->setActiveSubWindow(newer->child);
        window->mdiArea()->setActiveSubWindow(older->child);
        window->close();
    }
    const TIniFile ini = settings();
    EXPECT_EQ(ini.ReadInteger("Layout", "Layout count", -1), 2);
    // Most recently active first.
    EXPECT_EQ(ini.ReadInteger("Window number 0", "Serial port", -1), 3);
    EXPECT_EQ(ini.ReadInteger("Window number 1", "Serial port", -1), 6);

    auto window = start();
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(window->open_terminals, 2);
    EXPECT_EQ(restored[1]->layout.line.portNumber, 6);
    EXPECT_EQ(restored[1]->layout.line.baudRate, 9);
    EXPECT_TRUE(restored[1]->layout.options.timeStamp);
    EXPECT_EQ(restored[1]->child->geometry(), QRect(50, 60, 320, 240));
    EXPECT_EQ(restored[0]->layout.line.portNumber, 3);
    EXPECT_EQ(restored[0]->layout.options.viewType, kHexView);
    EXPECT_EQ(restored[0]->layout.options.name, "modem A");
    EXPECT_EQ(restored[0]->child->geometry(), QRect(10, 20, 300, 200));
    EXPECT_EQ(restored[0]->quietOpens, 1);
    EXPECT_TRUE(window->TermOpenCloseAll->isEnabled());
}

TEST_F(WindowLayoutRestartTest, NoChildWritesOnlyTheCountAndReopensNothing) {
    TIniFile ini = settings();
    ini.WriteInteger("Window number 0", "Window type", kLayoutTerminal);
    start()->close();
    EXPECT_EQ(ini.ReadSectionValues("Layout"), std::vector<std::string>{"Layout count=0"});
    EXPECT_EQ(restored.size(), 0u);

    auto window = start();
    QCoreApplication::processEvents();
    EXPECT_TRUE(restored.empty());
    EXPECT_FALSE(window->TermOpenCloseAll->isEnabled());
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace

namespace {

QList<QMdiSubWindow*> Designers(TPohjafrm& window) {
    QList<QMdiSubWindow*> designers;
    for (QMdiSubWindow* child : window.mdiArea()->subWindowList())
        if (qobject_cast<Tpiirtopohja*>(child->widget()) != nullptr)
            designers.append(child);
    return designers;
}

TEST_F(WindowLayoutRestartTest, DesignersComeBackInTheirModeAndPlace) {
    QRect routingPlace;
    QRect singlePlace;
    {
        auto window = start();
        window->Piirtopohja1->trigger();
        window->Singlemodem1->trigger();
        QCoreApplication::processEvents();
        const QList<QMdiSubWindow*> designers = Designers(*window);
        ASSERT_EQ(designers.size(), 2);
        designers[0]->setGeometry(5, 6, 500, 400);
        designers[1]->setGeometry(40, 50, 450, 350);
        // A designer keeps its minimum size.
        routingPlace = designers[0]->geometry();
        singlePlace = designers[1]->geometry();
        window->close();
    }
    const TIniFile ini = settings();
    std::vector<int> types;
    for (int i = 0; i < 2; ++i)
        types.push_back(ini.ReadInteger(LayoutSectionName(i), "Window type", -1));
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<int>{kLayoutDesigner, kLayoutSingleModem}));

    auto window = start();
    QCoreApplication::processEvents();
    const QList<QMdiSubWindow*> designers = Designers(*window);
    ASSERT_EQ(designers.size(), 2);
    for (QMdiSubWindow* designer : designers) {
        const bool single = static_cast<Tpiirtopohja*>(designer->widget())->SingleModem();
        EXPECT_EQ(designer->geometry(), single ? singlePlace : routingPlace);
    }
}

} // namespace
