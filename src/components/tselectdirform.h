#pragma once
// The form of the directory selection dialog: a box of the mounted file systems
// (in place of drives), the subfolders of the current directory, and buttons to
// go back, go up, create a folder and delete an empty one. A double click enters
// a folder. OK writes the current directory into the dialog's text, Cancel
// empties it.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TSelectDirForm;
}

class TSelectDirForm : public QDialog {
    Q_OBJECT
public:
    TSelectDirForm(QWidget* owner, std::string* dir, bool* result);
    ~TSelectDirForm() override;

    void vSetStartDir(const std::string& directory);
    std::string strGetDirectory() const { return directory_; }

    // Asks for a folder name; the default shows the input box. Tests answer it.
    std::function<bool(std::string& name)> InputQuery;

    void OkButtonClick();
    void CancelButtonClick();
    void DriveComboBoxChange();
    void NewFolderButtonClick();
    void DeleteFolderButtonClick();

private:
    // Shows the directory; false when it cannot be read.
    bool bSetDirectory(const std::string& directory);
    void vRefresh();
    void vShowDrive();
    std::string strDriveOf(const std::string& directory) const;
    std::string strPathOf(const std::string& name) const;

    std::unique_ptr<Ui::TSelectDirForm> ui_;
    std::string* dir_;
    bool* result_;
    std::string startDir_;
    std::string directory_;
    std::vector<std::string> history_;
};
