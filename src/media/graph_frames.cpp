#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "media/bgr_to_bgrx.h"
#include "media/bgrx_to_dib.h"
#include "media/capture_graph.h"
#include "media/graph_internals.h"
#include "media/jpeg_decode.h"

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
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        gst_sample_unref(sample);
        return;
    }
    if (GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_ENCODED) {
        HandleJpegPreview(sample, info);
        gst_sample_unref(sample);
        return;
    }
    auto mapped = std::make_shared<gst::MappedBuffer>();
    mapped->buffer = gst_buffer_ref(buffer);
    gst_sample_unref(sample);
    ShowPreview(std::move(mapped), info);
}

// A JPEG camera's picture, decoded here on the preview queue's thread (a 4K picture takes tens of
// milliseconds: on the camera's thread it would hold back the record branches), and only when
// the pane or a grab will see it.
void CCaptureGraph::HandleJpegPreview(GstSample* sample, const GstVideoInfo& info) {
    if (grabRequest_.load() == 0 && (!showing_ || PreviewWouldBeUnseen())) {
        ++previewSpared_;
        return;
    }
    const int w = GST_VIDEO_INFO_WIDTH(&info), h = GST_VIDEO_INFO_HEIGHT(&info);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return;
    std::shared_ptr<gst::MappedBuffer> wide = AcquireBgrx(w, h);
    const bool decoded = wide && DecodeJpegToBgrx(map.data, map.size, wide->map.data,
                                                  static_cast<size_t>(w) * 4, w, h);
    gst_buffer_unmap(buffer, &map);
    if (!decoded) {
        ++previewBad_;  // a damaged picture (or one of another size): the pane keeps its own
        return;
    }
    Present(wide->map.data, static_cast<size_t>(w) * 4, w, h, false, wide);
}

// A BGRx or BGR camera's frame is taken for the view where the tee hands it to the preview
// branch, in the camera's own streaming thread while the frame is still in that core's cache:
// widening it there costs a fraction of doing it after the queue on another thread. The queue,
// converter and sink behind it then only carry the caps. Other layouts take the converter's route.
int CCaptureGraph::OnPreviewQueueBuffer(GstPad* pad, void* infoPtr, void* self) {
    auto* graph = static_cast<CCaptureGraph*>(self);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(static_cast<GstPadProbeInfo*>(infoPtr));
    if (!buffer)
        return GST_PAD_PROBE_OK;
    GstVideoInfo info;
    GstCaps* caps = gst_pad_get_current_caps(pad);
    const bool known = caps && gst_video_info_from_caps(&info, caps);
    if (caps)
        gst_caps_unref(caps);
    if (known && GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_ENCODED) {
        // A JPEG picture the pane would not see is not worth queueing for the decoder.
        ++graph->previewFrames_;
        if (!graph->PreviewWouldBeUnseen())
            return GST_PAD_PROBE_OK;
        ++graph->previewSpared_;
        return GST_PAD_PROBE_DROP;
    }
    if (!known || (GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGR &&
                   GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx))
        return GST_PAD_PROBE_OK;
    ++graph->previewFrames_;
    if (graph->PreviewWouldBeUnseen()) {
        ++graph->previewSpared_;
        return GST_PAD_PROBE_DROP;
    }
    auto mapped = std::make_shared<gst::MappedBuffer>();
    mapped->buffer = gst_buffer_ref(buffer);
    graph->ShowPreview(std::move(mapped), info);
    return GST_PAD_PROBE_DROP;
}

void CCaptureGraph::ShowPreview(std::shared_ptr<gst::MappedBuffer> mapped,
                                const GstVideoInfo& info) {
    if (!gst_buffer_map(mapped->buffer, &mapped->map, GST_MAP_READ))
        return;
    mapped->mapped = true;
    size_t offset = 0, stride = 0;
    if (!gst::PlaneOf(mapped->buffer, info, &offset, &stride))
        return;
    const int w = GST_VIDEO_INFO_WIDTH(&info);
    const int h = GST_VIDEO_INFO_HEIGHT(&info);
    const bool bgr = GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_BGR;
    const size_t pixelBytes = bgr ? 3 : 4;
    if (w <= 0 || h <= 0 || stride < static_cast<size_t>(w) * pixelBytes ||
        offset + stride * static_cast<size_t>(h - 1) + static_cast<size_t>(w) * pixelBytes >
            mapped->map.size)
        return;  // a short buffer is never read past its end
    Present(mapped->map.data + offset, stride, w, h, bgr, mapped);
}

void CCaptureGraph::Present(const uint8_t* data, size_t stride, int w, int h, bool bgr,
                            std::shared_ptr<void> hold) {
    // One request gives exactly one copy: taking the request here means the bitmap is not
    // written again while the UI thread reads it after the message.
    int expected = 1;
    const bool grab = grabRequest_.compare_exchange_strong(expected, 0);
    const bool unseen = !showing_ || PreviewWouldBeUnseen();
    if (!grab && unseen) {
        ++previewSpared_;
        return;
    }
    if (grab) {
        // Straight from the camera's own layout into the 24-bit bitmap.
        {
            std::lock_guard<std::mutex> lock(dibMutex_);
            if (dib_ && bgr)
                CopyBgrIntoDib(data, stride, w, h, *dib_);
            else if (dib_)
                CopyBgrxIntoDib(data, stride, w, h, *dib_);
        }
        listener_.OnFrameGrabbed(grabMessage_.load());
        if (unseen)
            return;  // the still was all this frame was wanted for
    }
    if (bgr) {
        hold = WidenToBgrx(data, stride, w, h, &data);
        stride = static_cast<size_t>(w) * 4;
        if (!hold)
            return;  // no memory for this frame: the pane keeps the one it has
    }
    {
        auto frame = std::make_shared<VideoFrame>();
        frame->width = w;
        frame->height = h;
        frame->stride = stride;
        frame->data = data;
        frame->hold = std::move(hold);
        preview_.Put(std::move(frame));
    }
}

std::shared_ptr<gst::MappedBuffer> CCaptureGraph::AcquireBgrx(int w, int h) {
    const size_t size = static_cast<size_t>(w) * 4 * static_cast<size_t>(h);
    if (!widePool_ || widePoolSize_ != size) {
        if (widePool_) {
            gst_buffer_pool_set_active(widePool_, FALSE);
            gst_object_unref(widePool_);
            widePool_ = nullptr;
        }
        // Buffers come back when the pane and the slot let their frames go, so a handful is
        // reused for the whole run; no upper bound, so a slow pane never stalls the stream.
        GstBufferPool* pool = gst_buffer_pool_new();
        GstStructure* config = gst_buffer_pool_get_config(pool);
        gst_buffer_pool_config_set_params(config, nullptr, static_cast<guint>(size), 3, 0);
        GstAllocationParams params;
        gst_allocation_params_init(&params);
        params.align = 63;  // rows start on cache lines, so the widening can stream its stores
        gst_buffer_pool_config_set_allocator(config, nullptr, &params);
        if (!gst_buffer_pool_set_config(pool, config) || !gst_buffer_pool_set_active(pool, TRUE)) {
            gst_object_unref(pool);
            return {};
        }
        widePool_ = pool;
        widePoolSize_ = size;
    }
    auto wide = std::make_shared<gst::MappedBuffer>();
    if (gst_buffer_pool_acquire_buffer(widePool_, &wide->buffer, nullptr) != GST_FLOW_OK)
        return {};
    if (!gst_buffer_map(wide->buffer, &wide->map, GST_MAP_READWRITE))
        return {};
    wide->mapped = true;
    if (wide->map.size < size)
        return {};
    return wide;
}

std::shared_ptr<void> CCaptureGraph::WidenToBgrx(const uint8_t* bgr, size_t stride, int w, int h,
                                                 const uint8_t** data) {
    std::shared_ptr<gst::MappedBuffer> wide = AcquireBgrx(w, h);
    if (!wide)
        return {};
    ConvertBgrToBgrx(bgr, stride, wide->map.data, static_cast<size_t>(w) * 4, w, h);
    *data = wide->map.data;
    return wide;
}

// While the pane has not painted the previous frame (busy, minimised or hidden), converting this
// one would be wasted: it would replace that frame unseen. A frame still to be grabbed is needed.
bool CCaptureGraph::PreviewWouldBeUnseen() const {
    return !negotiating_ && grabRequest_.load() == 0 && (!showing_ || preview_.Waiting());
}

int CCaptureGraph::OnPreviewConvertBuffer(GstPad*, void*, void* self) {
    auto* graph = static_cast<CCaptureGraph*>(self);
    ++graph->previewFrames_;  // every frame the preview receives, shown or spared
    if (!graph->PreviewWouldBeUnseen())
        return GST_PAD_PROBE_OK;
    ++graph->previewSpared_;
    return GST_PAD_PROBE_DROP;
}

void CCaptureGraph::OnPreviewOverrun(GstElement*, void* self) {
    ++static_cast<CCaptureGraph*>(self)->previewLost_;
}

}  // namespace tesmira
