#include "dialogs/field_text.h"

#include <QCoreApplication>
#include <cctype>
#include <charconv>
#include <cmath>

namespace tesmira {
namespace {

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

}  // namespace

std::optional<int64_t> ParseWhole(const std::string& text, Range64 range) {
    std::string t = Trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    int64_t value = 0;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value);
    if (t.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    if (value < range.lo || value > range.hi)
        return std::nullopt;
    return value;
}

std::optional<double> ParseReal(const std::string& text, RangeReal range) {
    std::string t = Trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    // from_chars: a point is the decimal point whatever the user's locale says.
    double value = 0;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value);
    if (t.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    if (value < range.lo || value > range.hi)
        return std::nullopt;
    return value;
}

std::string WholeRangeMessage(Range64 range) {
    return QCoreApplication::translate("Dialogs", "%1 から %2 までの整数を入力してください。")
        .arg(range.lo)
        .arg(range.hi)
        .toStdString();
}

std::string RealRangeMessage(RangeReal range) {
    return QCoreApplication::translate("Dialogs", "%1 から %2 までの数値を入力してください。")
        .arg(range.lo, 0, 'g')
        .arg(range.hi, 0, 'g')
        .toStdString();
}

}  // namespace tesmira
