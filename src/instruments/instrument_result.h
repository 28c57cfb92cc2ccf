// How the instruments report an operation: a code, and the text the panel shows in a message
// box (empty when the design shows none).
#pragma once

#include <string>

namespace tesmira {

enum class InstrumentError {
    None,
    Pending,            // the device answers later (the meter's news tells how it went)
    UsbrhNotFound,      // kind 0: no library or no module
    Usbrh2NotFound,     // kind 1: the meter port is not open
    NoReadingMethod,    // kind 2: switched on, but there is nothing to read
    W1NotFound,         // kind 3: no 28-* thermometer
    ReadingFailed,      // a tick's reading failed
    OpenMappingFailed,  // microscope: no shared-memory block
    MapViewFailed,      // microscope: the block cannot be mapped (or is too short)
    SumCheckFailed,     // microscope: the check word does not match
};

struct InstrumentResult {
    InstrumentError code = InstrumentError::None;
    std::string message;

    // NoReadingMethod still switches the meter on: only the notice is worth showing.
    bool Ok() const {
        return code == InstrumentError::None || code == InstrumentError::NoReadingMethod;
    }
};

}  // namespace tesmira
