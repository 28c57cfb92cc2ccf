#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>

#include "media/capture_graph.h"
#include "media/graph_internals.h"
#include "media/jpeg_frames.h"

// The record branch: frames and sound into the AVI writer, the limit, and the frame counts.
namespace tesmira {

using gst::FormatOfCaps;

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

uint64_t FramesMissingBetween(uint64_t lastPtsNs, uint64_t ptsNs, int64_t frameNs) {
    if (frameNs <= 0 || ptsNs <= lastPtsNs)
        return 0;
    const uint64_t gap = ptsNs - lastPtsNs, frame = uint64_t(frameNs);
    if (gap * 2 <= frame * 3)
        return 0;  // up to one and a half frame times: jitter, nothing lost
    return (gap + frame / 2) / frame - 1;
}

int CCaptureGraph::OnRecordQueueBuffer(GstPad*, void* infoPtr, void* self) {
    return static_cast<CCaptureGraph*>(self)->TakeRecordBuffer(infoPtr, false);
}

int CCaptureGraph::OnPassQueueBuffer(GstPad*, void* infoPtr, void* self) {
    return static_cast<CCaptureGraph*>(self)->TakeRecordBuffer(infoPtr, true);
}

// Of a JPEG camera's two record branches only the one the recording uses carries frames: the
// other would decode, or queue, pictures nobody writes.
int CCaptureGraph::TakeRecordBuffer(void* infoPtr, bool passBranch) {
    RecordState& rec = *rec_;
    // With no file open the frame would only be carried to the sink and thrown away there; while
    // the graph is being built it passes, so that every branch settles on its format.
    if (!rec.open || rec.passThrough != passBranch)
        return negotiating_ ? GST_PAD_PROBE_OK : GST_PAD_PROBE_DROP;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(static_cast<GstPadProbeInfo*>(infoPtr));
    if (!buffer)
        return GST_PAD_PROBE_OK;
    const uint64_t offset = GST_BUFFER_OFFSET(buffer);
    if (offset == GST_BUFFER_OFFSET_NONE) {
        // No sequence numbers (GenICam): the time stamps tell where frames are missing.
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (!GST_CLOCK_TIME_IS_VALID(pts))
            return GST_PAD_PROBE_OK;
        const uint64_t before = rec.lastPts.exchange(pts);
        if (GST_CLOCK_TIME_IS_VALID(before))
            rec.gapDrops += static_cast<int32_t>(
                std::min<uint64_t>(FramesMissingBetween(before, pts, rec.frameNs), 1u << 30));
        return GST_PAD_PROBE_OK;
    }
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
    const bool pictures = GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_ENCODED;
    if (pictures != rec.passThrough.load())
        return;  // a frame of the branch this recording does not use
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
    if (pictures) {
        // Anything but a whole JPEG picture (a cut-short USB transfer) stays out of the file and
        // counts as dropped.
        if (!WalkJpeg(map.data, map.size).valid) {
            gst_buffer_unmap(buffer, &map);
            ++rec.badFrames;
            return;
        }
        ok = rec.writer->WriteEncoded(map.data, map.size, pts);
    } else if (gst::PlaneOf(buffer, info, &offset, &stride) && offset < map.size) {
        ok = rec.writer->WriteVideo(map.data + offset, stride, pts);
    }
    gst_buffer_unmap(buffer, &map);
    if (!ok) {
        rec.stopped = true;
        QueueEvent({kEcStreamControlStopped, 0, kStopCookie, "write failed"});
        listener_.OnWriteFailed(rec.path);
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
    listener_.OnGraphEvents();
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
    // The MJPEG compressors would only decode and re-encode what a JPEG camera already made.
    const bool passThrough = passSink_ && (codec.mediaType == 1 || codec.mediaType == 2);
    video.jpeg = passThrough;
    std::optional<AudioFormat> audioFormat;
    const bool withAudio = audio && MicrophoneReady();
    if (withAudio)
        audioFormat = AudioFormat{44100, 2, 16};

    std::unique_ptr<IAviWriter> writer = makeWriter_ ? makeWriter_() : MakeAviWriter();
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
    rec_->badFrames = 0;
    rec_->lastOffset = GST_BUFFER_OFFSET_NONE;
    rec_->lastPts = GST_CLOCK_TIME_NONE;
    rec_->frameNs = int64_t(1000000000) * video.fpsDen / video.fpsNum;
    rec_->passThrough = passThrough;
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
    dropped = rec_->leakDrops.load() + rec_->gapDrops.load() + rec_->badFrames.load();
}

bool CCaptureGraph::RecordingPassesThrough() const {
    return rec_ && rec_->open.load() && rec_->passThrough.load();
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

}  // namespace tesmira
