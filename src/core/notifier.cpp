#include "core/notifier.h"

#include <cstdio>

namespace tesmira {

void StderrNotifier::Notify(const std::string& text, MessageIcon) {
    std::fprintf(stderr, "tesmira: %s\n", text.c_str());
}

}  // namespace tesmira
