// What a script sends as a setting: any key and any value either changes exactly that key to a
// value it reads back as, or is refused and changes nothing. The meter's overlay texts read as
// numbers or NaN, never a crash.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <variant>

#include "automation/automation_object.h"
#include "automation/script_settings.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/settings_store.h"

namespace {

const char* const kKeys[] = {"Move",          "Page",    "MoveZ",     "PageZ",
                             "DeltaZ",        "RecMode", "MediaType", "TimelapseType",
                             "ShutterSound",  "Zsync",   "RecAudio",  "IsTextOutTime",
                             "TurnOff_Relay", "Rec No.", "Camera",    "DirVideo"};

std::map<std::string, std::string> Stored(const tesmira::Settings& s) {
    tesmira::MemoryProfile p;
    tesmira::SaveSettings(p, s);
    return p.values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    tesmira::Settings s;
    s.xyAxisType = data[0] % 3;
    s.zAxisType = (data[0] / 3) % 3;
    const std::string key = data[1] < 16 * 15 ? kKeys[data[1] % 16]
                                              : std::string(reinterpret_cast<const char*>(data + 3),
                                                            std::min<size_t>(size - 3, 8));
    const uint8_t* rest = data + 3;
    const size_t n = size - 3;
    tesmira::ScriptValue value;
    switch (data[2] % 4) {
        case 0:
            value = n > 0 && (rest[0] & 1);
            break;
        case 1: {
            long long v = 0;
            std::memcpy(&v, rest, std::min(n, sizeof v));
            value = v;
            break;
        }
        case 2: {
            double v = 0;
            std::memcpy(&v, rest, std::min(n, sizeof v));
            value = v;
            break;
        }
        default:
            value = std::string(reinterpret_cast<const char*>(rest), n);
    }
    const auto before = Stored(s);
    const auto refusal = tesmira::WriteScriptSetting(s, key, value);
    auto after = Stored(s);
    if (refusal) {
        if (after != before || refusal->text.empty())
            __builtin_trap();
    } else {
        // Only the key itself moved, and it reads back as a whole number.
        const auto read = tesmira::ReadScriptSetting(s, key);
        if (!read || !std::holds_alternative<long long>(*read))
            __builtin_trap();
        after.erase(key);
        auto unchanged = before;
        unchanged.erase(key);
        if (after != unchanged)
            __builtin_trap();
    }
    tesmira::InstrumentTexts texts;
    texts.temperature = std::string(reinterpret_cast<const char*>(data), size);
    (void)tesmira::MeterNumbers(texts);
    return 0;
}
