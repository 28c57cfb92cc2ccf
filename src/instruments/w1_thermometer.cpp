#include "instruments/w1_thermometer.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tesmira {
namespace {

std::optional<long> ParseInteger(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(256, '\0');  // these files are a line or two; more is not a reading
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// The driver reports 85 °C (the power-on value) and -127 °C for failed conversions; anything
// outside the sensor's range is not a reading.
std::optional<double> Plausible(long millidegrees) {
    if (millidegrees < -55000 || millidegrees > 125000 || millidegrees == 85000)
        return std::nullopt;
    return millidegrees / 1000.0;
}

}  // namespace

std::optional<double> ParseW1Temperature(std::string_view text) {
    const auto value = ParseInteger(text);
    return value ? Plausible(*value) : std::nullopt;
}

std::optional<double> ParseW1Slave(std::string_view text) {
    const size_t eol = text.find('\n');
    if (eol == std::string_view::npos)
        return std::nullopt;
    std::string_view first = text.substr(0, eol);
    while (!first.empty() && (first.back() == '\r' || first.back() == ' '))
        first.remove_suffix(1);
    if (!first.ends_with("YES"))
        return std::nullopt;
    const std::string_view second = text.substr(eol + 1);
    const size_t t = second.find("t=");
    if (t == std::string_view::npos)
        return std::nullopt;
    const auto value = ParseInteger(second.substr(t + 2));
    return value ? Plausible(*value) : std::nullopt;
}

std::string W1Thermometer::FindDevice() const {
    std::error_code ec;
    std::string best;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("28-") && (best.empty() || name < best))
            best = name;
    }
    return best.empty() ? std::string() : folder_ + "/" + best;
}

std::optional<double> W1Thermometer::ReadCelsius() const {
    const std::string device = FindDevice();
    if (device.empty())
        return std::nullopt;
    if (const auto text = ReadSmallFile(device + "/temperature"))
        return ParseW1Temperature(*text);
    if (const auto text = ReadSmallFile(device + "/w1_slave"))
        return ParseW1Slave(*text);
    return std::nullopt;
}

}  // namespace tesmira
