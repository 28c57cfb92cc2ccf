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

class MessageRecorder {
public:
    MessageRecorder() {
        SetMessageSink([this](const std::string& t, MessageIcon i) { messages.push_back({t, i}); });
    }
    ~MessageRecorder() {
        SetMessageSink([](const std::string&, MessageIcon) {});
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages;
};

}  // namespace tesmira::test
