#include "media/device_catalog.h"

#include <gst/gst.h>

#include <cstdlib>
#include <cstring>

#include "media/device_rules.h"
#include "media/genicam_cameras.h"

namespace tesmira {

const char* const kTestCameraName = "Tesmira Test Camera";
const char* const kTestMicrophoneName = "Tesmira Test Microphone";

namespace {

bool TestDevicesWanted() {
    const char* v = std::getenv("TESMIRA_TEST_DEVICES");
    return v && std::strcmp(v, "1") == 0;
}

std::string StringProperty(GstDevice* device, const char* key) {
    std::string out;
    GstStructure* props = gst_device_get_properties(device);
    if (!props)
        return out;
    if (const gchar* v = gst_structure_get_string(props, key))
        out = v;
    gst_structure_free(props);
    return out;
}

struct Listed {
    std::string name;
    std::string busPath;
    GstDevice* device;  // owned reference
};

// One probe of the device providers for a class ("Video/Source" or "Audio/Source").
std::optional<std::vector<Listed>> Probe(const char* deviceClass) {
    if (!EnsureGStreamer())
        return std::nullopt;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    if (!monitor)
        return std::nullopt;
    gst_device_monitor_add_filter(monitor, deviceClass, nullptr);
    std::vector<Listed> out;
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* l = devices; l; l = l->next) {
        GstDevice* device = GST_DEVICE(l->data);
        gchar* name = gst_device_get_display_name(device);
        std::string bus = StringProperty(device, "device.bus_path");
        if (bus.empty())
            bus = StringProperty(device, "sysfs.path");
        out.push_back({name ? name : "", bus, GST_DEVICE(gst_object_ref(device))});
        g_free(name);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return out;
}

void Release(std::vector<Listed>& list) {
    for (Listed& l : list)
        gst_object_unref(l.device);
    list.clear();
}

GstElement* CreateFrom(const char* deviceClass, const std::string& name) {
    auto listed = Probe(deviceClass);
    if (!listed)
        return nullptr;
    GstElement* element = nullptr;
    for (Listed& l : *listed) {
        if (l.name == name) {
            element = gst_device_create_element(l.device, nullptr);
            break;
        }
    }
    Release(*listed);
    return element;
}

class SystemCatalog : public IDeviceCatalog {
public:
    SystemCatalog() {
        if (GenicamWanted() && EnsureGStreamer())
            genicam_ = std::make_unique<GenicamLister>();
    }

    std::optional<std::vector<CaptureDevice>> Cameras() override {
        auto cams = Probe("Video/Source");
        if (!cams)
            return std::nullopt;
        auto mics = Probe("Audio/Source");
        std::vector<CaptureDevice> out;
        for (const Listed& c : *cams) {
            CaptureDevice d{c.name, c.busPath, {}};
            if (mics) {
                for (const Listed& m : *mics) {
                    if (SameUsbDevice(c.busPath, m.busPath)) {
                        d.ownAudioName = m.name;
                        break;
                    }
                }
            }
            out.push_back(d);
        }
        Release(*cams);
        if (mics)
            Release(*mics);
        if (TestDevicesWanted())
            out.push_back({kTestCameraName, {}, {}});
        for (const GenicamCamera& g : GenicamCameras())
            out.push_back({g.name, {}, {}});
        return out;
    }

    std::optional<std::vector<CaptureDevice>> Microphones() override {
        auto mics = Probe("Audio/Source");
        if (!mics)
            return std::nullopt;
        std::vector<CaptureDevice> out;
        for (const Listed& m : *mics)
            out.push_back({m.name, m.busPath, {}});
        Release(*mics);
        if (TestDevicesWanted())
            out.push_back({kTestMicrophoneName, {}, {}});
        return out;
    }

    GstElement* CreateCameraSource(const std::string& name) override {
        if (TestDevicesWanted() && name == kTestCameraName)
            return MakeTestCameraSource(TestCameraCaps());
        for (const GenicamCamera& g : GenicamCameras())
            if (g.name == name)
                return MakeGenicamSource(g.deviceId);
        return CreateFrom("Video/Source", name);
    }

    GstElement* CreateMicrophoneSource(const std::string& name) override {
        if (TestDevicesWanted() && name == kTestMicrophoneName)
            return MakeTestMicrophoneSource();
        return CreateFrom("Audio/Source", name);
    }

private:
    std::vector<GenicamCamera> GenicamCameras() {
        if (!genicam_)
            return {};
        // Only the first look waits, so that the camera chosen last time is there to be bound.
        if (!waited_) {
            waited_ = true;
            genicam_->WaitForFirst(std::chrono::milliseconds(2500));
        }
        return genicam_->Latest();
    }

    std::unique_ptr<GenicamLister> genicam_;
    bool waited_ = false;
};

}  // namespace

bool EnsureGStreamer() {
    // The media system is set up once for the whole process; later calls only read the outcome.
    static const bool ok = gst_init_check(nullptr, nullptr, nullptr);
    return ok;
}

std::unique_ptr<IDeviceCatalog> MakeSystemDeviceCatalog() {
    return std::make_unique<SystemCatalog>();
}

std::string TestCameraCaps() {
    const char* v = std::getenv("TESMIRA_TEST_CAMERA_CAPS");
    if (v && *v)
        return v;
    return "video/x-raw,format=BGR,width=640,height=480,framerate=30/1";
}

GstElement* MakeTestCameraSource(const std::string& caps) {
    if (!EnsureGStreamer())
        return nullptr;
    // Colour bars that scroll slowly sideways, so motion is visible; a bin with the caps inside,
    // so the camera's default format is the one the environment asks for.
    // JPEG caps make it an MJPEG camera: the bars are encoded, and the size and rate asked of
    // the pictures reach the bars through the encoder.
    const bool jpeg = caps.rfind("image/jpeg", 0) == 0;
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
    GstElement* encoder = jpeg ? gst_element_factory_make("jpegenc", nullptr) : nullptr;
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    if (!bin || !src || !filter || (jpeg && !encoder)) {
        for (GstElement* e : {bin, src, encoder, filter})
            if (e)
                gst_object_unref(e);
        return nullptr;
    }
    g_object_set(src, "is-live", TRUE, "pattern", 0 /*smpte*/, "horizontal-speed", 1, nullptr);
    GstCaps* c = gst_caps_from_string(caps.c_str());
    if (!c)
        c = gst_caps_from_string("video/x-raw,format=BGR,width=640,height=480,framerate=30/1");
    g_object_set(filter, "caps", c, nullptr);
    gst_caps_unref(c);
    gst_bin_add_many(GST_BIN(bin), src, filter, nullptr);
    if (encoder) {
        gst_bin_add(GST_BIN(bin), encoder);
        gst_element_link_many(src, encoder, filter, nullptr);
    } else {
        gst_element_link(src, filter);
    }
    GstPad* pad = gst_element_get_static_pad(filter, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad));
    gst_object_unref(pad);
    return bin;
}

GstElement* MakeTestMicrophoneSource() {
    if (!EnsureGStreamer())
        return nullptr;
    GstElement* src = gst_element_factory_make("audiotestsrc", nullptr);
    if (src)
        g_object_set(src, "is-live", TRUE, "wave", 0 /*sine*/, "volume", 0.2, nullptr);
    return src;
}

}  // namespace tesmira
