// Loading the settings from a damaged profile: every key may hold any text. Loading must give
// values inside their documented ranges and a save must read back to the same values.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/notifier.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/settings_store.h"

namespace {

// The input is "key=value" lines.
void Fill(tesmira::MemoryProfile& profile, std::string_view text) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        profile.values[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
}

class Quiet : public tesmira::INotifier {
public:
    void Notify(const std::string&, tesmira::MessageIcon) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tesmira::MemoryProfile profile;
    Fill(profile, std::string_view(reinterpret_cast<const char*>(data), size));
    tesmira::FakeClock clock;
    Quiet quiet;
    // Folders are judged by a fixed answer: the fuzzer must not ask the disk.
    const tesmira::SettingsLoadContext context{clock, quiet,
                                               [](const std::string&) { return int64_t{1000}; }};
    tesmira::Settings s;
    tesmira::LoadSettings(profile, s, context);
    if (s.mediaType < 0 || s.mediaType > 4 || s.recMode < 0 || s.recMode > 3 || s.logFileType < 0 ||
        s.logFileType > 2 || s.fpsAviReplay < 0 || s.fpsAviReplay > 3)
        __builtin_trap();

    tesmira::MemoryProfile saved;
    tesmira::SaveSettings(saved, s);
    tesmira::Settings again = s;
    tesmira::LoadSettings(saved, again, context);
    if (again.recNo != s.recNo || again.mediaType != s.mediaType || again.camera != s.camera ||
        again.timelapse != s.timelapse || again.tlFrames != s.tlFrames)
        __builtin_trap();
    return 0;
}
