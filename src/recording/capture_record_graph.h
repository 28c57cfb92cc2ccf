// Recording control's view of the live capture graph: whichever graph is current (it is replaced
// at every rebuild), with the compressor, audio and limit taken from the settings.
#pragma once

#include <functional>

#include "recording/codec_settings.h"
#include "recording/recording_control.h"

namespace tesmira {

class CCaptureGraph;
struct Settings;

class CaptureRecordGraph : public IRecordGraph {
public:
    // `currentGraph` answers the graph of the moment (nullptr when there is none).
    CaptureRecordGraph(std::function<CCaptureGraph*()> currentGraph, const Settings& settings,
                       const EncoderSettings& encoders)
        : currentGraph_(std::move(currentGraph)), settings_(settings), encoders_(encoders) {}

    bool IsBuilt() const override;
    bool StartRecording(const std::string& sinkPath, std::string* error) override;
    void StopRecording() override;
    FrameCounts ReadFrameCounts() override;
    double MeasureStreamRate() override;
    // The graph reports a failed write itself (message and stream-stop event), so recording
    // control learns of it through the ordinary stop.
    std::string WriteError() const override { return {}; }
    std::string CloseError() const override { return closeError_; }
    void SaveGraphFile() override;

private:
    std::function<CCaptureGraph*()> currentGraph_;
    const Settings& settings_;
    const EncoderSettings& encoders_;
    std::string closeError_;
};

}  // namespace tesmira
