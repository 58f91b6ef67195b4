#include "components/tcommport.h"
#include "components/tcommportsetupdialog.h"
#include "components/tcommportsetupdialogform.h"
#include "platform/virtual_port.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// The form's controls, found by their names.
struct SetupForm {
    explicit SetupForm(QWidget* form)
        : PortList(box(form, "PortList")), BaudRateList(box(form, "BaudRateList")),
          ByteSizeList(box(form, "ByteSizeList")), StopBitsList(box(form, "StopBitsList")),
          ParityBitsList(box(form, "ParityBitsList")), FlowControlList(box(form, "FlowControlList")),
          OkButton(form->findChild<QPushButton*>("OkButton")),
          CancelButton(form->findChild<QPushButton*>("CancelButton")) {}
    static QComboBox* box(QWidget* form, const char* name) { return form->findChild<QComboBox*>(name); }

    QComboBox* PortList;
    QComboBox* BaudRateList;
    QComboBox* ByteSizeList;
    QComboBox* StopBitsList;
    QComboBox* ParityBitsList;
    QComboBox* FlowControlList;
    QPushButton* OkButton;
    QPushButton* CancelButton;
};

void AnswerForm(const std::function<void(SetupForm&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* form = qobject_cast<TCommPortSetupDialogForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        SetupForm controls(form);
        act(controls);
    });
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override { port.SetupDialog = &dialog; }
    // Runs the port's set-up dialog, doing what the test does in the open form.
    bool run(const std::function<void(SetupForm&)>& act) {
        AnswerForm(act);
        return port.OpenSetupDialog();
    }

    VirtualPort third{3};
    VirtualPort twelfth{12};
    TCommPortSetupDialog dialog;
    TCommPort port;
};

TEST_F(SetupDialogTest, TheFormShowsThePortsChoicesAndOkAppliesThem) {
    EXPECT_TRUE(run([](SetupForm& form) {
        EXPECT_EQ(Items(form.PortList), (QStringList{"COM03", "COM12"}));
        EXPECT_EQ(form.PortList->currentIndex(), -1) << "COM1 is not available";
        EXPECT_EQ(Items(form.BaudRateList),
                  (QStringList{"2400", "9600", "19200", "56000", "115200", "256000"}));
        EXPECT_EQ(form.BaudRateList->currentText(), "9600");
        EXPECT_EQ(form.ByteSizeList->currentText(), "8");
        EXPECT_EQ(form.StopBitsList->currentText(), "1");
        EXPECT_TRUE(form.PortList->isEnabled() && form.FlowControlList->isEnabled());
        form.PortList->setCurrentText("COM12");
        form.BaudRateList->setCurrentText("19200");
        form.ParityBitsList->setCurrentText("Mark");
        form.StopBitsList->setCurrentText("2");
        form.ByteSizeList->setCurrentText("7");
        form.FlowControlList->setCurrentText("Hardware");
        form.OkButton->click();
    }));
    EXPECT_EQ(port.ComPort(), cpCOM12);
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.ParityBits(), pbMark);
    EXPECT_TRUE(port.Parity());
    EXPECT_EQ(port.StopBits(), sbTwo);
    EXPECT_EQ(port.ByteSize(), bs7);
    EXPECT_EQ(port.FlowControl(), fcHardware);

    EXPECT_TRUE(run([](SetupForm& form) {
        EXPECT_EQ(form.PortList->currentText(), "COM12");
        form.ParityBitsList->setCurrentText("Space");
        form.FlowControlList->setCurrentText("Xon/Xoff");
        form.OkButton->click();
    }));
    EXPECT_EQ(port.ParityBits(), pbSpace);
    EXPECT_EQ(port.FlowControl(), fcNone) << "Xon/Xoff has no value of its own";
}

TEST_F(SetupDialogTest, OnlyTheEnabledItemsCanBeChanged) {
    port.SetSetupDialogItems(static_cast<TdSetupDialogItems>(SetBit(sdiBAUDRATE)));
    run([](SetupForm& form) {
        EXPECT_TRUE(form.BaudRateList->isEnabled());
        for (QComboBox* box :
             {form.PortList, form.ByteSizeList, form.StopBitsList, form.ParityBitsList, form.FlowControlList})
            EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        form.CancelButton->click();
    });
    port.ActivateSetupDialogItem(sdiALL);
    EXPECT_EQ(port.SetupDialogItems(), kAllSetupDialogItems);
    port.DeactivateSetupDialogItem(sdiCOMPORT);
    EXPECT_FALSE(InSet(port.SetupDialogItems(), sdiCOMPORT));
}

TEST_F(SetupDialogTest, CancelOrAnUnusableChoiceAppliesNothing) {
    EXPECT_FALSE(run([](SetupForm& form) {
        form.ParityBitsList->setCurrentText("Odd");
        form.CancelButton->click();
    }));
    EXPECT_FALSE(run([](SetupForm& form) {
        form.ParityBitsList->setCurrentText("Odd");
        form.OkButton->click(); // no port chosen
    }));
    EXPECT_EQ(port.ParityBits(), pbNoParity);
    EXPECT_EQ(port.ComPort(), cpCOM01);

    EXPECT_TRUE(run([](SetupForm& form) {
        form.PortList->setCurrentText("COM03");
        form.OkButton->click();
    }));
    EXPECT_FALSE(port.bGetConnected());
    TCommPort withoutDialog;
    EXPECT_FALSE(withoutDialog.OpenSetupDialog());
    EXPECT_FALSE(withoutDialog.OpenDialog());
}

TEST_F(SetupDialogTest, OpenDialogOpensThePortChosen) {
    AnswerForm([](SetupForm& form) {
        form.PortList->setCurrentText("COM03");
        form.OkButton->click();
    });
    EXPECT_TRUE(port.OpenDialog());
    EXPECT_TRUE(third.NearEndOpen());
}

} // namespace
