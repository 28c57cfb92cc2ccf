#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include "common/message_recorder.h"
#include "core/settings.h"
#include "dialogs/dlg_time_limit.h"

namespace tesmira {
namespace {

TimeLimitFields Fields(int lenMin, int lenSec, int intMin, int intSec, int count) {
    TimeLimitFields f;
    f.lengthMin = lenMin;
    f.lengthSec = lenSec;
    f.intervalMin = intMin;
    f.intervalSec = intSec;
    f.count = count;
    return f;
}

TEST(TimeLimitRules, FieldsAcceptWholeNumbersInsideTheirRangeOnly) {
    EXPECT_EQ(ParseWhole("59", kSeconds), 59);
    EXPECT_EQ(ParseWhole(" 7 ", kSeconds), 7);
    EXPECT_EQ(ParseWhole("0", kCount), 0);
    EXPECT_FALSE(ParseWhole("60", kSeconds));
    EXPECT_FALSE(ParseWhole("-1", kSeconds));
    EXPECT_FALSE(ParseWhole("", kSeconds));
    EXPECT_FALSE(ParseWhole("5x", kSeconds));
    EXPECT_FALSE(ParseWhole("1.5", kLengthMinutes));
    EXPECT_FALSE(ParseWhole("99999999999999999999", kCount));
    EXPECT_NE(WholeRangeMessage(kSeconds).find("0 から 59"), std::string::npos);
}

TEST(TimeLimitRules, NormalisationRaisesCountAndIntervalOnly) {
    // 5 min length, 8 min interval: the interval becomes twice the length.
    const TimeLimitFields a = Normalise(Fields(5, 0, 8, 0, 3));
    EXPECT_EQ(a.intervalMin, 10);
    EXPECT_EQ(a.intervalSec, 0);
    EXPECT_EQ(a.count, 3);
    // Seconds carry over into minutes when written back.
    const TimeLimitFields b = Normalise(Fields(1, 45, 0, 0, 0));
    EXPECT_EQ(b.intervalMin, 3);
    EXPECT_EQ(b.intervalSec, 30);
    EXPECT_EQ(b.count, 1);
    // A long enough interval stays as typed, unnormalised seconds included.
    const TimeLimitFields c = Normalise(Fields(1, 0, 2, 59, 4));
    EXPECT_EQ(c.intervalMin, 2);
    EXPECT_EQ(c.intervalSec, 59);
    EXPECT_EQ(c.lengthMin, 1);
    // A zero length would stop every recording at once and give a negative pause: it becomes 1 s.
    const TimeLimitFields d = Normalise(Fields(0, 0, 0, 0, 1));
    EXPECT_EQ(d.lengthSec, 1);
    EXPECT_EQ(d.intervalSec, 2);
}

TEST(TimeLimitRules, OkStoresLengthLimitIntervalCountAndPause) {
    Settings s;
    ApplyTimeLimit(s, Fields(5, 30, 12, 0, 4));
    EXPECT_EQ(s.rtStop, 3300000000LL);
    EXPECT_EQ(s.recLimitMs, 330100);
    EXPECT_EQ(s.recInterval, 720000);
    EXPECT_EQ(s.recRepaet, 4);
    EXPECT_EQ(s.repeatPauseSec, 720 - 330 - 1);
    // Unnormalised fields are normalised before storing: the pause is never negative.
    ApplyTimeLimit(s, Fields(10, 0, 10, 0, 0));
    EXPECT_EQ(s.recInterval, 1200000);
    EXPECT_EQ(s.recRepaet, 1);
    EXPECT_EQ(s.repeatPauseSec, 599);
}

TEST(TimeLimitRules, LargestFieldsStillFitTheStoredMilliseconds) {
    Settings s;
    ApplyTimeLimit(s, Fields(kLengthMinutes.hi, 59, 0, 0, 1));
    EXPECT_GT(s.recInterval, 0);
    EXPECT_EQ(int64_t{s.recInterval}, 2 * (s.rtStop / 10000000) * 1000);
    ApplyTimeLimit(s, Fields(0, 1, kIntervalMinutes.hi, 59, 1));
    EXPECT_EQ(int64_t{s.recInterval}, int64_t{kIntervalMinutes.hi} * 60000 + 59000);
}

TEST(TimeLimitRules, OpeningShowsStoredValuesAsMinutesAndSeconds) {
    Settings s;
    s.rtStop = 3250000000LL;  // 325 s
    s.recInterval = 754321;   // 754.321 s
    s.recRepaet = 7;
    const TimeLimitFields f = FieldsFromSettings(s);
    EXPECT_EQ(f.lengthMin, 5);
    EXPECT_EQ(f.lengthSec, 25);
    EXPECT_EQ(f.intervalMin, 12);
    EXPECT_EQ(f.intervalSec, 34);
    EXPECT_EQ(f.count, 7);
}

class TimeLimitDialog : public ::testing::Test {
protected:
    TimeLimitDeps Deps() { return {s, messages, handOver}; }

    static QLineEdit* Edit(CDlgTimeLimit& d, int id) {
        auto* edit = qobject_cast<QLineEdit*>(d.Control(id));
        EXPECT_NE(edit, nullptr) << id;
        return edit;
    }
    static void Leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &out);
    }
    static void Type(QLineEdit* edit, const char* text) { edit->setText(text); }

    Settings s;
    TimeLimitHandOver handOver;
    test::MessageRecorder messages;
};

TEST_F(TimeLimitDialog, LeavingTheIntervalRaisesItToTwiceTheLength) {
    CDlgTimeLimit d{Deps()};
    Type(Edit(d, 1025), "5");
    Type(Edit(d, 1026), "0");
    Type(Edit(d, 1027), "8");
    Type(Edit(d, 1028), "0");
    // Leaving a length field only reads the controls.
    Leave(Edit(d, 1025));
    EXPECT_EQ(Edit(d, 1027)->text(), "8");
    Leave(Edit(d, 1027));
    EXPECT_EQ(Edit(d, 1027)->text(), "10");
    EXPECT_EQ(Edit(d, 1028)->text(), "0");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(TimeLimitDialog, CountZeroBecomesOneOnEnterWhichKeepsTheDialogOpen) {
    CDlgTimeLimit d{Deps()};
    d.show();
    Type(Edit(d, 57640), "0");
    QTest::keyClick(Edit(d, 57640), Qt::Key_Return);
    EXPECT_EQ(Edit(d, 57640)->text(), "1");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    Type(Edit(d, 57640), "0");
    Leave(Edit(d, 57640));
    EXPECT_EQ(Edit(d, 57640)->text(), "1");
}

TEST_F(TimeLimitDialog, OpeningNormalisesStoredValues) {
    s.rtStop = 3000000000LL;  // 5 min
    s.recInterval = 30000;
    s.recRepaet = 0;
    CDlgTimeLimit d{Deps()};
    EXPECT_EQ(Edit(d, 1027)->text(), "10");
    EXPECT_EQ(Edit(d, 57640)->text(), "1");
}

TEST_F(TimeLimitDialog, RangeErrorKeepsTheDialogOpenAndTheSettingsUnchanged) {
    const Settings before = s;
    CDlgTimeLimit d{Deps()};
    d.show();
    Type(Edit(d, 1026), "75");
    d.accept();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("0 から 59"), std::string::npos);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s.rtStop, before.rtStop);
    EXPECT_EQ(s.recInterval, before.recInterval);
    Type(Edit(d, 57640), "abc");
    Type(Edit(d, 1026), "5");
    Leave(Edit(d, 57640));
    EXPECT_EQ(messages.messages.size(), 2u);
}

TEST_F(TimeLimitDialog, OkStoresTheValuesAndHandsThemToTheSettingsPanel) {
    int handedInterval = -1;
    int64_t handedLength = -1;
    handOver = [&](int intervalMs, int64_t rtStop) {
        handedInterval = intervalMs;
        handedLength = rtStop;
    };
    CDlgTimeLimit d{Deps()};
    Type(Edit(d, 1025), "2");
    Type(Edit(d, 1026), "30");
    Type(Edit(d, 1027), "6");
    Type(Edit(d, 1028), "15");
    Type(Edit(d, 57640), "12");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(s.rtStop, 1500000000LL);
    EXPECT_EQ(s.recLimitMs, 150100);
    EXPECT_EQ(s.recInterval, 375000);
    EXPECT_EQ(s.recRepaet, 12);
    EXPECT_EQ(s.repeatPauseSec, 375 - 150 - 1);
    EXPECT_EQ(handedInterval, 375000);
    EXPECT_EQ(handedLength, 1500000000LL);
}

TEST_F(TimeLimitDialog, CancelChangesNothing) {
    const Settings before = s;
    bool handed = false;
    handOver = [&](int, int64_t) { handed = true; };
    CDlgTimeLimit d{Deps()};
    Type(Edit(d, 1025), "1");
    Type(Edit(d, 57640), "9");
    d.reject();
    EXPECT_EQ(s.rtStop, before.rtStop);
    EXPECT_EQ(s.recRepaet, before.recRepaet);
    EXPECT_FALSE(handed);
}

}  // namespace
}  // namespace tesmira
