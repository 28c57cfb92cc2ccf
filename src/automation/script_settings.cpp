#include "automation/script_settings.h"

#include <cmath>
#include <cstdio>

#include "core/controller_kinds.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "core/ui_text.h"

namespace tesmira {
namespace {

enum class Kind { kChoice, kFlag, kXyStep, kZStep, kDeltaZ };

struct Writable {
    const char* key;
    Kind kind;
    int lo, hi;  // kChoice: the choices
    int Settings::*number;
    bool Settings::*flag;
};

const Writable kWritable[] = {
    {"Move", Kind::kXyStep, 0, 0, &Settings::move, nullptr},
    {"Page", Kind::kXyStep, 0, 0, &Settings::page, nullptr},
    {"MoveZ", Kind::kZStep, 0, 0, &Settings::moveZ, nullptr},
    {"PageZ", Kind::kZStep, 0, 0, &Settings::pageZ, nullptr},
    {"DeltaZ", Kind::kDeltaZ, 0, 0, &Settings::deltaZ, nullptr},
    {"RecMode", Kind::kChoice, 0, 3, &Settings::recMode, nullptr},
    {"MediaType", Kind::kChoice, 0, 4, &Settings::mediaType, nullptr},
    {"TimelapseType", Kind::kChoice, 0, 2, &Settings::timelapseType, nullptr},
    {"ShutterSound", Kind::kChoice, 0, 4, &Settings::shutterSound, nullptr},
    {"Zsync", Kind::kChoice, 0, 9, &Settings::zsync, nullptr},
    {"RecAudio", Kind::kFlag, 0, 1, nullptr, &Settings::recAudio},
    {"IsTextOutTime", Kind::kFlag, 0, 1, nullptr, &Settings::isTextOutTime},
    {"IsTextOutTemparature", Kind::kFlag, 0, 1, nullptr, &Settings::isTextOutTemparature},
    {"IsTextOutZVALUE", Kind::kFlag, 0, 1, nullptr, &Settings::isTextOutZValue},
    {"Set zoom 1x on rec", Kind::kFlag, 0, 1, nullptr, &Settings::setZoom1xOnRec},
    {"TurnOff_Relay", Kind::kFlag, 0, 1, nullptr, &Settings::turnOffRelay},
};

const Writable* FindWritable(const std::string& key) {
    for (const Writable& w : kWritable) {
        if (key == w.key)
            return &w;
    }
    return nullptr;
}

// A whole number from any of the script's number forms; nullopt for text or a fraction.
std::optional<long long> WholeNumber(const ScriptValue& value) {
    if (const auto* b = std::get_if<bool>(&value))
        return *b ? 1 : 0;
    if (const auto* n = std::get_if<long long>(&value))
        return *n;
    if (const auto* d = std::get_if<double>(&value)) {
        if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 1e15)
            return static_cast<long long>(*d);
    }
    return std::nullopt;
}

// The pulse counts of lo..hi µm for a kind's pulse size.
void PulseRange(double umPerPulse, double loUm, double hiUm, long long& lo, long long& hi) {
    lo = static_cast<long long>(std::ceil(loUm / umPerPulse - 1e-9));
    hi = static_cast<long long>(std::floor(hiUm / umPerPulse + 1e-9));
}

ScriptSettingRefusal RangeRefusal(const std::string& key, long long lo, long long hi) {
    char range[64];
    std::snprintf(range, sizeof range, "%lld..%lld", lo, hi);
    return {FillIn(FillIn(UiText("Automation", "「%s」に設定できる値は %s です。"), key), range)};
}

}  // namespace

std::optional<ScriptValue> ReadScriptSetting(const Settings& s, const std::string& key) {
    MemoryProfile profile;
    SaveSettings(profile, s);
    const auto found = profile.values.find(key);
    if (found == profile.values.end())
        return std::nullopt;
    if (const std::optional<int> n = ParseStoredInt(found->second))
        return static_cast<long long>(*n);
    return found->second;
}

std::optional<ScriptSettingRefusal> WriteScriptSetting(Settings& s, const std::string& key,
                                                       const ScriptValue& value) {
    const Writable* w = FindWritable(key);
    if (!w) {
        MemoryProfile profile;
        SaveSettings(profile, s);
        const char* text =
            profile.values.count(key) != 0
                ? UI_TEXT_NOOP("Automation", "「%s」はスクリプトからは変更できません。")
                : UI_TEXT_NOOP("Automation", "「%s」という設定はありません。");
        return ScriptSettingRefusal{FillIn(UiText("Automation", text), key)};
    }
    long long lo = w->lo, hi = w->hi;
    switch (w->kind) {
        case Kind::kXyStep:
            PulseRange(XyUmPerPulse(s.xyAxisType), kStepMinimumUm, kStepMaximumUm, lo, hi);
            break;
        case Kind::kZStep:
            PulseRange(ZUmPerPulse(s.zAxisType), kStepMinimumUm, kStepMaximumUm, lo, hi);
            break;
        case Kind::kDeltaZ:
            PulseRange(ZUmPerPulse(s.zAxisType), kDeltaZMinimumUm, kDeltaZMaximumUm, lo, hi);
            break;
        default:
            break;
    }
    const std::optional<long long> n = WholeNumber(value);
    if (!n || *n < lo || *n > hi)
        return RangeRefusal(key, lo, hi);
    if (w->flag)
        s.*(w->flag) = *n == 1;
    else
        s.*(w->number) = static_cast<int>(*n);
    return std::nullopt;
}

}  // namespace tesmira
