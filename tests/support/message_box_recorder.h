#pragma once
// Records every message box a test raises and answers it, so no test waits for a
// person. Installed for the recorder's lifetime.

#include "platform/message_box.h"

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class MessageBoxRecorder {
public:
    // Answers every box with the given answer, or with the next queued answer.
    explicit MessageBoxRecorder(int defaultAnswer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void queueAnswer(int answer);
    std::vector<MessageBoxRequest> boxes() const;
    size_t count() const;
    // The texts of the boxes raised so far, in order.
    std::vector<std::string> texts() const;
    void clear();

    // Runs while each box is open, before it is answered.
    std::function<void(const MessageBoxRequest&)> whileOpen;

private:
    int answer(const MessageBoxRequest& request);

    mutable std::mutex mutex_;
    int defaultAnswer_;
    std::deque<int> queued_;
    std::vector<MessageBoxRequest> boxes_;
};
