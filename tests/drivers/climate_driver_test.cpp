// The climate driver against fake sysfs trees: IIO processed and raw channels, hwmon chips,
// missing files and text that is not a number.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "climate/sysfs_climate.h"
#include "common/pty_pair.h"

namespace tesmira::drivers {
namespace {

using Files = std::map<std::string, std::string>;

void Write(const std::string& root, const Files& files) {
    for (const auto& [name, text] : files) {
        const std::filesystem::path path = std::filesystem::path(root) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
}

TEST(SysfsClimate, ReadsEachKindOfTree) {
    struct Case {
        const char* what;
        Files files;
        double temperature;  // NaN: no sensor found
        double humidity;     // NaN: none
    };
    const Case cases[] = {
        {"IIO processed values (milli units)",
         {{"iio/iio:device0/in_temp_input", "23450\n"},
          {"iio/iio:device0/in_humidityrelative_input", "45600\n"}},
         23.45,
         45.6},
        {"IIO raw with scale and offset",
         {{"iio/iio:device0/in_temp_raw", "1000\n"},
          {"iio/iio:device0/in_temp_offset", "-200\n"},
          {"iio/iio:device0/in_temp_scale", "25.000000\n"},
          {"iio/iio:device0/in_humidityrelative_raw", "3000"},
          {"iio/iio:device0/in_humidityrelative_scale", "10"}},
         20.0,
         30.0},
        {"IIO without humidity", {{"iio/iio:device0/in_temp_input", "-5000"}}, -5.0, NAN},
        {"humidity that is not a number",
         {{"iio/iio:device0/in_temp_input", "21000"},
          {"iio/iio:device0/in_humidityrelative_input", "n/a"}},
         21.0,
         NAN},
        {"humidity a little over 100 %",
         {{"iio/iio:device0/in_temp_input", "21000"},
          {"iio/iio:device0/in_humidityrelative_input", "100400"}},
         21.0,
         100.0},
        {"temperature not a number", {{"iio/iio:device0/in_temp_input", "12ab"}}, NAN, NAN},
        {"temperature beyond reason", {{"iio/iio:device0/in_temp_input", "900000"}}, NAN, NAN},
        {"hwmon room chip with humidity",
         {{"hwmon/hwmon0/name", "sht3x\n"},
          {"hwmon/hwmon0/temp1_input", "22125\n"},
          {"hwmon/hwmon0/humidity1_input", "51000\n"}},
         22.125,
         51.0},
        {"hwmon processor is no room sensor",
         {{"hwmon/hwmon0/name", "coretemp\n"}, {"hwmon/hwmon0/temp1_input", "55000\n"}},
         NAN,
         NAN},
        {"hwmon lowest temperature channel",
         {{"hwmon/hwmon2/name", "lm75\n"},
          {"hwmon/hwmon2/temp2_input", "30000"},
          {"hwmon/hwmon2/temp1_input", "19500"}},
         19.5,
         NAN},
        {"a sensor with both wins over an earlier one with temperature only",
         {{"iio/iio:device0/in_temp_input", "25000"},
          {"hwmon/hwmon1/name", "sht4x"},
          {"hwmon/hwmon1/temp1_input", "24000"},
          {"hwmon/hwmon1/humidity1_input", "40000"}},
         24.0,
         40.0},
        {"devices in number order (10 after 2)",
         {{"iio/iio:device10/in_temp_input", "10000"},
          {"iio/iio:device10/in_humidityrelative_input", "10000"},
          {"iio/iio:device2/in_temp_input", "2000"},
          {"iio/iio:device2/in_humidityrelative_input", "2000"}},
         2.0,
         2.0},
        {"empty trees", {}, NAN, NAN},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        Write(dir.Path(), c.files);
        const SysfsClimate climate(dir.Path() + "/iio", dir.Path() + "/hwmon");
        const std::optional<ClimateSensor> sensor = climate.FindFirst();
        if (std::isnan(c.temperature)) {
            EXPECT_FALSE(sensor) << c.what;
            continue;
        }
        ASSERT_TRUE(sensor) << c.what;
        // The identifier goes out through FindUSB and comes back with each reading.
        const auto back = ClimateSensor::FromId(sensor->Id());
        ASSERT_TRUE(back) << c.what;
        const std::optional<ClimateReading> reading = climate.Read(*back);
        ASSERT_TRUE(reading) << c.what;
        EXPECT_DOUBLE_EQ(reading->temperature, c.temperature) << c.what;
        if (std::isnan(c.humidity))
            EXPECT_FALSE(reading->HasHumidity()) << c.what;
        else
            EXPECT_DOUBLE_EQ(reading->humidity, c.humidity) << c.what;
    }
}

TEST(SysfsClimate, SensorThatVanishesFailsItsReading) {
    test::TempDir dir;
    Write(dir.Path(), {{"iio/iio:device0/in_temp_input", "20000"}});
    const SysfsClimate climate(dir.Path() + "/iio", dir.Path() + "/hwmon");
    const auto sensor = climate.FindFirst();
    ASSERT_TRUE(sensor);
    std::filesystem::remove_all(dir.Path() + "/iio");
    EXPECT_FALSE(climate.Read(*sensor));
    EXPECT_FALSE(ClimateSensor::FromId("/etc/passwd"));
}

TEST(SysfsClimate, NumberText) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"23450\n", 23450},      {" -12\n", -12},
        {"0.001000\n", 0.001},   {"+5", 5},
        {"", std::nullopt},      {"\n", std::nullopt},
        {"1e5", std::nullopt},   {"nan", std::nullopt},
        {"12 34", std::nullopt}, {"0x10", std::nullopt},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseSysfsNumber(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace tesmira::drivers
