#include "base/modem_type_check.h"
#include "designer/tkuvio.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tsuoja.h"
#include "designer_fixture.h"
#include "platform/tinifile.h"
#include "support/fake_main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class TominaisuusTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        for (const char* fixture : {"QX-450.smf", "QX-450R.smf", "QX-MP4.smf", "QX-NMS.smf"})
            AddTypeFile(fixture);
        main = std::make_unique<FakeMainWindow>();
        main->show();
        designer = CreateDesigner(false);
        QCoreApplication::processEvents();
        boxes.clear();
        window = new Tominaisuus(main.get());
    }
    void TearDown() override {
        delete window;
        main.reset();
        DesignerFolderTest::TearDown();
    }

    TKuvio& NewModem(const std::string& type, NewModemKind kind = NewModemKind::Normal) {
        return designer->Design().NewModemFigure(type, kind, 100, 100, type + std::to_string(int(kind)),
                                                 reader);
    }
    void Show(TKuvio& figure, int level = 0) {
        designer->SetSecurityLevel(level);
        window->SetFigure(designer, &figure);
        window->ShowModemProperties(false);
    }
    template <typename T> T* Control(const char* name) const {
        T* control = window->findChild<T*>(name);
        EXPECT_TRUE(control) << name;
        return control;
    }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    static std::vector<std::string> Values(const TKuvio& figure) {
        std::vector<std::string> values;
        for (const PropertyEntry& entry : figure.PropertyEntries())
            values.push_back(entry.value);
        return values;
    }
    // A modem-type file of the given properties, with its right check number.
    void WriteTypeFile(const std::string& type,
                       const std::vector<std::pair<std::string, std::string>>& keys) {
        TIniFile ini(folder.file(type + ".smf"));
        ini.WriteString("Version", "Quovix ini", "1");
        ini.WriteString("Version", "Number", "0");
        for (const auto& [key, value] : keys)
            ini.WriteString("Properties", key, value);
        ini.WriteInteger("Version", "Number",
                         ModemTypeCheckValue(type + ".smf", ini.Lines(), NumberLineForm::OwnKey));
    }
    static bool Red(QWidget* control) { return control->palette().color(QPalette::Text) == QColor(Qt::red); }

    std::unique_ptr<FakeMainWindow> main;
    Tpiirtopohja* designer = nullptr;
    Tominaisuus* window = nullptr;
    ModemTypeVersionReader reader{false};
};

TEST_F(TominaisuusTest, EditedValuesOfEveryLetterAreStoredAndShownAgain) {
    TKuvio& figure = NewModem("QX-450R");
    Show(figure, 9);
    EXPECT_EQ(window->windowTitle(), "Modem QX-450R properties, version:412");
    EXPECT_TRUE(window->isVisible());
    Control<QLineEdit>("nimi")->setText("Hill");
    Control<QLineEdit>("osoite")->setText("1F");
    Control<QSpinBox>("B0CHANNEL")->setValue(12);
    Control<QSpinBox>("W5TXPOWER")->setValue(500);
    Control<QLineEdit>("S0STATION")->setText("North");
    Control<QLineEdit>("H5NETMASK")->setText("FF00");
    Control<QCheckBox>("M0ACK")->setChecked(true);
    Control<QComboBox>("R0SPEED")->setCurrentIndex(2);
    Control<QComboBox>("C9FACTORY")->setCurrentIndex(1);
    Button("ok")->click();

    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Figure(), nullptr);
    EXPECT_FALSE(figure.newFigure);
    EXPECT_TRUE(designer->Design().modified);
    EXPECT_EQ(figure.GetModemName(), "Hill");
    EXPECT_EQ(figure.GetTerminalAddress(), "1F");
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"12", "500", "North", "FF00", "1", "2", "0", "4"}));

    Control<QSpinBox>("B0CHANNEL")->setValue(0);
    Show(figure, 9);
    EXPECT_EQ(Control<QSpinBox>("B0CHANNEL")->value(), 12);
    EXPECT_EQ(Control<QComboBox>("C9FACTORY")->currentText(), "High band");
    EXPECT_EQ(Control<QLineEdit>("S0STATION")->text(), "North");
    EXPECT_TRUE(Control<QCheckBox>("M0ACK")->isChecked());
    EXPECT_TRUE(boxes.texts().empty());
}

// Return is OK and Escape is Cancel, from the fields of the window.
TEST_F(TominaisuusTest, ReturnStoresAndEscapeCancels) {
    TKuvio& figure = NewModem("QX-450R");
    figure.newFigure = false;
    Show(figure);
    Control<QLineEdit>("nimi")->setText("Hill");
    QTest::keyClick(Control<QLineEdit>("nimi"), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(figure.GetModemName(), "Hill");

    Show(figure);
    Control<QLineEdit>("nimi")->setText("Hill");
    QTest::keyClick(Control<QSpinBox>("B0CHANNEL"), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(figure.GetModemName(), "Hill");

    Show(figure);
    Control<QLineEdit>("nimi")->setText("Dale");
    QTest::keyClick(Control<QLineEdit>("nimi"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(figure.GetModemName(), "Dale");

    // On a focused button Return presses that button.
    Show(figure);
    Button("pois")->setFocus();
    Control<QLineEdit>("nimi")->setText("Vale");
    QTest::keyClick(Button("pois"), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(figure.GetModemName(), "Dale");
}

// A modem whose type file is gone shows no rows; OK then keeps its values.
TEST_F(TominaisuusTest, OkWithoutRowsKeepsTheStoredValues) {
    TKuvio& figure = NewModem("QX-450R");
    Show(figure, 9);
    Button("ok")->click();
    const std::vector<std::string> stored = Values(figure);
    ASSERT_FALSE(stored.empty());
    Show(NewModem("QX-450"), 9);
    Button("pois")->click();
    std::filesystem::remove(folder.file("QX-450R.smf"));
    Show(figure, 9);
    Control<QLineEdit>("nimi")->setText("Kept");
    Button("ok")->click();
    EXPECT_EQ(figure.GetModemName(), "Kept");
    EXPECT_EQ(Values(figure), stored);
}

// A level accepted in the security dialog shows the visible properties window
// again at that level; Escape in the dialog changes nothing.
TEST_F(TominaisuusTest, AnAcceptedSecurityLevelRebuildsTheShownWindow) {
    Tominaisuus* properties = designer->PropertiesWindow();
    Tsuoja* security = designer->SecurityLevelDialog();
    ASSERT_TRUE(properties && security);
    TKuvio& figure = NewModem("QX-450R");
    designer->SetSecurityLevel(0);
    properties->SetFigure(designer, &figure);
    properties->ShowModemProperties(false);
    const auto power = [properties] { return properties->findChild<QSpinBox*>("W5TXPOWER"); };
    ASSERT_TRUE(power());
    EXPECT_FALSE(power()->isEnabled());

    security->ShowFor(designer);
    security->findChild<QRadioButton*>("taso_5")->setChecked(true);
    security->findChild<QLineEdit*>("salasana")->setText("qejvomtu");
    QTest::keyClick(security->findChild<QLineEdit*>("salasana"), Qt::Key_Return);
    EXPECT_FALSE(security->isVisible());
    EXPECT_EQ(designer->SecurityLevel(), 5);
    EXPECT_TRUE(properties->isVisible());
    EXPECT_EQ(properties->Figure(), &figure);
    ASSERT_TRUE(power());
    EXPECT_TRUE(power()->isEnabled());

    security->ShowFor(designer);
    security->findChild<QRadioButton*>("taso_0")->setChecked(true);
    QTest::keyClick(security, Qt::Key_Escape);
    EXPECT_FALSE(security->isVisible());
    EXPECT_EQ(designer->SecurityLevel(), 5);
    properties->hide();
}

// Shown again at level 5 the security dialog has the keyboard on the password,
// wherever it was when the dialog closed; the password shows as '#'.
TEST_F(TominaisuusTest, TheSecurityDialogFocusesThePasswordWhenShownAgain) {
    Tsuoja* security = designer->SecurityLevelDialog();
    auto* password = security->findChild<QLineEdit*>("salasana");
    security->ShowFor(designer);
    security->findChild<QRadioButton*>("taso_5")->setChecked(true);
    password->setText("qejvomtu");
    EXPECT_EQ(password->displayText(), "########");
    security->findChild<QPushButton*>("ok")->setFocus();
    security->okClick();
    ASSERT_EQ(designer->SecurityLevel(), 5);
    security->ShowFor(designer);
    EXPECT_EQ(security->focusWidget(), password);
    security->poisClick();
}

// The window shows its whole caption and ends where its content ends; in the
// conversion view no arrow covers a field of the left column.
TEST_F(TominaisuusTest, CaptionContentAndArrowsFitTheWindow) {
    main->resize(900, 1000);
    TKuvio& figure = NewModem("QX-450R");
    Show(figure, 9);
    EXPECT_GE(window->width(), window->fontMetrics().horizontalAdvance(window->windowTitle()) + 100);
    auto* content = Control<QWidget>("sisalto");
    EXPECT_EQ(content->height(), window->height());
    Button("ok")->click();

    window->SetFigure(designer, &figure);
    window->SetConversionTarget("QX-NMS");
    window->ShowModemProperties(true);
    EXPECT_EQ(content->height(), window->height());
    std::vector<QRect> fields;
    for (QWidget* field : Control<QGroupBox>("Bevel1")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!field->isHidden())
            fields.emplace_back(field->mapTo(content, QPoint(0, 0)), field->size());
    ASSERT_FALSE(fields.empty());
    int arrows = 0;
    for (QPushButton* arrow : window->findChildren<QPushButton*>()) {
        if (!arrow->property("tag").isValid())
            continue;
        ++arrows;
        for (const QRect& field : fields)
            EXPECT_FALSE(field.intersects(arrow->geometry())) << arrow->y();
    }
    EXPECT_GT(arrows, 0);
    if (const char* shots = std::getenv("QUOVIX_SCREENSHOTS"))
        window->grab().save(QString(shots) + "/modem_properties_conversion.png");
    Button("pois")->click();
}

TEST_F(TominaisuusTest, LevelNineRowsStandBelowTheFactorySeparator) {
    TKuvio& figure = NewModem("QX-450R");
    Show(figure, 5);
    EXPECT_TRUE(Control<QComboBox>("C9FACTORY")->isHidden());
    EXPECT_TRUE(Control<QLabel>("factory_lbl")->isHidden());
    EXPECT_TRUE(Control<QSpinBox>("W5TXPOWER")->isEnabled());
    Button("pois")->click();

    Show(figure, 9);
    auto* band = Control<QComboBox>("C9FACTORY");
    auto* separator = Control<QLabel>("factory_lbl");
    EXPECT_FALSE(band->isHidden());
    EXPECT_FALSE(separator->isHidden());
    EXPECT_LT(Control<QCheckBox>("M0REPEAT")->y(), separator->y());
    EXPECT_LT(separator->y(), band->y());
    Button("pois")->click();

    Show(figure, 0);
    EXPECT_FALSE(Control<QSpinBox>("W5TXPOWER")->isEnabled());
}

TEST_F(TominaisuusTest, CancelOnANewFigureStoresItsDefaults) {
    TKuvio& figure = NewModem("QX-450");
    Show(figure);
    Button("pois")->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"0", "0", "", "0", "0", "0"}));

    // A confirmed figure keeps its values on Cancel.
    Show(figure);
    Control<QSpinBox>("B0CHANNEL")->setValue(7);
    Button("pois")->click();
    EXPECT_EQ(Values(figure)[0], "0");
}

TEST_F(TominaisuusTest, TextThatIsNotHexadecimalIsRefusedWhenStored) {
    TKuvio& figure = NewModem("QX-450");
    Show(figure);
    auto* netmask = Control<QLineEdit>("H5NETMASK");
    netmask->setText("12G4");
    Button("ok")->click();
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Not allowed hexadesimal value\r\nAllodew values 0..9 and A..F/a..f"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(figure.PropertyEntries().empty());
    netmask->setText("12F4");
    Button("ok")->click();
    EXPECT_EQ(Values(figure)[3], "12F4");
}

TEST_F(TominaisuusTest, ExchangeButtonsStoreAndMarkTheDesignModified) {
    TKuvio& figure = NewModem("QX-450");
    Show(figure);
    Button("ok")->click();
    designer->Design().modified = false;
    designer->Design().routesDirty = false;
    Show(figure);
    Control<QLineEdit>("osoite")->setText("2A");
    Control<QLineEdit>("osoite")->setModified(true);
    Control<QSpinBox>("B0CHANNEL")->setValue(3);
    Button("transmitbtn")->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(Button("pois")->isEnabled());
    EXPECT_EQ(Values(figure)[0], "3");
    EXPECT_EQ(figure.GetTerminalAddress(), "2A");
    EXPECT_TRUE(designer->Design().modified);
    EXPECT_TRUE(designer->Design().routesDirty);
}

TEST_F(TominaisuusTest, ReportedValuesAreShownInRed) {
    TKuvio& figure = NewModem("QX-450R");
    window->SetFigure(designer, &figure);
    window->ApplyResponseFields(1, 'B', "44");
    window->ApplyResponseFields(2, 'W', "900");
    window->ApplyResponseFields(3, 'B', "x");
    window->ApplyResponseFields(4, 'H', "AB");
    window->ApplyResponseFields(5, 'K', "1");
    window->ApplyResponseFields(6, 'R', "9");
    window->ApplyResponseFields(1001, 'C', "4");
    window->ApplyResponseFields(1002, 'C', "1");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Field mismatch on modem response message !!!",
                                                       "Modem has more fields than SMF1002"}));
    auto* channel = Control<QSpinBox>("B0CHANNEL");
    EXPECT_EQ(channel->value(), 44);
    EXPECT_TRUE(Red(channel));
    EXPECT_FALSE(Red(Control<QLineEdit>("S0STATION")));
    EXPECT_EQ(Control<QLineEdit>("H5NETMASK")->text(), "AB");
    // A list index beyond the list is held at its last item.
    EXPECT_EQ(Control<QComboBox>("R0SPEED")->currentIndex(), 2);
    EXPECT_EQ(Control<QComboBox>("C9FACTORY")->currentIndex(), 1);

    boxes.clear();
    window->MarkNmsWriteResult(0, 1, "5", 'B');
    window->MarkNmsWriteResult(1, 2, "77", 'W');
    EXPECT_EQ(channel->value(), 44);
    EXPECT_EQ(Control<QSpinBox>("W5TXPOWER")->value(), 77);

    window->PostInvalidParameter();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{
                  "ERROR: One of parameters send to modem was invalid !\r\nPlease check parameters."});
}

TEST_F(TominaisuusTest, NoTerminalAddressAndMultiportAddresses) {
    TKuvio& figure = NewModem("QX-450");
    Show(figure);
    auto* noAddress = Control<QCheckBox>("no_address");
    auto* address = Control<QLineEdit>("osoite");
    noAddress->click();
    EXPECT_EQ(address->text(), "No address");
    EXPECT_TRUE(address->isReadOnly());
    noAddress->click();
    EXPECT_EQ(address->text(), "0");
    EXPECT_FALSE(address->isReadOnly());
    Button("pois")->click();

    TKuvio& multi = NewModem("QX-MP4", NewModemKind::Multiport);
    multi.SetTerminalAddressAt(0, "A1");
    multi.SetTerminalAddressAt(1, "B2");
    Show(multi);
    EXPECT_FALSE(Button("Multibtn")->isHidden());
    EXPECT_FALSE(noAddress->isEnabled());
    // A multiport modem's address field is read-only, in the window colour.
    EXPECT_TRUE(address->isReadOnly());
    EXPECT_EQ(address->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    Button("Multibtn")->click();
    auto* memo = Control<QPlainTextEdit>("MultiMemo");
    EXPECT_EQ(memo->toPlainText(), "A1\nB2");
    memo->setPlainText("A1\n\nC3\n");
    Button("ok")->click();
    EXPECT_EQ(multi.TerminalAddresses(), (std::vector<std::string>{"A1", "C3"}));
}

// Typing holds each text field to its length: the terminal address to two
// characters per byte of the project's address length, a station name to 20, an
// 'H' value to 8. A longer text that the program put in stays whole, shown and
// stored again by OK, and may be shortened.
TEST_F(TominaisuusTest, TypingHoldsTextFieldsToTheirLengthButNotTheStoredTexts) {
    designer->Design().properties.length = 2;
    const char* station = "ssssssssssssssssssssssssssssss";
    const char* mask = "0123456789ABCDEF";
    TKuvio& figure = NewModem("QX-450R");
    figure.SetTerminalAddress("123456");
    // Channel, power, station name and network mask as a project file gives them.
    figure.ResetPropertyList(true);
    for (const auto& [letter, value] : {std::pair{'B', "1"}, {'W', "2"}, {'S', station}, {'H', mask}})
        figure.SetPropertyEntry(letter, '0', value, true, true, 0, 0);
    Show(figure, 5);
    Button("ok")->click();
    EXPECT_EQ(figure.GetTerminalAddress(), "123456");
    EXPECT_EQ(Values(figure)[2], station);
    EXPECT_EQ(Values(figure)[3], mask);
    Show(figure, 5);
    const struct {
        const char* field;
        QString shown;
        QString typed;
    } cases[] = {{"osoite", "123456", "AAAA"},
                 {"S0STATION", station, QString(20, 'A')},
                 {"H5NETMASK", mask, "AAAAAAAA"}};
    for (const auto& row : cases) {
        auto* edit = Control<QLineEdit>(row.field);
        EXPECT_EQ(edit->text(), row.shown);
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, "A");
        EXPECT_EQ(edit->text(), row.shown);
        edit->selectAll();
        QTest::keyClicks(edit, QString(row.typed.size() + 3, 'A'));
        EXPECT_EQ(edit->text(), row.typed);
    }
    Control<QCheckBox>("no_address")->click();
    EXPECT_EQ(Control<QLineEdit>("osoite")->text(), "No address");
}

// In the single-modem mode the keyboard goes to the first field shown there; a
// type whose fields are all hidden there leaves none to focus: the window says so.
TEST_F(TominaisuusTest, TheSingleModemModeFocusesTheFirstShownField) {
    WriteTypeFile("QX-Hidden", {{"B0ONLY", "Only in projects"}, {"B0ONLY_v", "1"}});
    WriteTypeFile("QX-Second",
                  {{"B0ONLY", "Only in projects"}, {"B0ONLY_v", "1"}, {"S0NAME", "Name"}, {"S0NAME_v", "2"}});
    Tpiirtopohja* single = CreateDesigner(true);
    for (const char* type : {"QX-Second", "QX-Hidden"}) {
        TKuvio& figure = single->Design().NewModemFigure(type, NewModemKind::Normal, 100, 100, type, reader);
        boxes.clear();
        window->SetFigure(single, &figure);
        window->ShowModemProperties(false);
    }
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"There is somethig wrong on QX-Hidden.smf SMF file\r\nThere "
                                       "is no visible parameters field"});
    window->SetFigure(single, single->Design().Figures().front().get());
    window->ShowModemProperties(false);
    EXPECT_EQ(window->focusWidget(), Control<QLineEdit>("S0NAME"));
    EXPECT_EQ(boxes.count(), 1u);
}

// The value column stands at 110 unless a shown label needs more room; the
// hidden name and address rows and a hidden parameter do not move it.
TEST_F(TominaisuusTest, TheValueColumnStandsAt110UnlessAShownLabelIsWider) {
    const char* wide = "A factory setting with a long label";
    WriteTypeFile("QX-Short", {{"B0CH", "Channel"}, {"B0CH_v", "3"}, {"B9WIDE", wide}, {"B9WIDE_v", "3"}});
    Tpiirtopohja* single = CreateDesigner(true);
    TKuvio& figure = single->Design().NewModemFigure("QX-Short", NewModemKind::Normal, 100, 100, "x", reader);
    for (int level : {5, 9}) {
        single->SetSecurityLevel(level);
        window->SetFigure(single, &figure);
        window->ShowModemProperties(false);
        const int x1 = Control<QSpinBox>("B0CH")->x();
        if (level == 5) {
            EXPECT_EQ(x1, 110);
            continue;
        }
        EXPECT_EQ(Control<QSpinBox>("B9WIDE")->x(), x1);
        EXPECT_LT(10 + window->fontMetrics().horizontalAdvance(QString(wide) + ":"), x1);
    }
}

TEST_F(TominaisuusTest, ConversionCopiesMatchingRowsAndChangesTheType) {
    TKuvio& figure = NewModem("QX-NMS");
    Show(figure);
    Control<QSpinBox>("B0CHANNEL")->setValue(21);
    Control<QLineEdit>("S0STATION")->setText("Old");
    Control<QCheckBox>("M0ACK")->setChecked(true);
    Button("ok")->click();
    ASSERT_TRUE(figure.NmsSupport());

    window->SetFigure(designer, &figure);
    window->SetConversionTarget("QX-450R");
    window->ShowModemProperties(true);
    EXPECT_TRUE(window->Converting());
    EXPECT_FALSE(Control<QGroupBox>("Bevel2")->isHidden());
    EXPECT_FALSE(Button("ConvAll")->isHidden());
    // Rows side by side: channel, power, station, mask and ack have the same letters,
    // but power and mask are above security level 0; the sixth pairs two kinds of
    // list, the seventh a text with a check box.
    std::vector<QPushButton*> arrows;
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->property("tag").isValid())
            arrows.push_back(button);
    ASSERT_EQ(arrows.size(), 7u);
    EXPECT_EQ(std::count_if(arrows.begin(), arrows.end(), [](QPushButton* b) { return b->isEnabled(); }), 3);

    boxes.queueAnswer(IDYES);
    Button("ConvAll")->click();
    Button("ok")->click();
    EXPECT_FALSE(window->Converting());
    EXPECT_EQ(figure.TypeName(), "QX-450R");
    EXPECT_FALSE(figure.NmsSupport());
    EXPECT_EQ(figure.PictureName(), "MODEEMI");
    EXPECT_EQ(Values(figure), (std::vector<std::string>{"21", "0", "Old", "0", "1", "0", "0", "1"}));
    EXPECT_EQ(window->findChildren<QPushButton*>().size(), 6u);
}

TEST_F(TominaisuusTest, AnArrowConvertsItsRowOnlyWhenConfirmed) {
    TKuvio& figure = NewModem("QX-NMS");
    Show(figure);
    Control<QCheckBox>("M0ACK")->setChecked(true);
    Button("ok")->click();
    window->SetFigure(designer, &figure);
    window->SetConversionTarget("QX-450R");
    window->ShowModemProperties(true);
    auto* target = Control<QGroupBox>("Bevel2")->findChild<QCheckBox*>("M0ACK");
    ASSERT_TRUE(target);
    QPushButton* arrow = nullptr;
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->property("tag") == QVariant(4))
            arrow = button;
    ASSERT_TRUE(arrow);

    boxes.queueAnswer(IDNO);
    arrow->click();
    EXPECT_FALSE(target->isChecked());
    boxes.queueAnswer(IDYES);
    arrow->click();
    EXPECT_TRUE(target->isChecked());
    const std::string question = "Converting value\r\nAcknowledged transfer:  Not Checked\r\nto\r\n"
                                 "Acknowledged transfer:  Checked\r\n\r\nAre you sure you want to convert "
                                 "this value ?";
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{question, question}));
}

TEST_F(TominaisuusTest, DesignerOpensTheWindowAndTheValuesSurviveTheProjectFile) {
    Tominaisuus* properties = designer->PropertiesWindow();
    ASSERT_TRUE(properties);
    TKuvio& placed = NewModem("QX-450R");
    designer->Design().context = &placed;
    designer->Ominaisuudet2Click();
    ASSERT_TRUE(properties->isVisible());
    EXPECT_EQ(designer->Design().context, nullptr);
    properties->findChild<QLineEdit*>("nimi")->setText("Relay");
    properties->findChild<QSpinBox*>("B0CHANNEL")->setValue(99);
    properties->findChild<QLineEdit*>("S0STATION")->setText("Ridge");
    properties->findChild<QComboBox*>("R0SPEED")->setCurrentIndex(1);
    properties->findChild<QPushButton*>("ok")->click();
    const std::vector<std::string> stored = Values(placed);
    ASSERT_TRUE(designer->SaveProjectFile(folder.file("net.spf")));

    designer->Design().DeleteAllFigures();
    designer->LoadProjectFile(folder.file("net.spf"));
    ASSERT_EQ(designer->Design().Figures().size(), 1u);
    TKuvio& loaded = *designer->Design().Figures()[0];
    EXPECT_EQ(Values(loaded), stored);
    designer->Design().context = &loaded;
    designer->Ominaisuudet2Click();
    EXPECT_EQ(properties->findChild<QLineEdit*>("nimi")->text(), "Relay");
    EXPECT_EQ(properties->findChild<QSpinBox*>("B0CHANNEL")->value(), 99);
    EXPECT_EQ(properties->findChild<QLineEdit*>("S0STATION")->text(), "Ridge");
    EXPECT_EQ(properties->findChild<QComboBox*>("R0SPEED")->currentText(), "9600");

    // A removed figure is forgotten and the window closes.
    designer->Design().DeleteFigure(&loaded);
    EXPECT_FALSE(properties->isVisible());
    EXPECT_EQ(properties->Figure(), nullptr);
}

TEST_F(TominaisuusTest, ChangeTypeCommandOpensTheConversionView) {
    Tominaisuus* properties = designer->PropertiesWindow();
    TKuvio& figure = NewModem("QX-450");
    Show(figure);
    Button("ok")->click();
    QAction target("QX-NMS");
    designer->Design().context = &figure;
    designer->Konvert1Click(&target);
    ASSERT_TRUE(properties->isVisible());
    EXPECT_TRUE(designer->ConvertingModemType());
    EXPECT_EQ(properties->findChild<QGroupBox*>("Bevel2")->title(), "QX-NMS");
    properties->findChild<QPushButton*>("ok")->click();
    EXPECT_FALSE(designer->ConvertingModemType());
    EXPECT_EQ(figure.TypeName(), "QX-NMS");
    EXPECT_EQ(figure.PictureName(), "MODEEMIE");

    // A run's values shown meanwhile replace the conversion view, and the drawing
    // takes its clicks again.
    designer->Design().context = &figure;
    designer->Konvert1Click(&target);
    designer->Programming().HidePropertiesWindow();
    designer->Programming().ShowModemProperties(figure);
    EXPECT_TRUE(properties->findChild<QGroupBox*>("Bevel2")->isHidden());
    EXPECT_FALSE(designer->ConvertingModemType());

    // While a Receive of a modem goes, its type stays: the values the modem sends
    // are stored into the fields of the type they came from.
    TKuvio& received = NewModem("QX-450");
    Show(received);
    Button("ok")->click();
    QAction port;
    port.setData(250);
    designer->COM11Click(&port);
    designer->Design().active = &received;
    designer->Haearvot1Click();
    designer->Design().context = &received;
    designer->Konvert1Click(&target);
    boxes.clear();
    properties->findChild<QPushButton*>("ok")->click();
    EXPECT_EQ(received.TypeName(), "QX-450");
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"The modem's values are being transferred: its smf-file "
                                       "type can not be changed now"});
    designer->Programming().Cancel();
}

TEST_F(TominaisuusTest, NmsTypeAtLevelNineHasNoFactorySeparator) {
    TKuvio& figure = NewModem("QX-NMS");
    Show(figure, 9);
    EXPECT_FALSE(Control<QComboBox>("C0SQUELCH")->isHidden());
    EXPECT_TRUE(Control<QLabel>("factory_lbl")->isHidden());
    if (const char* shots = std::getenv("QUOVIX_SCREENSHOTS"))
        window->grab().save(QString(shots) + "/modem_properties_nms_level9.png");
}

} // namespace
