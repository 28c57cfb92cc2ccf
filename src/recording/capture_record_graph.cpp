#include "recording/capture_record_graph.h"

#include "capture/capture_owner.h"
#include "core/settings.h"
#include "media/capture_graph.h"
#include "recording/codec_settings.h"

namespace tesmira {

bool CaptureRecordGraph::IsBuilt() const {
    const CCaptureGraph* graph = theCaptureGraph();
    return graph && graph->IsBuilt();
}

bool CaptureRecordGraph::StartRecording(const std::string& sinkPath, std::string* error) {
    CCaptureGraph* graph = theCaptureGraph();
    if (!graph) {
        if (error)
            *error = "no capture graph";
        return false;
    }
    const int64_t limitNs = settings().rtStop * 100;  // stored in 100 ns units
    if (!graph->StartRecording(sinkPath, codecSettings(), settings().recAudio, limitNs, error))
        return false;
    // A recording does not need live video (the space key starts one without it): the graph
    // runs for the recording and, as after every recording, keeps running afterwards.
    if (!graph->IsRunning() && !graph->Run(error)) {
        graph->StopRecording(nullptr);
        return false;
    }
    return true;
}

void CaptureRecordGraph::StopRecording() {
    if (CCaptureGraph* graph = theCaptureGraph()) {
        std::string ignored;  // a failed finalise was already reported by the graph
        graph->StopRecording(&ignored);
    }
}

FrameCounts CaptureRecordGraph::ReadFrameCounts() {
    FrameCounts counts;
    if (CCaptureGraph* graph = theCaptureGraph())
        graph->ReadFrameCounts(counts.dropped, counts.delivered);
    return counts;
}

double CaptureRecordGraph::MeasureStreamRate() {
    CCaptureGraph* graph = theCaptureGraph();
    return graph ? graph->MeasureStreamRate() : 0.0;
}

}  // namespace tesmira
