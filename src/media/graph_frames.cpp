#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "media/bgrx_to_dib.h"
#include "media/capture_graph.h"
#include "media/graph_internals.h"

// The preview branch: frames for the view and the one-shot grabber.
namespace tesmira {

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
    auto mapped = std::make_shared<gst::MappedSample>();
    mapped->sample = sample;
    mapped->buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!mapped->buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)))
        return;
    if (!gst_buffer_map(mapped->buffer, &mapped->map, GST_MAP_READ))
        return;
    mapped->mapped = true;
    size_t offset = 0, stride = 0;
    if (!gst::PlaneOf(mapped->buffer, info, &offset, &stride))
        return;
    const int w = GST_VIDEO_INFO_WIDTH(&info);
    const int h = GST_VIDEO_INFO_HEIGHT(&info);
    if (offset + stride * static_cast<size_t>(h > 0 ? h - 1 : 0) + static_cast<size_t>(w) * 4 >
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
                CopyBgrxIntoDib(data, stride, w, h, *dib_);
        }
        listener_.OnFrameGrabbed(grabMessage_.load());
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

}  // namespace tesmira
