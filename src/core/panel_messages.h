// Window messages the capture graph posts to the control panel. The streaming thread posts; the
// handler that the panel (or recording control, or the shot code) installs runs on the UI thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace tesmira {

class IUiPoster;

enum class PanelMessage : int {
    kGraphEvent = 1025,      // graph events are waiting (FetchGraphEvents)
    kStillFrame = 1026,      // a still-shot frame is in the frame bitmap
    kTimelapseFrame = 1027,  // a time-lapse frame is in the frame bitmap
};

using PanelMessageHandler = std::function<void()>;

// Delivers posted panel messages to their handlers on the UI thread.
class PanelMessageRouter {
public:
    explicit PanelMessageRouter(IUiPoster& ui);
    PanelMessageRouter(const PanelMessageRouter&) = delete;
    PanelMessageRouter& operator=(const PanelMessageRouter&) = delete;

    // Installs the handler of one message number (an empty handler removes it).
    void SetHandler(PanelMessage message, PanelMessageHandler handler);
    // Thread-safe: queues the message to the UI thread, where its handler (if any) runs. The
    // handler is looked up on delivery, so one removed meanwhile (or a router already gone)
    // runs nothing.
    void Post(PanelMessage message);

private:
    struct Handlers {
        std::mutex mutex;
        std::map<PanelMessage, PanelMessageHandler> byMessage;
    };

    IUiPoster& ui_;
    // Shared with the queued deliveries, which hold it weakly.
    std::shared_ptr<Handlers> handlers_;
};

}  // namespace tesmira
