#include "media/genicam_cameras.h"

#include <arv.h>
#include <gst/gst.h>

#include <cstdlib>
#include <cstring>

namespace tesmira {
namespace {

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

std::string Text(const char* s) {
    return s ? s : "";
}

}  // namespace

std::string GenicamName(const std::string& vendor, const std::string& model,
                        const std::string& serial) {
    std::string name = vendor;
    if (!model.empty())
        name += (name.empty() ? "" : " ") + model;
    if (!serial.empty())
        name += (name.empty() ? "(" : " (") + serial + ")";
    return name;
}

std::vector<GenicamCamera> ListGenicamCameras() {
    std::vector<GenicamCamera> out;
    arv_update_device_list();
    const unsigned n = arv_get_n_devices();
    for (unsigned i = 0; i < n && out.size() < 64; ++i) {
        const std::string id = Text(arv_get_device_id(i));
        if (id.empty())
            continue;
        std::string name =
            GenicamName(Text(arv_get_device_vendor(i)), Text(arv_get_device_model(i)),
                        Text(arv_get_device_serial_nbr(i)));
        out.push_back({name.empty() ? id : name, id});
    }
    return out;
}

bool GenicamWanted() {
    if (EnvIs("TESMIRA_GENICAM", "1"))
        return true;
    if (EnvIs("TESMIRA_GENICAM", "0"))
        return false;
    return !EnvIs("TESMIRA_TEST", "1") && !EnvIs("TESMIRA_TEST_DEVICES", "1");
}

std::vector<std::string> GenicamOfferedFormats(const std::string& deviceId) {
    std::vector<std::string> out;
    GError* error = nullptr;
    ArvCamera* camera = arv_camera_new(deviceId.c_str(), &error);
    if (!camera) {
        g_clear_error(&error);
        return out;
    }
    int minW = 0, maxW = 0, minH = 0, maxH = 0;
    arv_camera_get_width_bounds(camera, &minW, &maxW, &error);
    g_clear_error(&error);
    arv_camera_get_height_bounds(camera, &minH, &maxH, &error);
    g_clear_error(&error);
    double rate = arv_camera_get_frame_rate(camera, &error);
    g_clear_error(&error);
    const int fps = rate >= 1 && rate <= 1000 ? int(rate + 0.5) : 0;
    guint n = 0;
    gint64* formats = arv_camera_dup_available_pixel_formats(camera, &n, &error);
    g_clear_error(&error);
    struct Known {
        ArvPixelFormat pixel;
        const char* caps;
    };
    static constexpr Known kKnown[] = {
        {ARV_PIXEL_FORMAT_MONO_8, "video/x-raw,format=GRAY8"},
        {ARV_PIXEL_FORMAT_RGB_8_PACKED, "video/x-raw,format=RGB"},
        {ARV_PIXEL_FORMAT_BAYER_RG_8, "video/x-bayer,format=rggb"},
        {ARV_PIXEL_FORMAT_BAYER_BG_8, "video/x-bayer,format=bggr"},
        {ARV_PIXEL_FORMAT_BAYER_GR_8, "video/x-bayer,format=grbg"},
        {ARV_PIXEL_FORMAT_BAYER_GB_8, "video/x-bayer,format=gbrg"},
    };
    const std::pair<int, int> sizes[] = {{maxW, maxH}, {1920, 1080}, {640, 480}};
    for (guint i = 0; formats && i < n; ++i) {
        for (const Known& k : kKnown) {
            if (formats[i] != static_cast<gint64>(k.pixel))
                continue;
            for (size_t s = 0; s < 3; ++s) {
                const auto [w, h] = sizes[s];
                if (w <= 0 || h <= 0 || w > maxW || h > maxH || w < minW || h < minH ||
                    (s > 0 && w == maxW && h == maxH))
                    continue;
                std::string caps = std::string(k.caps) + ",width=" + std::to_string(w) +
                                   ",height=" + std::to_string(h);
                if (fps > 0)
                    caps += ",framerate=" + std::to_string(fps) + "/1";
                out.push_back(caps);
            }
        }
    }
    g_free(formats);
    g_object_unref(camera);
    return out;
}

GstElement* MakeGenicamSource(const std::string& deviceId) {
    GstElement* src = gst_element_factory_make("aravissrc", nullptr);
    if (!src)
        return nullptr;
    // The largest packets the path takes: fewer packets a frame, fewer lost to a busy machine.
    g_object_set(src, "camera-name", deviceId.c_str(), "auto-packet-size", TRUE, "packet-resend",
                 TRUE, nullptr);
    if (const char* size = std::getenv("TESMIRA_GENICAM_PACKET_SIZE"))
        g_object_set(src, "auto-packet-size", FALSE, "packet-size", std::atoi(size), nullptr);
    return src;
}

GenicamLister::GenicamLister(ListFn list) : list_(std::move(list)) {
    worker_ = std::thread([this] { Run(); });
}

GenicamLister::~GenicamLister() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

std::vector<GenicamCamera> GenicamLister::Latest() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!wanted_) {
        wanted_ = true;
        changed_.notify_all();
    }
    return latest_;
}

bool GenicamLister::WaitForFirst(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return listed_; });
}

void GenicamLister::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return wanted_ || stop_; });
        if (stop_)
            return;
        wanted_ = false;
        lock.unlock();
        std::vector<GenicamCamera> found = list_();
        lock.lock();
        latest_ = std::move(found);
        listed_ = true;
        changed_.notify_all();
    }
}

}  // namespace tesmira
