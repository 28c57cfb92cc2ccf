// The meter engine: the USBRH2 reply gathering, the correction, and the texts each kind leaves
// on the display and in the overlay.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/fake_serial_channel.h"
#include "instruments/meter.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"

namespace tesmira {
namespace {

TEST(Usbrh2ReplyParser, GathersRepliesThatArriveInPieces) {
    Usbrh2ReplyParser p;
    p.Append(":23.4");
    EXPECT_FALSE(p.Take());
    p.Append("5,45.6");
    EXPECT_FALSE(p.Take());  // the humidity is not finished until its comma
    p.Append("0,\r\n");
    const auto reply = p.Take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->temperature, "23.45");
    EXPECT_EQ(reply->humidity, "45.60");
    EXPECT_EQ(p.Pending(), 0u);  // the line end is not kept
}

TEST(Usbrh2ReplyParser, RefusesWhatIsNotAWholeNumericReply) {
    Usbrh2ReplyParser p;
    p.Append(":ab,45.60,\r\n");
    EXPECT_FALSE(p.Take());
    p.Append(":,45.60,\r\n");
    EXPECT_FALSE(p.Take());
    p.Append("\x01\xff noise :21.00,40.00,\r\n");
    const auto reply = p.Take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->temperature, "21.00");
}

// A reply without ":" reads from its first character, after a query or a line end; the tail of
// a line whose start was lost, or of a reply nobody asked for now, stays unread.
TEST(Usbrh2ReplyParser, AReplyWithoutColonStartsAtItsLine) {
    struct Case {
        const char* what;
        bool asked;
        std::vector<std::string> polls;
        const char* temperature;  // nullptr: no reading
        const char* humidity;
    };
    const Case cases[] = {
        {"whole", true, {"23.45,45.60,\r\n"}, "23.45", "45.60"},
        {"in two polls", true, {"23.4", "5,45.60,\r\n"}, "23.45", "45.60"},
        {"after a reply with colon",
         false,
         {":20.00,30.00,\r\n21.50,31.00,\r\n"},
         "21.50",
         "31.00"},
        {"a new line cuts a broken one", true, {"23.4,50\r\n23.5,50.1,"}, "23.5", "50.1"},
        {"after noise with no line end", true, {"\x01 noise 23.45,45.60,"}, nullptr, nullptr},
        {"unasked: the tail of an earlier reply", false, {"5,45.60,\r\n"}, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Usbrh2ReplyParser p;
        if (c.asked)
            p.ExpectReply();
        std::optional<Usbrh2Reply> reply;
        for (const std::string& poll : c.polls) {
            p.Append(poll);
            if (auto r = p.Take())
                reply = r;
        }
        if (!c.temperature) {
            EXPECT_FALSE(reply);
            continue;
        }
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->temperature, c.temperature);
        EXPECT_EQ(reply->humidity, c.humidity);
    }
}

TEST(Usbrh2ReplyParser, ARestartedReplyAndTwoRepliesGiveTheNewest) {
    Usbrh2ReplyParser p;
    p.Append(":23.4:24.00,50.00,\r\n");  // the meter began again mid-reply
    auto reply = p.Take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->temperature, "24.00");

    p.Append(":20.00,30.00,\r\n:20.50,31.00,\r\n");
    reply = p.Take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->temperature, "20.50");
    EXPECT_EQ(reply->humidity, "31.00");
}

TEST(Usbrh2ReplyParser, OverlongInputStaysBounded) {
    Usbrh2ReplyParser p;
    p.Append(":" + std::string(5000, '1'));
    EXPECT_LE(p.Pending(), Usbrh2ReplyParser::kMaxPending);
    EXPECT_FALSE(p.Take());
    p.Append(",2,\r\n");  // the tail of an overlong field is not a reading
    EXPECT_FALSE(p.Take());
    p.Append(":23.45,45.60,");
    ASSERT_TRUE(p.Take());
}

// Answers at once, or (deferred) when the test hands the answer over, as the helper does.
class FakeUsbrh : public IUsbrhDevice {
public:
    void Find(FindDone done) override {
        if (deferred) {
            pendingFind = std::move(done);
            return;
        }
        held = present;
        done(held);
    }
    bool Holds() const override { return held; }
    void Read(ReadDone done) override {
        ++reads;
        if (deferred) {
            pendingRead = std::move(done);
            return;
        }
        done(result, temperature, humidity);
    }
    void Release() override {
        held = false;
        ++releases;
    }
    void AnswerFind(bool found) {
        held = found;
        std::exchange(pendingFind, {})(found);
    }
    void AnswerRead(int r) { std::exchange(pendingRead, {})(r, temperature, humidity); }

    bool present = true;
    bool held = false;
    bool deferred = false;
    double temperature = 23.46, humidity = 45.62;
    int result = 0;
    int releases = 0;
    int reads = 0;
    FindDone pendingFind;
    ReadDone pendingRead;
};

class MeterTest : public ::testing::Test {
protected:
    test::FakeSerialChannel port;
    FakeUsbrh usbrh;
    W1Thermometer w1{"/nonexistent/w1"};
    Meter meter{port, usbrh, w1};
};

TEST_F(MeterTest, CorrectedUsbrh2Temperature) {
    EXPECT_EQ(Meter::CorrectedUsbrh2Temperature("23.45", -0.5), "22.95");
    EXPECT_EQ(Meter::CorrectedUsbrh2Temperature("23.4", 0.0), "23.4");  // digits as sent
    EXPECT_EQ(Meter::CorrectedUsbrh2Temperature("23", 1.0), "24.00");
    EXPECT_EQ(Meter::CorrectedUsbrh2Temperature("-0.30", -1.6), "-1.90");
}

TEST_F(MeterTest, Usbrh2ReplySplitOverTwoPollsIsShownWhole) {
    meter.SetKind(MeterKind::Usbrh2);
    meter.SetCorrection(-0.5);
    ASSERT_TRUE(meter.On().Ok());
    EXPECT_EQ(meter.Tick(), MeterTick::StartReplyPoll);
    EXPECT_EQ(port.All(), "getrh\n");

    port.input = ":23.4";
    meter.PollReply();
    EXPECT_EQ(meter.Display(), meter_text::kInitialDisplay);
    EXPECT_EQ(meter.TemperatureOverlay(), "");
    port.input = "5,45.60,\r\n";
    meter.PollReply();
    EXPECT_EQ(meter.Display(), " T: 22.95 °C\n H: 45.60 %");
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 22.95 °C");
    EXPECT_EQ(meter.HumidityOverlay(), " H = 45.60 %");

    // No answer: the last values stay.
    meter.PollReply();
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 22.95 °C");
}

TEST_F(MeterTest, Usbrh2ReplyWithoutColonIsShown) {
    meter.SetKind(MeterKind::Usbrh2);
    meter.SetCorrection(0.0);
    ASSERT_TRUE(meter.On().Ok());
    meter.Tick();
    port.input = "23.45,45.60,\r\n";
    meter.PollReply();
    EXPECT_EQ(meter.Display(), " T: 23.45 °C\n H: 45.60 %");
}

TEST_F(MeterTest, Usbrh2ReplyAfterOffKeepsThePlaceholder) {
    meter.SetKind(MeterKind::Usbrh2);
    meter.SetCorrection(0.0);
    ASSERT_TRUE(meter.On().Ok());
    meter.Tick();
    port.input = ":23.4";
    meter.PollReply();
    meter.Off();
    EXPECT_EQ(meter.Display(), meter_text::kOffDisplay);
    port.input = "5,45.60,\r\n";
    meter.PollReply();  // the poll runs on after OFF
    EXPECT_EQ(meter.Display(), meter_text::kOffDisplay);
    EXPECT_TRUE(port.input.empty());

    // Neither half of the old reply completes a new one after the next ON.
    ASSERT_TRUE(meter.On().Ok());
    port.input = "5,45.60,\r\n";
    meter.PollReply();
    EXPECT_EQ(meter.Display(), meter_text::kOffDisplay);
    port.input = ":24.00,40.10,\r\n";
    meter.PollReply();
    EXPECT_EQ(meter.Display(), " T: 24.00 °C\n H: 40.10 %");
}

TEST_F(MeterTest, Usbrh2OnAsksForThePortAndFailsWithoutIt) {
    meter.SetKind(MeterKind::Usbrh2);
    port.open = false;
    int asked = 0;
    meter.SetPortOpener([&] { ++asked; });
    const InstrumentResult r = meter.On();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.code, InstrumentError::Usbrh2NotFound);
    EXPECT_EQ(r.message, "USBRH2モジュールが見つかりません！");
    EXPECT_FALSE(meter.IsOn());

    meter.SetPortOpener([&] { port.open = true; });
    EXPECT_TRUE(meter.On().Ok());
    EXPECT_TRUE(meter.IsOn());
}

TEST_F(MeterTest, UsbrhReadingAppliesTheCorrectionBeforeRounding) {
    meter.SetKind(MeterKind::Usbrh);
    meter.SetCorrection(0.02);
    usbrh.temperature = 23.04;  // 23.06 shows as 23.1; rounding first would give 23.0
    usbrh.humidity = 45.62;
    ASSERT_TRUE(meter.On().Ok());
    EXPECT_EQ(meter.Tick(), MeterTick::Nothing);
    EXPECT_EQ(meter.Display(), " T: 23.1 °C\n H: 45.6 %");
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 23.1 °C");
    EXPECT_EQ(meter.HumidityOverlay(), " H = 45.6 %");
}

TEST_F(MeterTest, UsbrhMissingModuleAndFailedReading) {
    meter.SetKind(MeterKind::Usbrh);
    usbrh.present = false;
    const InstrumentResult r = meter.On();
    EXPECT_EQ(r.code, InstrumentError::UsbrhNotFound);
    EXPECT_EQ(r.message, "USBRHモジュールが見つかりません");
    EXPECT_FALSE(meter.IsOn());

    usbrh.present = true;
    ASSERT_TRUE(meter.On().Ok());
    meter.Tick();
    const std::string overlay = meter.TemperatureOverlay();
    usbrh.result = 1;
    EXPECT_EQ(meter.Tick(), MeterTick::SwitchedOff);
    EXPECT_FALSE(meter.IsOn());
    EXPECT_FALSE(usbrh.held);
    EXPECT_EQ(meter.Display(), meter_text::kOffDisplay);
    EXPECT_EQ(meter.TemperatureOverlay(), overlay);  // the overlay keeps its last value
}

TEST_F(MeterTest, TdsnSwitchesOnButSaysItCannotRead) {
    meter.SetKind(MeterKind::Tdsn7200);
    const InstrumentResult r = meter.On();
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.code, InstrumentError::NoReadingMethod);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(meter.IsOn());
    EXPECT_EQ(meter.Tick(), MeterTick::Nothing);
    EXPECT_EQ(meter.Display(), meter_text::kInitialDisplay);
    EXPECT_TRUE(port.writes.empty());
}

// Figures that are no numbers or lie outside what a room can be show the placeholder, on the
// display and in the overlay alike, whichever meter sent them.
TEST_F(MeterTest, FiguresOutsidePhysicalRangesShowThePlaceholder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double t, h;
        const char* display;
    };
    const Case readings[] = {
        {23.44, 45.62, " T: 23.4 °C\n H: 45.6 %"},   {nan, 45.62, " T: --.- °C\n H: 45.6 %"},
        {1e308, -inf, " T: --.- °C\n H: --.- %"},    {-100.0, 0.0, " T: -100.0 °C\n H: 0.0 %"},
        {200.01, 100.01, " T: --.- °C\n H: --.- %"}, {23.0, nan, " T: 23.0 °C\n H: --.- %"},
    };
    meter.SetKind(MeterKind::Usbrh);
    meter.SetCorrection(0.0);
    ASSERT_TRUE(meter.On().Ok());
    for (const Case& c : readings) {
        usbrh.temperature = c.t;
        usbrh.humidity = c.h;
        meter.Tick();
        EXPECT_EQ(meter.Display(), c.display) << c.t << " " << c.h;
    }
    EXPECT_EQ(meter.TemperatureOverlay(), "T = 23.0 °C");
    EXPECT_EQ(meter.HumidityOverlay(), " H = --.- %");

    struct Reply {
        const char* reply;
        double correction;
        const char* display;
    };
    const Reply replies[] = {
        {":999.9,45.6,\r\n", 0.0, " T: --.- °C\n H: 45.6 %"},
        {":23.4,100.5,\r\n", 0.0, " T: 23.4 °C\n H: --.- %"},
        {":23.4,45.6,\r\n", 1e300, " T: --.- °C\n H: 45.6 %"},
    };
    meter.Off();
    meter.SetKind(MeterKind::Usbrh2);
    ASSERT_TRUE(meter.On().Ok());
    for (const Reply& r : replies) {
        meter.SetCorrection(r.correction);
        port.input = r.reply;
        meter.PollReply();
        EXPECT_EQ(meter.Display(), r.display) << r.reply;
    }
    EXPECT_EQ(meter.TemperatureOverlay(), "T = --.- °C");
}

// The USBRH answers through a helper process: ON and the readings finish when the answers come,
// no reading is asked for while one is still out, and OFF keeps nothing that comes late.
TEST_F(MeterTest, UsbrhAnswersThatComeLater) {
    std::vector<MeterNews> news;
    meter.SetNewsListener([&](MeterNews n, const InstrumentResult&) { news.push_back(n); });
    meter.SetKind(MeterKind::Usbrh);
    meter.SetCorrection(0.0);
    usbrh.deferred = true;

    EXPECT_EQ(meter.On().code, InstrumentError::Pending);
    EXPECT_TRUE(meter.Finding());
    EXPECT_EQ(meter.On().code, InstrumentError::Pending);  // a second press asks nothing more
    usbrh.AnswerFind(true);
    EXPECT_TRUE(meter.IsOn());

    EXPECT_EQ(meter.Tick(), MeterTick::Nothing);
    EXPECT_EQ(meter.Tick(), MeterTick::Nothing);
    EXPECT_EQ(usbrh.reads, 1) << "a reading still out is not asked for again";
    usbrh.AnswerRead(0);
    EXPECT_EQ(meter.Display(), " T: 23.5 °C\n H: 45.6 %");
    meter.Tick();
    usbrh.AnswerRead(1);
    EXPECT_FALSE(meter.IsOn());
    EXPECT_EQ(news, (std::vector<MeterNews>{MeterNews::SwitchedOn, MeterNews::Shown,
                                            MeterNews::SwitchedOff}));

    // OFF while looking: a module found afterwards is given back, and the meter stays off.
    news.clear();
    EXPECT_EQ(meter.On().code, InstrumentError::Pending);
    meter.Off();
    const int releases = usbrh.releases;
    usbrh.AnswerFind(true);
    EXPECT_FALSE(meter.IsOn());
    EXPECT_EQ(usbrh.releases, releases + 1);
    EXPECT_TRUE(news.empty());

    // None found, later: the designed message comes with the news.
    InstrumentResult told;
    meter.SetNewsListener([&](MeterNews, const InstrumentResult& r) { told = r; });
    meter.On();
    usbrh.AnswerFind(false);
    EXPECT_EQ(told.message, "USBRHモジュールが見つかりません");
}

}  // namespace
}  // namespace tesmira
