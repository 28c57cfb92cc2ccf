// Collects the message boxes a test provokes instead of showing them.
#pragma once

#include <string>
#include <vector>

#include "core/notifier.h"

namespace tesmira::test {

struct RecordedMessage {
    std::string text;
    MessageIcon icon;
};

// Also a notifier to hand to objects that take one.
class MessageRecorder : public INotifier {
public:
    MessageRecorder() {
        SetMessageSink([this](const std::string& t, MessageIcon i) { messages.push_back({t, i}); });
    }
    void Notify(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
    }
    ~MessageRecorder() override {
        SetMessageSink([](const std::string&, MessageIcon) {});
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages;
};

}  // namespace tesmira::test
