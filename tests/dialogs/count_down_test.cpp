#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/find_control.h"
#include "core/tesmira_doc.h"
#include "dialogs/count_down.h"
#include "dialogs/count_down_panel.h"

namespace tesmira {
namespace {

TEST(CountDown, ShowsMinutesWithAsManyDigitsAsNeededAndTwoDigitSeconds) {
    EXPECT_EQ(CountDown::Format(0), "0:00");
    EXPECT_EQ(CountDown::Format(9), "0:09");
    EXPECT_EQ(CountDown::Format(75), "1:15");
    EXPECT_EQ(CountDown::Format(3600), "60:00");
    EXPECT_EQ(CountDown::Format(600001), "10000:01");
}

TEST(CountDown, SetTotalRestartsTheBarAndShowsTheWholeTime) {
    CountDown c;
    c.SetTotal(10);
    c.SetRemaining(4);
    EXPECT_EQ(c.percent(), 60);
    c.SetTotal(125);
    EXPECT_EQ(c.percent(), 0);
    EXPECT_EQ(c.text(), "2:05");
}

TEST(CountDown, ElapsedShareIsTruncatedAndMayLeaveTheBarRange) {
    CountDown c;
    c.SetTotal(3);
    c.SetRemaining(2);
    EXPECT_EQ(c.percent(), 33);  // 100 / 3 truncated
    c.SetRemaining(1);
    EXPECT_EQ(c.percent(), 66);
    c.SetRemaining(-5);  // negative counts as zero
    EXPECT_EQ(c.percent(), 100);
    EXPECT_EQ(c.text(), "0:00");
    c.SetRemaining(6);  // above the total: a negative share, handed on unchanged
    EXPECT_EQ(c.percent(), -100);
    EXPECT_EQ(c.text(), "0:06");
    c.SetTotal(2000000000);  // no overflow in (total - remaining) x 100
    c.SetRemaining(0);
    EXPECT_EQ(c.percent(), 100);
}

TEST(CountDown, ZeroTotalDoesNotDivide) {
    CountDown c;
    c.SetTotal(0);
    c.SetRemaining(5);
    EXPECT_EQ(c.percent(), 100);
    EXPECT_EQ(c.text(), "0:05");
}

class HintCatcher : public CUpdateView {
public:
    void OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload&) override {
        hints.push_back(int(hint));
    }
    std::vector<int> hints;
};

TEST(CountDownPanel, ShowsTheCountAndPinsTheBarToItsRange) {
    CTesmiraDoc doc;
    CDlgCountDown panel(doc);
    EXPECT_EQ(panel.property("id").toInt(), 139);
    EXPECT_EQ(panel.display()->text(), QStringLiteral("00:00"));
    EXPECT_EQ(panel.display()->font().pointSize(), 48);
    EXPECT_TRUE(panel.display()->font().bold());
    EXPECT_EQ(test::FindControl(&panel, 1090), panel.progress());
    EXPECT_EQ(test::FindControl(&panel, 1091), panel.display());

    panel.SetTotal(90);
    EXPECT_EQ(panel.display()->text(), QStringLiteral("1:30"));
    EXPECT_EQ(panel.progress()->value(), 0);
    panel.SetRemaining(30);
    EXPECT_EQ(panel.progress()->value(), 66);
    panel.SetRemaining(200);  // the bar cannot show -122: it shows empty, not a stale value
    EXPECT_EQ(panel.progress()->value(), 0);
    EXPECT_EQ(panel.display()->text(), QStringLiteral("3:20"));
}

TEST(CountDownPanel, StopButtonAsksEveryViewToStop) {
    CTesmiraDoc doc;
    CDlgCountDown panel(doc);
    HintCatcher views;
    doc.AddView(&views);
    auto* stop = qobject_cast<QPushButton*>(test::FindControl(&panel, 1089));
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), QString::fromUtf8("ストップ"));
    EXPECT_TRUE(stop->isDefault());
    stop->click();
    doc.RemoveView(&views);
    EXPECT_EQ(views.hints, std::vector<int>{205});
}

}  // namespace
}  // namespace tesmira
