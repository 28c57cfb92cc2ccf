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

}  // namespace tesmira

#include <functional>

namespace tesmira {

// The process's notifier for code that has not been handed one (stderr until the application
// installs its message boxes).
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);
void InstallNotifier(INotifier* notifier);

using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;
// Replaces the installed notifier with a sink (tests); an empty sink restores it.
void SetMessageSink(MessageSink sink);

}  // namespace tesmira
