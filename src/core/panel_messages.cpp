#include "core/panel_messages.h"

#include "core/ui_poster.h"

namespace tesmira {

PanelMessageRouter::PanelMessageRouter(IUiPoster& ui)
    : ui_(ui), handlers_(std::make_shared<Handlers>()) {}

void PanelMessageRouter::SetHandler(PanelMessage message, PanelMessageHandler handler) {
    std::lock_guard<std::mutex> lock(handlers_->mutex);
    if (handler)
        handlers_->byMessage[message] = std::move(handler);
    else
        handlers_->byMessage.erase(message);
}

void PanelMessageRouter::Post(PanelMessage message) {
    std::weak_ptr<Handlers> weak = handlers_;
    ui_.Post([weak, message] {
        const std::shared_ptr<Handlers> handlers = weak.lock();
        if (!handlers)
            return;
        PanelMessageHandler handler;
        {
            std::lock_guard<std::mutex> lock(handlers->mutex);
            const auto it = handlers->byMessage.find(message);
            if (it != handlers->byMessage.end())
                handler = it->second;
        }
        // Run outside the lock: the handler may install or remove handlers.
        if (handler)
            handler();
    });
}

}  // namespace tesmira
