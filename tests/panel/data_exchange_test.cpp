// Values between the members, the bound settings and the controls: numbers shown and read
// without regard to the locale, out-of-range and non-numeric entries refused with the range
// message, the control focused, and the values behind it left as they were.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "common/message_recorder.h"
#include "panel/dlg_main.h"
#include "panel/numeric_text.h"
#include "panel_test_support.h"

namespace tesmira {
namespace {

TEST(NumericText, FormatsShortAndLocaleFree) {
    EXPECT_EQ(FormatDecimal(0.5), "0.5");
    EXPECT_EQ(FormatDecimal(500000.0), "500000");
    EXPECT_EQ(FormatDecimal(-1.6), "-1.6");
    EXPECT_EQ(FormatDecimal(29.97), "29.97");
    EXPECT_EQ(FormatDecimal(0.01), "0.01");
    EXPECT_EQ(FormatDecimal(-0.0), "0");
}

TEST(NumericText, ParsesPlainNumbersOnly) {
    EXPECT_EQ(ParseDecimal(" 12.5 "), 12.5);
    EXPECT_EQ(ParseDecimal("-0.25"), -0.25);
    EXPECT_EQ(ParseDecimal("+3"), 3.0);
    EXPECT_EQ(ParseDecimal(".5"), 0.5);
    EXPECT_EQ(ParseDecimal("1e3"), 1000.0);
    for (const char* bad :
         {"", "  ", "abc", "12abc", "1,5", "inf", "nan", "-", "1 2", "--1", "1e999"}) {
        EXPECT_FALSE(ParseDecimal(bad).has_value()) << bad;
    }
}

TEST(NumericText, RangeMessageNamesTheRange) {
    EXPECT_EQ(RangeMessage(0.01, 500000), "0.01 から 500000 までの数値を入力してください。");
    EXPECT_EQ(RangeMessage(-10, 10), "-10 から 10 までの数値を入力してください。");
}

class PanelExchangeTest : public ::testing::Test {
protected:
    PanelExchangeTest() {
        const PanelFields& f = panel.Fields();
        panel.BindNumber(1009, steps.xyFine, f.stepMinimum, f.stepMaximum);
        panel.BindNumber(1010, steps.xyCoarse, f.stepMinimum, f.stepMaximum);
        panel.BindNumber(1029, steps.zFine, f.stepMinimum, f.stepMaximum);
        panel.BindNumber(1030, steps.zCoarse, f.stepMinimum, f.stepMaximum);
        panel.BindNumber(1038, steps.deltaZ, -100.0, 100.0);
        for (int id = 1001; id <= 1194; ++id)
            panel.MarkAttached({id});
        panel.UpdateData(false);
    }
    void ShowActive() {
        panel.show();
        panel.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(panel.Control(id)); }

    // Numbers another room owns, bound the way the stage's binder binds its step sizes.
    struct Steps {
        double xyFine = 10, xyCoarse = 20, zFine = 1, zCoarse = 5, deltaZ = 0.2;
    };

    test::PanelWorld world;
    CDlgMain panel{world.Deps()};
    Steps steps;
};

TEST_F(PanelExchangeTest, ShowsMembersAndSettingsInTheirControls) {
    steps.xyFine = 12.5;
    world.settings.deltaT = -0.5;
    world.settings.tempCorrection = -1.6;
    world.settings.recAudio = true;
    world.settings.fpsAviReplay = 2;
    panel.Fields().droppedFramesText = "Get      5   Drop 0";
    ASSERT_TRUE(panel.UpdateData(false));
    EXPECT_EQ(Edit(1009)->text(), QStringLiteral("12.5"));
    EXPECT_EQ(Edit(1037)->text(), QStringLiteral("-0.5"));
    EXPECT_EQ(Edit(1076)->text(), QStringLiteral("-1.6"));
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(panel.Control(1048))->isChecked());
    EXPECT_EQ(panel.Control(1027)->property("text").toString(),
              QStringLiteral("Get      5   Drop 0"));
    EXPECT_EQ(panel.Control(1052)->property("currentIndex").toInt(), 2);
}

TEST_F(PanelExchangeTest, ReadsEveryBoundValueBack) {
    Edit(1009)->setText("0.01");
    Edit(1010)->setText("500000");
    Edit(1029)->setText("2.5");
    Edit(1030)->setText("7");
    Edit(1037)->setText("-10");
    Edit(1038)->setText("100");
    Edit(1076)->setText("-3.25");
    qobject_cast<QAbstractButton*>(panel.Control(1051))->setChecked(true);
    qobject_cast<QAbstractButton*>(panel.Control(1075))->setChecked(true);
    ASSERT_TRUE(panel.UpdateData(true));
    EXPECT_TRUE(world.notifier.messages.empty());
    EXPECT_DOUBLE_EQ(steps.xyFine, 0.01);
    EXPECT_DOUBLE_EQ(steps.xyCoarse, 500000);
    EXPECT_DOUBLE_EQ(steps.zFine, 2.5);
    EXPECT_DOUBLE_EQ(steps.zCoarse, 7);
    EXPECT_DOUBLE_EQ(world.settings.deltaT, -10);
    EXPECT_DOUBLE_EQ(steps.deltaZ, 100);
    EXPECT_DOUBLE_EQ(world.settings.tempCorrection, -3.25);
    EXPECT_TRUE(world.settings.resetFps);
    EXPECT_EQ(world.settings.recMode, 3);
}

struct Refusal {
    int id;
    const char* text;
    const char* message;
};

TEST_F(PanelExchangeTest, RefusesOutOfRangeAndNonNumericEntries) {
    const Refusal cases[] = {
        {1009, "0.001", "0.01 から 500000 までの数値を入力してください。"},
        {1010, "500000.5", "0.01 から 500000 までの数値を入力してください。"},
        {1029, "-1", "0.01 から 500000 までの数値を入力してください。"},
        {1030, "abc", "0.01 から 500000 までの数値を入力してください。"},
        {1037, "10.01", "-10 から 10 までの数値を入力してください。"},
        {1038, "-101", "-100 から 100 までの数値を入力してください。"},
        {1076, "warm", "数値を入力してください。"},
        {1040, "", "数値を入力してください。"},
    };
    panel.Conditions().cameraReady = [] { return true; };
    world.run.isLive = true;  // the zoom edit is usable only with live video
    panel.UpdateRecordControls();
    ShowActive();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.id);
        panel.UpdateData(false);
        const Steps beforeSteps = steps;
        const Settings settingsBefore = world.settings;
        world.notifier.messages.clear();
        Edit(c.id)->setText(QString::fromUtf8(c.text));
        EXPECT_FALSE(panel.UpdateData(true));
        ASSERT_EQ(world.notifier.messages.size(), 1u);
        EXPECT_EQ(world.notifier.messages[0].text, c.message);
        EXPECT_EQ(QApplication::focusWidget(), Edit(c.id)) << "the refused entry has the focus";
        EXPECT_EQ(steps.xyFine, beforeSteps.xyFine);
        EXPECT_EQ(steps.deltaZ, beforeSteps.deltaZ);
        EXPECT_EQ(world.settings.deltaT, settingsBefore.deltaT);
        EXPECT_EQ(world.settings.tempCorrection, settingsBefore.tempCorrection);
        Edit(c.id)->clearFocus();
    }
}

TEST_F(PanelExchangeTest, FirstRefusalStopsThePassAndOnlyOneMessageIsShown) {
    Edit(1009)->setText("0");
    Edit(1037)->setText("99");
    Edit(1076)->setText("-2");
    const double before = world.settings.tempCorrection;
    EXPECT_FALSE(panel.UpdateData(true));
    ASSERT_EQ(world.notifier.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(world.settings.tempCorrection, before) << "later values untouched";
}

TEST_F(PanelExchangeTest, RefreshKeepsTheTextTheUserIsTyping) {
    ShowActive();
    Edit(1009)->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(Edit(1009)->hasFocus());
    Edit(1009)->setText("12");  // half typed
    steps.xyCoarse = 33;
    panel.UpdateRecordControls();  // e.g. a count-down tick refreshing the panel
    EXPECT_EQ(Edit(1009)->text(), QStringLiteral("12"));
    EXPECT_EQ(Edit(1010)->text(), QStringLiteral("33"));
}

TEST_F(PanelExchangeTest, EditFocusFlagAndTheLeftSignal) {
    ShowActive();
    std::vector<int> left;
    QObject::connect(&panel, &CDlgMain::editLeft, [&](int id) { left.push_back(id); });
    Edit(1029)->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(panel.Fields().editHasFocus);
    panel.Control(1193)->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(panel.Fields().editHasFocus);
    EXPECT_EQ(left, std::vector<int>{1029});
}

}  // namespace
}  // namespace tesmira
