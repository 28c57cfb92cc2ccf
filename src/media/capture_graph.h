// The capture graph: one GStreamer pipeline carrying the live preview, the frame grabber and the
// record branch, built once and kept for as long as the chosen camera, microphone and recording
// mode stay the same.
//
//   camera -> camcaps -> tee -> queue -> videoconvert -> BGRx -> preview appsink (view + grabber)
//                           (BGR and BGRx frames are taken for the view before the queue)
//                           `-> leaky queue -> videoconvert -> raw layout -> record appsink
//
// A Bayer camera (GenICam) has bayer2rgb between camcaps and the tee. A camera that sends JPEG
// pictures gets a graph of its own shape; the shape is chosen when the graph is built:
//
//   camera -> camcaps -> tee -> queue -> preview appsink (decoded to BGRx on the queue's thread)
//                           `-> leaky queue -> jpegdec -> videoconvert -> raw -> record appsink
//                           `-> leaky queue -> pass-through appsink (the pictures as they came)
//   microphone -> queue -> audioconvert -> audioresample -> S16LE -> audio appsink
//
// The record branch is always linked; while no writer is open its frames are let go.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/panel_messages.h"
#include "imaging/dib.h"
#include "media/avi_writer.h"
#include "media/capture_types.h"
#include "media/device_catalog.h"
#include "media/frame_slot.h"

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;
typedef struct _GstSample GstSample;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;
typedef struct _GstBufferPool GstBufferPool;
typedef struct _GstAppSink GstAppSink;
typedef struct _GstCaps GstCaps;
typedef struct _GstVideoInfo GstVideoInfo;
typedef struct _ArvCamera ArvCamera;

namespace tesmira::gst {
struct MappedBuffer;
}

namespace tesmira {

// Graphviz pictures of the pipeline on the RAM disk, for looking into a graph from outside: one
// after every build, one after every recording start (failures are ignored).
inline constexpr const char* kLiveGraphDump = "/dev/shm/TesmiraLive.dot";
inline constexpr const char* kRecordingGraphDump = "/dev/shm/TesmiraRec.dot";

// A setting of a GenICam camera's page, named as GenICam names its feature.
struct CameraSetting {
    std::string name;
    double min = 0, max = 0, value = 0;
};
inline constexpr const char* kExposureSetting = "ExposureTime (µs)";
inline constexpr const char* kGainSetting = "Gain (dB)";

// Makes the writer the record branch feeds (tests hand in fakes; empty means MakeAviWriter).
using AviWriterFactory = std::function<std::unique_ptr<IAviWriter>()>;

// What a graph is built with; the catalogue and the listener outlive the graph.
struct CaptureGraphDeps {
    IDeviceCatalog& catalog;
    ICaptureListener& listener;
    AviWriterFactory makeWriter;
    uint64_t generation = 0;  // tells the owner's graphs apart in late stream errors
};

// Raw layout of the record branch for a camera format: the layouts an uncompressed AVI can hold
// pass unchanged, anything else is converted to 24-bit BGR.
const char* RecordLayoutFor(const std::string& cameraFormat);
int BitDepthOf(const std::string& format);  // BGR 24, BGRx 32, GRAY8 8, YUY2 16, else 0
// Frames lost between two frames `frameNs` apart by their time stamps, for sources without
// sequence numbers: none up to one and a half frame times, then the whole frame times between.
uint64_t FramesMissingBetween(uint64_t lastPtsNs, uint64_t ptsNs, int64_t frameNs);

class CCaptureGraph {
public:
    // A failure to create the pipeline is added to `errors` and leaves HasGraph() false.
    CCaptureGraph(CaptureGraphDeps deps, MediaErrors& errors);
    ~CCaptureGraph();
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;

    bool HasGraph() const { return pipeline_ != nullptr; }
    uint64_t Generation() const { return generation_; }

    // --- devices -------------------------------------------------------------------------
    // Failures are added to `errors` in the order they happened.
    // 1 when the cameras could be listed; binds the camera named `wanted` exactly.
    int EnumerateCameras(const std::string& wanted, MediaErrors& errors);
    // False only when the device system could not be asked; binds the microphone (or the camera's
    // own audio) and adds it to the graph.
    bool EnumerateMicrophones(const std::string& cameraName, const std::string& wanted,
                              MediaErrors& errors);
    const std::vector<std::string>& CameraNames() const { return cameraNames_; }
    const std::vector<std::string>& MicrophoneNames() const { return micNames_; }
    int AddCamera(MediaErrors& errors);
    int AddMicrophone(MediaErrors& errors);
    void ReleaseMicrophone();
    const std::string& BoundCameraName() const { return cameraName_; }

    // --- building ------------------------------------------------------------------------
    // 1 on success, 0 with the reasons in `errors`. Reads the negotiated format once (the source
    // runs for a moment) and leaves the pipeline ready but not running.
    int BuildGraphs(const CaptureConfig& config, MediaErrors& errors);
    bool IsBuilt() const { return built_; }

    // --- running -------------------------------------------------------------------------
    bool Run(std::string* error);
    void Stop();
    bool IsRunning() const { return showing_.load(); }
    // After a stream error the pipeline is shut; the next start must rebuild it.
    bool IsBroken() const { return broken_; }
    void MarkBroken();

    // The graph was built for a camera that sends JPEG pictures.
    bool JpegCamera() const { return kind_ == CameraKind::Jpeg; }
    // A format of another kind (raw, JPEG, Bayer) needs a graph of another shape.
    bool NeedsRebuildFor(const std::string& caps) const;
    // The recording open now takes the camera's pictures unchanged.
    bool RecordingPassesThrough() const;

    bool CameraReady() const { return camSrc_ && built_; }
    bool HasCameraOutput() const { return camPad_ != nullptr; }
    bool MicrophoneReady() const { return audioSrc_ && audioSink_ && built_; }

    // --- frames --------------------------------------------------------------------------
    int FrameWidth() const { return width_; }
    int FrameHeight() const { return height_; }
    int GrabberBitDepth() const { return 24; }
    int RecordBitDepth() const { return recordDepth_; }
    CDib* FrameBitmap() { return dib_.get(); }
    CDib* Bitmap8() { return dib8_.get(); }
    // Message number first, then the request: the next frame is copied once into the frame
    // bitmap (bottom-up) and the listener hears `message`.
    void RequestFrame(PanelMessage message);
    void ClearGrabRequest() { grabRequest_ = 0; }
    bool GrabRequested() const { return grabRequest_.load() != 0; }
    FrameSlot& Preview() { return preview_; }
    uint64_t PreviewFramesDelivered() const { return previewFrames_.load(); }
    uint64_t PreviewFramesLost() const { return previewLost_.load(); }
    // Of the frames delivered, those that came while the pane still had one to paint, let go
    // unconverted.
    uint64_t PreviewFramesSpared() const { return previewSpared_.load(); }
    uint64_t PreviewFramesDamaged() const { return previewBad_.load(); }

    // --- recording (called by recording control on the UI thread) ------------------------
    // Opens a writer on the record branch; frames from now on go to the file until the limit
    // (running time, ns; <= 0 means none) or StopRecording.
    bool StartRecording(const std::string& outputPath, const CodecSettings& codec, bool audio,
                        int64_t limitNs, std::string* error);
    // Closes and finalises the file; the preview keeps running.
    bool StopRecording(std::string* error);
    bool IsRecordingOpen() const;
    void ReadFrameCounts(int32_t& dropped, int32_t& delivered) const;
    double MeasureStreamRate() const;  // frames per second of the record branch, 0 when unknown
    std::vector<GraphEvent> FetchGraphEvents();

    // --- camera pages --------------------------------------------------------------------
    std::string CameraDevicePath() const;  // V4L2 device node of a real camera, else empty
    // Exposure and gain of a GenICam camera that is open (none otherwise); asks the camera.
    std::vector<CameraSetting> CameraSettings() const;
    bool SetCameraSetting(const std::string& name, double value);
    // Gives up the control of a GenICam camera the pages took while it was not streaming.
    void ReleaseGenicamControl();
    std::vector<std::string> OfferedFormats() const;
    std::string CurrentFormat() const;
    // The format in use as a fixed format (nullopt before a build or for unusual caps).
    std::optional<StreamFormat> InUseFormat() const;
    // Only while not running: renegotiates and, on a new size, rebuilds the bitmaps. False with
    // the reasons in `errors` when the camera refuses the format (the previous one is restored).
    // `viewChanged` tells whether the views must be told again (hints 300 and 204).
    bool ApplyStreamFormat(const std::string& caps, MediaErrors& errors, bool* viewChanged);

    // Writes the pipeline as a Graphviz file (failures ignored).
    void DumpGraph(const std::string& path) const;

private:
    struct RecordState;

    bool MakeBranches(MediaErrors& errors);
    bool Negotiate(MediaErrors* failure);
    bool MakeBitmaps(MediaErrors& errors);
    void QueueEvent(GraphEvent event);
    GstCaps* RecordCaps() const;       // current, else as negotiated at build; caller unrefs
    GstElement* FormatFilter() const;  // where the camera's format is fixed
    bool Offers(const StreamFormat& format) const;
    ArvCamera* GenicamCamera() const;

    static int OnBusMessage(GstBus*, GstMessage*, void* self);
    static int OnPreviewSample(GstAppSink*, void* self);
    static int OnRecordSample(GstAppSink*, void* self);
    static int OnAudioSample(GstAppSink*, void* self);
    static void OnRecordOverrun(GstElement*, void* self);
    static void OnPreviewOverrun(GstElement*, void* self);
    static int OnPreviewConvertBuffer(GstPad*, void* info, void* self);
    bool PreviewWouldBeUnseen() const;
    static int OnTeeCaps(GstPad*, void* info, void* self);
    static int OnRecordQueueBuffer(GstPad*, void* info, void* self);
    static int OnPassQueueBuffer(GstPad*, void* info, void* self);
    int TakeRecordBuffer(void* info, bool passBranch);
    enum class CameraKind { Raw, Jpeg, Bayer };
    static CameraKind KindOf(const std::string& media);
    CameraKind KindFor(const CaptureConfig& config) const;
    void HandleJpegPreview(GstSample* sample, const GstVideoInfo& info);
    void Present(const uint8_t* data, size_t stride, int w, int h, bool bgr,
                 std::shared_ptr<void> hold);
    std::shared_ptr<gst::MappedBuffer> AcquireBgrx(int w, int h);

    static int OnPreviewQueueBuffer(GstPad*, void* info, void* self);
    void HandlePreview(GstSample* sample);
    void ShowPreview(std::shared_ptr<gst::MappedBuffer> mapped, const GstVideoInfo& info);
    std::shared_ptr<void> WidenToBgrx(const uint8_t* bgr, size_t stride, int w, int h,
                                      const uint8_t** data);
    void HandleRecord(GstSample* sample);
    void HandleAudio(GstSample* sample);
    void StopTakingFrames(const std::string& reason);

    IDeviceCatalog& catalog_;
    ICaptureListener& listener_;
    AviWriterFactory makeWriter_;
    uint64_t generation_;
    bool greyBitmap_ = false;
    GstElement* pipeline_ = nullptr;
    GstElement* camSrc_ = nullptr;
    GstPad* camPad_ = nullptr;
    bool camAdded_ = false;
    GstElement* audioSrc_ = nullptr;
    bool audioAdded_ = false;
    bool useCameraAudio_ = false;
    GstElement* camCaps_ = nullptr;
    GstElement* tee_ = nullptr;
    GstElement* previewSink_ = nullptr;
    GstElement* recordQueue_ = nullptr;
    GstElement* recordCaps_ = nullptr;
    GstElement* recordSink_ = nullptr;
    GstElement* passSink_ = nullptr;  // JPEG cameras only
    CameraKind kind_ = CameraKind::Raw;
    mutable std::shared_ptr<void> genicamControl_;  // see GenicamCamera()
    GstElement* audioSink_ = nullptr;
    bool built_ = false;
    bool broken_ = false;

    std::string cameraName_;
    std::string cameraOwnAudio_;
    std::vector<std::string> cameraNames_;
    std::vector<std::string> micNames_;

    int width_ = 0;
    int height_ = 0;
    int recordDepth_ = 0;
    GstCaps* recordCapsAtBuild_ = nullptr;  // the record branch's format found while building
    std::string cameraCapsAtBuild_;         // the camera's format found while building
    std::mutex dibMutex_;
    std::unique_ptr<CDib> dib_;
    std::unique_ptr<CDib> dib8_;
    std::atomic<int> grabRequest_{0};
    std::atomic<PanelMessage> grabMessage_{PanelMessage::kTimelapseFrame};

    // BGRx frames widened from a BGR camera (taken by the camera's streaming thread) or decoded
    // from a JPEG camera (taken by the preview queue's thread); a graph has one or the other.
    GstBufferPool* widePool_ = nullptr;
    size_t widePoolSize_ = 0;

    FrameSlot preview_;
    std::atomic<bool> showing_{false};
    std::atomic<bool> negotiating_{false};
    std::atomic<uint64_t> previewFrames_{0};
    std::atomic<uint64_t> previewLost_{0};
    std::atomic<uint64_t> previewSpared_{0};
    std::atomic<uint64_t> previewBad_{0};  // JPEG pictures that could not be decoded
    std::mutex busMutex_;
    std::string busError_;

    std::unique_ptr<RecordState> rec_;
    std::mutex eventsMutex_;
    std::deque<GraphEvent> events_;
};

}  // namespace tesmira
