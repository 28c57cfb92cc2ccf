// The 1-Wire thermometer (meter kind 3) through the kernel's w1 driver: the first 28-* device
// under the devices folder, read from its `temperature` file (millidegrees) or, on older
// kernels, from `w1_slave` (two lines; the first ends in "YES" when the crc matched).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesmira {

// Millidegrees as one integer line, e.g. "23437\n".
std::optional<double> ParseW1Temperature(std::string_view text);
// "72 01 4b 46 7f ff 0e 10 57 : crc=57 YES\n72 01 4b 46 7f ff 0e 10 57 t=23125\n"
std::optional<double> ParseW1Slave(std::string_view text);

class W1Thermometer {
public:
    static constexpr const char* kDefaultFolder = "/sys/bus/w1/devices";
    explicit W1Thermometer(std::string folder = kDefaultFolder) : folder_(std::move(folder)) {}

    // The first 28-* device folder (byte-wise order), or empty when there is none.
    std::string FindDevice() const;
    // Degrees Celsius from the first device; nothing when it is missing or the reading is bad.
    std::optional<double> ReadCelsius() const;

private:
    std::string folder_;
};

}  // namespace tesmira
