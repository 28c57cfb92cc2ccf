#include <gst/gst.h>

#include "media/capture_graph.h"
#include "media/genicam_cameras.h"

// The camera pages: the device node, the offered and current formats, and a change of format.
namespace tesmira {

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
    if (cameraName_ == kTestCameraName && TestCameraCaps().rfind("image/jpeg", 0) == 0) {
        for (const char* f : {"image/jpeg,width=640,height=480,framerate=30/1",
                              "image/jpeg,width=1280,height=720,framerate=30/1",
                              "image/jpeg,width=1920,height=1080,framerate=30/1",
                              "image/jpeg,width=3840,height=2160,framerate=30/1"})
            out.emplace_back(f);
        return out;
    }
    if (cameraName_ == kTestCameraName) {
        for (const char* f : {"video/x-raw,format=BGR,width=640,height=480,framerate=30/1",
                              "video/x-raw,format=BGR,width=1280,height=720,framerate=30/1",
                              "video/x-raw,format=BGR,width=1920,height=1080,framerate=60/1",
                              "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
                              "video/x-raw,format=GRAY8,width=640,height=480,framerate=30/1"})
            out.emplace_back(f);
        return out;
    }
    // Aravis' source tells its formats only while streaming: the camera itself is asked.
    if (GstElementFactory* f = gst_element_get_factory(camSrc_);
        f && g_strcmp0(GST_OBJECT_NAME(f), "aravissrc") == 0) {
        gchar* id = nullptr;
        g_object_get(camSrc_, "camera-name", &id, nullptr);
        if (id && !showing_) {
            genicamControl_.reset();  // the listing opens the camera itself
            out = GenicamOfferedFormats(id);
        }
        g_free(id);
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

std::optional<StreamFormat> CCaptureGraph::InUseFormat() const {
    // While the graph rests the pads hold no caps: the format found while building tells.
    if (auto running = StreamFormatFromCaps(CurrentFormat()))
        return running;
    return StreamFormatFromCaps(cameraCapsAtBuild_);
}

bool CCaptureGraph::NeedsRebuildFor(const std::string& caps) const {
    const auto format = StreamFormatFromCaps(caps);
    return built_ && format && KindOf(format->media) != kind_;
}

bool CCaptureGraph::Offers(const StreamFormat& format) const {
    for (const std::string& caps : OfferedFormats())
        if (StreamFormatFromCaps(caps) == format)
            return true;
    return false;
}

GstElement* CCaptureGraph::FormatFilter() const {
    // The test camera fixes its format inside its own bin; everyone else is filtered here.
    GstElement* target = camCaps_;
    if (camSrc_ && GST_IS_BIN(camSrc_)) {
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
    return target;
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

bool CCaptureGraph::ApplyStreamFormat(const std::string& capsText, MediaErrors& errors,
                                      bool* viewChanged) {
    if (viewChanged)
        *viewChanged = false;
    if (!built_ || showing_ || !camCaps_)
        return false;
    GstCaps* caps = gst_caps_from_string(capsText.c_str());
    if (!caps) {
        errors.push_back({MediaFailure::NotConnected, {}});
        return false;
    }
    GstElement* target = FormatFilter();
    GstCaps* previous = nullptr;
    g_object_get(target, "caps", &previous, nullptr);
    g_object_set(target, "caps", caps, nullptr);
    gst_caps_unref(caps);

    const int oldW = width_, oldH = height_;
    MediaErrors failure;
    const bool ok = Negotiate(&failure);
    if (!ok) {
        // Back to the format that worked, so the camera stays usable.
        g_object_set(target, "caps", previous, nullptr);
        Negotiate(nullptr);
        errors.insert(errors.end(), failure.begin(), failure.end());
    }
    if (previous)
        gst_caps_unref(previous);
    if (width_ != oldW || height_ != oldH) {
        if (!MakeBitmaps(errors))
            return false;
    }
    if (viewChanged)
        *viewChanged = true;
    return ok;
}

}  // namespace tesmira
