// The file counters ("Rec No.", "RecTL No.", "StillPhoto") are written to the settings file as
// soon as they move, not only at exit: after a crash or a power cut the next start must not hand
// out a number whose file already exists. Only these keys (and the date they belong to) are
// written; every other setting still waits for the normal exit.
#pragma once

namespace tesmira {

class IProfile;
struct Settings;

class CounterPersistence {
public:
    CounterPersistence(IProfile& profile, const Settings& settings)
        : profile_(profile), settings_(settings) {}

    // Writes the counters and the date they were counted on, and makes them durable. False when
    // the profile could not be written; the values still go out with the settings at exit.
    bool Save();

private:
    IProfile& profile_;
    const Settings& settings_;
};

}  // namespace tesmira
