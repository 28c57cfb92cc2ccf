// Every message box of the program goes through here, so tests can collect the texts instead of
// blocking on a modal window.
#pragma once

#include <functional>
#include <string>

namespace tesmira {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };

// Shows a modal message box titled "Tesmira" with one OK button (UTF-8 text).
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);

using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;
// Replaces the message box with a sink; an empty sink restores the real box.
void SetMessageSink(MessageSink sink);

// The program is closing (a signal asked it to): boxes that are up are closed and later
// messages go to standard error instead of waiting for a click nobody will make.
void CloseMessageBoxesForShutdown();

}  // namespace tesmira
