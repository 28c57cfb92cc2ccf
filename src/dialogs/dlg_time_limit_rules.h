// The rules of the capture time-limit dialog, apart from its widgets: reading the fields, the
// normalisation that keeps the repeat interval at least twice the recording length, and the
// values OK stores.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/settings.h"
#include "dialogs/field_text.h"

namespace tesmira {

// The largest length keeps twice its length, and the largest interval, in milliseconds inside the
// 32-bit "RecInterval".
inline constexpr Range64 kLengthMinutes{0, 17894};
inline constexpr Range64 kSeconds{0, 59};
inline constexpr Range64 kIntervalMinutes{0, 35790};
inline constexpr Range64 kCount{0, 1000000};

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
