// The settings keys as scripts read and write them: every key of the settings store reads in its
// stored form; the keys the panel's own controls change can be written, with the ranges those
// controls allow (a step in pulses that is 0.01..500000 µm, a radio's choices, a check box).
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace tesmira {

struct Settings;

using ScriptValue = std::variant<bool, long long, double, std::string>;

struct ScriptSettingRefusal {
    std::string text;  // in the user's language, naming the allowed values
};

// The stored form of `key` (a whole number, or the text); nullopt for a key the store lacks.
std::optional<ScriptValue> ReadScriptSetting(const Settings& s, const std::string& key);

// Checks `value` for `key` and stores it into `s`; nothing changes on a refusal.
std::optional<ScriptSettingRefusal> WriteScriptSetting(Settings& s, const std::string& key,
                                                       const ScriptValue& value);

}  // namespace tesmira
