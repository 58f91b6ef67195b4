#pragma once
// Open and save dialogs. Filters are written "Description|*.ext" as
// the program keeps them. Tests install a responder that answers instead of a
// person, the way message boxes are answered.

#include <functional>
#include <optional>
#include <string>

class QWidget;

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;
    std::string defaultExtension;
    std::string fileName;
    std::string initialFolder;
};

// The chosen file, or none when the dialog was cancelled.
std::optional<std::string> ChooseFileName(QWidget* parent, const FileDialogRequest& request);

using FileDialogResponder = std::function<std::optional<std::string>(const FileDialogRequest&)>;
// Replaces the dialogs until reset with an empty function.
void SetFileDialogResponder(FileDialogResponder responder);
