// The relay channel table against a recording driver: discovery with awkward module lists,
// toggles, set-relays and the ON->OFF events that drive the Z synchronisation.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "instruments/relay_modules.h"

namespace tesmira {
namespace {

struct Call {
    std::string serial;
    int mask;
    int on;
    bool operator==(const Call&) const = default;
};

class RecordingDriver : public IRelayDriver {
public:
    int ListRelays(char* list) override {
        for (size_t i = 0; i < modules.size(); ++i)
            std::memcpy(list + i * TESMIRA_RELAY_ENTRY_BYTES, modules[i].data(),
                        std::min<size_t>(modules[i].size(), TESMIRA_RELAY_ENTRY_BYTES));
        if (fillRest)  // entries beyond the modules full of bytes, none of them zero
            std::memset(list + modules.size() * TESMIRA_RELAY_ENTRY_BYTES, 'Z',
                        (TESMIRA_RELAY_LIST_ENTRIES - modules.size()) * TESMIRA_RELAY_ENTRY_BYTES);
        return count ? *count : static_cast<int>(modules.size());
    }
    void SetRelays(const char* serial, std::uint8_t mask, int on) override {
        calls.push_back({serial, mask, on});
    }
    std::vector<std::string> modules;
    std::optional<int> count;  // what ListRelays answers; else the number of modules
    bool fillRest = false;
    std::vector<Call> calls;
};

TEST(RelayModules, TwentyCharacterSerialsAreReadWithinTheirEntries) {
    RecordingDriver d;
    d.modules = {"ABCDEFGHIJKLMNOPQRST", "UVWXYZ0123456789abcd"};  // 20 bytes, no terminator
    d.fillRest = true;
    RelayModules relays(&d);
    EXPECT_EQ(relays.Start(), 2);
    EXPECT_EQ(relays.Serial(0), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(relays.Serial(1), "UVWXYZ0123456789abcd");
    // The library is handed terminated copies: all four relays of each module off.
    ASSERT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[0], (Call{"ABCDEFGHIJKLMNOPQRST", 0x0F, 0}));
    EXPECT_EQ(d.calls[1], (Call{"UVWXYZ0123456789abcd", 0x0F, 0}));
    for (int ch = 0; ch < RelayModules::kChannels; ++ch)
        EXPECT_EQ(relays.State(ch), 0);
}

TEST(RelayModules, OneModuleOrNoneOrANonsenseCount) {
    RecordingDriver one;
    one.modules = {"S4-1"};
    RelayModules a(&one);
    EXPECT_EQ(a.Start(), 1);
    EXPECT_EQ(a.SerialText(1), "--------");
    EXPECT_TRUE(a.Enabled(3));
    EXPECT_FALSE(a.Enabled(4));
    EXPECT_EQ(a.State(4), RelayModules::kUncommanded);
    a.Toggle(5);  // no module behind it: the library is not called
    EXPECT_EQ(one.calls.size(), 1u);

    RecordingDriver bogus;
    bogus.modules = {"S4-1", "S4-2"};
    bogus.count = 5000;  // more than the list holds
    bogus.fillRest = true;
    RelayModules b(&bogus);
    EXPECT_EQ(b.Start(), 2);

    RecordingDriver negative;
    negative.modules = {"S4-1"};
    negative.count = -3;
    RelayModules c(&negative);
    EXPECT_EQ(c.Start(), 0);
    EXPECT_TRUE(negative.calls.empty());

    RelayModules noLibrary(nullptr);
    EXPECT_EQ(noLibrary.Start(), 0);
    EXPECT_EQ(noLibrary.SerialText(0), "--------");
    EXPECT_FALSE(noLibrary.Enabled(0));
}

TEST(RelayModules, ToggleTwiceSwitchesOffAndReportsIt) {
    RecordingDriver d;
    d.modules = {"S4-1", "S4-2"};
    RelayModules relays(&d);
    relays.Start();
    std::vector<int> offs;
    relays.SetOffListener([&](int ch) { offs.push_back(ch); });
    d.calls.clear();

    relays.Toggle(6);
    EXPECT_EQ(relays.State(6), 1);
    EXPECT_EQ(relays.Caption(6), "R3_ON");
    EXPECT_TRUE(offs.empty());
    relays.Toggle(6);
    EXPECT_EQ(relays.Caption(6), "R3_OFF");
    EXPECT_EQ(offs, std::vector<int>{6});
    EXPECT_EQ(d.calls, (std::vector<Call>{{"S4-2", 0x04, 1}, {"S4-2", 0x04, 0}}));
}

TEST(RelayModules, SetRelaysChangesOnlyWhatItMayAndAlwaysTellsTheLibrary) {
    RecordingDriver d;
    d.modules = {"S4-1"};
    RelayModules relays(&d);
    std::vector<int> offs;
    relays.SetOffListener([&](int ch) { offs.push_back(ch); });
    relays.SetRelays(0, 0x0F, true);  // before Start: uncommanded channels stay so
    EXPECT_EQ(relays.State(0), RelayModules::kUncommanded);
    relays.Start();
    d.calls.clear();

    relays.SetRelays(0, 0x05, false);  // already off: nothing changes, mask 0 still sent
    relays.SetRelays(0, 0x05, true);
    relays.SetRelays(0, 0x0F, true);  // only relays 2 and 4 were off
    relays.SetRelays(0, 0x03, false);
    EXPECT_EQ(d.calls,
              (std::vector<Call>{
                  {"S4-1", 0x00, 0}, {"S4-1", 0x05, 1}, {"S4-1", 0x0A, 1}, {"S4-1", 0x03, 0}}));
    EXPECT_EQ(offs, (std::vector<int>{0, 1}));
    EXPECT_EQ(relays.State(2), 1);
    EXPECT_EQ(relays.State(3), 1);
}

TEST(RelayModules, CloseLeavesTheRelaysAsTheyAreAndLetsTheLibraryGo) {
    RecordingDriver d;
    d.modules = {"S4-1", "S4-2"};
    RelayModules relays(&d);
    relays.Start();
    relays.Toggle(0);
    relays.Toggle(7);
    int offs = 0;
    relays.SetOffListener([&](int) { ++offs; });
    d.calls.clear();
    relays.Close();
    EXPECT_TRUE(d.calls.empty()) << "a lamp switched on stays on after the program";
    EXPECT_EQ(offs, 0);
    EXPECT_EQ(relays.State(7), 1);
    relays.Toggle(1);  // after Close nothing reaches the library
    EXPECT_TRUE(d.calls.empty());
}

// The library's helper was restarted and lists the modules again: one that is still there keeps
// what this program commanded and is told it again; a new one starts all off; a vanished one is
// absent.
TEST(RelayModules, ListedAgainAfterARestart) {
    RecordingDriver d;
    d.modules = {"S4-1", "S4-2"};
    RelayModules relays(&d);
    relays.Start();
    relays.Toggle(1);
    relays.Toggle(3);
    d.calls.clear();

    d.modules = {"S4-1", "S4-9"};
    EXPECT_EQ(relays.Start(), 2);
    EXPECT_EQ(d.calls,
              (std::vector<Call>{{"S4-1", 0x05, 0}, {"S4-1", 0x0A, 1}, {"S4-9", 0x0F, 0}}));
    EXPECT_EQ(relays.State(1), 1);
    EXPECT_EQ(relays.State(4), 0);

    d.modules = {"S4-1"};
    d.calls.clear();
    EXPECT_EQ(relays.Start(), 1);
    EXPECT_EQ(relays.State(4), RelayModules::kUncommanded);
    EXPECT_FALSE(relays.Enabled(4));
    EXPECT_EQ(d.calls.size(), 2u);
}

}  // namespace
}  // namespace tesmira
