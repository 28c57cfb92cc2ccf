#include "recording/capture_record_graph.h"

#include "core/settings.h"
#include "media/capture_graph.h"

namespace tesmira {

bool CaptureRecordGraph::IsBuilt() const {
    const CCaptureGraph* graph = currentGraph_();
    return graph && graph->IsBuilt();
}

bool CaptureRecordGraph::StartRecording(const std::string& sinkPath, std::string* error) {
    CCaptureGraph* graph = currentGraph_();
    if (!graph) {
        if (error)
            *error = "no capture graph";
        return false;
    }
    const int64_t limitNs = settings_.rtStop * 100;  // stored in 100 ns units
    const CodecSettings codec = encoders_.For(settings_.mediaType);
    if (!graph->StartRecording(sinkPath, codec, settings_.recAudio, limitNs, error))
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
    if (CCaptureGraph* graph = currentGraph_()) {
        std::string ignored;  // a failed finalise was already reported by the graph
        graph->StopRecording(&ignored);
    }
}

FrameCounts CaptureRecordGraph::ReadFrameCounts() {
    FrameCounts counts;
    if (CCaptureGraph* graph = currentGraph_())
        graph->ReadFrameCounts(counts.dropped, counts.delivered);
    return counts;
}

double CaptureRecordGraph::MeasureStreamRate() {
    CCaptureGraph* graph = currentGraph_();
    return graph ? graph->MeasureStreamRate() : 0.0;
}

}  // namespace tesmira
