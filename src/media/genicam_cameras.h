// GenICam cameras (GigE Vision and USB3 Vision) through Aravis. Finding them takes a network
// discovery of about a second, so a thread of their own lists them and the camera lists take the
// last list it finished: the UI never waits for the network, except once, briefly, at start-up,
// so that the camera chosen last time is found.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _GstElement GstElement;

namespace tesmira {

struct GenicamCamera {
    std::string name;      // "vendor model (serial)"
    std::string deviceId;  // Aravis' id, what its source element opens
};

// "vendor model (serial)"; missing parts are left out.
std::string GenicamName(const std::string& vendor, const std::string& model,
                        const std::string& serial);

// Every GenICam camera Aravis finds now (blocks for the discovery).
std::vector<GenicamCamera> ListGenicamCameras();

// Whether GenICam cameras are looked for: always, except in the test and lab set-ups (which
// must send no discovery onto a network), unless TESMIRA_GENICAM=1 asks for it there.
bool GenicamWanted();

// The fixed formats worth offering on the format page, as caps: each 8-bit pixel format the
// camera has (Mono8, RGB8, Bayer 8-bit) at its full size, 1920×1080 and 640×480 where they fit,
// at its present frame rate. Opens the camera for a moment: only while it is not streaming.
std::vector<std::string> GenicamOfferedFormats(const std::string& deviceId);

// A new, floating source for the camera (nullptr without Aravis' GStreamer element).
GstElement* MakeGenicamSource(const std::string& deviceId);

class GenicamLister {
public:
    using ListFn = std::function<std::vector<GenicamCamera>()>;
    // Starts the first listing at once.
    explicit GenicamLister(ListFn list = ListGenicamCameras);
    ~GenicamLister();
    GenicamLister(const GenicamLister&) = delete;
    GenicamLister& operator=(const GenicamLister&) = delete;

    // The cameras of the last listing that finished (none before the first); asks for a new
    // listing unless one is under way.
    std::vector<GenicamCamera> Latest();
    // Waits at most `timeout` for the first listing to finish; true when it has.
    bool WaitForFirst(std::chrono::milliseconds timeout);

private:
    void Run();

    ListFn list_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<GenicamCamera> latest_;
    bool listed_ = false;
    bool wanted_ = true;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace tesmira
