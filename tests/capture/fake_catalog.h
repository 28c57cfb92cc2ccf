// A device catalogue whose lists the test edits; cameras are live test sources.
#pragma once

#include <gst/gst.h>

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
                return src;
            }
        return nullptr;
    }
    GstElement* CreateMicrophoneSource(const std::string& name) override {
        for (const CaptureDevice& d : microphones)
            if (d.name == name)
                return MakeTestMicrophoneSource();
        return nullptr;
    }
};

}  // namespace tesmira::test
