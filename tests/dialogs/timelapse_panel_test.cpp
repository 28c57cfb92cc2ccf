// The recording/time-lapse/relay settings panel: each row message for its input, what an apply
// stores and compiles (from scratch every time), the total time, replay time and frame count that
// agree with each other, and the widgets' range checks and total-time editing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

#include "common/message_recorder.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "dialogs/dlg_timelapse.h"
#include "instruments/schedule_validation.h"

namespace tesmira {
namespace {

constexpr std::array<bool, kRelayModules> kBoth{true, true};
constexpr std::array<bool, kRelayModules> kNone{false, false};

RelayRow SyncRow(double on, double off) {
    RelayRow r;
    r.mode = RowMode::kSync;
    r.onSec = on;
    r.offSec = off;
    return r;
}

TEST(TimelapsePanelRules, EachRefusedRowGetsItsMessageAndGoesBackToNone) {
    struct Case {
        const char* name;
        int recMode;
        RelayRow row;
        std::string_view message;  // empty: accepted
    };
    RelayRow clockSame;
    clockSame.mode = RowMode::kClock;
    clockSame.on = clockSame.off = {7, 30, 0};
    const std::vector<Case> cases = {
        {"on equals off", 0, SyncRow(1.0, 1.0), kMsgOnEqualsOff},
        {"beyond the frame interval", 2, SyncRow(0.0, 11.0), kMsgOutsideFrameInterval},
        {"negative in time-lapse", 2, SyncRow(-2.0, 1.0), {}},
        {"beyond the recording interval", 0, SyncRow(0.0, 31.0), kMsgOutsideRecordInterval},
        {"negative outside time-lapse", 3, SyncRow(-2.0, 1.0), kMsgNegativeOutsideTimelapse},
        {"negative and beyond: the interval first", 1, SyncRow(-2.0, 40.0),
         kMsgOutsideRecordInterval},
        {"clock on equals off", 0, clockSame, kMsgClockOnEqualsOff},
        {"accepted", 0, SyncRow(0.5, 3.0), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        s.recMode = c.recMode;
        RecordingPanelFields f = PanelFieldsFromSettings(s);
        f.video = {0, 15, 0, 30};      // recording interval 30 s
        f.timelapse.intervalSec = 10;  // frame interval 10 s
        f.rows[2] = c.row;
        f.rows[5] = SyncRow(0.0, 1.0);  // a good row of module 2 is still compiled
        const PanelApply a = ApplyRecordingPanel(s, f, false, kBoth);
        if (c.message.empty()) {
            EXPECT_TRUE(a.messages.empty());
            EXPECT_EQ(s.relayMode[2], static_cast<int>(c.row.mode));
        } else {
            ASSERT_EQ(a.messages.size(), 1u);
            EXPECT_EQ(a.messages[0], c.message);
            EXPECT_EQ(s.relayMode[2], 0);
            EXPECT_EQ(a.fields.rows[2].mode, RowMode::kNone);
        }
        EXPECT_EQ(s.relayMode[5], 1);
        EXPECT_TRUE(a.schedule.sequenceMask[1] & 0x02);
    }
}

TEST(TimelapsePanelRules, EveryApplyStartsFromNothing) {
    Settings s;
    RecordingPanelFields f = PanelFieldsFromSettings(s);
    // The defaults (every row "なし") and no module: nothing to play, and no crash.
    PanelApply a = ApplyRecordingPanel(s, f, false, kNone);
    EXPECT_FALSE(a.schedule.HasSteps());
    EXPECT_FALSE(a.schedule.HasClockEvents());
    // Time-lapse without a module: one frame marker, however often it is applied.
    s.recMode = 2;
    for (int i = 0; i < 3; ++i)
        a = ApplyRecordingPanel(s, f, false, kNone);
    ASSERT_EQ(a.schedule.steps.size(), 1u);
    EXPECT_EQ(a.schedule.steps[0].kind, StepKind::kFrameMarker);
    // Rows of an absent module are kept in the settings but not played.
    f.rows[0] = SyncRow(0.5, 3.0);
    a = ApplyRecordingPanel(s, f, false, kNone);
    EXPECT_EQ(s.relayMode[0], 1);
    EXPECT_EQ(a.schedule.steps.size(), 1u);
}

TEST(TimelapsePanelRules, TotalReplayAndFrameFieldsAgreeAndAreStored) {
    struct Case {
        const char* name;
        int64_t intervalMin, intervalSec, frames, totalH, totalMin, totalSec;
        bool fromTotal;
        int64_t wantFrames, wantH, wantMin, wantSec;
        const char* replay;
        int wantIntervalMs;
    };
    const std::vector<Case> cases = {
        {"defaults", 0, 10, 1800, 0, 0, 0, false, 1800, 4, 59, 50, "01 分  00 秒", 10000},
        {"one hour of total time", 0, 10, 1800, 1, 0, 0, true, 361, 1, 0, 0, "00 分  12 秒", 10000},
        {"zero interval counts as one second", 0, 0, 5, 0, 0, 0, false, 5, 0, 0, 4, "00 分  00 秒",
         1000},
        {"a week apart, a million frames", 10080, 0, 1000000, 0, 0, 0, false, 1000000, 167999832, 0,
         0, "556 分  06 秒", 604800000},
        {"huge total time is capped", 0, 1, 5, 2147483647, 86400, 86400, true, 1000000, 277, 46, 39,
         "556 分  06 秒", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;  // replay rate 29.97
        RecordingPanelFields f = PanelFieldsFromSettings(s);
        f.timelapse = {c.intervalMin, c.intervalSec, c.frames, c.totalH, c.totalMin, c.totalSec};
        const PanelApply a = ApplyRecordingPanel(s, f, c.fromTotal, kNone);
        EXPECT_EQ(a.fields.timelapse.maxFrames, c.wantFrames);
        EXPECT_EQ(a.fields.timelapse.totalH, c.wantH);
        EXPECT_EQ(a.fields.timelapse.totalMin, c.wantMin);
        EXPECT_EQ(a.fields.timelapse.totalSec, c.wantSec);
        EXPECT_EQ(a.replayText, c.replay);
        EXPECT_EQ(s.tlFrames, c.wantFrames);
        EXPECT_EQ(s.timelapse, c.wantIntervalMs);
        // Applying again from the total time shown gives the same frame count back.
        const PanelApply again = ApplyRecordingPanel(s, a.fields, true, kNone);
        EXPECT_EQ(again.fields.timelapse.maxFrames, c.wantFrames);
    }
}

TEST(TimelapsePanelRules, VideoFieldsAreNormalisedAndStored) {
    Settings s;
    RecordingPanelFields f = PanelFieldsFromSettings(s);
    EXPECT_EQ(f.video.lengthMin, 5);  // 300 s from the stored 100-ns limit
    EXPECT_EQ(f.video.intervalMin, 0);
    EXPECT_EQ(f.video.intervalSec, 30);
    f.video = {0, 0, 0, 1};
    f.recCount = 3;
    const PanelApply a = ApplyRecordingPanel(s, f, false, kNone);
    EXPECT_EQ(a.fields.video.lengthSec, 1);
    EXPECT_EQ(a.fields.video.intervalSec, 2);
    EXPECT_EQ(s.rtStop, 10000000);
    EXPECT_EQ(s.recLimitMs, 1100);
    EXPECT_EQ(s.recInterval, 2000);
    EXPECT_EQ(s.repeatPauseSec, 0);
    EXPECT_EQ(s.recRepaet, 3);
}

TEST(TimelapsePanelRules, FieldTextsAreCheckedAgainstTheirRanges) {
    EXPECT_EQ(ParseWhole(" 86400 ", kFieldSeconds), 86400);
    EXPECT_FALSE(ParseWhole("86401", kFieldSeconds));
    EXPECT_FALSE(ParseWhole("0", kFrames));
    EXPECT_FALSE(ParseWhole("1e3", kFrames));
    EXPECT_FALSE(ParseWhole("99999999999999999999", kTotalHours));
    EXPECT_EQ(ParseReal("-2.5", kRelayOffset), -2.5);
    EXPECT_FALSE(ParseReal("nan", kRelayOffset));
    EXPECT_FALSE(ParseReal("1,5", kRelayOffset));
    EXPECT_FALSE(ParseReal("", kRelayOffset));
    EXPECT_EQ(WholeRangeMessage(kFrames), "1 から 1000000 までの整数を入力してください。");
}

class TimelapsePanelWidget : public ::testing::Test {
protected:
    void SetUp() override {
        panel.Attach(TimelapsePanelDeps{settings, doc, notifier,
                                        [](int module) { return module == 1 ? "S4A" : ""; },
                                        [this](const CompiledSchedule& s) {
                                            schedule = s;
                                            ++applies;
                                        }});
    }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(panel.Control(id)); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(panel.Control(id)); }
    void Focus(int id, QEvent::Type type) {
        QFocusEvent e(type, Qt::TabFocusReason);
        QApplication::sendEvent(Edit(id), &e);
    }

    Settings settings;
    CTesmiraDoc doc;
    test::MessageRecorder notifier;
    CDlgTimelapse panel;
    CompiledSchedule schedule;
    int applies = 0;
};

TEST_F(TimelapsePanelWidget, ARefusedFieldStopsTheApplyWithItsRangeMessage) {
    Edit(1057)->setText("0");
    EXPECT_FALSE(panel.Apply());
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, WholeRangeMessage(kFrames));
    EXPECT_EQ(applies, 0);
    EXPECT_EQ(settings.tlFrames, 1800);
}

TEST_F(TimelapsePanelWidget, RowsCompileAndARefusedRowIsResetOnScreen) {
    EXPECT_FALSE(Button(1092 + 11 * 4)->isEnabled()) << "module 2 is absent";
    Button(1093)->click();  // row 1 "録画/ショット" with ON 0.0, OFF 1.0
    EXPECT_EQ(applies, 1);
    EXPECT_EQ(schedule.steps.size(), 2u);
    Edit(1095 + 11)->setText("2");  // row 2: ON 2, OFF 2
    Edit(1096 + 11)->setText("2");
    Button(1093 + 11)->click();
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, std::string(kMsgOnEqualsOff));
    EXPECT_TRUE(Button(1092 + 11)->isChecked());
    EXPECT_EQ(settings.relayMode[1], 0);
    EXPECT_EQ(schedule.steps.size(), 2u);
}

// The replay time shows from the start, the same as after an apply that changes nothing, and a
// relay offset keeps every digit through the fields.
TEST_F(TimelapsePanelWidget, TheFieldsShowTheStoredValuesWholeFromTheStart) {
    auto* replay = qobject_cast<QLabel*>(panel.Control(1056));
    const std::string shown = replay->text().toStdString();
    EXPECT_TRUE(panel.Apply());
    EXPECT_EQ(replay->text().toStdString(), shown);
    EXPECT_NE(shown.find("01 分"), std::string::npos) << shown;  // 1800 frames at 29.97 fps

    settings.relayMode[0] = 1;
    settings.relaySyncOn[0] = 123456.5;
    settings.relaySyncOff[0] = 0.125;
    panel.ValidateSchedules();  // fields from the settings, applied back
    EXPECT_DOUBLE_EQ(settings.relaySyncOn[0], 123456.5);
    EXPECT_DOUBLE_EQ(settings.relaySyncOff[0], 0.125);
}

TEST_F(TimelapsePanelWidget, EditingTheTotalTimeSetsTheFrameCount) {
    Edit(1058)->setText("1");  // 1 h 0 min 0 s at one frame every 10 s
    Edit(1059)->setText("0");
    Edit(1060)->setText("0");
    Focus(1058, QEvent::FocusIn);
    Focus(1058, QEvent::FocusOut);
    EXPECT_EQ(Edit(1057)->text(), "361");
    EXPECT_EQ(settings.tlFrames, 361);
    auto* replay = qobject_cast<QLabel*>(panel.Control(1056));
    EXPECT_EQ(replay->text().toStdString(), "00 分  12 秒");
    // Leaving another field keeps the frame count and derives the total from it.
    Edit(1057)->setText("7");
    Focus(1057, QEvent::FocusIn);
    Focus(1057, QEvent::FocusOut);
    EXPECT_EQ(Edit(1059)->text(), "1");
    EXPECT_EQ(Edit(1058)->text(), "0");
}

// The pixel size: typed and checked, or worked out from a line drawn on the live picture and
// its known length; 較正 without a line says what to do and changes nothing.
TEST_F(TimelapsePanelWidget, PixelSizeIsTypedOrCalibratedFromADrawnLine) {
    double line = 0.0;
    panel.SetLineMeasure([&line] { return line; });
    Edit(1206)->setText("abc");
    EXPECT_FALSE(panel.Apply());
    EXPECT_EQ(notifier.messages.back().text, RealRangeMessage(kPixelSizeUm));
    Edit(1206)->setText("0.345");
    Button(1207)->click();
    EXPECT_DOUBLE_EQ(settings.pixelSizeUm, 0.345);
    EXPECT_TRUE(settings.isTextOutScaleBar);

    const size_t told = notifier.messages.size();
    Edit(1208)->setText("100");
    Button(1210)->click();
    EXPECT_EQ(notifier.messages.size(), told + 1) << "no line drawn yet";
    EXPECT_DOUBLE_EQ(settings.pixelSizeUm, 0.345);
    line = 400.0;
    Button(1210)->click();
    EXPECT_DOUBLE_EQ(settings.pixelSizeUm, 0.25);
    EXPECT_EQ(Edit(1206)->text(), "0.25");
}

}  // namespace
}  // namespace tesmira
