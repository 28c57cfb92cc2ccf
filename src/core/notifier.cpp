#include "core/notifier.h"

#include <cstdio>

namespace tesmira {
namespace {

INotifier* g_notifier = nullptr;
MessageSink g_sink;

}  // namespace

void ShowMessage(const std::string& text, MessageIcon icon) {
    if (g_sink) {
        g_sink(text, icon);
        return;
    }
    if (g_notifier) {
        g_notifier->Notify(text, icon);
        return;
    }
    std::fprintf(stderr, "tesmira: %s\n", text.c_str());
}

void InstallNotifier(INotifier* notifier) {
    g_notifier = notifier;
}

void SetMessageSink(MessageSink sink) {
    g_sink = std::move(sink);
}

}  // namespace tesmira
