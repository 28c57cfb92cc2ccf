// What the capture graph is told and what it tells back: the configuration it is built from, the
// failures it returns as values (the capture room turns them into the user's messages), and the
// listener it reports streaming-thread events to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/panel_messages.h"
#include "media/stream_format.h"

namespace tesmira {

// The settings a graph is built from, copied in so the engine never reads the settings store.
struct CaptureConfig {
    std::string camera;      // display name of the chosen camera ("Camera")
    std::string microphone;  // display name of the chosen microphone ("Audio")
    // The 8-bit grey bitmap is kept for time-lapse pictures of 8-bit cameras.
    bool greyTimelapseBitmap = false;
    // The format chosen on the camera's format page; asked of the camera when it offers it,
    // otherwise the camera's default is used.
    std::optional<StreamFormat> streamFormat;
};

// Every way building or running the graph can fail; the caller words the message.
enum class MediaFailure {
    GStreamerInit,      // the media system could not be started
    PipelineCreate,     // no pipeline object
    DeviceSystem,       // the device list could not be asked for
    CameraCategory,     // no camera category at all
    AddCameraFilter,    // the camera source could not join the pipeline
    CameraFailed,       // the chosen camera could not be installed
    AddAudioFilter,     // the microphone source could not join the pipeline
    MicrophoneFailed,   // the chosen microphone could not be installed
    GrabberMissing,     // the preview branch's elements are missing
    ConverterMissing,   // the colour converter of the record branch is missing (not fatal)
    GrabberFilter,      // the record branch's elements are missing
    MediaType,          // the preview caps could not be made
    NotConnected,       // the branches could not be linked or negotiated
    NoConnectedFormat,  // negotiation did not finish in time
    BitmapFailed,       // no memory for the frame bitmap
    RunFailed,          // the pipeline refused to play (detail: the reason)
};

struct MediaError {
    MediaFailure code;
    std::string detail;  // GStreamer's reason where there is one
};
using MediaErrors = std::vector<MediaError>;

// One graph event for message 1025.
struct GraphEvent {
    int code = 0;
    int64_t param1 = 0;
    int64_t param2 = 0;
    std::string text;  // the reason, for writer failures
};
constexpr int kEcStreamControlStopped = 26;  // param2 low 4 bits = 1: stopped at the limit
constexpr int64_t kStopCookie = 1;

// Events of a graph. Every call comes from a GStreamer thread: implementations hand the work to
// the UI thread and return at once.
class ICaptureListener {
public:
    virtual ~ICaptureListener() = default;
    // Graph events are waiting (FetchGraphEvents): message 1025.
    virtual void OnGraphEvents() = 0;
    // A requested frame is in the frame bitmap: message 1026 or 1027.
    virtual void OnFrameGrabbed(PanelMessage message) = 0;
    // The pipeline failed while running (device lost, format refused); live video has stopped.
    virtual void OnStreamError(uint64_t generation, const std::string& reason) = 0;
    // The writer could not write to `path`; the recording has been stopped at the limit event.
    virtual void OnWriteFailed(const std::string& path) = 0;
};

}  // namespace tesmira
