// The status line in the real frame: what it shows and when it refreshes, the menu command that
// switches it, where it says the keys go, the reasons greyed menu commands give, and the frame's
// smallest size.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

#include "app/menu_rules.h"
#include "app/status_line_bar.h"
#include "app/tesmira_view.h"
#include "capture/video_view.h"
#include "common/fake_timer_backend.h"
#include "dialogs/count_down_panel.h"
#include "main_frame_rig.h"
#include "panel/dlg_main.h"

namespace tesmira::test {
namespace {

// The frame with a status line fed from `state`, its timers run by hand.
class StatusLineTest : public MainFrameRig {
protected:
    void SetUp() override {
        MakeFrame();
        timers.Attach(&frame->controlPanel()->Timers());
        frame->controlPanel()->SetTimerBackend(&timers);
        frame->SetStatusLine(std::make_unique<StatusLineBar>(
            *frame, doc, frame->controlPanel()->Timers(), [this] { return state; }));
    }
    QStringList Shown() { return frame->statusLine()->Texts(); }

    FakeClock clock;
    FakeTimerBackend timers{clock};
    StatusLineState state;
};

TEST_F(StatusLineTest, ShowsTheSnapshotAndFollowsItOnTheTimerAndOnHints) {
    state.cameraReady = true;
    state.live = true;
    state.width = 640;
    state.height = 480;
    state.fps = 30;
    frame->statusLine()->Refresh();
    QStringList shown = Shown();
    ASSERT_EQ(6, shown.size());
    EXPECT_EQ(QString::fromUtf8("ライブ"), shown[0]);
    EXPECT_EQ(QString::fromUtf8("640×480  30 fps  非圧縮"), shown[2]);

    // A recording starts: the next tick of the status timer shows it.
    state.recording = true;
    state.elapsedMs = 5000;
    state.limitMs = 60000;
    timers.Advance(kStatusLinePeriodMs - 1);
    EXPECT_EQ(QString::fromUtf8("ライブ"), Shown()[0]) << "not before the tick";
    timers.Advance(1);
    EXPECT_EQ(QString::fromUtf8("録画中"), Shown()[0]);
    EXPECT_EQ(QString::fromUtf8("経過 0:00:05  残り 0:00:55"), Shown()[1]);

    // Any broadcast refreshes at once (a recording that stopped names its file).
    state.recording = false;
    state.lastFile = "/data/Video/26_12_08-001_Rec_at_30.00fps.avi";
    doc.UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
    EXPECT_EQ(QString::fromUtf8("保存: /data/Video/26_12_08-001_Rec_at_30.00fps.avi"), Shown()[3]);
    EXPECT_TRUE(Shown()[1].isEmpty());

    frame->RunCloseSequence();
    EXPECT_FALSE(timers.IsRunning(TimerId::kStatusLine)) << "the close sequence stops its timer";
}

TEST_F(StatusLineTest, ANewStatusLineTakesOverTheTimerAndTheBar) {
    frame->SetStatusLine(std::make_unique<StatusLineBar>(
        *frame, doc, frame->controlPanel()->Timers(), [this] { return state; }));
    EXPECT_EQ(6, frame->statusBar()->findChildren<QLabel*>().size()) << "one set of fields";
    state.cameraReady = true;
    state.live = true;
    timers.Advance(kStatusLinePeriodMs);
    EXPECT_EQ(QString::fromUtf8("ライブ"), Shown()[0]);
}

TEST_F(StatusLineTest, TheViewMenuSwitchesTheStatusBar) {
    frame->show();
    EXPECT_TRUE(Enabled(command_id::kStatusBar));
    EXPECT_TRUE(frame->action(command_id::kStatusBar)->isChecked());
    EXPECT_FALSE(Enabled(command_id::kToolBar)) << "still no tool bar";
    frame->OnCommand(command_id::kStatusBar);
    EXPECT_FALSE(frame->statusBar()->isVisible());
    EXPECT_FALSE(frame->action(command_id::kStatusBar)->isChecked());
    frame->OnCommand(command_id::kStatusBar);
    EXPECT_TRUE(frame->statusBar()->isVisible());
    EXPECT_TRUE(frame->action(command_id::kStatusBar)->isChecked());
}

TEST_F(StatusLineTest, SaysWhereTheKeysGo) {
    CDlgMain* panel = frame->controlPanel();
    auto* edit = qobject_cast<QLineEdit*>(panel->Control(1040));
    ASSERT_TRUE(edit);
    const QWidget* f = frame.get();
    const struct {
        const QWidget* focus;
        KeyTarget expected;
    } cases[] = {
        {panel, KeyTarget::kStage},
        {panel->Control(1001), KeyTarget::kStage},  // a jog button keeps the keys on the stage
        {edit, KeyTarget::kEdit},
        {frame->videoView(), KeyTarget::kPicture},
        {frame->videoView()->viewport(), KeyTarget::kPicture},
        {frame->messagePane(), KeyTarget::kEdit},
        {nullptr, KeyTarget::kElsewhere},
        {frame->countDownPanel(), KeyTarget::kElsewhere},  // a window of its own
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, KeyTargetOf(c.focus, f, panel, frame->videoView()))
            << (c.focus ? c.focus->objectName().toStdString() : "no focus");
}

TEST_F(StatusLineTest, GreyedMenuCommandsSayWhy) {
    run.isLive = true;
    EXPECT_FALSE(Enabled(command_id::kCameraSelect));
    EXPECT_EQ(QString::fromUtf8("LiveStop でライブ映像を止めてから選べます。"),
              frame->action(command_id::kCameraSelect)->toolTip());
    run.isLive = false;
    EXPECT_TRUE(Enabled(command_id::kCameraSelect));
    EXPECT_NE(QString::fromUtf8("LiveStop でライブ映像を止めてから選べます。"),
              frame->action(command_id::kCameraSelect)->toolTip());
    // The designed hint of the count-down command comes back once it is enabled.
    EXPECT_FALSE(Enabled(command_id::kCountDownPanel));
    EXPECT_EQ(QString::fromUtf8("録画中だけ使えます。"),
              frame->action(command_id::kCountDownPanel)->toolTip());
    run.isRecording = true;
    EXPECT_TRUE(Enabled(command_id::kCountDownPanel));
    EXPECT_EQ(QStringLiteral("Time before next rec"),
              frame->action(command_id::kCountDownPanel)->toolTip());
}

// For every command and every state the frame can be in: greyed exactly when a reason is given.
TEST(MenuReasons, GivenExactlyForGreyedCommands) {
    const int ids[] = {32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32779, 32780,
                       32781, 57643, 57635, 57634, 57637, 59392, 59393, 57664, 57665};
    for (int bits = 0; bits < (1 << 10); ++bits) {
        MenuState m;
        m.run.isLive = bits & 1;
        m.run.isRecording = bits & 2;
        m.countDownVisible = bits & 4;
        m.messagePaneActive = bits & 8;
        m.canUndo = bits & 16;
        m.hasSelection = bits & 32;
        m.canPaste = bits & 64;
        m.statusBarPresent = bits & 128;
        m.statusBarVisible = bits & 256;
        const bool room = bits & 512;
        for (int id : ids)
            ASSERT_EQ(IsCommandEnabled(id, m, room), CommandDisabledReason(id, m, room) == nullptr)
                << id << " in state " << bits;
    }
}

TEST_F(StatusLineTest, AtItsSmallestTheWindowShowsTheWholePanelWidthAndScrollsItsHeight) {
    CDlgMain* panel = frame->controlPanel();
    auto* pane = qobject_cast<QScrollArea*>(frame->splitter()->widget(0));
    ASSERT_TRUE(pane) << "the panel sits in a scrolling pane";
    EXPECT_EQ(panel, pane->widget());
    frame->show();
    frame->resize(frame->minimumSize());
    QApplication::processEvents();
    ASSERT_LE(frame->width(), frame->minimumWidth() + 1);
    // Not one column of the panel is hidden under the message pane.
    EXPECT_GE(pane->viewport()->width(), panel->minimumSizeHint().width());
    EXPECT_GE(pane->width(), panel->minimumSizeHint().width());
    // Lower than the panel: its pane scrolls down to the relay row instead of cutting it off.
    ASSERT_LT(pane->viewport()->height(), panel->minimumSizeHint().height());
    EXPECT_TRUE(pane->verticalScrollBar()->isVisible());
    EXPECT_GE(pane->verticalScrollBar()->maximum(),
              panel->minimumSizeHint().height() - pane->viewport()->height());
}

}  // namespace
}  // namespace tesmira::test
