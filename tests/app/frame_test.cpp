#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

#include "app/placement.h"
#include "app/tesmira_app.h"
#include "app/tesmira_view.h"
#include "app/web_pages.h"
#include "capture/video_view.h"
#include "dialogs/count_down_panel.h"
#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_timelapse.h"
#include "dialogs/dlg_zsync.h"
#include "main_frame_rig.h"
#include "panel/dlg_main.h"

namespace tesmira::test {
namespace {

using FrameTest = MainFrameRig;

TEST_F(FrameTest, WindowHoldsThreePanesAndSixMenus) {
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("無題 - Tesmira"));
    QSplitter* sp = f.splitter();
    ASSERT_EQ(sp->count(), 3);
    auto* panelPane = qobject_cast<QScrollArea*>(sp->widget(0));
    ASSERT_NE(panelPane, nullptr);
    EXPECT_NE(qobject_cast<CDlgMain*>(panelPane->widget()), nullptr);
    EXPECT_NE(qobject_cast<CTesmiraView*>(sp->widget(1)), nullptr);
    EXPECT_NE(qobject_cast<CVideoView*>(sp->widget(2)), nullptr);

    QStringList titles;
    for (QAction* a : f.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
              QString::fromUtf8("ﾌｧｲﾙ(&F)|編集(&E)|表示(&V)|ポート(&P)|キャプチャー(&C)|ﾍﾙﾌﾟ(&H)")
                  .split('|'));

    // Every command is an action carrying its identifier and a prompt.
    for (int id : {32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32779, 32780, 32781,
                   57643, 57635, 57634, 57637, 59392, 59393, 57664, 57665}) {
        QAction* a = f.action(id);
        ASSERT_NE(a, nullptr) << int(id);
        EXPECT_EQ(a->property("id").toInt(), id);
        EXPECT_FALSE(a->statusTip().isEmpty()) << int(id);
    }
    EXPECT_EQ(f.action(57665)->text(), QString::fromUtf8("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));
    EXPECT_EQ(f.action(57643)->text(), QString::fromUtf8("元に戻す(&U)\tCtrl+Z"));
    EXPECT_EQ(f.action(32779)->statusTip(),
              QString::fromUtf8("次の録画までの残り時間を表示する。"));
    EXPECT_EQ(f.action(32779)->toolTip(), QStringLiteral("Time before next rec"));
    // No tool bar and no status bar were made.
    EXPECT_EQ(f.findChild<QStatusBar*>(), nullptr);
}

TEST_F(FrameTest, FloatingWindowsAreCreatedHidden) {
    CMainFrame& f = MakeFrame();
    EXPECT_FALSE(f.countDownPanel()->isVisible());
    EXPECT_FALSE(f.timelapsePanel()->isVisible());
    EXPECT_FALSE(f.zsyncPanel()->isVisible());
    EXPECT_FALSE(f.commandSend()->isVisible());
    EXPECT_EQ(f.countDownPanel()->windowTitle(), QString::fromUtf8("残り時間"));
    EXPECT_EQ(f.countDownPanel()->model().total(), 1);
    EXPECT_EQ(f.countDownPanel()->display()->text(), QStringLiteral("0:00"));
}

TEST_F(FrameTest, MenuEnablingFollowsTheRunState) {
    MakeFrame();
    EXPECT_TRUE(Enabled(32773));
    EXPECT_TRUE(Enabled(32775));
    EXPECT_TRUE(Enabled(32776));
    EXPECT_FALSE(Enabled(32779));  // no recording
    EXPECT_FALSE(Enabled(59392));
    EXPECT_FALSE(Enabled(59393));
    EXPECT_FALSE(Enabled(32774));  // no capture graph has said it holds a camera
    EXPECT_FALSE(Enabled(32777));

    run.isLive = true;
    EXPECT_FALSE(Enabled(32773));
    EXPECT_FALSE(Enabled(32775));
    EXPECT_TRUE(Enabled(32776));

    run.isRecording = true;
    EXPECT_FALSE(Enabled(32776));
    EXPECT_TRUE(Enabled(32779));

    bool graphReady = true;
    commands.SetCommandEnabledQuery(32774, [&] { return graphReady; });
    commands.SetCommandEnabledQuery(32777, [&] { return graphReady; });
    EXPECT_TRUE(Enabled(32774));
    EXPECT_FALSE(Enabled(32777));  // stream formats only while live video is stopped
    run = {};
    EXPECT_TRUE(Enabled(32777));
    graphReady = false;
    EXPECT_FALSE(Enabled(32774));
    EXPECT_FALSE(Enabled(32777));

    for (int id : {32771, 32772, 32778, 32780, 32781, 57664, 57665})
        EXPECT_TRUE(Enabled(id)) << int(id);
}

TEST_F(FrameTest, CountDownCommandTogglesThePanelAndChecksWhileVisible) {
    CMainFrame& f = MakeFrame();
    CDlgCountDown* panel = f.countDownPanel();
    f.OnCommand(32779);  // disabled without a recording: nothing happens
    EXPECT_FALSE(panel->isVisible());

    run.isRecording = true;
    f.OnCommand(32779);
    EXPECT_TRUE(panel->isVisible());
    f.UpdateCommandUI();
    EXPECT_TRUE(f.action(32779)->isChecked());
    f.OnCommand(32779);
    EXPECT_FALSE(panel->isVisible());
    f.UpdateCommandUI();
    EXPECT_FALSE(f.action(32779)->isChecked());

    // Recording control may show the panel between recordings: the mark still tells the truth.
    run.isRecording = false;
    panel->show();
    f.UpdateCommandUI();
    EXPECT_FALSE(f.action(32779)->isEnabled());
    EXPECT_TRUE(f.action(32779)->isChecked());
}

TEST_F(FrameTest, OtherRoomsAttachCommandsThroughTheRegistry) {
    CMainFrame& f = MakeFrame();
    f.OnCommand(32771);  // inert: nothing attached
    int portRuns = 0, rewriteRuns = 0;
    commands.SetCommandHandler(32771, [&] { ++portRuns; });
    commands.SetCommandHandler(32781, [&] { ++rewriteRuns; });
    f.action(32771)->trigger();
    f.action(32781)->trigger();
    EXPECT_EQ(portRuns, 1);
    EXPECT_EQ(rewriteRuns, 1);

    // A handler's own rule is honoured even when the command comes from a stale menu.
    int cameraRuns = 0;
    commands.SetCommandHandler(32773, [&] { ++cameraRuns; });
    run.isLive = true;
    f.OnCommand(32773);
    EXPECT_EQ(cameraRuns, 0);

    // 32772 shows the frame's own command-send dialog until a room takes the command over.
    f.OnCommand(32772);
    EXPECT_TRUE(f.commandSend()->isVisible());
}

TEST_F(FrameTest, WebPageFailureBeepsAndAsksForTheInternet) {
    CMainFrame& f = MakeFrame();
    std::vector<std::string> opened;
    openUrl = [&](const std::string& url) {
        opened.push_back(url);
        return url == kUpdatePageUrl;
    };
    f.OnCommand(32778);
    EXPECT_TRUE(messages.messages.empty());
    f.OnCommand(32780);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], kCodecPageUrl);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "インターネットに接続してください。\n");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Information);
}

TEST(PanelPlacement, DegenerateStoredRectanglesLeaveThePanelWhereItIs) {
    const ScreenRect current{100, 50, 400, 250};
    for (const PanelRect& bad :
         {PanelRect{0, 0, 0, 0}, PanelRect{10, 10, 10, 90}, PanelRect{10, 10, 90, 10},
          PanelRect{90, 10, 10, 90}, PanelRect{10, 90, 90, 10}}) {
        EXPECT_EQ(PlacePanel(current, bad, true), current);
        EXPECT_EQ(PlacePanel(current, bad, false), current);
    }
    const PanelRect stored{-20, 30, 180, 530};  // a panel on a screen left of the main one
    EXPECT_EQ(PlacePanel(current, stored, true), (ScreenRect{-20, 30, 180, 530}));
    EXPECT_EQ(PlacePanel(current, stored, false), (ScreenRect{-20, 30, 280, 230}));
}

TEST_F(FrameTest, StoredPlacementsAreAppliedAndCapturedAtClose) {
    s.countDownPanel = {40, 60, 340, 260};
    s.timelapsePanel = {70, 80, 71, 81};  // other size: only the corner counts
    s.zsyncPanel = {0, 0, 0, 0};          // first run: template position
    CMainFrame& f = MakeFrame();
    EXPECT_EQ(f.countDownPanel()->geometry(), QRect(40, 60, 300, 200));
    const QSize ownSize = f.timelapsePanel()->size();
    EXPECT_EQ(f.timelapsePanel()->geometry().topLeft(), QPoint(70, 80));
    EXPECT_GT(ownSize.width(), 1);
    const QRect zsyncBefore = f.zsyncPanel()->geometry();

    // The close sequence stops the panel's timers and records where the panels are.
    CDlgMain* panel = f.controlPanel();
    ASSERT_NE(panel, nullptr);
    for (int id = 1000; id <= 1014; ++id)
        panel->Timers().Start(TimerId(id), 100);
    f.countDownPanel()->setGeometry(15, 25, 400, 300);
    f.countDownPanel()->show();
    f.RunCloseSequence();
    EXPECT_EQ(shutdowns, 1) << "the rooms release what they hold";
    for (TimerId id : kTimersStoppedAtClose)
        EXPECT_FALSE(panel->Timers().IsRunning(id)) << int(id);
    EXPECT_TRUE(
        panel->Timers().IsRunning(TimerId::kPortRefresh));  // the dialogs' own timers are theirs
    EXPECT_FALSE(f.countDownPanel()->isVisible());
    const PanelRect cd = s.countDownPanel;
    EXPECT_EQ((ScreenRect{cd.left, cd.top, cd.right, cd.bottom}), (ScreenRect{15, 25, 415, 325}));
    EXPECT_EQ(s.timelapsePanel.left, 70);
    EXPECT_EQ(s.timelapsePanel.right, 70 + ownSize.width());
    EXPECT_EQ(s.zsyncPanel.left, zsyncBefore.x());
    EXPECT_TRUE(s.zsyncPanel.IsUsable());
}

TEST_F(FrameTest, MessagePaneAppendsColouredTextThatCannotBeUndone) {
    CMainFrame& f = MakeFrame();
    CTesmiraView* view = f.messagePane();
    view->setPlainText(QStringLiteral("typed "));
    view->moveCursor(QTextCursor::Start);  // the caret elsewhere: appends still go to the end
    doc.UpdateAllViews(nullptr, UpdateHint::kAppendGreen, std::string("Rec Time 12.3 s\r\n"));
    doc.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, std::string("29.97 fps"));
    EXPECT_EQ(view->toPlainText(), QStringLiteral("typed Rec Time 12.3 s\n29.97 fps"));
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(view->isReadOnly());
    EXPECT_EQ(view->textCursor().position(), view->document()->characterCount() - 1);

    auto colourAt = [view](int pos) {
        QTextCursor c(view->document());
        c.setPosition(pos + 1);
        return c.charFormat().foreground().color();
    };
    EXPECT_EQ(colourAt(7), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(colourAt(view->toPlainText().indexOf("fps")), QColor(0x00, 0x00, 0xFF));

    doc.UpdateAllViews(nullptr, UpdateHint::kAppendGreen, 3.5);  // a number is no text: ignored
    doc.UpdateAllViews(view, UpdateHint::kAppendGreen,
                       std::string("own"));  // the sender never hears itself
    doc.UpdateAllViews(nullptr, static_cast<UpdateHint>(103), std::string("not mine"));
    EXPECT_FALSE(view->toPlainText().contains("own"));
    EXPECT_FALSE(view->toPlainText().contains("3.5"));
    EXPECT_FALSE(view->toPlainText().contains("not mine"));

    doc.UpdateAllViews(nullptr, UpdateHint::kClearMessages);
    EXPECT_TRUE(view->toPlainText().isEmpty());
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(FrameTest, EditCommandsActOnTheMessagePaneOnlyWhenItIsActive) {
    CMainFrame& f = MakeFrame();
    f.show();
    CTesmiraView* view = f.messagePane();
    view->setPlainText(QStringLiteral("hello"));
    view->selectAll();
    f.controlPanel()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Enabled(57634));

    QApplication::setActiveWindow(&f);
    view->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(f.CurrentMenuState().messagePaneActive);
    EXPECT_TRUE(Enabled(57634));
    EXPECT_TRUE(Enabled(57635));
    QApplication::clipboard()->clear();
    f.OnCommand(57634);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    f.OnCommand(57635);
    EXPECT_TRUE(view->toPlainText().isEmpty());
    EXPECT_TRUE(Enabled(57643));
    f.OnCommand(57643);  // the user's own cut can be undone
    EXPECT_EQ(view->toPlainText(), QStringLiteral("hello"));
    EXPECT_TRUE(Enabled(57637));
}

TEST_F(FrameTest, ClosingRunsTheSequenceOnceAndReportsTheEnd) {
    CMainFrame& f = MakeFrame();
    int closed = 0;
    f.SetOnClosed([&] { ++closed; });
    f.show();
    f.OnCommand(57665);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.isVisible());
}

// A close by the user while something runs asks first and keeps running unless told otherwise; a
// signal's close does not ask.
TEST_F(FrameTest, ClosingWhileSomethingRunsAsksFirst) {
    struct Case {
        const char* what;
        bool recording, repeating, relayCycle;
        int recMode;
        bool answer, bySignal;
        const char* asked;  // nullptr: no question
        bool closes;
    };
    const Case cases[] = {
        {"idle", false, false, false, 0, false, false, nullptr, true},
        {"recording, keep", true, true, false, 1, false, false, "録画", false},
        {"time-lapse, quit", true, false, false, 2, true, false, "タイムラップス", true},
        {"repeat wait, keep", false, true, false, 1, false, false, "繰り返し録画", false},
        {"relay cycle, keep", false, false, true, 0, false, false, "リレーのサイクル", false},
        {"recording, signal", true, false, false, 0, false, true, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMainFrame& f = MakeFrame();
        shutdowns = 0;
        asked.clear();
        run.isRecording = c.recording;
        run.isRepeating = c.repeating;
        s.recMode = c.recMode;
        answerClose = c.answer;
        const bool cycling = c.relayCycle;
        f.controlPanel()->Conditions().relayCycling = [cycling] { return cycling; };
        f.show();
        if (c.bySignal)
            f.CloseWithoutAsking();
        else
            f.OnCommand(57665);
        ASSERT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(asked[0], QString::fromUtf8(c.asked));
        }
        EXPECT_EQ(shutdowns, c.closes ? 1 : 0);
        EXPECT_EQ(f.isVisible(), !c.closes);
        frame.reset();
    }
}

// The offscreen platform hands the activation to the menu while it is open and nobody hands it
// back when the menu closes; a window manager would, so the test does that step itself. What
// matters is where the frame's keyboard focus is then: with the panel, not with the menu bar.
TEST_F(FrameTest, EscapeFromAMenuGivesTheKeysBackToThePanel) {
    CMainFrame& f = MakeFrame();
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.controlPanel()->setFocus();
    QMenuBar* bar = f.menuBar();
    QMenu* view = f.findChild<QMenu*>(QStringLiteral("menuView"));
    ASSERT_TRUE(view);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(view->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::qWait(20);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&f] { return QApplication::activeWindow() == &f; }));
    EXPECT_FALSE(bar->hasFocus()) << "the menu bar still holds the keys";
    EXPECT_EQ(f.controlPanel(), QApplication::focusWidget());
    const int zoomBefore = f.controlPanel()->Fields().zoomIndex;
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &f;
    QTest::keyClick(target, Qt::Key_S);
    EXPECT_EQ(nullptr, QApplication::activePopupWidget()) << "S opened a menu";
    EXPECT_EQ(zoomBefore - 1, f.controlPanel()->Fields().zoomIndex);
}

TEST(AppExit, WriteFailureIsReportedOnceOnStandardError) {
    auto profile = std::make_unique<MemoryProfile>();
    profile->failFlush = true;
    CTesmiraApp app(std::move(profile));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(app.ExitInstance());
    EXPECT_TRUE(app.ExitInstance());  // once only
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("could not write the settings"), std::string::npos);
    EXPECT_EQ(err.find("could not write the settings"), err.rfind("could not write the settings"));
}

}  // namespace
}  // namespace tesmira::test
