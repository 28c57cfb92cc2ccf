// Small GStreamer helpers shared by the capture graph's source files (not part of the room's
// interface).
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "media/avi_writer.h"
#include "media/capture_graph.h"

namespace tesmira::gst {

inline GstElement* Make(const char* factory, const char* name) {
    return gst_element_factory_make(factory, name);
}

inline std::string FormatOfCaps(GstCaps* caps) {
    if (!caps || gst_caps_get_size(caps) == 0)
        return {};
    const gchar* f = gst_structure_get_string(gst_caps_get_structure(caps, 0), "format");
    return f ? f : "";
}

// A buffer held and mapped as long as a frame refers to it: one of our own (the last reference
// hands it back to its pool) or the camera's.
struct MappedBuffer {
    GstBuffer* buffer = nullptr;
    GstMapInfo map{};
    bool mapped = false;
    ~MappedBuffer() {
        if (mapped)
            gst_buffer_unmap(buffer, &map);
        if (buffer)
            gst_buffer_unref(buffer);
    }
};

// Where the first plane starts and how long its rows are, honouring a video meta when present.
inline bool PlaneOf(GstBuffer* buffer, const GstVideoInfo& info, size_t* offset, size_t* stride) {
    if (GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
        *offset = meta->offset[0];
        *stride = static_cast<size_t>(meta->stride[0]);
    } else {
        *offset = GST_VIDEO_INFO_PLANE_OFFSET(&info, 0);
        *stride = static_cast<size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    }
    return *stride > 0;
}

}  // namespace tesmira::gst

namespace tesmira {

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
    std::atomic<bool> passThrough{false};  // the camera's JPEG pictures go to the file unchanged
    std::atomic<int32_t> badFrames{0};     // pictures that were no JPEG, left out and counted
    std::atomic<int32_t> delivered{0};
    std::atomic<int32_t> leakDrops{0};
    std::atomic<int32_t> gapDrops{0};
    std::atomic<uint64_t> lastOffset{GST_BUFFER_OFFSET_NONE};
    // Sources without sequence numbers (GenICam): gaps are read from the time stamps instead.
    std::atomic<uint64_t> lastPts{GST_CLOCK_TIME_NONE};
    std::atomic<int64_t> frameNs{0};
};

}  // namespace tesmira
