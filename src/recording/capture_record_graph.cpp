#include "recording/capture_record_graph.h"

#include "core/settings.h"
#include "media/capture_graph.h"

namespace tesmira {

bool CaptureRecordGraph::IsBuilt() const {
    const CCaptureGraph* graph = currentGraph_();
    return graph && graph->IsBuilt();
}

bool CaptureRecordGraph::StartRecording(const std::string& sinkPath, std::string* error) {
    closeError_.clear();
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
    closeError_.clear();
    if (CCaptureGraph* graph = currentGraph_()) {
        // A failed finalise was already reported by the graph; recording control only needs to
        // know that the file wants its index rebuilt.
        std::string error;
        if (!graph->StopRecording(&error))
            closeError_ = error.empty() ? "the file could not be finished" : error;
    }
}

void CaptureRecordGraph::SaveGraphFile() {
    if (const CCaptureGraph* graph = currentGraph_())
        graph->DumpGraph(kRecordingGraphDump);
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
