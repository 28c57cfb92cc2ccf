// Recording control's view of the live capture graph: whichever graph is current (it is replaced
// at every rebuild), with the compressor, audio and limit taken from the settings.
#pragma once

#include "recording/recording_control.h"

namespace tesmira {

class CaptureRecordGraph : public IRecordGraph {
public:
    bool IsBuilt() const override;
    bool StartRecording(const std::string& sinkPath, std::string* error) override;
    void StopRecording() override;
    FrameCounts ReadFrameCounts() override;
    double MeasureStreamRate() override;
    // The graph reports a failed write itself (message and stream-stop event), so recording
    // control learns of it through the ordinary stop.
    std::string WriteError() const override { return {}; }
};

}  // namespace tesmira
