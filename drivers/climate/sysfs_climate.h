// The climate driver behind libUSBMeter.so: room temperature and humidity from the kernel's IIO
// sensors (/sys/bus/iio/devices/iio:device*) and hwmon sensors (/sys/class/hwmon/hwmon*). Both
// folders can be moved (for tests with a fake tree).
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmira::drivers {

// A number as sysfs writes it: optional blanks, an integer or decimal, an optional newline.
std::optional<double> ParseSysfsNumber(std::string_view text);

struct ClimateSensor {
    enum class Kind { Iio, Hwmon };
    Kind kind = Kind::Iio;
    std::string folder;

    // The identifier FindUSB hands out, and back.
    std::string Id() const;
    static std::optional<ClimateSensor> FromId(std::string_view id);
};

struct ClimateReading {
    double temperature = 0;  // degrees Celsius
    double humidity = NAN;   // percent; NaN when the sensor has none or it failed
    bool HasHumidity() const { return !std::isnan(humidity); }
};

class SysfsClimate {
public:
    static constexpr const char* kIioFolder = "/sys/bus/iio/devices";
    static constexpr const char* kHwmonFolder = "/sys/class/hwmon";

    SysfsClimate(std::string iioFolder, std::string hwmonFolder);
    // Folders from TESMIRA_IIO_DIR and TESMIRA_HWMON_DIR, else the kernel's.
    static SysfsClimate FromEnvironment();

    // Candidate sensors: IIO devices first, then hwmon chips made for room air (a processor's
    // or a disk's temperature is no room temperature), each in number order.
    std::vector<ClimateSensor> Sensors() const;
    // Nullopt when the temperature cannot be read or is beyond reason.
    std::optional<ClimateReading> Read(const ClimateSensor& sensor) const;
    // The first sensor that reads both values, else the first that reads temperature.
    std::optional<ClimateSensor> FindFirst() const;

private:
    std::string iio_;
    std::string hwmon_;
};

}  // namespace tesmira::drivers
