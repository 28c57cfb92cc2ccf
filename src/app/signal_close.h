// SIGTERM, SIGINT and SIGHUP close the main window the normal way, so the settings are still
// written at the end. The handler only writes the signal number into a pipe; the UI thread reads
// it through a socket notifier and calls the given close function.
#pragma once

#include <functional>

namespace tesmira {

// Installs the handlers (once per process); `closeMainWindow` runs on the UI thread.
void InstallCloseOnSignals(std::function<void()> closeMainWindow);

}  // namespace tesmira
