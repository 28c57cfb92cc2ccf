// A device catalogue whose lists the test edits; cameras are live test sources.
#pragma once

#include <gst/gst.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "media/device_catalog.h"

namespace tesmira::test {

class FakeCatalog : public IDeviceCatalog {
public:
    std::vector<CaptureDevice> cameras;
    std::vector<CaptureDevice> microphones;
    std::string caps = "video/x-raw,format=BGR,width=160,height=120,framerate=30/1";
    int cameraBuffers = -1;  // > 0: the camera stops after that many frames, as if unplugged
    int cameraQueries = 0;
    // Sees every frame as the camera sends it (on the camera's thread).
    std::function<void(GstBuffer*)> tap;
    // > 0: every n-th frame is cut to its first 20 bytes before the tap sees it (a transfer cut
    // short).
    int cutEvery = 0;

    std::optional<std::vector<CaptureDevice>> Cameras() override {
        ++cameraQueries;
        return cameras;
    }
    std::optional<std::vector<CaptureDevice>> Microphones() override { return microphones; }
    GstElement* CreateCameraSource(const std::string& name) override {
        for (const CaptureDevice& d : cameras)
            if (d.name == name) {
                GstElement* src = MakeTestCameraSource(caps);
                if (src && cameraBuffers > 0) {
                    GstIterator* it = gst_bin_iterate_sources(GST_BIN(src));
                    GValue v = G_VALUE_INIT;
                    if (gst_iterator_next(it, &v) == GST_ITERATOR_OK) {
                        g_object_set(g_value_get_object(&v), "num-buffers", cameraBuffers, nullptr);
                        g_value_unset(&v);
                    }
                    gst_iterator_free(it);
                }
                if (src && (tap || cutEvery > 0)) {
                    GstPad* pad = gst_element_get_static_pad(src, "src");
                    gst_pad_add_probe(
                        pad, GST_PAD_PROBE_TYPE_BUFFER,
                        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
                            auto* self = static_cast<FakeCatalog*>(data);
                            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
                            if (self->cutEvery > 0 && ++self->sent_ % self->cutEvery == 0) {
                                GstBuffer* cut = gst_buffer_copy_region(
                                    buffer, GST_BUFFER_COPY_ALL, 0,
                                    std::min<gsize>(20, gst_buffer_get_size(buffer)));
                                gst_buffer_unref(buffer);
                                GST_PAD_PROBE_INFO_DATA(info) = buffer = cut;
                            }
                            if (self->tap)
                                self->tap(buffer);
                            return GST_PAD_PROBE_OK;
                        },
                        this, nullptr);
                    gst_object_unref(pad);
                }
                return src;
            }
        return nullptr;
    }
    int sent_ = 0;  // frames seen by the probe (the camera's thread only)

    GstElement* CreateMicrophoneSource(const std::string& name) override {
        for (const CaptureDevice& d : microphones)
            if (d.name == name)
                return MakeTestMicrophoneSource();
        return nullptr;
    }
};

}  // namespace tesmira::test
