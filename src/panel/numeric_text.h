// Numbers as the panel's edits show and read them, independent of the user's locale: a decimal
// point always, up to fifteen significant digits, and the Japanese messages for refused input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesmira {

// "0.5", "500000", "-1.6", "29.97": shortest form with up to 15 significant digits.
std::string FormatDecimal(double value);

// Accepts optional blanks around an optional sign and a decimal number (exponent allowed);
// anything else, including an empty text, infinity and not-a-number, gives nullopt.
std::optional<double> ParseDecimal(std::string_view text);

// "数値を入力してください。"
std::string NotANumberMessage();
// "0.01 から 500000 までの数値を入力してください。"
std::string RangeMessage(double minimum, double maximum);

}  // namespace tesmira
