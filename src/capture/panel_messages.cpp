#include "capture/panel_messages.h"

#include <map>
#include <mutex>

#include "capture/frame_slot.h"

namespace tesmira {
namespace {

std::mutex& HandlersMutex() {
    static std::mutex m;
    return m;
}

std::map<int, PanelMessageHandler>& Handlers() {
    static std::map<int, PanelMessageHandler> handlers;
    return handlers;
}

}  // namespace

void SetPanelMessageHandler(int message, PanelMessageHandler handler) {
    std::lock_guard<std::mutex> lock(HandlersMutex());
    if (handler)
        Handlers()[message] = std::move(handler);
    else
        Handlers().erase(message);
}

void PostPanelMessage(int message) {
    RunOnUiThread([message] {
        PanelMessageHandler handler;
        {
            std::lock_guard<std::mutex> lock(HandlersMutex());
            const auto it = Handlers().find(message);
            if (it != Handlers().end())
                handler = it->second;
        }
        if (handler)
            handler();
    });
}

}  // namespace tesmira
