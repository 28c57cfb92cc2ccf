#include "dialogs/dlg_time_limit_rules.h"

#include <cstdint>

namespace tesmira {

TimeLimitFields FieldsFromSettings(const Settings& s) {
    TimeLimitFields f;
    const int64_t lengthSec = (s.rtStop > 0 ? s.rtStop : 0) / 10000000;
    f.lengthMin = static_cast<int>(lengthSec / 60);
    f.lengthSec = static_cast<int>(lengthSec % 60);
    const int interval = s.recInterval > 0 ? s.recInterval : 0;
    f.intervalMin = interval / 60000;
    f.intervalSec = (interval / 1000) % 60;
    f.count = s.recRepaet;
    return f;
}

TimeLimitFields Normalise(TimeLimitFields f) {
    if (f.count == 0)
        f.count = 1;
    if (f.lengthMin == 0 && f.lengthSec == 0)
        f.lengthSec = 1;
    const int64_t length = int64_t{f.lengthMin} * 60 + f.lengthSec;
    const int64_t interval = int64_t{f.intervalMin} * 60 + f.intervalSec;
    if (interval < 2 * length) {
        f.intervalMin = static_cast<int>(2 * length / 60);
        f.intervalSec = static_cast<int>(2 * length % 60);
    }
    return f;
}

void ApplyTimeLimit(Settings& s, const TimeLimitFields& fields) {
    const TimeLimitFields f = Normalise(fields);
    s.rtStop = int64_t{f.lengthMin} * 600000000 + int64_t{f.lengthSec} * 10000000;
    s.recLimitMs = s.rtStop / 10000 + 100;
    s.recRepaet = f.count;
    s.recInterval =
        static_cast<int>(int64_t{f.intervalMin} * 60000 + int64_t{f.intervalSec} * 1000);
    const int64_t lengthSec = s.rtStop / 10000000;
    const int64_t intervalSec = int64_t{f.intervalMin} * 60 + f.intervalSec;
    s.repeatPauseSec = intervalSec - lengthSec - 1;
}

}  // namespace tesmira
