// The relay driver at its seams: the exact HID feature reports and FTDI pin bytes it sends, and
// the module list it builds from what the boards report.
#include <gtest/gtest.h>

#include <cstring>

#include "common/fake_relay_buses.h"
#include "instruments/device_libraries.h"
#include "relay/hid_relay_board.h"
#include "relay/relay_driver.h"

namespace tesmira::drivers {
namespace {

using Bytes = std::vector<uint8_t>;

// Serial "ABCDE", relay states in byte 7.
Bytes Feature(const char* serial, uint8_t states) {
    Bytes b(8, 0);
    std::memcpy(b.data(), serial, 5);
    b[7] = states;
    return b;
}

std::vector<std::string> ListOf(RelayDriver& driver) {
    char list[TESMIRA_RELAY_LIST_ENTRIES * TESMIRA_RELAY_ENTRY_BYTES];
    std::memset(list, 'x', sizeof list);
    const int n = driver.List(list);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.emplace_back(list + i * TESMIRA_RELAY_ENTRY_BYTES);  // terminated within the entry
    return out;
}

TEST(HidRelayBoard, ReportBytesForEachRequest) {
    struct Case {
        const char* what;
        int relays;
        uint8_t mask;
        bool on;
        std::vector<Bytes> sent;
    };
    const Case cases[] = {
        {"one on", 4, 0x01, true, {{0, 0xFF, 1, 0, 0, 0, 0, 0, 0}}},
        {"one off", 4, 0x08, false, {{0, 0xFD, 4, 0, 0, 0, 0, 0, 0}}},
        {"two on", 4, 0x05, true, {{0, 0xFF, 1, 0, 0, 0, 0, 0, 0}, {0, 0xFF, 3, 0, 0, 0, 0, 0, 0}}},
        {"all on", 4, 0x0F, true, {{0, 0xFE, 0, 0, 0, 0, 0, 0, 0}}},
        {"all off", 4, 0x0F, false, {{0, 0xFC, 0, 0, 0, 0, 0, 0, 0}}},
        {"two-relay board ignores bits 3-4, all off",
         2,
         0x0F,
         false,
         {{0, 0xFC, 0, 0, 0, 0, 0, 0, 0}}},
        {"one-relay board, missing relay only", 1, 0x02, true, {}},
        {"eight-relay board never all (relays 5-8 stay)",
         8,
         0x0F,
         false,
         {{0, 0xFD, 1, 0, 0, 0, 0, 0, 0},
          {0, 0xFD, 2, 0, 0, 0, 0, 0, 0},
          {0, 0xFD, 3, 0, 0, 0, 0, 0, 0},
          {0, 0xFD, 4, 0, 0, 0, 0, 0, 0}}},
        {"empty mask sends nothing", 4, 0x00, true, {}},
        {"bits above relay 4 ignored", 8, 0xF0, true, {}},
    };
    for (const Case& c : cases) {
        FakeHidBus bus;
        bus.boards["/dev/hidraw3"] = {"USBRelay" + std::to_string(c.relays), Feature("QWERT", 0)};
        RelayDriver driver(&bus, nullptr, {});
        EXPECT_EQ(driver.Set("QWERT", c.mask, c.on), RelayResult::Ok) << c.what;
        EXPECT_EQ(bus.boards["/dev/hidraw3"].sent, c.sent) << c.what;
    }
}

TEST(HidRelayBoard, ProductAndFeatureReport) {
    struct Case {
        const char* product;
        Bytes feature;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"USBRelay4", Feature("ABCDE", 0x05), {"ABCDE"}},
        {"USBRelay1", Feature("Z1234", 0), {"Z1234"}},
        {"USBRelay9", Feature("ABCDE", 0), {}},  // no such board
        {"USBasp", Feature("ABCDE", 0), {}},     // another gadget on the same USB id
        {"USBRelay2", Bytes(5, 'A'), {}},        // short report
        {"USBRelay2", {}, {}},                   // report failed
        {"USBRelay2", {1, 'B', 'C', 'D', 0xFF, 0, 0, 0}, {"01424344FF"}},  // unprintable: hex
    };
    for (const Case& c : cases) {
        FakeHidBus bus;
        bus.boards["/dev/hidraw0"] = {c.product, c.feature};
        RelayDriver driver(&bus, nullptr, {});
        EXPECT_EQ(ListOf(driver), c.listed) << c.product;
        ASSERT_EQ(bus.enumerated.size(), 1u);
        EXPECT_EQ(bus.enumerated[0], std::make_pair(uint16_t{0x16c0}, uint16_t{0x05df}));
    }
    const auto state = ParseHidRelayReport(Feature("ABCDE", 0x0A).data(), 8);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->relays, 0x0A);
}

TEST(RelayDriver, ModulesAcrossBothBusesAndUnknownSerials) {
    FakeHidBus hid;
    hid.boards["/dev/hidraw0"] = {"USBRelay4", Feature("HID01", 0)};
    hid.boards["/dev/hidraw1"] = {"USBRelay4", Feature("HID01", 0)};  // same serial: listed once
    FakeFtdiBus ftdi;
    ftdi.boards = {{"FT245R USB FIFO", "A600BB", 0x80},
                   {"FT232R USB UART", "SERIAL1", 0},  // someone's serial cable: left alone
                   {"FT232R USB UART", "RELAY232", 0},
                   {"FT245R USB FIFO", "", 0},  // no name to call it by
                   {"FT245R USB FIFO", "bad name with spaces", 0}};
    RelayDriver driver(&hid, &ftdi, {"RELAY232"});
    EXPECT_EQ(ListOf(driver), (std::vector<std::string>{"HID01", "A600BB", "RELAY232"}));

    // FTDI: relay 1 = D0; the pins keep what was on them (D7 here), bits above relay 4 ignored.
    EXPECT_EQ(driver.Set("A600BB", 0xF5, true), RelayResult::Ok);
    EXPECT_EQ(driver.Set("A600BB", 0x01, false), RelayResult::Ok);
    EXPECT_EQ(ftdi.boards[0].written, (Bytes{0x85, 0x84}));
    EXPECT_TRUE(ftdi.boards[1].written.empty());

    EXPECT_EQ(driver.Set("SERIAL1", 0x01, true), RelayResult::NoSuchModule);
    EXPECT_EQ(driver.Set("NOPE", 0x01, true), RelayResult::NoSuchModule);
    hid.boards["/dev/hidraw0"].failSend = true;
    EXPECT_EQ(driver.Set("HID01", 0x01, true), RelayResult::DeviceFailed);
}

TEST(RelayDriver, ListStopsAtTwentyModules) {
    FakeHidBus hid;
    for (int i = 0; i < 25; ++i) {
        char serial[6];
        std::snprintf(serial, sizeof serial, "R%04d", i);
        hid.boards["/dev/hidraw" + std::to_string(100 + i)] = {"USBRelay4", Feature(serial, 0)};
    }
    RelayDriver driver(&hid, nullptr, {});
    EXPECT_EQ(ListOf(driver).size(), 20u);
}

}  // namespace
}  // namespace tesmira::drivers
