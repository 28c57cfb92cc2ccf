// What the user is told about a device library's helper, in the message pane: each trouble once
// (a helper that keeps failing is not reported at every restart), and once more when a helper
// has served well for a while again. A library file that is simply not there is not mentioned:
// the relay rows stay inactive and the meter's ON says it finds no module, as without it.
#pragma once

#include <string>

#include "core/ui_text.h"
#include "instruments/device_host_client.h"

namespace tesmira::devhost {

class HostNotices {
public:
    explicit HostNotices(DeviceKind kind) : kind_(kind) {}
    // The text for `event`, or empty when there is nothing (new) to say.
    std::string Text(HostEvent event, const std::string& detail);

private:
    DeviceKind kind_;
    bool troubled_ = false;  // a fault was told and the library has not answered since
    bool gaveUp_ = false;
    std::string lastRefusal_;  // the last loading failure told
};

}  // namespace tesmira::devhost
