// Window messages the capture graph posts to the control panel. The streaming thread posts; the
// handler that the panel (or recording control, or the shot code) installs runs on the UI thread.
#pragma once

#include <functional>

namespace tesmira {

enum class PanelMessage : int {
    kGraphEvent = 1025,      // graph events are waiting (FetchGraphEvents)
    kStillFrame = 1026,      // a still-shot frame is in the frame bitmap
    kTimelapseFrame = 1027,  // a time-lapse frame is in the frame bitmap
};

using PanelMessageHandler = std::function<void()>;

// Installs the handler of one message number (an empty handler removes it).
void SetPanelMessageHandler(PanelMessage message, PanelMessageHandler handler);
// Thread-safe: queues the message to the UI thread, where its handler (if any) runs.
void PostPanelMessage(PanelMessage message);

}  // namespace tesmira
