// The device libraries' helper process: its message language refuses anything malformed, and the
// client, driving the real tesmira-devhost on a fake clock, meets the libraries that load, are
// missing, unusable, cut short, hang or crash, with the deadlines, back-off and give-up the user
// is told about once.
#include <poll.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "instruments/device_host_client.h"
#include "instruments/device_host_notices.h"
#include "instruments/device_host_protocol.h"

namespace tesmira::devhost {
namespace {

// ---- the language ------------------------------------------------------------------------

TEST(DeviceHostProtocol, EveryMessageReadsBackAsWritten) {
    Request set{.seq = 7, .op = Op::kSetRelays};
    std::memcpy(set.serial.data(), "ABCDEFGHIJKLMNOPQRST", 20);  // full entry, no terminator
    set.mask = 0x0C;
    set.on = 1;
    for (const Request& r :
         {set, Request{.seq = 1, .op = Op::kListRelays}, Request{.seq = 2, .op = Op::kFindUsb},
          Request{.seq = 3, .op = Op::kReadUsb}, Request{.seq = 4, .op = Op::kFreeUsb}}) {
        const auto back = DecodeRequest(Encode(r));
        ASSERT_TRUE(back) << int(r.op);
        EXPECT_EQ(back->seq, r.seq);
        EXPECT_EQ(back->op, r.op);
        EXPECT_EQ(back->serial, r.serial);
        EXPECT_EQ(back->mask, r.mask);
        EXPECT_EQ(back->on, r.on);
    }

    Answer hello{.op = Op::kHello, .status = LoadStatus::kUnusable, .reason = "file too short"};
    Answer list{.seq = 5, .op = Op::kListRelays, .count = 2};
    list.list[0] = 'S';
    list.list[399] = 'Z';
    Answer read{.seq = 6, .op = Op::kReadUsb, .result = 0, .temperature = 23.5, .humidity = -1e308};
    for (const Answer& a : {hello, list, read, Answer{.seq = 8, .op = Op::kFindUsb, .found = true},
                            Answer{.seq = 9, .op = Op::kSetRelays, .result = -1},
                            Answer{.seq = 10, .op = Op::kFreeUsb}}) {
        const auto back = DecodeAnswer(Encode(a));
        ASSERT_TRUE(back) << int(a.op);
        EXPECT_EQ(back->seq, a.seq);
        EXPECT_EQ(back->op, a.op);
        EXPECT_EQ(back->status, a.status);
        EXPECT_EQ(back->reason, a.reason);
        EXPECT_EQ(back->count, a.count);
        EXPECT_EQ(back->list, a.list);
        EXPECT_EQ(back->result, a.result);
        EXPECT_EQ(back->found, a.found);
        EXPECT_EQ(back->temperature, a.temperature);
        EXPECT_EQ(back->humidity, a.humidity);
    }
}

TEST(DeviceHostProtocol, MalformedMessagesAreRefused) {
    const std::vector<uint8_t> hello = Encode(Answer{.op = Op::kHello});
    const std::vector<uint8_t> found = Encode(Answer{.seq = 1, .op = Op::kFindUsb});
    const std::vector<uint8_t> set = Encode(Request{.seq = 1, .op = Op::kSetRelays});
    auto with = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    auto unterminated = hello;
    std::fill(unterminated.begin() + kHeadBytes + 1, unterminated.end(), 'x');
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool asAnswer;
    };
    const Case cases[] = {
        {"empty", {}, true},
        {"wrong magic", with(found, 0, 'X'), true},
        {"one byte short", std::vector<uint8_t>(found.begin(), found.end() - 1), true},
        {"one byte long",
         [&] {
             auto b = found;
             b.push_back(0);
             return b;
         }(),
         true},
        {"unknown operation", with(found, 8, 99), true},
        {"loading status out of range", with(hello, kHeadBytes, 3), true},
        {"reason without terminator", unterminated, true},
        {"found neither 0 nor 1", with(found, kHeadBytes, 2), true},
        {"hello asked for", with(found, 8, static_cast<uint8_t>(Op::kHello)), false},
        {"mask beyond four relays", with(set, kHeadBytes + 20, 0x10), false},
        {"on neither 0 nor 1", with(set, kHeadBytes + 21, 2), false},
    };
    for (const Case& c : cases) {
        if (c.asAnswer)
            EXPECT_FALSE(DecodeAnswer(c.bytes)) << c.what;
        else
            EXPECT_FALSE(DecodeRequest(c.bytes)) << c.what;
    }
    // Control characters in a reason never reach the message pane.
    Answer a{.op = Op::kHello, .status = LoadStatus::kUnusable, .reason = "bad\nline\x1b[2J"};
    EXPECT_EQ(DecodeAnswer(Encode(a))->reason, "bad?line?[2J");
}

TEST(DeviceHostProtocol, TheHelpersCommandLine) {
    const LibrarySearch search{"/opt/a:/opt/b", "/usr/bin", false, {"/usr/lib/x/tesmira"}};
    const std::vector<std::string> args = HostArguments(DeviceKind::kMeter, 3, search);
    const auto back = ParseHostArguments(args, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, DeviceKind::kMeter);
    EXPECT_EQ(back->fd, 3);
    EXPECT_EQ(back->search.Candidates("x"), search.Candidates("x"));
    EXPECT_FALSE(back->search.systemPath);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{},
                                               {"--kind", "relays"},
                                               {"--kind", "lamp", "--fd", "3"},
                                               {"--kind", "relays", "--fd", "3x"},
                                               {"--kind", "relays", "--fd", "3", "--exe-dir"},
                                               {"--kind", "relays", "--fd", "3", "--bogus", "1"}}) {
        std::string why;
        EXPECT_FALSE(ParseHostArguments(bad, &why));
        EXPECT_FALSE(why.empty());
    }
}

// ---- what the user is told ---------------------------------------------------------------

TEST(DeviceHostNotices, EachTroubleIsToldOnceAndTheRecoveryOnce) {
    HostNotices n(DeviceKind::kRelays);
    struct Step {
        HostEvent event;
        std::string detail;
        const char* expected;  // nullptr: nothing said
    };
    const Step steps[] = {
        {HostEvent::kLoaded, "", nullptr},
        {HostEvent::kNoAnswer, "",
         "リレーモジュールのライブラリ libsuper4.so が応答しません。"
         "リレーはオフラインです"},
        {HostEvent::kEnded, "", nullptr},   // the same outage goes on
        {HostEvent::kLoaded, "", nullptr},  // loaded again, but not yet proven
        {HostEvent::kNoAnswer, "", nullptr},
        {HostEvent::kRecovered, "",
         "リレーモジュールのライブラリ libsuper4.so は再び正常に応答"
         "しています"},
        {HostEvent::kEnded, "",
         "リレーモジュールのライブラリ libsuper4.so が異常終了しました。"
         "リレーはオフラインです"},
        {HostEvent::kGaveUp, "6",
         "リレーモジュールのライブラリ libsuper4.so は 6 回続けて失敗"
         "したため、再起動しません"},
        {HostEvent::kGaveUp, "6", nullptr},
        {HostEvent::kMissing, "", nullptr},
        {HostEvent::kUnusable, "100% broken",
         "リレーモジュールのライブラリ libsuper4.so を読み"
         "込めません：100% broken"},
        {HostEvent::kUnusable, "100% broken", nullptr},  // a retry with the same reason
    };
    for (const Step& s : steps) {
        const std::string text = n.Text(s.event, s.detail);
        EXPECT_EQ(text, s.expected ? s.expected : "") << static_cast<int>(s.event);
    }
    EXPECT_EQ(HostNotices(DeviceKind::kMeter).Text(HostEvent::kCrashedLoading, ""),
              "温湿度計のライブラリ libUSBMeter.so は読み込み中に異常終了しました。"
              "温湿度計は使えません");
}

// ---- the client and the real helper ------------------------------------------------------

struct Told {
    HostEvent event;
    std::string detail;
};

class HostClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v :
             {"TESMIRA_HOSTILE_CALLS", "TESMIRA_HOSTILE_BLOCK_MS", "TESMIRA_SIM_RELAY_LOG",
              "TESMIRA_SIM_RELAY_STATE", "TESMIRA_LABSIM_DIR"})
            unsetenv(v);
        setenv("TESMIRA_SIM_RELAY_MODULES", "S4-1,S4-2", 1);
    }
    void TearDown() override { unsetenv("TESMIRA_SIM_RELAY_MODULES"); }

    DeviceHostClient& Client(const std::string& folder, DeviceKind kind = DeviceKind::kRelays,
                             std::string program = TESMIRA_DEVHOST_PATH) {
        client = std::make_unique<DeviceHostClient>(clock, kind, std::move(program),
                                                    LibrarySearch{folder, "", false});
        client->SetEventListener([this](HostEvent e, const std::string& d) {
            told.push_back({e, d});
        });
        return *client;
    }
    static std::string Hostile(const char* folder) {
        return std::string(TESMIRA_HOSTILE_DIR) + "/" + folder;
    }
    // Takes the helper's answers as they come (real time: it is another process) until `done`.
    bool Await(const std::function<bool()>& done, int ms = 5000) {
        for (int waited = 0; !done(); waited += 10) {
            if (waited > ms)
                return false;
            if (client->Fd() >= 0) {
                pollfd p{client->Fd(), POLLIN, 0};
                poll(&p, 1, 10);
            } else {
                poll(nullptr, 0, 10);
            }
            client->OnReadable();
        }
        return true;
    }
    bool Told(HostEvent e) const {
        for (const auto& t : told) {
            if (t.event == e)
                return true;
        }
        return false;
    }

    FakeClock clock;
    std::unique_ptr<DeviceHostClient> client;
    std::vector<struct Told> told;
};

TEST_F(HostClientTest, LoadingOutcomes) {
    struct Case {
        const char* what;
        std::string folder;
        std::string program;
        HostEvent expected;
        const char* detailHas;
    };
    const Case cases[] = {
        {"stand-in", TESMIRA_SIM_LIBRARY_DIR, TESMIRA_DEVHOST_PATH, HostEvent::kLoaded, ""},
        {"no file", Hostile("nowhere"), TESMIRA_DEVHOST_PATH, HostEvent::kMissing, "not found"},
        {"an entry point missing", TESMIRA_SIM_BROKEN_LIBRARY_DIR, TESMIRA_DEVHOST_PATH,
         HostEvent::kUnusable, "SetRelays"},
        {"no helper program", TESMIRA_SIM_LIBRARY_DIR, "/nonexistent/tesmira-devhost",
         HostEvent::kNoProgram, "/nonexistent/tesmira-devhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        told.clear();
        Client(c.folder, DeviceKind::kRelays, c.program).Start();
        ASSERT_TRUE(Await([&] { return !told.empty(); })) << "the helper said nothing";
        EXPECT_EQ(told[0].event, c.expected);
        EXPECT_NE(told[0].detail.find(c.detailHas), std::string::npos) << told[0].detail;
        EXPECT_EQ(client->Online(), c.expected == HostEvent::kLoaded);
    }

    // A file cut short: the dynamic linker refuses it or the helper dies mapping it; either way
    // it is told as a library that cannot be used, and not retried on its own.
    for (DeviceKind kind : {DeviceKind::kRelays, DeviceKind::kMeter}) {
        told.clear();
        Client(Hostile("truncated"), kind).Start();
        ASSERT_TRUE(Await([&] { return !told.empty(); }));
        EXPECT_TRUE(told[0].event == HostEvent::kUnusable ||
                    told[0].event == HostEvent::kCrashedLoading)
            << static_cast<int>(told[0].event) << " " << told[0].detail;
        clock.Advance(60000);
        client->Service();
        EXPECT_EQ(client->Starts(), 1);
    }
}

TEST_F(HostClientTest, CallsAnswerThroughTheHelper) {
    Client(TESMIRA_SIM_LIBRARY_DIR).Start();
    int count = -1;
    std::string first;
    client->Call({.op = Op::kListRelays}, [&](const Answer* a) {
        ASSERT_NE(a, nullptr);
        count = a->count;
        first.assign(a->list.data(), strnlen(a->list.data(), TESMIRA_RELAY_ENTRY_BYTES));
    });
    ASSERT_TRUE(Await([&] { return count >= 0; }));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(first, "S4-1");
    EXPECT_TRUE(Told(HostEvent::kLoaded));

    // Without a helper a call is answered at once with nothing.
    DeviceHostClient idle(clock, DeviceKind::kRelays, TESMIRA_DEVHOST_PATH, {});
    bool none = false;
    idle.Call({.op = Op::kListRelays}, [&](const Answer* a) { none = a == nullptr; });
    EXPECT_TRUE(none);
}

// A library that hangs: the call's deadline ends the helper, the next one starts after the
// back-off, and every open call is given up.
TEST_F(HostClientTest, AHangingCallMissesItsDeadlineAndTheHelperIsRestarted) {
    Client(Hostile("blocking")).Start();
    ASSERT_TRUE(Await([&] { return client->Online(); }));
    int givenUp = 0;
    Request set{.op = Op::kSetRelays, .mask = 1, .on = 1};
    client->Call(set, [&](const Answer* a) { givenUp += a == nullptr; });
    client->Call(set, [&](const Answer* a) { givenUp += a == nullptr; });
    clock.Advance(1999);
    client->Service();
    EXPECT_TRUE(client->Online());
    clock.Advance(1);
    client->Service();
    EXPECT_FALSE(client->Running());
    EXPECT_EQ(givenUp, 2);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().event, HostEvent::kNoAnswer);

    clock.Advance(999);
    client->Service();
    client->Start();  // the back-off holds
    EXPECT_EQ(client->Starts(), 1);
    clock.Advance(1);
    client->Service();
    EXPECT_EQ(client->Starts(), 2);
    ASSERT_TRUE(Await([&] { return client->Online(); }));
}

TEST_F(HostClientTest, ACrashingCallEndsTheHelperNotTheProgram) {
    Client(Hostile("crashing")).Start();
    ASSERT_TRUE(Await([&] { return client->Online(); }));
    bool givenUp = false;
    client->Call({.op = Op::kSetRelays, .mask = 1, .on = 1},
                 [&](const Answer* a) { givenUp = a == nullptr; });
    ASSERT_TRUE(Await([&] { return givenUp; }));
    EXPECT_EQ(told.back().event, HostEvent::kEnded);
    EXPECT_FALSE(client->Running());
}

// A library that hangs every time: restarts after 1, 2, 4, 8 and 16 s, then no more.
TEST_F(HostClientTest, RestartsBackOffAndStopAfterSixFaultsInARow) {
    setenv("TESMIRA_HOSTILE_CALLS", "all", 1);  // dllversion hangs while loading
    Client(Hostile("blocking")).Start();
    std::vector<uint32_t> startedAt{clock.tick};
    for (int ms = 0; ms < 200000 && !Told(HostEvent::kGaveUp); ms += 100) {
        const int starts = client->Starts();
        clock.Advance(100);
        client->Service();
        if (client->Starts() != starts)
            startedAt.push_back(clock.tick);
    }
    ASSERT_TRUE(Told(HostEvent::kGaveUp));
    // Each helper gets 5 s to load, then waits 1, 2, 4, 8, 16 s.
    std::vector<uint32_t> gaps;
    for (size_t i = 1; i < startedAt.size(); ++i)
        gaps.push_back(startedAt[i] - startedAt[i - 1]);
    EXPECT_EQ(gaps, (std::vector<uint32_t>{6000, 7000, 9000, 13000, 21000}));
    EXPECT_EQ(told.back().detail, "6");
    clock.Advance(600000);
    client->Service();
    client->Start();  // not even when asked
    EXPECT_EQ(client->Starts(), 6);
    unsetenv("TESMIRA_HOSTILE_CALLS");
}

}  // namespace
}  // namespace tesmira::devhost
