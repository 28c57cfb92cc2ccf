// The running program's notifier: a modal message box titled "Tesmira" with one OK button.
#pragma once

#include "core/notifier.h"

namespace tesmira {

class MessageBoxNotifier : public INotifier {
public:
    void Notify(const std::string& text, MessageIcon icon) override;

    // The program is closing (a signal asked it to): boxes that are up are closed and later
    // messages go to standard error instead of waiting for a click nobody will make.
    void CloseForShutdown();

private:
    bool shuttingDown_ = false;
};

// Closes every modal window (message boxes and modal dialogs end their own event loop when closed).
void CloseModalWindows();

}  // namespace tesmira
