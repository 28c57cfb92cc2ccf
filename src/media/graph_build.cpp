#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "media/capture_graph.h"
#include "media/graph_internals.h"

// Building the graph, agreeing on formats, and running it.
namespace tesmira {

using gst::FormatOfCaps;
using gst::Make;

namespace {
constexpr auto kNegotiateTimeout = std::chrono::seconds(5);

using ProbeHandler = int (*)(GstPad*, void* info, void* self);

// Watches what passes the sink pad of `element`.
template <ProbeHandler kHandler>
void AddProbe(GstElement* element, GstPadProbeType type, void* self) {
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    gst_pad_add_probe(
        pad, type,
        [](GstPad* p, GstPadProbeInfo* info, gpointer data) {
            return static_cast<GstPadProbeReturn>(kHandler(p, info, data));
        },
        self, nullptr);
    gst_object_unref(pad);
}
}  // namespace

// ---- building -------------------------------------------------------------------------------

int CCaptureGraph::BuildGraphs(const CaptureConfig& config, MediaErrors& errors) {
    if (!pipeline_ || !camSrc_ || !camAdded_)
        return 0;
    greyBitmap_ = config.greyTimelapseBitmap;
    // An open device tells the formats it really has (a closed V4L2 source only its template),
    // which decide the graph's shape and whether the remembered format is there.
    gst_element_set_state(camSrc_, GST_STATE_READY);
    kind_ = KindFor(config);
    if (!MakeBranches(errors))
        return 0;
    // The remembered format, when this camera still offers it; should the camera refuse it after
    // all, its default is used as if nothing had been remembered.
    bool negotiated = false;
    if (config.streamFormat && Offers(*config.streamFormat)) {
        GstElement* filter = FormatFilter();
        GstCaps* previous = nullptr;
        g_object_get(filter, "caps", &previous, nullptr);
        GstCaps* wanted = gst_caps_from_string(config.streamFormat->Caps().c_str());
        g_object_set(filter, "caps", wanted, nullptr);
        if (wanted)
            gst_caps_unref(wanted);
        negotiated = Negotiate(nullptr);
        if (!negotiated)
            g_object_set(filter, "caps", previous, nullptr);
        if (previous)
            gst_caps_unref(previous);
    }
    if (!negotiated && !Negotiate(&errors))
        return 0;
    if (!MakeBitmaps(errors))
        return 0;
    built_ = true;
    DumpGraph(kLiveGraphDump);
    return 1;
}

CCaptureGraph::CameraKind CCaptureGraph::KindOf(const std::string& media) {
    return media == "image/jpeg"      ? CameraKind::Jpeg
           : media == "video/x-bayer" ? CameraKind::Bayer
                                      : CameraKind::Raw;
}

CCaptureGraph::CameraKind CCaptureGraph::KindFor(const CaptureConfig& config) const {
    if (config.streamFormat && Offers(*config.streamFormat))
        return KindOf(config.streamFormat->media);
    // Left to itself a camera that offers raw video gives raw video; JPEG or Bayer pictures only
    // when it has no other way.
    if (!camPad_)
        return CameraKind::Raw;
    GstCaps* caps = gst_pad_query_caps(camPad_, nullptr);
    bool raw = false, jpeg = false, bayer = false;
    for (guint i = 0; caps && i < gst_caps_get_size(caps); ++i) {
        const GstStructure* st = gst_caps_get_structure(caps, i);
        raw |= gst_structure_has_name(st, "video/x-raw");
        jpeg |= gst_structure_has_name(st, "image/jpeg");
        bayer |= gst_structure_has_name(st, "video/x-bayer");
    }
    if (caps)
        gst_caps_unref(caps);
    return raw     ? CameraKind::Raw
           : jpeg  ? CameraKind::Jpeg
           : bayer ? CameraKind::Bayer
                   : CameraKind::Raw;
}

bool CCaptureGraph::MakeBranches(MediaErrors& errors) {
    GstBin* bin = GST_BIN(pipeline_);
    const bool jpeg = kind_ == CameraKind::Jpeg;
    previewSink_ = Make("appsink", "grabber");
    GstElement* previewQueue = Make("queue", "previewqueue");
    // A JPEG camera's pictures are decoded by us, straight into BGRx: no converter.
    GstElement* previewConvert = jpeg ? nullptr : Make("videoconvert", "previewconvert");
    if (!previewSink_ || !previewQueue || (!jpeg && !previewConvert)) {
        for (GstElement* e : {previewSink_, previewQueue, previewConvert})
            if (e)
                gst_object_unref(e);
        previewSink_ = nullptr;
        errors.push_back({MediaFailure::GrabberMissing, {}});
        return false;
    }
    camCaps_ = Make("capsfilter", "camcaps");
    tee_ = Make("tee", "tee");
    recordQueue_ = Make("queue", "recordqueue");
    GstElement* recordDecode = jpeg ? Make("jpegdec", "recorddecode") : nullptr;
    GstElement* recordConvert = Make("videoconvert", "colorspaceconverter");
    recordCaps_ = Make("capsfilter", "recordcaps");
    recordSink_ = Make("appsink", "record");
    GstElement* passQueue = jpeg ? Make("queue", "passqueue") : nullptr;
    GstElement* debayer = kind_ == CameraKind::Bayer ? Make("bayer2rgb", "debayer") : nullptr;
    passSink_ = jpeg ? Make("appsink", "passthrough") : nullptr;
    if (!recordConvert)
        errors.push_back({MediaFailure::ConverterMissing, {}});
    const bool jpegParts = (!jpeg || (recordDecode && recordConvert && passQueue && passSink_)) &&
                           (kind_ != CameraKind::Bayer || debayer);
    if (!camCaps_ || !tee_ || !recordQueue_ || !recordCaps_ || !recordSink_ || !jpegParts) {
        for (GstElement* e :
             {camCaps_, tee_, recordQueue_, recordConvert, recordCaps_, recordSink_, previewSink_,
              previewQueue, previewConvert, recordDecode, passQueue, passSink_, debayer})
            if (e)
                gst_object_unref(e);
        camCaps_ = tee_ = recordQueue_ = recordCaps_ = recordSink_ = previewSink_ = passSink_ =
            nullptr;
        errors.push_back({MediaFailure::GrabberFilter, {}});
        return false;
    }
    gst_bin_add_many(bin, camCaps_, tee_, previewQueue, previewSink_, recordQueue_, recordCaps_,
                     recordSink_, nullptr);
    for (GstElement* e :
         {previewConvert, recordConvert, recordDecode, passQueue, passSink_, debayer})
        if (e)
            gst_bin_add(bin, e);

    // The preview may fall behind a busy UI or CPU: it lets old frames go rather than holding
    // back the record branch, which shares the camera's thread through the tee. (Frames of a BGR
    // or BGRx camera never queue here: they are taken before, see OnPreviewQueueBuffer.)
    g_object_set(previewQueue, "leaky", 2, "max-size-buffers", 3u, "max-size-bytes", 0u,
                 "max-size-time", G_GUINT64_CONSTANT(0), "silent", FALSE, nullptr);
    for (GstElement* q : {recordQueue_, passQueue}) {
        if (!q)
            continue;
        g_object_set(q, "leaky", 2, "max-size-buffers", 30u, "max-size-bytes", 0u, "max-size-time",
                     G_GUINT64_CONSTANT(0), "silent", FALSE, nullptr);
        g_signal_connect(q, "overrun", G_CALLBACK(OnRecordOverrun), this);
    }
    g_signal_connect(previewQueue, "overrun", G_CALLBACK(OnPreviewOverrun), this);

    // BGRx is the window's own 32-bit layout: painting needs no conversion. Every other camera
    // format is converted to it here; BGR and BGRx frames are taken before the queue.
    GstCaps* bgr = gst_caps_from_string(jpeg ? "image/jpeg" : "video/x-raw,format=BGRx");
    if (!bgr) {
        errors.push_back({MediaFailure::MediaType, {}});
        return false;
    }
    GstAppSinkCallbacks previewCallbacks{};
    previewCallbacks.new_sample = [](GstAppSink* sink, gpointer self) {
        return static_cast<GstFlowReturn>(OnPreviewSample(sink, self));
    };
    gst_app_sink_set_caps(GST_APP_SINK(previewSink_), bgr);
    gst_caps_unref(bgr);
    // Not waiting for a first frame to change state: with a BGR or BGRx camera none arrives here.
    g_object_set(previewSink_, "sync", FALSE, "async", FALSE, "max-buffers", 2u, "drop", TRUE,
                 nullptr);
    gst_app_sink_set_callbacks(GST_APP_SINK(previewSink_), &previewCallbacks, this, nullptr);

    GstCaps* raw = gst_caps_from_string("video/x-raw,format={BGR,BGRx,GRAY8,YUY2}");
    g_object_set(recordCaps_, "caps", raw, nullptr);
    gst_caps_unref(raw);
    GstAppSinkCallbacks recordCallbacks{};
    recordCallbacks.new_sample = [](GstAppSink* sink, gpointer self) {
        return static_cast<GstFlowReturn>(OnRecordSample(sink, self));
    };
    // Frames reach it only while a file is open: it must not wait for one to change state.
    for (GstElement* sink : {recordSink_, passSink_}) {
        if (!sink)
            continue;
        g_object_set(sink, "sync", FALSE, "async", FALSE, "max-buffers", 2u, "drop", FALSE,
                     nullptr);
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &recordCallbacks, this, nullptr);
    }
    if (passSink_) {
        GstCaps* pictures = gst_caps_from_string("image/jpeg");
        gst_app_sink_set_caps(GST_APP_SINK(passSink_), pictures);
        gst_caps_unref(pictures);
    }

    // The record branches are linked first: the tee hands each frame to them before the
    // preview's work on the camera's thread starts.
    bool linked = debayer ? gst_element_link_many(camSrc_, camCaps_, debayer, tee_, nullptr)
                          : gst_element_link_many(camSrc_, camCaps_, tee_, nullptr);
    if (jpeg)
        linked = linked && gst_element_link_many(tee_, passQueue, passSink_, nullptr) &&
                 gst_element_link_many(tee_, recordQueue_, recordDecode, recordConvert, recordCaps_,
                                       recordSink_, nullptr) &&
                 gst_element_link_many(tee_, previewQueue, previewSink_, nullptr);
    else
        linked = linked &&
                 (recordConvert ? gst_element_link_many(tee_, recordQueue_, recordConvert,
                                                        recordCaps_, recordSink_, nullptr)
                                : gst_element_link_many(tee_, recordQueue_, recordCaps_,
                                                        recordSink_, nullptr)) &&
                 gst_element_link_many(tee_, previewQueue, previewConvert, previewSink_, nullptr);
    if (!linked) {
        errors.push_back({MediaFailure::NotConnected, {}});
        return false;
    }

    // The raw layout of the record branch follows the camera's format as it arrives.
    AddProbe<OnTeeCaps>(tee_, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, this);
    AddProbe<OnPreviewQueueBuffer>(previewQueue, GST_PAD_PROBE_TYPE_BUFFER, this);
    // Frames the pane would never see are let go before the converter.
    if (previewConvert)
        AddProbe<OnPreviewConvertBuffer>(previewConvert, GST_PAD_PROBE_TYPE_BUFFER, this);
    AddProbe<OnRecordQueueBuffer>(recordQueue_, GST_PAD_PROBE_TYPE_BUFFER, this);
    if (passQueue)
        AddProbe<OnPassQueueBuffer>(passQueue, GST_PAD_PROBE_TYPE_BUFFER, this);

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
                errors.push_back({MediaFailure::MicrophoneFailed, {}});
                return false;
            }
        }
    }
    return true;
}

// Runs the source for a moment so that every branch agrees on a format, then rests in READY
// (device open, not streaming).
bool CCaptureGraph::Negotiate(MediaErrors* failure) {
    ReleaseGenicamControl();  // the source takes the camera now
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
    if (ok) {
        GstPad* teeIn = gst_element_get_static_pad(tee_, "sink");
        if (GstCaps* camera = gst_pad_get_current_caps(teeIn)) {
            gchar* text = gst_caps_to_string(camera);
            cameraCapsAtBuild_ = text ? text : "";
            g_free(text);
            gst_caps_unref(camera);
        }
        gst_object_unref(teeIn);
    }
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
        if (failure)
            failure->push_back({MediaFailure::NotConnected, error});
    } else if (failure) {
        failure->push_back({MediaFailure::NoConnectedFormat, {}});
    }
    if (previewCaps)
        gst_caps_unref(previewCaps);
    if (recordCaps)
        gst_caps_unref(recordCaps);
    preview_.Clear();
    return ok;
}

bool CCaptureGraph::MakeBitmaps(MediaErrors& errors) {
    std::lock_guard<std::mutex> lock(dibMutex_);
    dib_ = CDib::Create(width_, height_, GrabberBitDepth());
    if (!dib_) {
        errors.push_back({MediaFailure::BitmapFailed, {}});
        return false;
    }
    dib8_.reset();
    if (recordDepth_ == 8 && greyBitmap_) {
        dib8_ = CDib::Create(width_, height_, 8);
        if (!dib8_) {
            errors.push_back({MediaFailure::BitmapFailed, {}});
            return false;
        }
        dib8_->MakeGreyPalette();  // stored 8-bit pictures are grey
    }
    return true;
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
    // A frame left untaken from an earlier run would hold back every new one before the
    // converter.
    preview_.Clear();
    ReleaseGenicamControl();
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
        graph->listener_.OnStreamError(graph->generation_, reason);
    }
    return GST_BUS_DROP;
}

}  // namespace tesmira
