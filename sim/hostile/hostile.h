// What the hostile stand-ins share: which entry points misbehave and how. The library's folder
// decides how (built with HOSTILE_BLOCK: the call sleeps, HOSTILE_CRASH: it dies of a segfault);
// TESMIRA_HOSTILE_CALLS names the entry points that do (comma-separated, "all" for every one;
// by default the one that switches or reads), TESMIRA_HOSTILE_BLOCK_MS how long a call sleeps
// (10 s by default).
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace hostile {

inline bool Misbehaves(const char* entryPoint, const char* byDefault) {
    const char* env = std::getenv("TESMIRA_HOSTILE_CALLS");
    const std::string calls = env ? env : byDefault;
    if (calls == "all")
        return true;
    const std::string padded = "," + calls + ",";
    return padded.find("," + std::string(entryPoint) + ",") != std::string::npos;
}

inline void Misbehave(const char* entryPoint, const char* byDefault) {
    if (!Misbehaves(entryPoint, byDefault))
        return;
#if defined(HOSTILE_BLOCK)
    const char* env = std::getenv("TESMIRA_HOSTILE_BLOCK_MS");
    const long ms = env ? std::atol(env) : 10000;
    usleep(static_cast<useconds_t>(ms) * 1000);
#elif defined(HOSTILE_CRASH)
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    raise(SIGSEGV);  // should the store above ever be survived
#endif
}

}  // namespace hostile
