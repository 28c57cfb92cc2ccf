// libUSBMeter.so for the climate sensors the Linux kernel knows (IIO and hwmon): the identifier
// is the sensor's sysfs folder, so each reading goes straight back to the same sensor.
#include <cstdlib>
#include <cstring>
#include <string>

#include "climate/sysfs_climate.h"
#include "instruments/device_libraries.h"

namespace {

using tesmira::drivers::ClimateSensor;
using tesmira::drivers::SysfsClimate;

wchar_t* WideCopy(const std::string& text) {
    auto* out = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    if (!out)
        return nullptr;
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<unsigned char>(text[i]);
    out[text.size()] = 0;
    return out;
}

}  // namespace

extern "C" {

wchar_t* FindUSB(int* index) {
    (void)index;
    const std::optional<ClimateSensor> sensor = SysfsClimate::FromEnvironment().FindFirst();
    return WideCopy(sensor ? sensor->Id() : std::string());
}

int GetTempHumidTrue(const wchar_t* id, double* temperature, double* humidity) {
    if (!id || !temperature || !humidity)
        return 1;
    std::string narrow;
    for (; *id; ++id) {
        if (*id <= 0 || *id >= 0x7F || narrow.size() > 4096)
            return 1;
        narrow += static_cast<char>(*id);
    }
    const std::optional<ClimateSensor> sensor = ClimateSensor::FromId(narrow);
    if (!sensor)
        return 1;
    const auto reading = SysfsClimate::FromEnvironment().Read(*sensor);
    if (!reading)
        return 1;
    *temperature = reading->temperature;
    *humidity = reading->humidity;
    return 0;
}

void FreeUSB(wchar_t* id) {
    std::free(id);
}

}  // extern "C"
