#include "components/tselectdirdialog.h"

#include "components/tselectdirform.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

QListWidget* DirList(TSelectDirForm& form) {
    return form.findChild<QListWidget*>("DirListBox");
}
void Click(TSelectDirForm& form, const char* button) {
    auto* found = form.findChild<QAbstractButton*>(button);
    ASSERT_NE(found, nullptr) << button;
    found->click();
}

class TSelectDirDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder.path() / "tree" / "full" / "inner");
        fs::create_directories(folder.path() / "tree" / "empty");
        dialog.InitialDir = (folder.path() / "tree").string();
    }
    // Runs the dialog, doing what the test does in the open form.
    bool run(const std::function<void(TSelectDirForm&)>& act) {
        QTimer::singleShot(0, [&] {
            ASSERT_NE(dialog.Form(), nullptr);
            act(*dialog.Form());
        });
        return dialog.Execute();
    }
    QStringList shown(TSelectDirForm& form) {
        QStringList items;
        for (int i = 0; i < DirList(form)->count(); ++i)
            items << DirList(form)->item(i)->text();
        return items;
    }
    void select(TSelectDirForm& form, const QString& name) {
        const auto found = DirList(form)->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        DirList(form)->setCurrentItem(found.front());
    }

    TempFolder folder;
    MessageBoxRecorder boxes{IDYES};
    TSelectDirDialog dialog;
};

TEST_F(TSelectDirDialogTest, OkGivesTheDirectoryAndCancelEmptiesIt) {
    const std::string tree = (folder.path() / "tree").string();
    EXPECT_TRUE(run([&](TSelectDirForm& form) {
        EXPECT_EQ(form.windowTitle(), "Select Directory");
        EXPECT_EQ(shown(form), (QStringList{"empty", "full"}));
        auto* full = DirList(form)->findItems("full", Qt::MatchExactly).front();
        emit DirList(form)->itemDoubleClicked(full);
        EXPECT_EQ(shown(form), QStringList{"inner"});
        Click(form, "UpButton");
        EXPECT_EQ(form.strGetDirectory(), tree);
        Click(form, "BackButton");
        Click(form, "OkButton");
    }));
    EXPECT_EQ(dialog.Dir, tree + "/full");

    dialog.Caption = "Pick";
    EXPECT_FALSE(run([&](TSelectDirForm& form) {
        EXPECT_EQ(form.windowTitle(), "Pick");
        EXPECT_EQ(form.strGetDirectory(), tree) << "each run starts from InitialDir";
        Click(form, "CancelButton");
    }));
    EXPECT_EQ(dialog.Dir, "");
    dialog.Dir = "kept";
    EXPECT_FALSE(run([](TSelectDirForm& form) { form.reject(); }));
    EXPECT_EQ(dialog.Dir, "kept") << "closing the form leaves Dir";
}

TEST_F(TSelectDirDialogTest, FoldersAreCreatedAndEmptyOnesDeleted) {
    const fs::path tree = folder.path() / "tree";
    run([&](TSelectDirForm& form) {
        std::string answer = "made";
        form.InputQuery = [&](std::string& name) {
            EXPECT_EQ(name, "NewFolder");
            name = answer;
            return true;
        };
        Click(form, "NewFolderButton");
        EXPECT_TRUE(fs::is_directory(tree / "made"));
        EXPECT_TRUE(shown(form).contains("made"));
        Click(form, "NewFolderButton");
        answer = "";
        Click(form, "NewFolderButton");
        answer = "no/such/parent";
        Click(form, "NewFolderButton");

        select(form, "full");
        Click(form, "DeleteFolderButton");
        select(form, "empty");
        Click(form, "DeleteFolderButton");
        EXPECT_FALSE(fs::exists(tree / "empty"));
        EXPECT_EQ(shown(form), (QStringList{"full", "made"}));
        boxes.queueAnswer(IDNO);
        select(form, "made");
        Click(form, "DeleteFolderButton");
        EXPECT_TRUE(fs::exists(tree / "made")) << "No keeps the folder";
        form.reject();
    });
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{
                                 "Directory already exists!",
                                 "Invalid filename!",
                                 "Cannot create new folder!",
                                 "Are you sure you want to delete folder full ?",
                                 "Cannot delete folder full!",
                                 "Are you sure you want to delete folder empty ?",
                                 "Are you sure you want to delete folder made ?",
                             }));
}

TEST_F(TSelectDirDialogTest, WithoutAStartDirectoryTheFormOpensInTheCurrentOne) {
    dialog.InitialDir.clear();
    run([&](TSelectDirForm& form) {
        EXPECT_EQ(fs::path(form.strGetDirectory()), fs::current_path());
        EXPECT_GT(form.findChild<QComboBox*>("DriveComboBox")->count(), 0)
            << "the mounted file systems stand for drives";
        Click(form, "OkButton");
    });
    EXPECT_EQ(fs::path(dialog.Dir), fs::current_path());
}

} // namespace
