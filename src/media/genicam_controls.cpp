#include <arv.h>
#include <gst/gst.h>

#include <cmath>

#include "media/capture_graph.h"

// The settings of a GenICam camera's page: exposure and gain, read and written through the
// camera object of Aravis' source element.
namespace tesmira {

// While streaming the source's own camera object; otherwise one of ours, kept until the graph
// runs again (GigE Vision gives one program at a time control of a camera). A new reference, or
// nullptr for a camera of another kind.
ArvCamera* CCaptureGraph::GenicamCamera() const {
    if (!camSrc_ || !g_object_class_find_property(G_OBJECT_GET_CLASS(camSrc_), "camera"))
        return nullptr;
    ArvCamera* camera = nullptr;
    g_object_get(camSrc_, "camera", &camera, nullptr);
    if (camera || showing_)
        return camera;
    if (!genicamControl_) {
        gchar* id = nullptr;
        g_object_get(camSrc_, "camera-name", &id, nullptr);
        GError* error = nullptr;
        ArvCamera* own = id ? arv_camera_new(id, &error) : nullptr;
        g_clear_error(&error);
        g_free(id);
        if (!own)
            return nullptr;
        genicamControl_.reset(own, [](void* c) { g_object_unref(c); });
    }
    return ARV_CAMERA(g_object_ref(genicamControl_.get()));
}

void CCaptureGraph::ReleaseGenicamControl() {
    genicamControl_.reset();
}

std::vector<CameraSetting> CCaptureGraph::CameraSettings() const {
    std::vector<CameraSetting> out;
    ArvCamera* camera = GenicamCamera();
    if (!camera)
        return out;
    GError* error = nullptr;
    double min = 0, max = 0, value = 0;
    if (arv_camera_is_exposure_time_available(camera, &error) && !error) {
        arv_camera_get_exposure_time_bounds(camera, &min, &max, &error);
        if (!error)
            value = arv_camera_get_exposure_time(camera, &error);
        if (!error && std::isfinite(min) && std::isfinite(max) && min < max)
            out.push_back({kExposureSetting, min, max, value});
    }
    g_clear_error(&error);
    if (arv_camera_is_gain_available(camera, &error) && !error) {
        arv_camera_get_gain_bounds(camera, &min, &max, &error);
        if (!error)
            value = arv_camera_get_gain(camera, &error);
        if (!error && std::isfinite(min) && std::isfinite(max) && min < max)
            out.push_back({kGainSetting, min, max, value});
    }
    g_clear_error(&error);
    g_object_unref(camera);
    return out;
}

bool CCaptureGraph::SetCameraSetting(const std::string& name, double value) {
    ArvCamera* camera = GenicamCamera();
    if (!camera)
        return false;
    GError* error = nullptr;
    // Through the element too, so that a restart of the stream keeps the value.
    if (name == kExposureSetting) {
        arv_camera_set_exposure_time_auto(camera, ARV_AUTO_OFF, &error);
        g_clear_error(&error);
        arv_camera_set_exposure_time(camera, value, &error);
        g_object_set(camSrc_, "exposure-auto", 0, "exposure", value, nullptr);
    } else if (name == kGainSetting) {
        arv_camera_set_gain_auto(camera, ARV_AUTO_OFF, &error);
        g_clear_error(&error);
        arv_camera_set_gain(camera, value, &error);
        g_object_set(camSrc_, "gain-auto", 0, "gain", value, nullptr);
    }
    const bool ok = !error;
    g_clear_error(&error);
    g_object_unref(camera);
    return ok;
}

}  // namespace tesmira
