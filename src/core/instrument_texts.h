// The instrument readings a stored picture may carry in its overlay: the meter's temperature and
// humidity texts and the microscope line. Each is present only while its instrument is on and its
// overlay option is ticked, so whoever stamps a frame asks the provider at that moment and uses
// what it gets.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tesmira {

struct InstrumentTexts {
    std::optional<std::string> temperature;  // e.g. "T = 21.85 °C" (UTF-8)
    std::optional<std::string> humidity;     // e.g. " H = 45.60 %"
    std::optional<std::string> microscope;   // e.g. "VEV Vacuum: 2.35x10(-5) Pa  Temp: 23 °C\n"
};

using InstrumentTextsProvider = std::function<InstrumentTexts()>;

}  // namespace tesmira
