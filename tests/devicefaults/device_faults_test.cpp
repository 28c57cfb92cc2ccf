// Device libraries that misbehave, on the real control panel: a library that hangs never holds
// the window, one that crashes takes only its helper process with it (restarted a bounded number
// of times), and a file that is cut short, lacks an entry point or is not there at all is told
// once in the message pane (or, when simply missing, not at all) instead of bringing the program
// down. Each trouble is said once; the relay rows and the meter go off-line meanwhile.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <string>
#include <vector>

#include "common/instruments_rig.h"

namespace tesmira {
namespace {

std::string Hostile(const char* folder) {
    return std::string(TESMIRA_HOSTILE_DIR) + "/" + folder;
}

bool Has(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& l : lines) {
        if (l.find(part) != std::string::npos)
            return true;
    }
    return false;
}

class DeviceFaults : public test::InstrumentsRig {
protected:
    void SetUp() override {
        for (const char* v : {"TESMIRA_HOSTILE_CALLS", "TESMIRA_HOSTILE_BLOCK_MS"})
            unsetenv(v);
        InstrumentsRig::SetUp();
        settings.trhType = 0;  // the USB meter, through its library
    }
    void TearDown() override {
        InstrumentsRig::TearDown();
        unsetenv("TESMIRA_HOSTILE_CALLS");
    }
    // Moves the fake clock on and lets the helpers' service see it.
    void Later(int ms) {
        backend.Advance(ms);
        binder->ServiceDeviceHosts();
    }
};

// Fault 3 and its kin: what cannot be loaded is said once, with the reason, and nothing crashes.
TEST_F(DeviceFaults, LibrariesThatCannotBeLoadedAreToldOnce) {
    struct Case {
        const char* what;
        std::string folder;
        const char* relayLine;  // nullptr: nothing told
        const char* meterLine;
    };
    const Case cases[] = {
        {"cut short", Hostile("truncated"), "リレーモジュールのライブラリ libsuper4.so",
         "温湿度計のライブラリ libUSBMeter.so"},
        {"an entry point missing", TESMIRA_SIM_BROKEN_LIBRARY_DIR, "libsuper4.so lacks SetRelays",
         nullptr},
        {"not there", Hostile("nowhere"), nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hints.records.clear();
        notifier.messages.clear();
        Rebuild(c.folder);
        panel->OnInitialUpdate();
        EXPECT_TRUE(test::PumpUntil([&] { return !binder->RelayHost().Running(); }));
        // The meter looks twice; the box answers each press, the pane tells the reason once.
        for (int press = 1; press <= 2; ++press) {
            Click(1031);
            ASSERT_TRUE(test::PumpUntil([&] { return notifier.messages.size() == size_t(press); }));
            EXPECT_EQ(notifier.messages.back().text, "USBRHモジュールが見つかりません");
            EXPECT_TRUE(Enabled(1031));
        }
        EXPECT_EQ("--------", Text(1087));
        EXPECT_FALSE(Enabled(1079));
        const std::vector<std::string> pane = Pane();
        EXPECT_EQ(pane.size(), size_t(c.relayLine != nullptr) + size_t(c.meterLine != nullptr))
            << ::testing::PrintToString(pane);
        if (c.relayLine) {
            EXPECT_TRUE(Has(pane, c.relayLine)) << ::testing::PrintToString(pane);
        }
        if (c.meterLine) {
            EXPECT_TRUE(Has(pane, c.meterLine)) << ::testing::PrintToString(pane);
        }
    }
}

// Fault 1: every SetRelays and GetTempHumidTrue sleeps 10 s in the library. Start-up, clicks and
// meter ticks return at once; two seconds without an answer put the relays (or the meter)
// off-line, said once, and the helper is started again.
TEST_F(DeviceFaults, ALibraryThatHangsNeverHoldsTheWindow) {
    Rebuild(Hostile("blocking"));
    QElapsedTimer wall;
    wall.start();
    panel->OnInitialUpdate();
    ASSERT_TRUE(test::PumpUntil([&] { return RelaysSettled(); }));
    Click(1079);  // the library still sleeps in the start-up's all-off
    EXPECT_EQ("R1_ON", Text(1079));
    Click(1031);
    ASSERT_TRUE(test::PumpUntil([&] { return Enabled(1033); }));
    Later(1000);  // the meter's first reading goes out and hangs
    EXPECT_LT(wall.elapsed(), 5000) << "a hanging call held the program";

    Later(1000);
    EXPECT_EQ("--------", Text(1087)) << "the relays are off-line";
    EXPECT_FALSE(Enabled(1079));
    Click(1079);  // nothing happens while off-line
    EXPECT_TRUE(Enabled(1033)) << "the meter's reading has had one second only";
    Later(1000);
    EXPECT_TRUE(Enabled(1031)) << "the meter went off";
    EXPECT_EQ(" T: --.- °C\n H: --.-%", Text(1034));
    EXPECT_TRUE(notifier.messages.empty()) << "a failed reading is no message box";

    // The relay helper was started again after a second; its modules are usable again.
    EXPECT_TRUE(test::PumpUntil([&] { return RelaysSettled(); }));
    EXPECT_EQ(binder->RelayHost().Starts(), 2);
    Later(2000);  // ... and hangs again: not told a second time
    EXPECT_EQ(
        Pane(),
        (std::vector<std::string>{
            "リレーモジュールのライブラリ libsuper4.so が応答しません。リレーはオフラインです\n",
            "温湿度計のライブラリ libUSBMeter.so が応答しません。温湿度計はオフラインです\n"}));
    EXPECT_LT(wall.elapsed(), 8000);
}

// Fault 2: every SetRelays and GetTempHumidTrue dies of a segfault. The program goes on; the
// helper is restarted after 1, 2, 4, 8 and 16 s and then no more, and all that is told is the
// crash and the end of the restarts.
TEST_F(DeviceFaults, ALibraryThatCrashesTakesOnlyItsHelper) {
    Rebuild(Hostile("crashing"));
    panel->OnInitialUpdate();  // the all-off at start crashes the helper
    ASSERT_TRUE(test::PumpUntil([&] { return !binder->RelayHost().Running(); }));
    EXPECT_EQ("--------", Text(1087));

    Click(1031);
    ASSERT_TRUE(test::PumpUntil([&] { return Enabled(1033); }));
    Later(1000);  // the reading crashes the meter's helper
    EXPECT_TRUE(test::PumpUntil([&] { return Enabled(1031); })) << "the meter went off";
    EXPECT_TRUE(notifier.messages.empty());

    for (int step = 0; step < 120 && binder->RelayHost().Starts() < 6; ++step) {
        Later(500);
        test::PumpUntil([&] { return !binder->RelayHost().Running(); }, 2000);
    }
    Later(120000);
    EXPECT_EQ(binder->RelayHost().Starts(), 6);
    EXPECT_FALSE(binder->RelayHost().Running());
    EXPECT_EQ(
        Pane(),
        (std::vector<std::string>{
            "リレーモジュールのライブラリ libsuper4.so "
            "が異常終了しました。リレーはオフラインです\n",
            "温湿度計のライブラリ libUSBMeter.so が異常終了しました。温湿度計はオフラインです\n",
            "リレーモジュールのライブラリ libsuper4.so は 6 "
            "回続けて失敗したため、再起動しません\n"}));
}

}  // namespace
}  // namespace tesmira
