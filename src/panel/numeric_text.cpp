#include "panel/numeric_text.h"

#include <QCoreApplication>
#include <cctype>
#include <charconv>
#include <cmath>

namespace tesmira {

std::string FormatDecimal(double value) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc())
        return "0";
    std::string text(buffer, result.ptr);
    if (text == "-0")
        text = "0";
    return text;
}

std::optional<double> ParseDecimal(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would also take "inf" and "nan"; a step size must be a plain number.
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    if (!std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::string NotANumberMessage() {
    return QCoreApplication::translate("Panel", "数値を入力してください。").toStdString();
}

std::string RangeMessage(double minimum, double maximum) {
    return QCoreApplication::translate("Panel", "%1 から %2 までの数値を入力してください。")
        .arg(QString::fromStdString(FormatDecimal(minimum)),
             QString::fromStdString(FormatDecimal(maximum)))
        .toStdString();
}

}  // namespace tesmira
