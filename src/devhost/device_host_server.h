// The helper's side: loads the one device library it was started for, says how that went, then
// answers the program's calls one at a time until the program closes the socket. Whatever the
// library does (hang, crash, scribble over memory) happens in this process only.
#pragma once

#include "instruments/device_host_protocol.h"

namespace tesmira::devhost {

// Serves on options.fd; the exit status of the helper (0 when the program closed the socket).
int ServeDeviceLibrary(const HostOptions& options);

}  // namespace tesmira::devhost
