#pragma once
// Records every open and save dialog a test raises and answers it from a queue,
// so no test waits for a person. Installed for the recorder's lifetime.

#include "platform/file_dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class FileDialogRecorder {
public:
    // Each dialog takes the next answer; with none left it is cancelled.
    explicit FileDialogRecorder(std::deque<std::optional<std::string>> queued = {})
        : answers(std::move(queued)) {
        SetFileDialogResponder([this](const FileDialogRequest& request) {
            requests.push_back(request);
            if (answers.empty())
                return std::optional<std::string>();
            std::optional<std::string> answer = std::move(answers.front());
            answers.pop_front();
            return answer;
        });
    }
    ~FileDialogRecorder() { SetFileDialogResponder({}); }
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    std::deque<std::optional<std::string>> answers;
    // The dialogs raised so far, in order.
    std::vector<FileDialogRequest> requests;
};
