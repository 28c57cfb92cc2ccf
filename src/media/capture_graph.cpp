#include "media/capture_graph.h"

#include <gst/gst.h>

#include "media/device_rules.h"
#include "media/graph_internals.h"

namespace tesmira {

const char* RecordLayoutFor(const std::string& cameraFormat) {
    if (cameraFormat == "BGR" || cameraFormat == "BGRx" || cameraFormat == "GRAY8" ||
        cameraFormat == "YUY2")
        return cameraFormat == "BGR"     ? "BGR"
               : cameraFormat == "BGRx"  ? "BGRx"
               : cameraFormat == "GRAY8" ? "GRAY8"
                                         : "YUY2";
    return "BGR";
}

int BitDepthOf(const std::string& format) {
    if (format == "BGR")
        return 24;
    if (format == "BGRx")
        return 32;
    if (format == "GRAY8")
        return 8;
    if (format == "YUY2")
        return 16;
    return 0;
}

CCaptureGraph::CCaptureGraph(CaptureGraphDeps deps, MediaErrors& errors)
    : catalog_(deps.catalog),
      listener_(deps.listener),
      makeWriter_(std::move(deps.makeWriter)),
      generation_(deps.generation),
      rec_(new RecordState) {
    if (!EnsureGStreamer()) {
        errors.push_back({MediaFailure::GStreamerInit, {}});
        return;
    }
    pipeline_ = gst_pipeline_new("TesmiraLive");
    if (!pipeline_) {
        errors.push_back({MediaFailure::PipelineCreate, {}});
        return;
    }
    gst_object_ref_sink(pipeline_);
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus* b, GstMessage* m, gpointer self) -> GstBusSyncReply {
            return static_cast<GstBusSyncReply>(OnBusMessage(b, m, self));
        },
        this, nullptr);
    gst_object_unref(bus);
}

CCaptureGraph::~CCaptureGraph() {
    showing_ = false;
    if (pipeline_)
        gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (rec_) {
        std::lock_guard<std::mutex> lock(rec_->mutex);
        if (rec_->writer) {
            std::string ignored;
            rec_->writer->Close(&ignored);
            rec_->writer.reset();
        }
    }
    preview_.Clear();
    if (widePool_) {
        // Frames still held elsewhere keep the pool alive; they free their memory when let go.
        gst_buffer_pool_set_active(widePool_, FALSE);
        gst_object_unref(widePool_);
    }
    if (recordCapsAtBuild_)
        gst_caps_unref(recordCapsAtBuild_);
    if (camPad_)
        gst_object_unref(camPad_);
    if (camSrc_)
        gst_object_unref(camSrc_);
    if (audioSrc_)
        gst_object_unref(audioSrc_);
    if (pipeline_) {
        GstBus* bus = gst_element_get_bus(pipeline_);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(pipeline_);
    }
}

// ---- devices --------------------------------------------------------------------------------

int CCaptureGraph::EnumerateCameras(const std::string& wanted, MediaErrors& errors) {
    if (camSrc_ && !camAdded_) {
        gst_object_unref(camSrc_);
        camSrc_ = nullptr;
    }
    if (!EnsureGStreamer()) {
        errors.push_back({MediaFailure::DeviceSystem, {}});
        return 0;
    }
    const auto cameras = catalog_.Cameras();
    if (!cameras) {
        errors.push_back({MediaFailure::CameraCategory, {}});
        return 0;
    }
    cameraNames_.clear();
    if (cameras->empty())
        return 0;
    std::vector<std::string> names;
    for (const CaptureDevice& d : *cameras)
        names.push_back(d.name);
    const CameraChoice choice = ChooseCamera(names, wanted);
    cameraNames_ = choice.names;
    if (choice.bound >= 0 && !camSrc_) {
        const CaptureDevice& device = (*cameras)[choice.bound];
        camSrc_ = catalog_.CreateCameraSource(device.name);
        if (camSrc_) {
            gst_object_ref_sink(camSrc_);
            cameraName_ = device.name;
            cameraOwnAudio_ = device.ownAudioName;
        }
    }
    return 1;
}

bool CCaptureGraph::EnumerateMicrophones(const std::string& cameraName, const std::string& wanted,
                                         MediaErrors& errors) {
    micNames_.clear();
    useCameraAudio_ = false;
    if (!EnsureGStreamer()) {
        errors.push_back({MediaFailure::DeviceSystem, {}});
        return false;
    }
    const auto mics = catalog_.Microphones();
    std::vector<std::string> names;
    if (mics)
        for (const CaptureDevice& d : *mics)
            names.push_back(d.name);
    const bool cameraHasAudio = camSrc_ && !cameraOwnAudio_.empty();
    const MicrophoneChoice choice = ChooseMicrophone(cameraHasAudio, cameraName, names, wanted);
    micNames_ = choice.names;
    if (audioSrc_)
        return true;  // already bound and added
    if (choice.useCameraAudio) {
        audioSrc_ = catalog_.CreateMicrophoneSource(cameraOwnAudio_);
        if (audioSrc_) {
            gst_object_ref_sink(audioSrc_);
            useCameraAudio_ = true;
            if (gst_bin_add(GST_BIN(pipeline_), audioSrc_))
                audioAdded_ = true;
        }
    } else if (choice.bound >= 0) {
        audioSrc_ = catalog_.CreateMicrophoneSource(names[choice.bound]);
        if (audioSrc_) {
            gst_object_ref_sink(audioSrc_);
            if (AddMicrophone(errors) == 0)
                ReleaseMicrophone();
        }
    }
    return true;
}

int CCaptureGraph::AddCamera(MediaErrors& errors) {
    if (camSrc_ && pipeline_ && !camAdded_) {
        if (!gst_bin_add(GST_BIN(pipeline_), camSrc_)) {
            errors.push_back({MediaFailure::AddCameraFilter, {}});
            return 0;
        }
        camAdded_ = true;
    }
    if (camSrc_ && camAdded_ && !camPad_)
        camPad_ = gst_element_get_static_pad(camSrc_, "src");
    if (camPad_)
        return 1;
    errors.push_back({MediaFailure::CameraFailed, {}});
    return 0;
}

int CCaptureGraph::AddMicrophone(MediaErrors& errors) {
    if (audioSrc_ && (useCameraAudio_ || audioAdded_))
        return 1;
    if (audioSrc_ && pipeline_) {
        if (!gst_bin_add(GST_BIN(pipeline_), audioSrc_)) {
            errors.push_back({MediaFailure::AddAudioFilter, {}});
            return 0;
        }
        audioAdded_ = true;
        GstPad* pad = gst_element_get_static_pad(audioSrc_, "src");
        if (pad) {
            gst_object_unref(pad);
            return 1;
        }
    }
    errors.push_back({MediaFailure::MicrophoneFailed, {}});
    return 0;
}

void CCaptureGraph::ReleaseMicrophone() {
    if (!audioSrc_)
        return;
    if (audioAdded_ && pipeline_) {
        gst_element_set_state(audioSrc_, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_), audioSrc_);
    }
    gst_object_unref(audioSrc_);
    audioSrc_ = nullptr;
    audioAdded_ = false;
    useCameraAudio_ = false;
}

}  // namespace tesmira
