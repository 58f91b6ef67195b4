#include "support/message_box_recorder.h"

MessageBoxRecorder::MessageBoxRecorder(int defaultAnswer) : defaultAnswer_(defaultAnswer) {
    SetMessageBoxResponder([this](const MessageBoxRequest& request) { return answer(request); });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    SetMessageBoxResponder({});
}

void MessageBoxRecorder::queueAnswer(int answer) {
    std::lock_guard lock(mutex_);
    queued_.push_back(answer);
}

std::vector<MessageBoxRequest> MessageBoxRecorder::boxes() const {
    std::lock_guard lock(mutex_);
    return boxes_;
}

size_t MessageBoxRecorder::count() const {
    std::lock_guard lock(mutex_);
    return boxes_.size();
}

std::vector<std::string> MessageBoxRecorder::texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    for (const auto& box : boxes_)
        result.push_back(box.text);
    return result;
}

void MessageBoxRecorder::clear() {
    std::lock_guard lock(mutex_);
    boxes_.clear();
}

int MessageBoxRecorder::answer(const MessageBoxRequest& request) {
    {
        std::lock_guard lock(mutex_);
        boxes_.push_back(request);
    }
    if (whileOpen)
        whileOpen(request);
    std::lock_guard lock(mutex_);
    if (queued_.empty())
        return defaultAnswer_;
    const int next = queued_.front();
    queued_.pop_front();
    return next;
}
