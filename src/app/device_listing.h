// tesmira --list-devices: the relay modules and climate meters the device libraries find
// (through their helper processes, as the program itself uses them), the serial ports and the
// cameras, printed before any window or setting is touched.
#pragma once

#include <cstdio>

#include "instruments/library_loader.h"

namespace tesmira {

// Where the device libraries are looked for: TESMIRA_PLUGIN_PATH, the executable's folder, then
// the installed private folder, first as seen from the executable (an installation moved after
// the build) and then where the build installs it.
LibrarySearch DeviceLibrarySearch();

// Prints the list to `out`; returns the exit status (0).
int ListDevices(std::FILE* out);

}  // namespace tesmira
