#include "app/command_registry.h"

#include <map>

namespace tesmira {
namespace {

std::map<int, CommandHandler>& Handlers() {
    static std::map<int, CommandHandler> handlers;
    return handlers;
}

std::map<int, CommandEnabledQuery>& Queries() {
    static std::map<int, CommandEnabledQuery> queries;
    return queries;
}

}  // namespace

void SetCommandHandler(int id, CommandHandler handler) {
    if (handler) {
        Handlers()[id] = std::move(handler);
    } else {
        Handlers().erase(id);
    }
}

void SetCommandEnabledQuery(int id, CommandEnabledQuery query) {
    if (query) {
        Queries()[id] = std::move(query);
    } else {
        Queries().erase(id);
    }
}

bool HasCommandHandler(int id) {
    return Handlers().count(id) != 0;
}

bool RunCommand(int id) {
    auto it = Handlers().find(id);
    if (it == Handlers().end())
        return false;
    // Copy: the handler may replace itself while it runs.
    CommandHandler handler = it->second;
    handler();
    return true;
}

bool QueryCommandEnabled(int id, bool fallback) {
    auto it = Queries().find(id);
    return it == Queries().end() ? fallback : it->second();
}

void ClearCommandRegistry() {
    Handlers().clear();
    Queries().clear();
}

}  // namespace tesmira
