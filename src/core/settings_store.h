// Reading and writing the settings: every key with its stored type, scaling and load order, the
// daily reset of the file counters, the derived values and the folder checks. Only this file
// touches the profile; the rest of the program works on the Settings object in memory.
#pragma once

#include <functional>
#include <string>

#include "core/check_directory.h"
#include "core/profile.h"
#include "core/settings.h"

namespace tesmira {

class Clock;
class INotifier;

// What loading needs besides the profile: today's date (the file counters restart each day) and
// where the folder checks report and ask for free space (an empty query asks the file system).
struct SettingsLoadContext {
    Clock& clock;
    INotifier& notifier;
    FreeSpaceQuery freeSpace;
    // Make Tesmira's own default video and log folders (~/Tesmira/...) when they are missing.
    bool makeOwnFolders = false;
};

// Reads every key in load order into `s`; a missing key keeps the value `s` already holds.
// Damaged values fall back to the default or clamp documented in settings_store.cpp. May show the
// folder messages of CheckDirectory.
void LoadSettings(IProfile& profile, Settings& s, const SettingsLoadContext& context);

// Writes every key into the profile's section. False when the profile could not
// be made durable.
// `more` writes the keys of other rooms (the encoder pages) into the same profile before it is
// flushed.
bool SaveSettings(IProfile& profile, const Settings& s,
                  const std::function<void(IProfile&)>& more = {});

// Stored form of a scaled real: floor(value x scale + 0.5), kept inside 32 bits.
int StoreRoundedHalfUp(double value, double scale);
// Stored form of a real kept in thousandths, truncated toward zero. A value that reads back from
// an integer k (k x 0.001) stores as k again: floating point must not make it lose a unit.
int StoreThousandthsTruncated(double value);

// "PixelSize_um" as text: a plain decimal in µm per pixel. Text that is not a number, or one
// outside 0 … 1000, reads as 0 (not calibrated).
double PixelSizeOf(const std::string& text);
std::string FormatPixelSize(double micrometres);

}  // namespace tesmira
