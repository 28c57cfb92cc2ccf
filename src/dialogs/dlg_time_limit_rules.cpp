#include "dialogs/dlg_time_limit_rules.h"

#include <QCoreApplication>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace tesmira {

std::optional<int> ParseField(const std::string& text, FieldRange range) {
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    if (first < last && text[first] == '+')
        ++first;
    long long value = 0;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc() || ptr != end)
        return std::nullopt;
    if (value < range.lo || value > range.hi)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string RangeMessage(FieldRange range) {
    char buf[128];
    const std::string format =
        QCoreApplication::translate("Dialogs", "%d から %d までの整数を入力してください。")
            .toStdString();
    std::snprintf(buf, sizeof buf, format.c_str(), range.lo, range.hi);
    return buf;
}

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
