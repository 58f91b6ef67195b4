#include "components/tselectdirform.h"

#include "base/message_dialogs.h"
#include "ui_tselectdirform.h"

#include <QDir>
#include <QInputDialog>
#include <QStorageInfo>

#include <filesystem>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TSelectDirForm::TSelectDirForm(QWidget* owner, std::string* dir, bool* result)
    : QDialog(owner), ui_(std::make_unique<Ui::TSelectDirForm>()), dir_(dir), result_(result) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    InputQuery = [this](std::string& name) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, "Create new folder", "Insert name", QLineEdit::Normal, Q(name), &ok);
        name = text.toStdString();
        return ok;
    };
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        ui_->DriveComboBox->addItem(volume.rootPath());
    ui_->DriveComboBox->model()->sort(0);
    connect(ui_->OkButton, &QPushButton::clicked, this, &TSelectDirForm::OkButtonClick);
    connect(ui_->CancelButton, &QPushButton::clicked, this, &TSelectDirForm::CancelButtonClick);
    connect(ui_->NewFolderButton, &QToolButton::clicked, this, &TSelectDirForm::NewFolderButtonClick);
    connect(ui_->DeleteFolderButton, &QToolButton::clicked, this, &TSelectDirForm::DeleteFolderButtonClick);
    connect(ui_->UpButton, &QToolButton::clicked, this,
            [this] { bSetDirectory(std::filesystem::path(directory_).parent_path().string()); });
    connect(ui_->BackButton, &QToolButton::clicked, this, [this] {
        if (history_.size() < 2)
            return;
        history_.pop_back();
        const std::string previous = history_.back();
        history_.pop_back();
        bSetDirectory(previous);
    });
    connect(ui_->DirListBox, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { bSetDirectory(strPathOf(item->text().toStdString())); });
    bSetDirectory(QDir::currentPath().toStdString());
    connect(ui_->DriveComboBox, &QComboBox::currentIndexChanged, this, &TSelectDirForm::DriveComboBoxChange);
}

TSelectDirForm::~TSelectDirForm() = default;

std::string TSelectDirForm::strPathOf(const std::string& name) const {
    return (std::filesystem::path(directory_) / name).string();
}

bool TSelectDirForm::bSetDirectory(const std::string& directory) {
    const QDir dir(Q(directory));
    if (!dir.exists() || !dir.isReadable())
        return false;
    directory_ = QDir::cleanPath(dir.absolutePath()).toStdString();
    if (history_.empty() || history_.back() != directory_)
        history_.push_back(directory_);
    vRefresh();
    return true;
}

void TSelectDirForm::vRefresh() {
    ui_->DirectoryLabel->setText(Q(directory_));
    ui_->DirListBox->clear();
    const QDir dir(Q(directory_));
    ui_->DirListBox->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name));
}

std::string TSelectDirForm::strDriveOf(const std::string& directory) const {
    return QStorageInfo(Q(directory)).rootPath().toStdString();
}

void TSelectDirForm::vShowDrive() {
    const QSignalBlocker quiet(ui_->DriveComboBox);
    ui_->DriveComboBox->setCurrentIndex(ui_->DriveComboBox->findText(Q(strDriveOf(directory_))));
}

void TSelectDirForm::vSetStartDir(const std::string& directory) {
    startDir_ = directory;
    bSetDirectory(directory);
    vShowDrive();
}

void TSelectDirForm::OkButtonClick() {
    *dir_ = directory_;
    *result_ = true;
    accept();
}

void TSelectDirForm::CancelButtonClick() {
    dir_->clear();
    *result_ = false;
    reject();
}

void TSelectDirForm::DriveComboBoxChange() {
    const std::string previous = strDriveOf(directory_);
    const std::string drive = ui_->DriveComboBox->currentText().toStdString();
    if (bSetDirectory(drive))
        return;
    ShowErrorMessage("Cannot read drive " + drive + ": !");
    bSetDirectory(previous);
    vShowDrive();
}

void TSelectDirForm::NewFolderButtonClick() {
    std::string name = "NewFolder";
    if (!InputQuery(name))
        return;
    if (name.empty()) {
        ShowErrorMessage("Invalid filename!");
        return;
    }
    const std::string path = strPathOf(name);
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) {
        vRefresh();
        return;
    }
    ShowErrorMessage(std::filesystem::is_directory(path, error) ? "Directory already exists!"
                                                                : "Cannot create new folder!");
}

void TSelectDirForm::DeleteFolderButtonClick() {
    if (ui_->DirListBox->count() == 0 || !ui_->DirListBox->currentItem())
        return;
    const std::string name = ui_->DirListBox->currentItem()->text().toStdString();
    if (!AskYesNo("Are you sure you want to delete folder " + name + " ?", false))
        return;
    if (QDir(Q(directory_)).rmdir(Q(name)))
        vRefresh();
    else
        ShowErrorMessage("Cannot delete folder " + name + "!");
}
