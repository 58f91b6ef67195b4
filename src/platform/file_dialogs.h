#pragma once
// Open and save dialogs. Filters are written "Description|*.ext" as
// the program keeps them. Tests install a responder that answers instead of a
// person, the way message boxes are answered. Each dialog, answered by a responder
// or not, is a box (modal_box.h).

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
    // The filter shown, counted from 1 as the filter text lists them; 0 or a number
    // past the last shows the first.
    int filterIndex = 1;
};

// The chosen file, or none when the dialog was cancelled.
std::optional<std::string> ChooseFileName(QWidget* parent, const FileDialogRequest& request);
// The same; a confirmed dialog leaves the filter it showed last in request.filterIndex.
std::optional<std::string> ChooseFileNameAndFilter(QWidget* parent, FileDialogRequest& request);

// A responder may change request.filterIndex as a person choosing a filter would.
using FileDialogResponder = std::function<std::optional<std::string>(FileDialogRequest&)>;
// Replaces the dialogs until reset with an empty function.
void SetFileDialogResponder(FileDialogResponder responder);
