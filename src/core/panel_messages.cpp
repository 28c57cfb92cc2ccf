#include "core/panel_messages.h"

#include <map>
#include <mutex>

#include "core/ui_poster.h"

namespace tesmira {
namespace {

std::mutex& HandlersMutex() {
    static std::mutex m;
    return m;
}

std::map<PanelMessage, PanelMessageHandler>& Handlers() {
    static std::map<PanelMessage, PanelMessageHandler> handlers;
    return handlers;
}

}  // namespace

void SetPanelMessageHandler(PanelMessage message, PanelMessageHandler handler) {
    std::lock_guard<std::mutex> lock(HandlersMutex());
    if (handler)
        Handlers()[message] = std::move(handler);
    else
        Handlers().erase(message);
}

void PostPanelMessage(PanelMessage message) {
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
