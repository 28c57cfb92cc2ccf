// User messages: the rooms say what the user must be told; the application decides how (a
// message box in the running program, a recorder in tests, standard error while closing).
#pragma once

#include <string>

namespace tesmira {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };

class INotifier {
public:
    virtual ~INotifier() = default;
    // Tells the user `text` (UTF-8) and returns once the user has seen it (a modal box waits).
    virtual void Notify(const std::string& text, MessageIcon icon) = 0;
};

// Prints the message on standard error ("tesmira: <text>"): for tools and tests without a display.
class StderrNotifier : public INotifier {
public:
    void Notify(const std::string& text, MessageIcon icon) override;
};

}  // namespace tesmira
