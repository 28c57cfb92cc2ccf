#include "climate/sysfs_climate.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

namespace tesmira::drivers {
namespace {

constexpr std::string_view kIioPrefix = "iio ";
constexpr std::string_view kHwmonPrefix = "hwmon ";
constexpr double kLowestCelsius = -80;
constexpr double kHighestCelsius = 150;

// hwmon chips that measure air; everything else under hwmon (processors, disks, graphics
// cards, batteries, memory modules) is left alone.
constexpr std::array<std::string_view, 24> kRoomChips = {
    "sht3x",  "sht4x",   "sht21",   "sht15",   "shtc1",   "hih6130", "htu21",    "si7020",
    "si7021", "hdc100x", "hdc2010", "hdc3020", "am2320",  "dht11",   "aht10",    "aht20",
    "lm75",   "tmp102",  "tmp108",  "mcp9808", "adt7410", "ds1621",  "chipcap2", "hs3001"};

std::optional<std::string> ReadSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    char buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    return std::string(buf, static_cast<size_t>(n));
}

std::optional<double> ReadNumber(const std::string& path) {
    const std::optional<std::string> text = ReadSmallFile(path);
    return text ? ParseSysfsNumber(*text) : std::nullopt;
}

// An IIO channel in thousandths: its processed _input, else (_raw + _offset) x _scale.
std::optional<double> IioChannel(const std::string& folder, const std::string& base) {
    if (auto input = ReadNumber(folder + "/" + base + "_input"))
        return *input / 1000.0;
    const std::optional<double> raw = ReadNumber(folder + "/" + base + "_raw");
    if (!raw)
        return std::nullopt;
    const double offset = ReadNumber(folder + "/" + base + "_offset").value_or(0.0);
    const double scale = ReadNumber(folder + "/" + base + "_scale").value_or(1.0);
    return (*raw + offset) * scale / 1000.0;
}

// Entries of `folder` named prefix + number, in number order.
std::vector<std::string> NumberedEntries(const std::string& folder, std::string_view prefix) {
    std::vector<std::pair<long, std::string>> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
                continue;
            long number = 0;
            const char* first = name.data() + prefix.size();
            const char* last = name.data() + name.size();
            const auto [end, ec] = std::from_chars(first, last, number);
            if (ec == std::errc() && end == last)
                found.emplace_back(number, std::string(name));
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& [number, name] : found)
        out.push_back(folder + "/" + name);
    return out;
}

// The lowest-numbered tempN_input of a hwmon chip.
std::optional<std::string> HwmonTemperatureFile(const std::string& folder) {
    std::vector<std::pair<long, std::string>> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            constexpr std::string_view head = "temp", tail = "_input";
            if (name.size() <= head.size() + tail.size() || name.substr(0, head.size()) != head ||
                name.substr(name.size() - tail.size()) != tail)
                continue;
            long number = 0;
            const char* first = name.data() + head.size();
            const char* last = name.data() + name.size() - tail.size();
            const auto [end, ec] = std::from_chars(first, last, number);
            if (ec == std::errc() && end == last)
                found.emplace_back(number, std::string(name));
        }
        ::closedir(dir);
    }
    if (found.empty())
        return std::nullopt;
    return folder + "/" + std::min_element(found.begin(), found.end())->second;
}

bool IsRoomChip(const std::string& folder) {
    std::optional<std::string> name = ReadSmallFile(folder + "/name");
    if (!name)
        return false;
    while (!name->empty() && (name->back() == '\n' || name->back() == ' '))
        name->pop_back();
    return std::find(kRoomChips.begin(), kRoomChips.end(), *name) != kRoomChips.end();
}

double SaneHumidity(std::optional<double> percent) {
    // Sensors read a little past 0 or 100 % near the ends of their range.
    if (!percent || !std::isfinite(*percent) || *percent < -5 || *percent > 105)
        return NAN;
    return std::clamp(*percent, 0.0, 100.0);
}

}  // namespace

std::optional<double> ParseSysfsNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string ClimateSensor::Id() const {
    return std::string(kind == Kind::Iio ? kIioPrefix : kHwmonPrefix) + folder;
}

std::optional<ClimateSensor> ClimateSensor::FromId(std::string_view id) {
    for (const auto& [prefix, kind] :
         {std::pair{kIioPrefix, Kind::Iio}, {kHwmonPrefix, Kind::Hwmon}}) {
        if (id.size() > prefix.size() && id.substr(0, prefix.size()) == prefix)
            return ClimateSensor{kind, std::string(id.substr(prefix.size()))};
    }
    return std::nullopt;
}

SysfsClimate::SysfsClimate(std::string iioFolder, std::string hwmonFolder)
    : iio_(std::move(iioFolder)), hwmon_(std::move(hwmonFolder)) {}

SysfsClimate SysfsClimate::FromEnvironment() {
    const char* iio = std::getenv("TESMIRA_IIO_DIR");
    const char* hwmon = std::getenv("TESMIRA_HWMON_DIR");
    return SysfsClimate(iio && *iio ? iio : kIioFolder, hwmon && *hwmon ? hwmon : kHwmonFolder);
}

std::vector<ClimateSensor> SysfsClimate::Sensors() const {
    std::vector<ClimateSensor> out;
    for (std::string& folder : NumberedEntries(iio_, "iio:device"))
        out.push_back({ClimateSensor::Kind::Iio, std::move(folder)});
    for (std::string& folder : NumberedEntries(hwmon_, "hwmon")) {
        if (IsRoomChip(folder))
            out.push_back({ClimateSensor::Kind::Hwmon, std::move(folder)});
    }
    return out;
}

std::optional<ClimateReading> SysfsClimate::Read(const ClimateSensor& sensor) const {
    std::optional<double> celsius;
    std::optional<double> percent;
    if (sensor.kind == ClimateSensor::Kind::Iio) {
        celsius = IioChannel(sensor.folder, "in_temp");
        percent = IioChannel(sensor.folder, "in_humidityrelative");
    } else {
        if (const auto file = HwmonTemperatureFile(sensor.folder); file) {
            if (const auto milli = ReadNumber(*file))
                celsius = *milli / 1000.0;
        }
        if (const auto milli = ReadNumber(sensor.folder + "/humidity1_input"))
            percent = *milli / 1000.0;
    }
    if (!celsius || !std::isfinite(*celsius) || *celsius < kLowestCelsius ||
        *celsius > kHighestCelsius)
        return std::nullopt;
    return ClimateReading{*celsius, SaneHumidity(percent)};
}

std::optional<ClimateSensor> SysfsClimate::FindFirst() const {
    std::optional<ClimateSensor> temperatureOnly;
    for (const ClimateSensor& sensor : Sensors()) {
        const std::optional<ClimateReading> reading = Read(sensor);
        if (!reading)
            continue;
        if (reading->HasHumidity())
            return sensor;
        if (!temperatureOnly)
            temperatureOnly = sensor;
    }
    return temperatureOnly;
}

}  // namespace tesmira::drivers
