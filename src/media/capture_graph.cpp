#include "media/capture_graph.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "core/notifier.h"
#include "core/panel_messages.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "media/device_rules.h"
#include "recording/recording_paths.h"

namespace tesmira {
namespace {

const char kCameraFailed[] =
    "カメラをインストールできませんでした!\n他のアプリケーションが使用している可能性があります。\n"
    "メニューの [キャプチャー] の [カメラ選択] で\n別のカメラを探してください。\n";
const char kMicrophoneFailed[] =
    "マイクをインストールできませんでした!\nメニューの [キャプチャー] の [カメラ/マイク選択] で\n"
    "マイクの接続を確認して下さい。\n";
const char kNotConnected[] =
    "DirectShow Error: VFW_E_NOT_CONNECTED!\nストリームの構築に失敗しました。\nTesmira "
    "を再起動して下さい。\n";
const char kMonsterXWarning[] =
    "MonsterX U3.0R は AVI 非圧縮での録画に失敗する場合があります!\n失敗する場合は，MJPG AVI "
    "に設定してください。\n \n";
const char kDibFailed[] = "Out of memory on creating a Dib\n";

constexpr auto kNegotiateTimeout = std::chrono::seconds(5);

std::atomic<uint64_t> g_generation{0};

AviWriterFactory& WriterFactory() {
    static AviWriterFactory factory;
    return factory;
}

std::mutex& ErrorHandlerMutex() {
    static std::mutex m;
    return m;
}
StreamErrorHandler& ErrorHandler() {
    static StreamErrorHandler handler;
    return handler;
}

GstElement* Make(const char* factory, const char* name) {
    return gst_element_factory_make(factory, name);
}

std::string FormatOfCaps(GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0)
        return {};
    const gchar* f = gst_structure_get_string(gst_caps_get_structure(caps, 0), "format");
    return f ? f : "";
}

// A mapped sample that stays readable as long as a frame refers to it.
struct MappedSample {
    GstSample* sample = nullptr;
    GstBuffer* buffer = nullptr;
    GstMapInfo map{};
    bool mapped = false;
    ~MappedSample() {
        if (mapped)
            gst_buffer_unmap(buffer, &map);
        if (sample)
            gst_sample_unref(sample);
    }
};

// Where the first plane starts and how long its rows are, honouring a video meta when present.
bool PlaneOf(GstBuffer* buffer, const GstVideoInfo& info, size_t* offset, size_t* stride) {
    if (GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
        *offset = meta->offset[0];
        *stride = static_cast<size_t>(meta->stride[0]);
    } else {
        *offset = GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
        *stride = static_cast<size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    }
    return *stride > 0;
}

}  // namespace

void SetAviWriterFactory(AviWriterFactory factory) {
    WriterFactory() = std::move(factory);
}

void SetStreamErrorHandler(StreamErrorHandler handler) {
    std::lock_guard<std::mutex> lock(ErrorHandlerMutex());
    ErrorHandler() = std::move(handler);
}

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

// What the record branch shares with its streaming thread.
struct CCaptureGraph::RecordState {
    std::mutex mutex;  // guards writer, audio, limit, started, stopped
    std::unique_ptr<IAviWriter> writer;
    bool audio = false;
    int64_t limitNs = 0;
    GstClockTime startRt = GST_CLOCK_TIME_NONE;
    bool stopped = false;
    std::string path;  // the file being written, for the write-failure message
    std::atomic<bool> open{false};
    std::atomic<int32_t> delivered{0};
    std::atomic<int32_t> leakDrops{0};
    std::atomic<int32_t> gapDrops{0};
    std::atomic<uint64_t> lastOffset{GST_BUFFER_OFFSET_NONE};
};

CCaptureGraph::CCaptureGraph() : generation_(++g_generation), rec_(new RecordState) {
    if (!EnsureGStreamer()) {
        ShowMessage("DirectShow Error: COM initialisation!");
        return;
    }
    pipeline_ = gst_pipeline_new("TesmiraLive");
    if (!pipeline_) {
        ShowMessage("DirectShow Error: FilterGraph!");
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

int CCaptureGraph::EnumerateCameras(const std::string& wanted) {
    if (camSrc_ && !camAdded_) {
        gst_object_unref(camSrc_);
        camSrc_ = nullptr;
    }
    if (!EnsureGStreamer()) {
        ShowMessage("DirectShow Error: SystemDeviceEnum!");
        return 0;
    }
    const auto cameras = DeviceCatalog().Cameras();
    if (!cameras) {
        ShowMessage("DirectShow Error: VideoInputDeviceCategory!");
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
        camSrc_ = DeviceCatalog().CreateCameraSource(device.name);
        if (camSrc_) {
            gst_object_ref_sink(camSrc_);
            cameraName_ = device.name;
            cameraOwnAudio_ = device.ownAudioName;
        }
    }
    return 1;
}

bool CCaptureGraph::EnumerateMicrophones(const std::string& cameraName, const std::string& wanted) {
    micNames_.clear();
    useCameraAudio_ = false;
    if (!EnsureGStreamer()) {
        ShowMessage("DirectShow Error: SystemDeviceEnum!");
        return false;
    }
    const auto mics = DeviceCatalog().Microphones();
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
        audioSrc_ = DeviceCatalog().CreateMicrophoneSource(cameraOwnAudio_);
        if (audioSrc_) {
            gst_object_ref_sink(audioSrc_);
            useCameraAudio_ = true;
            if (gst_bin_add(GST_BIN(pipeline_), audioSrc_))
                audioAdded_ = true;
        }
    } else if (choice.bound >= 0) {
        audioSrc_ = DeviceCatalog().CreateMicrophoneSource(names[choice.bound]);
        if (audioSrc_) {
            gst_object_ref_sink(audioSrc_);
            if (AddMicrophone() == 0)
                ReleaseMicrophone();
        }
    }
    return true;
}

int CCaptureGraph::AddCamera() {
    if (camSrc_ && pipeline_ && !camAdded_) {
        if (!gst_bin_add(GST_BIN(pipeline_), camSrc_)) {
            ShowMessage("DirectShow Error: AddFilter for camera!");
            return 0;
        }
        camAdded_ = true;
    }
    if (camSrc_ && camAdded_ && !camPad_)
        camPad_ = gst_element_get_static_pad(camSrc_, "src");
    if (settings().camera == "MonsterX U3.0R Capture 0" && settings().mediaType == 0)
        ShowMessage(kMonsterXWarning);
    if (camPad_)
        return 1;
    ShowMessage(kCameraFailed);
    settings().camera.clear();
    return 0;
}

int CCaptureGraph::AddMicrophone() {
    if (audioSrc_ && (useCameraAudio_ || audioAdded_))
        return 1;
    if (audioSrc_ && pipeline_) {
        if (!gst_bin_add(GST_BIN(pipeline_), audioSrc_)) {
            ShowMessage("DirectShow Error: AddFilter for audio!");
            return 0;
        }
        audioAdded_ = true;
        GstPad* pad = gst_element_get_static_pad(audioSrc_, "src");
        if (pad) {
            gst_object_unref(pad);
            return 1;
        }
    }
    ShowMessage(kMicrophoneFailed);
    settings().audio.clear();
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

// ---- building -------------------------------------------------------------------------------

int CCaptureGraph::BuildGraphs() {
    const Settings& s = settings();
    if (!pipeline_ || !camSrc_ || !camAdded_ || s.dirVideo.empty() || s.datePrefix.empty())
        return 0;
    if (!MakeBranches())
        return 0;

    std::string failure;
    if (!Negotiate(&failure)) {
        ShowMessage(failure);
        return 0;
    }
    if (!MakeBitmaps())
        return 0;

    MakeNextRecordingPath(s.recNo);
    built_ = true;
    SendViewHints();
    DumpGraph("/dev/shm/TesmiraLive.dot");
    return 1;
}

bool CCaptureGraph::MakeBranches() {
    GstBin* bin = GST_BIN(pipeline_);
    previewSink_ = Make("appsink", "grabber");
    GstElement* previewQueue = Make("queue", "previewqueue");
    GstElement* previewConvert = Make("videoconvert", "previewconvert");
    if (!previewSink_ || !previewQueue || !previewConvert) {
        for (GstElement* e : {previewSink_, previewQueue, previewConvert})
            if (e)
                gst_object_unref(e);
        previewSink_ = nullptr;
        ShowMessage("DirectShow Error: ISampleGrabber!");
        return false;
    }
    camCaps_ = Make("capsfilter", "camcaps");
    tee_ = Make("tee", "tee");
    recordQueue_ = Make("queue", "recordqueue");
    GstElement* recordConvert = Make("videoconvert", "colorspaceconverter");
    recordCaps_ = Make("capsfilter", "recordcaps");
    recordSink_ = Make("appsink", "record");
    if (!recordConvert)
        ShowMessage("DirectShow Error: ColorSpaceConverter!");
    if (!camCaps_ || !tee_ || !recordQueue_ || !recordCaps_ || !recordSink_) {
        for (GstElement* e : {camCaps_, tee_, recordQueue_, recordConvert, recordCaps_, recordSink_,
                              previewSink_, previewQueue, previewConvert})
            if (e)
                gst_object_unref(e);
        camCaps_ = tee_ = recordQueue_ = recordCaps_ = recordSink_ = previewSink_ = nullptr;
        ShowMessage("DirectShow Error: GrabberFilter!");
        return false;
    }
    gst_bin_add_many(bin, camCaps_, tee_, previewQueue, previewConvert, previewSink_, recordQueue_,
                     recordCaps_, recordSink_, nullptr);
    if (recordConvert)
        gst_bin_add(bin, recordConvert);

    // The preview may fall behind a busy UI or CPU: it lets old frames go rather than holding
    // back the record branch, which shares the camera's thread through the tee.
    g_object_set(previewQueue, "leaky", 2, "max-size-buffers", 3u, "max-size-bytes", 0u,
                 "max-size-time", G_GUINT64_CONSTANT(0), "silent", FALSE, nullptr);
    g_object_set(recordQueue_, "leaky", 2, "max-size-buffers", 30u, "max-size-bytes", 0u,
                 "max-size-time", G_GUINT64_CONSTANT(0), "silent", FALSE, nullptr);
    g_signal_connect(previewQueue, "overrun", G_CALLBACK(OnPreviewOverrun), this);
    g_signal_connect(recordQueue_, "overrun", G_CALLBACK(OnRecordOverrun), this);

    GstCaps* bgr = gst_caps_from_string("video/x-raw,format=BGR");
    if (!bgr) {
        ShowMessage("DirectShow Error: SetMediaType!");
        return false;
    }
    GstAppSinkCallbacks previewCallbacks{};
    previewCallbacks.new_sample = [](GstAppSink* sink, gpointer self) {
        return static_cast<GstFlowReturn>(OnPreviewSample(sink, self));
    };
    gst_app_sink_set_caps(GST_APP_SINK(previewSink_), bgr);
    gst_caps_unref(bgr);
    g_object_set(previewSink_, "sync", FALSE, "max-buffers", 2u, "drop", TRUE, nullptr);
    gst_app_sink_set_callbacks(GST_APP_SINK(previewSink_), &previewCallbacks, this, nullptr);

    GstCaps* raw = gst_caps_from_string("video/x-raw,format={BGR,BGRx,GRAY8,YUY2}");
    g_object_set(recordCaps_, "caps", raw, nullptr);
    gst_caps_unref(raw);
    GstAppSinkCallbacks recordCallbacks{};
    recordCallbacks.new_sample = [](GstAppSink* sink, gpointer self) {
        return static_cast<GstFlowReturn>(OnRecordSample(sink, self));
    };
    g_object_set(recordSink_, "sync", FALSE, "max-buffers", 2u, "drop", FALSE, nullptr);
    gst_app_sink_set_callbacks(GST_APP_SINK(recordSink_), &recordCallbacks, this, nullptr);

    const bool linked =
        gst_element_link_many(camSrc_, camCaps_, tee_, nullptr) &&
        gst_element_link_many(tee_, previewQueue, previewConvert, previewSink_, nullptr) &&
        (recordConvert
             ? gst_element_link_many(tee_, recordQueue_, recordConvert, recordCaps_, recordSink_,
                                     nullptr)
             : gst_element_link_many(tee_, recordQueue_, recordCaps_, recordSink_, nullptr));
    if (!linked) {
        ShowMessage(kNotConnected);
        return false;
    }

    // The raw layout of the record branch follows the camera's format as it arrives.
    GstPad* teeSink = gst_element_get_static_pad(tee_, "sink");
    gst_pad_add_probe(
        teeSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer self) {
            return static_cast<GstPadProbeReturn>(OnTeeCaps(pad, info, self));
        },
        this, nullptr);
    gst_object_unref(teeSink);
    GstPad* recordIn = gst_element_get_static_pad(recordQueue_, "sink");
    gst_pad_add_probe(
        recordIn, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer self) {
            return static_cast<GstPadProbeReturn>(OnRecordQueueBuffer(pad, info, self));
        },
        this, nullptr);
    gst_object_unref(recordIn);

    if (audioSrc_) {
        GstElement* q = Make("queue", "audioqueue");
        GstElement* conv = Make("audioconvert", "audioconvert");
        GstElement* resample = Make("audioresample", "audioresample");
        GstElement* caps = Make("capsfilter", "audiocaps");
        audioSink_ = Make("appsink", "audio");
        if (!q || !conv || !resample || !caps || !audioSink_) {
            for (GstElement* e : {q, conv, resample, caps, audioSink_})
                if (e)
                    gst_object_unref(e);
            audioSink_ = nullptr;
        } else {
            gst_bin_add_many(bin, q, conv, resample, caps, audioSink_, nullptr);
            g_object_set(q, "leaky", 2, nullptr);
            GstCaps* pcm = gst_caps_from_string(
                "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2");
            g_object_set(caps, "caps", pcm, nullptr);
            gst_caps_unref(pcm);
            GstAppSinkCallbacks audioCallbacks{};
            audioCallbacks.new_sample = [](GstAppSink* sink, gpointer self) {
                return static_cast<GstFlowReturn>(OnAudioSample(sink, self));
            };
            g_object_set(audioSink_, "sync", FALSE, "max-buffers", 8u, "drop", TRUE, nullptr);
            gst_app_sink_set_callbacks(GST_APP_SINK(audioSink_), &audioCallbacks, this, nullptr);
            if (!gst_element_link_many(audioSrc_, q, conv, resample, caps, audioSink_, nullptr)) {
                ShowMessage(kMicrophoneFailed);
                return false;
            }
        }
    }
    return true;
}

// Runs the source for a moment so that every branch agrees on a format, then rests in READY
// (device open, not streaming).
bool CCaptureGraph::Negotiate(std::string* failure) {
    {
        std::lock_guard<std::mutex> lock(busMutex_);
        busError_.clear();
    }
    negotiating_ = true;
    const bool started =
        gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    GstPad* previewIn = gst_element_get_static_pad(previewSink_, "sink");
    GstPad* recordIn = gst_element_get_static_pad(recordSink_, "sink");
    GstCaps* previewCaps = nullptr;
    GstCaps* recordCaps = nullptr;
    std::string error;
    const auto deadline = std::chrono::steady_clock::now() + kNegotiateTimeout;
    while (started) {
        if (!previewCaps)
            previewCaps = gst_pad_get_current_caps(previewIn);
        if (!recordCaps)
            recordCaps = gst_pad_get_current_caps(recordIn);
        {
            std::lock_guard<std::mutex> lock(busMutex_);
            error = busError_;
        }
        if ((previewCaps && recordCaps) || !error.empty() ||
            std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    gst_object_unref(previewIn);
    gst_object_unref(recordIn);
    const bool ok = started && previewCaps && recordCaps && error.empty();
    gst_element_set_state(pipeline_, ok ? GST_STATE_READY : GST_STATE_NULL);
    gst_element_get_state(pipeline_, nullptr, nullptr, 2 * GST_SECOND);
    negotiating_ = false;

    if (ok) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, previewCaps)) {
            width_ = GST_VIDEO_INFO_WIDTH(&info);
            height_ = GST_VIDEO_INFO_HEIGHT(&info);
        }
        recordDepth_ = BitDepthOf(FormatOfCaps(recordCaps));
        if (recordCapsAtBuild_)
            gst_caps_unref(recordCapsAtBuild_);
        recordCapsAtBuild_ = gst_caps_ref(recordCaps);
    } else if (!started || !error.empty()) {
        *failure = kNotConnected;
    } else {
        *failure = "DirectShow Error: GetConnectedMediaType of Live!";
    }
    if (previewCaps)
        gst_caps_unref(previewCaps);
    if (recordCaps)
        gst_caps_unref(recordCaps);
    preview_.Clear();
    return ok;
}

bool CCaptureGraph::MakeBitmaps() {
    std::lock_guard<std::mutex> lock(dibMutex_);
    dib_ = CDib::Create(width_, height_, GrabberBitDepth());
    if (!dib_) {
        ShowMessage(kDibFailed);
        return false;
    }
    dib8_.reset();
    const Settings& s = settings();
    if (recordDepth_ == 8 && s.recMode == 2 && s.timelapseType != 0) {
        dib8_ = CDib::Create(width_, height_, 8);
        if (!dib8_) {
            ShowMessage(kDibFailed);
            return false;
        }
        dib8_->MakeGreyPalette();  // stored 8-bit pictures are grey
    }
    return true;
}

void CCaptureGraph::SendViewHints() {
    CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kAttachVideo);
    CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kSetZoom,
                                           settings().defaultZoomFactor);
}

bool CCaptureGraph::TimelapseWriterAvailable() const {
    return built_ && settings().recMode == 2;
}

void CCaptureGraph::DumpGraph(const std::string& path) const {
    if (!pipeline_)
        return;
    gchar* dot = gst_debug_bin_to_dot_data(GST_BIN(pipeline_), GST_DEBUG_GRAPH_SHOW_ALL);
    if (!dot)
        return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out << dot;
    g_free(dot);
}

// ---- running --------------------------------------------------------------------------------

bool CCaptureGraph::Run(std::string* error) {
    if (!pipeline_ || !built_ || broken_) {
        if (error)
            *error = "the capture graph is not ready";
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(busMutex_);
        busError_.clear();
    }
    showing_ = true;
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        showing_ = false;
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        broken_ = true;
        std::lock_guard<std::mutex> lock(busMutex_);
        if (error)
            *error = busError_.empty() ? "the camera does not start" : busError_;
        return false;
    }
    return true;
}

void CCaptureGraph::Stop() {
    showing_ = false;
    if (!pipeline_)
        return;
    gst_element_set_state(pipeline_, broken_ ? GST_STATE_NULL : GST_STATE_READY);
    gst_element_get_state(pipeline_, nullptr, nullptr, 2 * GST_SECOND);
}

void CCaptureGraph::MarkBroken() {
    broken_ = true;
    showing_ = false;
    if (pipeline_)
        gst_element_set_state(pipeline_, GST_STATE_NULL);
}

int CCaptureGraph::OnBusMessage(GstBus*, GstMessage* message, void* self) {
    auto* graph = static_cast<CCaptureGraph*>(self);
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type != GST_MESSAGE_ERROR && type != GST_MESSAGE_EOS)
        return GST_BUS_PASS;
    std::string reason = "end of stream";
    if (type == GST_MESSAGE_ERROR) {
        GError* err = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &err, &debug);
        reason = err ? err->message : "stream error";
        if (err)
            g_error_free(err);
        g_free(debug);
    }
    bool first;
    {
        std::lock_guard<std::mutex> lock(graph->busMutex_);
        first = graph->busError_.empty();
        if (first)
            graph->busError_ = reason;
    }
    if (first && !graph->negotiating_) {
        graph->showing_ = false;
        const uint64_t generation = graph->generation_;
        RunOnUiThread([generation, reason] {
            StreamErrorHandler handler;
            {
                std::lock_guard<std::mutex> lock(ErrorHandlerMutex());
                handler = ErrorHandler();
            }
            if (handler)
                handler(generation, reason);
        });
    }
    return GST_BUS_DROP;
}

// ---- frames ---------------------------------------------------------------------------------

void CCaptureGraph::RequestFrame(PanelMessage message) {
    grabMessage_ = message;
    grabRequest_ = 1;
}

int CCaptureGraph::OnPreviewSample(GstAppSink* sink, void* self) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    static_cast<CCaptureGraph*>(self)->HandlePreview(sample);
    return GST_FLOW_OK;
}

void CCaptureGraph::HandlePreview(GstSample* sample) {
    auto mapped = std::make_shared<MappedSample>();
    mapped->sample = sample;
    mapped->buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!mapped->buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return;
    if (!gst_buffer_map(mapped->buffer, &mapped->map, GST_MAP_READ))
        return;
    mapped->mapped = true;
    size_t offset = 0, stride = 0;
    if (!PlaneOf(mapped->buffer, info, &offset, &stride))
        return;
    const int w = GST_VIDEO_INFO_WIDTH(&info);
    const int h = GST_VIDEO_INFO_HEIGHT(&info);
    if (offset + stride * static_cast<size_t>(h > 0 ? h - 1 : 0) + static_cast<size_t>(w) * 3 >
        mapped->map.size)
        return;  // a short buffer is never read past its end
    const uint8_t* data = mapped->map.data + offset;
    ++previewFrames_;

    // One request gives exactly one copy: taking the request here means the bitmap is not
    // written again while the UI thread reads it after the message.
    int expected = 1;
    if (grabRequest_.compare_exchange_strong(expected, 0)) {
        {
            std::lock_guard<std::mutex> lock(dibMutex_);
            if (dib_)
                dib_->CopyFromTopDown(data, stride, w, h);
        }
        PostPanelMessage(grabMessage_.load());
    }
    if (showing_) {
        auto frame = std::make_shared<VideoFrame>();
        frame->width = w;
        frame->height = h;
        frame->stride = stride;
        frame->data = data;
        frame->hold = mapped;
        preview_.Put(std::move(frame));
    }
}

void CCaptureGraph::OnPreviewOverrun(GstElement*, void* self) {
    ++static_cast<CCaptureGraph*>(self)->previewLost_;
}

// ---- record branch --------------------------------------------------------------------------

int CCaptureGraph::OnTeeCaps(GstPad*, void* infoPtr, void* self) {
    auto* info = static_cast<GstPadProbeInfo*>(infoPtr);
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event || GST_EVENT_TYPE(event) != GST_EVENT_CAPS)
        return GST_PAD_PROBE_OK;
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    const std::string format = FormatOfCaps(caps);
    auto* graph = static_cast<CCaptureGraph*>(self);
    GstCaps* wanted = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                          RecordLayoutFor(format), nullptr);
    g_object_set(graph->recordCaps_, "caps", wanted, nullptr);
    gst_caps_unref(wanted);
    return GST_PAD_PROBE_OK;
}

int CCaptureGraph::OnRecordQueueBuffer(GstPad*, void* infoPtr, void* self) {
    auto* graph = static_cast<CCaptureGraph*>(self);
    RecordState& rec = *graph->rec_;
    if (!rec.open)
        return GST_PAD_PROBE_OK;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(static_cast<GstPadProbeInfo*>(infoPtr));
    if (!buffer)
        return GST_PAD_PROBE_OK;
    const uint64_t offset = GST_BUFFER_OFFSET(buffer);
    if (offset == GST_BUFFER_OFFSET_NONE)
        return GST_PAD_PROBE_OK;
    const uint64_t last = rec.lastOffset.exchange(offset);
    // Frames the source itself never delivered (its sequence numbers jump).
    if (last != GST_BUFFER_OFFSET_NONE && offset > last + 1)
        rec.gapDrops += static_cast<int32_t>(std::min<uint64_t>(offset - last - 1, 1u << 30));
    return GST_PAD_PROBE_OK;
}

void CCaptureGraph::OnRecordOverrun(GstElement*, void* self) {
    RecordState& rec = *static_cast<CCaptureGraph*>(self)->rec_;
    if (rec.open)
        ++rec.leakDrops;
}

int CCaptureGraph::OnRecordSample(GstAppSink* sink, void* self) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    static_cast<CCaptureGraph*>(self)->HandleRecord(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void CCaptureGraph::HandleRecord(GstSample* sample) {
    RecordState& rec = *rec_;
    if (!rec.open)
        return;
    std::lock_guard<std::mutex> lock(rec.mutex);
    if (!rec.writer || rec.stopped)
        return;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return;
    GstClockTime rt = GST_BUFFER_PTS(buffer);
    if (segment && GST_CLOCK_TIME_IS_VALID(rt))
        rt = gst_segment_to_running_time(segment, GST_FORMAT_TIME, rt);
    if (!GST_CLOCK_TIME_IS_VALID(rt))
        rt = 0;
    if (!GST_CLOCK_TIME_IS_VALID(rec.startRt))
        rec.startRt = rt;
    const int64_t pts = rt >= rec.startRt ? static_cast<int64_t>(rt - rec.startRt) : 0;
    if (rec.limitNs > 0 && pts > rec.limitNs) {
        rec.stopped = true;
        QueueEvent({kEcStreamControlStopped, 0, kStopCookie, {}});
        return;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    size_t offset = 0, stride = 0;
    bool ok = true;
    if (PlaneOf(buffer, info, &offset, &stride) && offset < map.size)
        ok = rec.writer->WriteVideo(map.data + offset, stride, pts);
    gst_buffer_unmap(buffer, &map);
    if (!ok) {
        rec.stopped = true;
        QueueEvent({kEcStreamControlStopped, 0, kStopCookie, "write failed"});
        const std::string name = rec.path;
        RunOnUiThread([name] {
            ShowMessage(
                "録画ファイルに書き込めませんでした（ディスクの空き容量を確認して下さい）。\n" +
                name + "\n");
        });
        return;
    }
    ++rec.delivered;
}

int CCaptureGraph::OnAudioSample(GstAppSink* sink, void* self) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    static_cast<CCaptureGraph*>(self)->HandleAudio(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void CCaptureGraph::HandleAudio(GstSample* sample) {
    RecordState& rec = *rec_;
    if (!rec.open)
        return;
    std::lock_guard<std::mutex> lock(rec.mutex);
    // Sound starts with the first video frame, so both streams share one time origin.
    if (!rec.writer || !rec.audio || rec.stopped || !GST_CLOCK_TIME_IS_VALID(rec.startRt))
        return;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!buffer)
        return;
    GstClockTime rt = GST_BUFFER_PTS(buffer);
    if (const GstSegment* segment = gst_sample_get_segment(sample);
        segment && GST_CLOCK_TIME_IS_VALID(rt))
        rt = gst_segment_to_running_time(segment, GST_FORMAT_TIME, rt);
    if (!GST_CLOCK_TIME_IS_VALID(rt) || rt < rec.startRt)
        return;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    rec.writer->WriteAudio(map.data, map.size, static_cast<int64_t>(rt - rec.startRt));
    gst_buffer_unmap(buffer, &map);
}

void CCaptureGraph::QueueEvent(GraphEvent event) {
    {
        std::lock_guard<std::mutex> lock(eventsMutex_);
        events_.push_back(std::move(event));
    }
    PostPanelMessage(PanelMessage::kGraphEvent);
}

std::vector<GraphEvent> CCaptureGraph::FetchGraphEvents() {
    std::lock_guard<std::mutex> lock(eventsMutex_);
    std::vector<GraphEvent> out(events_.begin(), events_.end());
    events_.clear();
    return out;
}

bool CCaptureGraph::StartRecording(const std::string& outputPath, const CodecSettings& codec,
                                   bool audio, int64_t limitNs, std::string* error) {
    if (!built_ || !recordSink_) {
        if (error)
            *error = "no record branch";
        return false;
    }
    if (IsRecordingOpen()) {
        if (error)
            *error = "a recording is already open";
        return false;
    }
    GstCaps* caps = RecordCaps();
    GstVideoInfo info;
    const bool known = caps && gst_video_info_from_caps(&info, caps);
    const std::string format = FormatOfCaps(caps);
    if (caps)
        gst_caps_unref(caps);
    if (!known) {
        if (error)
            *error = "the record branch has no format";
        return false;
    }
    VideoFormat video;
    video.width = GST_VIDEO_INFO_WIDTH(&info);
    video.height = GST_VIDEO_INFO_HEIGHT(&info);
    video.layout = format == "BGRx"    ? PixelLayout::Bgrx32
                   : format == "GRAY8" ? PixelLayout::Gray8
                   : format == "YUY2"  ? PixelLayout::Yuy2
                                       : PixelLayout::Bgr24;
    video.fpsNum = GST_VIDEO_INFO_FPS_N(&info) > 0 ? GST_VIDEO_INFO_FPS_N(&info) : 30;
    video.fpsDen = GST_VIDEO_INFO_FPS_D(&info) > 0 ? GST_VIDEO_INFO_FPS_D(&info) : 1;
    std::optional<AudioFormat> audioFormat;
    const bool withAudio = audio && MicrophoneReady();
    if (withAudio)
        audioFormat = AudioFormat{44100, 2, 16};

    std::unique_ptr<IAviWriter> writer = WriterFactory() ? WriterFactory()() : MakeAviWriter();
    if (!writer) {
        if (error)
            *error = "no AVI writer";
        return false;
    }
    const double rate = static_cast<double>(video.fpsNum) / video.fpsDen;
    if (!writer->Open(outputPath, video, audioFormat, codec, rate, error))
        return false;

    {
        // A stop left over from the previous recording must not end this one.
        std::lock_guard<std::mutex> events(eventsMutex_);
        events_.clear();
    }
    std::lock_guard<std::mutex> lock(rec_->mutex);
    rec_->writer = std::move(writer);
    rec_->audio = withAudio;
    rec_->limitNs = limitNs;
    rec_->startRt = GST_CLOCK_TIME_NONE;
    rec_->stopped = false;
    rec_->path = outputPath;
    rec_->delivered = 0;
    rec_->leakDrops = 0;
    rec_->gapDrops = 0;
    rec_->lastOffset = GST_BUFFER_OFFSET_NONE;
    rec_->open = true;
    return true;
}

bool CCaptureGraph::StopRecording(std::string* error) {
    std::unique_ptr<IAviWriter> writer;
    {
        std::lock_guard<std::mutex> lock(rec_->mutex);
        rec_->open = false;
        writer = std::move(rec_->writer);
    }
    if (!writer)
        return true;
    return writer->Close(error);
}

bool CCaptureGraph::IsRecordingOpen() const {
    return rec_ && rec_->open.load();
}

void CCaptureGraph::ReadFrameCounts(int32_t& dropped, int32_t& delivered) const {
    delivered = rec_->delivered.load();
    dropped = rec_->leakDrops.load() + rec_->gapDrops.load();
}

double CCaptureGraph::MeasureStreamRate() const {
    GstCaps* caps = RecordCaps();
    double rate = 0.0;
    int num = 0, den = 0;
    if (caps && gst_caps_get_size(caps) > 0 &&
        gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "framerate", &num, &den) &&
        num > 0 && den > 0)
        rate = static_cast<double>(num) / den;
    if (caps)
        gst_caps_unref(caps);
    return rate;
}

GstCaps* CCaptureGraph::RecordCaps() const {
    GstCaps* caps = nullptr;
    if (recordSink_) {
        GstPad* pad = gst_element_get_static_pad(recordSink_, "sink");
        caps = gst_pad_get_current_caps(pad);
        gst_object_unref(pad);
    }
    if (!caps && recordCapsAtBuild_)
        caps = gst_caps_ref(recordCapsAtBuild_);
    return caps;
}

// ---- camera pages ---------------------------------------------------------------------------

std::string CCaptureGraph::CameraDevicePath() const {
    if (!camSrc_ || !g_object_class_find_property(G_OBJECT_GET_CLASS(camSrc_), "device"))
        return {};
    gchar* device = nullptr;
    g_object_get(camSrc_, "device", &device, nullptr);
    std::string path = device ? device : "";
    g_free(device);
    return path;
}

std::vector<std::string> CCaptureGraph::OfferedFormats() const {
    std::vector<std::string> out;
    if (!camPad_)
        return out;
    if (cameraName_ == kTestCameraName) {
        for (const char* f : {"video/x-raw,format=BGR,width=640,height=480,framerate=30/1",
                              "video/x-raw,format=BGR,width=1280,height=720,framerate=30/1",
                              "video/x-raw,format=BGR,width=1920,height=1080,framerate=60/1",
                              "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
                              "video/x-raw,format=GRAY8,width=640,height=480,framerate=30/1"})
            out.emplace_back(f);
        return out;
    }
    GstCaps* caps = gst_pad_query_caps(camPad_, nullptr);
    if (!caps)
        return out;
    const guint n = gst_caps_get_size(caps);
    for (guint i = 0; i < n && out.size() < 400; ++i) {
        GstStructure* s = gst_caps_get_structure(caps, i);
        const GValue* rates = gst_structure_get_value(s, "framerate");
        if (rates && GST_VALUE_HOLDS_LIST(rates)) {
            for (guint k = 0; k < gst_value_list_get_size(rates); ++k) {
                GstStructure* one = gst_structure_copy(s);
                gst_structure_set_value(one, "framerate", gst_value_list_get_value(rates, k));
                gchar* text = gst_structure_to_string(one);
                out.emplace_back(text);
                g_free(text);
                gst_structure_free(one);
            }
        } else {
            gchar* text = gst_structure_to_string(s);
            out.emplace_back(text);
            g_free(text);
        }
    }
    gst_caps_unref(caps);
    return out;
}

std::string CCaptureGraph::CurrentFormat() const {
    if (!camPad_)
        return {};
    GstCaps* caps = gst_pad_get_current_caps(camPad_);
    std::string text;
    if (!caps && camCaps_)
        g_object_get(camCaps_, "caps", &caps, nullptr);
    if (caps) {
        gchar* s = gst_caps_to_string(caps);
        text = s ? s : "";
        g_free(s);
        gst_caps_unref(caps);
    }
    return text;
}

bool CCaptureGraph::ApplyStreamFormat(const std::string& capsText) {
    if (!built_ || showing_ || !camCaps_)
        return false;
    GstCaps* caps = gst_caps_from_string(capsText.c_str());
    if (!caps) {
        ShowMessage(kNotConnected);
        return false;
    }
    // The test camera fixes its format inside its own bin; everyone else is filtered here.
    GstElement* target = camCaps_;
    if (GST_IS_BIN(camSrc_)) {
        GstIterator* it = gst_bin_iterate_elements(GST_BIN(camSrc_));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            GstElement* e = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* f = gst_element_get_factory(e);
            if (f && g_strcmp0(GST_OBJECT_NAME(f), "capsfilter") == 0)
                target = e;
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    GstCaps* previous = nullptr;
    g_object_get(target, "caps", &previous, nullptr);
    g_object_set(target, "caps", caps, nullptr);
    gst_caps_unref(caps);

    const int oldW = width_, oldH = height_;
    std::string failure;
    bool ok = Negotiate(&failure);
    if (!ok) {
        // Back to the format that worked, so the camera stays usable.
        g_object_set(target, "caps", previous, nullptr);
        std::string ignored;
        Negotiate(&ignored);
        ShowMessage(failure);
    }
    if (previous)
        gst_caps_unref(previous);
    if (width_ != oldW || height_ != oldH) {
        if (!MakeBitmaps())
            return false;
    }
    SendViewHints();
    return ok;
}

}  // namespace tesmira
