#include "platform/file_dialogs.h"

#include "platform/latin1.h"
#include "platform/modal_box.h"

#include <QFileDialog>
#include <QFileInfo>
#include <mutex>

namespace {

std::mutex responderMutex;
FileDialogResponder fileDialogResponder;

// "Project files|*.spf" as Qt writes it: "Project files (*.spf)".
QStringList QtFilters(const std::string& filter) {
    const QStringList parts = fromLatin1(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return filters;
}

} // namespace

std::optional<std::string> ChooseFileName(QWidget* parent, const FileDialogRequest& request) {
    FileDialogRequest asked = request;
    return ChooseFileNameAndFilter(parent, asked);
}

std::optional<std::string> ChooseFileNameAndFilter(QWidget* parent, FileDialogRequest& request) {
    {
        std::lock_guard lock(responderMutex);
        if (fileDialogResponder) {
            const CountedBox open;
            return fileDialogResponder(request);
        }
    }
    const QStringList filters = QtFilters(request.filter);
    QFileDialog dialog(parent, fromLatin1(request.title), fromLatin1(request.initialFolder),
                       filters.join(";;"));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(fromLatin1(request.defaultExtension));
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.fileName.empty())
        dialog.selectFile(QFileInfo(fromLatin1(request.fileName)).fileName());
    if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (const qsizetype shown = filters.indexOf(dialog.selectedNameFilter()); shown >= 0)
        request.filterIndex = static_cast<int>(shown) + 1;
    return toLatin1(dialog.selectedFiles().front());
}

void SetFileDialogResponder(FileDialogResponder responder) {
    std::lock_guard lock(responderMutex);
    fileDialogResponder = std::move(responder);
}
