// The rules of the capture time-limit dialog, apart from its widgets: reading the fields, the
// normalisation that keeps the repeat interval at least twice the recording length, and the
// values OK stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/settings.h"

namespace tesmira {

struct FieldRange {
    int lo, hi;
};

// The largest length keeps twice its length, and the largest interval, in milliseconds inside the
// 32-bit "RecInterval".
inline constexpr FieldRange kLengthMinutes{0, 17894};
inline constexpr FieldRange kSeconds{0, 59};
inline constexpr FieldRange kIntervalMinutes{0, 35790};
inline constexpr FieldRange kCount{0, 1000000};

// A field's text as a whole number inside the range; nullopt for anything else.
std::optional<int> ParseField(const std::string& text, FieldRange range);
// The message shown for a field outside its range.
std::string RangeMessage(FieldRange range);

struct TimeLimitFields {
    int lengthMin = 0, lengthSec = 0;      // 1025, 1026 under "録画時間"
    int intervalMin = 0, intervalSec = 0;  // 1027, 1028 under "繰り返し録画"
    int count = 1;                         // 57640 "回"
};

// The fields as the stored settings give them (length from the 100-ns limit, interval from
// milliseconds).
TimeLimitFields FieldsFromSettings(const Settings& s);

// Count 0 becomes 1; a zero length becomes 1 s; an interval shorter than twice the length becomes
// twice the length, written back as minutes and seconds.
TimeLimitFields Normalise(TimeLimitFields f);

// OK: stores the length ("rtStop" and the derived limit in ms), the count, the interval and the
// pause between repeated recordings. The fields are normalised first.
void ApplyTimeLimit(Settings& s, const TimeLimitFields& fields);

}  // namespace tesmira
