// Collects the message boxes a test provokes instead of showing them: handed as the notifier to
// the objects under test.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/notifier.h"

namespace tesmira::test {

struct RecordedMessage {
    std::string text;
    MessageIcon icon;
};

class MessageRecorder : public INotifier {
public:
    MessageRecorder() = default;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void Notify(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
        if (onMessage)
            onMessage(messages.back());
    }

    std::vector<RecordedMessage> messages;
    // Runs while the message is "up" (tests look at what happened before it was dismissed).
    std::function<void(const RecordedMessage&)> onMessage;
};

}  // namespace tesmira::test
