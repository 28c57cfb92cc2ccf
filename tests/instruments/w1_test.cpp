// The 1-Wire thermometer on a made-up devices folder, and meter kind 3 on top of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/fake_serial_channel.h"
#include "instruments/meter.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"

namespace tesmira {
namespace {

namespace fs = std::filesystem;

class W1Folder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesmira-w1-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { fs::remove_all(root); }
    void Put(const std::string& device, const std::string& file, const std::string& text) {
        fs::create_directories(root / device);
        std::ofstream(root / device / file) << text;
    }
    fs::path root;
};

TEST(W1Parse, TemperatureFile) {
    EXPECT_DOUBLE_EQ(*ParseW1Temperature("23437\n"), 23.437);
    EXPECT_DOUBLE_EQ(*ParseW1Temperature("-1250"), -1.25);
    EXPECT_FALSE(ParseW1Temperature(""));
    EXPECT_FALSE(ParseW1Temperature("23x\n"));
    EXPECT_FALSE(ParseW1Temperature("85000\n"));    // the sensor's power-on value
    EXPECT_FALSE(ParseW1Temperature("-127000\n"));  // a failed conversion
}

TEST(W1Parse, SlaveFileNeedsAGoodCrc) {
    const std::string good =
        "72 01 4b 46 7f ff 0e 10 57 : crc=57 YES\n72 01 4b 46 7f ff 0e 10 57 t=23125\n";
    EXPECT_DOUBLE_EQ(*ParseW1Slave(good), 23.125);
    EXPECT_FALSE(ParseW1Slave(
        "72 01 4b 46 7f ff 0e 10 57 : crc=58 NO\n72 01 4b 46 7f ff 0e 10 57 t=23125\n"));
    EXPECT_FALSE(ParseW1Slave("72 01 4b 46 7f ff 0e 10 57 : crc=57 YES\n"));  // cut short
    EXPECT_FALSE(ParseW1Slave("72 01 : crc=57 YES\n72 01 t=\n"));
}

TEST_F(W1Folder, TakesTheFirstThermometerAndPrefersTheTemperatureFile) {
    Put("w1_bus_master1", "temperature", "99999\n");  // not a thermometer
    Put("28-0000000000bb", "temperature", "30000\n");
    Put("28-0000000000aa", "temperature", "21500\n");
    Put("28-0000000000aa", "w1_slave", "x : crc=00 YES\nx t=99000\n");
    const W1Thermometer w1(root.string());
    EXPECT_EQ(w1.FindDevice(), (root / "28-0000000000aa").string());
    EXPECT_DOUBLE_EQ(*w1.ReadCelsius(), 21.5);
}

TEST_F(W1Folder, FallsBackToTheSlaveFile) {
    Put("28-0000000000aa", "w1_slave", "x : crc=4b YES\nx t=-5062\n");
    EXPECT_DOUBLE_EQ(*W1Thermometer(root.string()).ReadCelsius(), -5.062);
}

TEST_F(W1Folder, MeterKindThreeShowsTemperatureOnly) {
    test::FakeSerialChannel port;
    UsbMeterLibrary noLibrary(LibrarySearch{"", "", false});
    const W1Thermometer w1(root.string());
    Meter meter(port, noLibrary, w1);
    meter.SetKind(MeterKind::OneWire);
    meter.SetCorrection(-1.6);

    const InstrumentResult missing = meter.On();
    EXPECT_EQ(missing.code, InstrumentError::W1NotFound);
    EXPECT_EQ(missing.message, "1-Wire温度計が見つかりません");
    EXPECT_FALSE(meter.IsOn());

    Put("28-0000000000aa", "temperature", "23437\n");
    ASSERT_TRUE(meter.On().Ok());
    meter.Tick();
    EXPECT_EQ(meter.Display(), " T: 21.8 °C\n H: --.- %");
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 21.8 °C");
    EXPECT_EQ(meter.HumidityOverlay(), " H = --.- %");

    // A bad conversion keeps the last reading rather than switching off.
    Put("28-0000000000aa", "temperature", "85000\n");
    meter.Tick();
    EXPECT_TRUE(meter.IsOn());
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 21.8 °C");
}

}  // namespace
}  // namespace tesmira
