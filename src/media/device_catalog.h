// The capture devices present on the machine: cameras (video sources) and microphones (audio
// sources), named by their display names. The graph creates its source elements through the
// catalogue it is given, so tests can hand it one of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;

namespace tesmira {

extern const char* const kTestCameraName;      // "Tesmira Test Camera"
extern const char* const kTestMicrophoneName;  // "Tesmira Test Microphone"

struct CaptureDevice {
    std::string name;
    std::string busPath;       // "device.bus_path" of the device, empty when unknown
    std::string ownAudioName;  // cameras: the microphone that belongs to the same device, or empty
};

class IDeviceCatalog {
public:
    virtual ~IDeviceCatalog() = default;
    // std::nullopt when the device system cannot be asked at all.
    virtual std::optional<std::vector<CaptureDevice>> Cameras() = 0;
    virtual std::optional<std::vector<CaptureDevice>> Microphones() = 0;
    // A new, floating source element for the named device, or nullptr when it is not present.
    virtual GstElement* CreateCameraSource(const std::string& name) = 0;
    virtual GstElement* CreateMicrophoneSource(const std::string& name) = 0;
};

// The catalogue of this machine (GstDeviceMonitor, plus the test devices when the environment
// variable TESMIRA_TEST_DEVICES is 1). The composition root owns it; tests hand in their own.
std::unique_ptr<IDeviceCatalog> MakeSystemDeviceCatalog();

// Caps of the test camera: TESMIRA_TEST_CAMERA_CAPS or 640x480 BGR at 30 fps.
std::string TestCameraCaps();
// The test devices as elements (used by the catalogue and by the benchmark).
GstElement* MakeTestCameraSource(const std::string& caps);
GstElement* MakeTestMicrophoneSource();

// GStreamer is set up once per process; false when it could not be.
bool EnsureGStreamer();

}  // namespace tesmira
