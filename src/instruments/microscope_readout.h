// The microscope readout: opens the controller's shared-memory block on every reading, copies
// it with pread (a block that shrinks meanwhile gives a short copy, never a fault), checks it and
// keeps the readout, overlay, vacuum and temperature texts. The panel owns the buttons and timer
// 1013 (500 ms, re-armed after each successful reading).
#pragma once

#include <functional>
#include <string>

#include "instruments/instrument_result.h"
#include "instruments/microscope_block.h"

namespace tesmira {

namespace microscope_text {
inline constexpr const char* kShareName = "/RudiZUZControllerShare";
inline constexpr const char* kNotConnected = " VEV Microscope\n not connected!";
inline constexpr const char* kSumCheck = "Sum check\nnot passed! ";
inline constexpr const char* kNoFigure = " ----";
}  // namespace microscope_text

class MicroscopeReadout {
public:
    // A block caught mid-update fails its check; it is copied again this many times before
    // the reading is given up.
    static constexpr int kRereads = 2;

    explicit MicroscopeReadout(std::string shareName = microscope_text::kShareName)
        : shareName_(std::move(shareName)) {}

    // One reading. On failure the result carries the message-box text ("Open mapping file
    // failed, GLE=%d.\n", "MapViewOfFile failed, GLE=%d.\n") or, for a failed check, none.
    InstrumentResult Read();
    // Button "OFF".
    void Off();
    // Button "ON": a reading; polling continues only while it succeeds.
    InstrumentResult On() { return Read(); }

    bool Connected() const { return connected_; }
    const std::string& Readout() const { return readout_; }
    const std::string& Overlay() const { return overlay_; }
    const std::string& Vacuum() const { return vacuum_; }
    const std::string& Temperature() const { return temperature_; }

    // Checks copies made by `copy` (up to 1 + kRereads of them) and shows the first good one.
    // `copy` returns 0, or the error of a copy that could not be made whole (the reading fails
    // as "MapViewOfFile failed"). Public so that a torn copy can be tested without racing a
    // writer.
    InstrumentResult Show(const std::function<int(MicroscopeBlock&)>& copy);

private:
    std::string shareName_;
    bool connected_ = false;
    std::string readout_ = microscope_text::kNotConnected;
    std::string overlay_;
    std::string vacuum_;
    std::string temperature_;
};

}  // namespace tesmira
