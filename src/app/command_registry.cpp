#include "app/command_registry.h"

namespace tesmira {

void CommandRegistry::SetCommandHandler(int id, CommandHandler handler) {
    if (handler) {
        handlers_[id] = std::move(handler);
    } else {
        handlers_.erase(id);
    }
}

void CommandRegistry::SetCommandEnabledQuery(int id, CommandEnabledQuery query) {
    if (query) {
        queries_[id] = std::move(query);
    } else {
        queries_.erase(id);
    }
}

bool CommandRegistry::HasCommandHandler(int id) const {
    return handlers_.count(id) != 0;
}

bool CommandRegistry::RunCommand(int id) {
    auto it = handlers_.find(id);
    if (it == handlers_.end())
        return false;
    // Copy: the handler may replace itself while it runs.
    CommandHandler handler = it->second;
    handler();
    return true;
}

bool CommandRegistry::QueryCommandEnabled(int id, bool fallback) const {
    auto it = queries_.find(id);
    return it == queries_.end() ? fallback : it->second();
}

}  // namespace tesmira
