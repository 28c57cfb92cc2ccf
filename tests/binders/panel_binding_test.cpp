#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "binders/recording_adapters.h"
#include "binders/stage_binder.h"
#include "common/message_recorder.h"
#include "core/run_state.h"
#include "panel/dlg_main.h"
#include "stage/jog_table.h"
#include "stage/stage_fakes.h"
#include "stage/stage_run_loop.h"

namespace tesmira {
namespace {

using test::StageFixture;

// A stand-in for the control panel: the stage's buttons and edits with their ids.
class PanelBinding : public StageFixture {
protected:
    void SetUp() override {
        StageFixture::SetUp();
        settings.xyAxisType = 1;
        settings.zAxisType = 1;
        control.LoadStepsFromSettings();
        control.BuildAtStartup();
        root = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(root.get());
        auto button = [&](int id) {
            auto* b = new QPushButton(QString::number(id));
            b->setProperty("id", id);
            layout->addWidget(b);
            return b;
        };
        for (const JogButton& b : JogButtons())
            button(b.id);
        for (int id : {1025, 1026, 1021, 1028, 1011, 1035, 1036, 1194})
            button(id);
        other = button(1022);
        for (int id : {1009, 1010, 1029, 1030, 1037, 1038}) {
            auto* e = new QLineEdit;
            e->setProperty("id", id);
            layout->addWidget(e);
        }
        hooks.recording = [this] { ++recordingPresses; };
        hooks.showZsync = [this] { ++zsyncShown; };
        hooks.zoomUp = [this] { ++zoomUps; };
        binding = BindStageControls(root.get(), timers, control, {settings, doc, notifier}, hooks);
        root->show();
        root->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(root.get()));
        root->setFocus();
    }
    void TearDown() override {
        root.reset();
        StageFixture::TearDown();
    }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(FindControl(root.get(), id)); }
    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(FindControl(root.get(), id)); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : root.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    }
    // Types a new value into an edit and leaves it with Enter.
    void Enter(int id, const QString& text) {
        Edit(id)->setFocus();
        Edit(id)->selectAll();
        QTest::keyClicks(Edit(id), text);
        Key(Qt::Key_Return);
    }

    std::unique_ptr<QWidget> root;
    QPushButton* other = nullptr;
    StageKeyHooks hooks;
    StageBinding* binding = nullptr;
    int recordingPresses = 0, zsyncShown = 0, zoomUps = 0;
};

TEST_F(PanelBinding, ButtonsJogStepZAndCentre) {
    EXPECT_EQ("10", Edit(1009)->text());  // 100 pulses x 0.1 um
    EXPECT_EQ("0.2", Edit(1038)->text());
    Button(1003)->click();
    Button(1019)->click();
    Button(1011)->click();
    EXPECT_EQ((std::vector<std::string>{"MOVREL x=-100\r", "MOVREL x=200 y=-200\r",
                                        "CENTER x=10000 y=10000\r"}),
              xy.writes);
    Button(1021)->click();
    EXPECT_EQ(std::vector<std::string>{"MOVREL b=500\r"}, z.writes);
    Button(1194)->click();
    EXPECT_EQ(1, zsyncShown);
}

TEST_F(PanelBinding, FocusStartAndStopArmTheFlagAndEnableEachOther) {
    Button(1035)->setEnabled(true);
    Button(1036)->setEnabled(false);
    Button(1035)->click();
    EXPECT_TRUE(control.FocusStepping());
    EXPECT_TRUE(Button(1036)->isEnabled());
    Button(1035)->setEnabled(false);
    Button(1036)->click();
    EXPECT_FALSE(control.FocusStepping());
    EXPECT_TRUE(Button(1035)->isEnabled());
}

TEST_F(PanelBinding, KeysJogFromThePanelAndFromButtons) {
    Key(Qt::Key_Left, Qt::ControlModifier);  // Ctrl+Left: fine ←
    EXPECT_EQ(std::vector<std::string>{"MOVREL x=-100\r"}, xy.writes);
    EXPECT_DOUBLE_EQ(10.0, state.stageX);

    Key(Qt::Key_Up, Qt::ShiftModifier | Qt::ControlModifier);  // Z coarse up
    EXPECT_EQ(std::vector<std::string>{"MOVREL b=500\r"}, z.writes);
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);

    other->setFocus();                   // a focused button must not swallow the arrows
    Key(Qt::Key_3, Qt::KeypadModifier);  // keypad 3: fine ┘
    Key(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ("VMOVE x=100 y=-100\r", xy.writes.at(1));
    EXPECT_EQ("MOVREL x=200 y=-200\r", xy.writes.at(2));
    Key(Qt::Key_Space);
    Key(Qt::Key_Z);
    EXPECT_EQ(1, recordingPresses);
    EXPECT_EQ(1, zoomUps);
    Key(Qt::Key_S);  // no hook: consumed all the same
    EXPECT_EQ(3u, xy.writes.size());
}

TEST_F(PanelBinding, KeysTypedIntoAStepEditEditItAndEnterReturnsThemToJogging) {
    Edit(1009)->setFocus();
    EXPECT_TRUE(control.editHasFocus);
    Edit(1009)->selectAll();
    QTest::keyClicks(Edit(1009), "12.34");
    Key(Qt::Key_Left);
    Key(Qt::Key_8);
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_EQ(QString("12.384"), Edit(1009)->text());  // the arrow moved the cursor, 8 was typed

    Edit(1009)->setText("12.34");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Edit(1009)->hasFocus());
    EXPECT_FALSE(control.editHasFocus);
    EXPECT_EQ(123, settings.move);
    Key(Qt::Key_Left);
    EXPECT_EQ(std::vector<std::string>{"MOVREL x=-123\r"}, xy.writes);
    EXPECT_DOUBLE_EQ(12.34, state.stageX);
}

TEST_F(PanelBinding, LeavingEachEditRebuildsItsOwnTexts) {
    Enter(1010, "200");
    EXPECT_EQ(2000, settings.page);
    Enter(1029, "0.29");
    EXPECT_EQ(29, settings.moveZ);
    Enter(1030, "1");
    EXPECT_EQ(100, settings.pageZ);
    Enter(1038, "-0.5");
    EXPECT_EQ(-50, settings.deltaZ);
    EXPECT_EQ("MOVREL b=-50\r", control.Texts()[StageText::kDeltaZUp]);
    Enter(1037, "1.25");
    EXPECT_DOUBLE_EQ(1.25, settings.deltaT);
    EXPECT_FALSE(control.editHasFocus);
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(std::vector<std::string>{"MOVREL b=-29\r"}, z.writes);
}

TEST_F(PanelBinding, RefusedValueRebuildsNothingAndKeepsTheEdit) {
    Enter(1009, "0.001");
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_NE(std::string::npos, notifier.messages[0].text.find("0.01"));
    EXPECT_NE(std::string::npos, notifier.messages[0].text.find("500000"));
    EXPECT_EQ(100, settings.move);
    EXPECT_TRUE(Edit(1009)->hasFocus());
    EXPECT_TRUE(control.editHasFocus);
    Key(Qt::Key_Left);  // still editing: no jog
    EXPECT_TRUE(xy.writes.empty());

    Edit(1009)->setText("abc");
    Key(Qt::Key_Return);
    EXPECT_EQ(2u, notifier.messages.size());
    Edit(1009)->setText("7");
    Key(Qt::Key_Return);
    EXPECT_EQ(70, settings.move);
    EXPECT_EQ(2u, notifier.messages.size());
}

TEST_F(PanelBinding, BusyControllerDropsKeyJogs) {
    state.stageReady = 0;
    Key(Qt::Key_Left);
    Key(Qt::Key_9);
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_TRUE(z.writes.empty());
    EXPECT_DOUBLE_EQ(0.0, state.stageX);
    EXPECT_DOUBLE_EQ(0.0, state.stageY);
}

TEST_F(PanelBinding, KeysOutsideTheTableReachTheControl) {
    QLineEdit stray(root.get());  // an unflagged text field of another room
    stray.show();
    stray.setFocus();
    QTest::keyClicks(&stray, "4 b");
    EXPECT_EQ("4 b", stray.text());
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_EQ(0, recordingPresses);
}

// The real panel routes keys through its key hub; the binder must register there.
TEST_F(PanelBinding, BinderRegistersWithThePanelKeyHub) {
    RunState run;
    CDlgMain panel({settings, run, doc, notifier});
    StageControl own(settings, slots, state, notifier);
    own.LoadStepsFromSettings();
    own.BuildAtStartup();
    BindStageControls(panel, own, {settings, doc, notifier});
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    EXPECT_TRUE(panel.PreTranslateKey(&left));
    EXPECT_FALSE(panel.PreTranslateKey(&enter));
    EXPECT_EQ(std::vector<std::string>{"MOVREL x=-100\r"}, xy.writes);
}

// The step edits join the panel's own data exchange, in the form's order around ΔT.
TEST_F(PanelBinding, StepEditsJoinThePanelsDataExchange) {
    RunState run;
    CDlgMain panel({settings, run, doc, notifier});
    BindStageControls(panel, control, {settings, doc, notifier});
    auto edit = [&](int id) { return qobject_cast<QLineEdit*>(panel.Control(id)); };
    control.Steps().zCoarse = 12.5;
    ASSERT_TRUE(panel.UpdateData(false));
    EXPECT_EQ(QStringLiteral("12.5"), edit(1030)->text());
    edit(1030)->setText("7");
    edit(1037)->setText("99");  // ΔT out of range: the pass stops there
    edit(1038)->setText("3");
    EXPECT_FALSE(panel.UpdateData(true));
    EXPECT_DOUBLE_EQ(7.0, control.Steps().zCoarse);
    EXPECT_NE(3.0, control.Steps().deltaZ) << "values after the refused one are left alone";
}

// The panel's start-up opens the ports and starts reception; the recording tick's ready query
// reaches the stage's protocol through the recording adapter.
TEST_F(PanelBinding, RunLoopRunsOnThePanelsTimersAndStartUp) {
    RunState run;
    CDlgMain panel({settings, run, doc, notifier});
    StageRunLoop loop(panel.Timers(), slots, state, settings, clock);
    AttachStageRunLoop(panel, loop, control, slots);
    settings.useOnePort = true;
    panel.OnInitialUpdate();
    EXPECT_EQ(&slots.ZChannel(), &slots.Slot(1)) << "start-up chose the Z channel";
    EXPECT_TRUE(panel.Timers().IsRunning(TimerId::kSerialReceive));
    EXPECT_EQ(500, panel.Timers().PeriodOf(TimerId::kSerialReceive));

    settings.xyAxisType = 0;  // a controller with a ready query
    control.RebuildXyCommands();
    PanelRecordAdapter recording(panel, loop, control);
    const std::string query = control.ReadyQueryText();
    ASSERT_EQ(query, "!:\r\n");
    recording.SendReadyQuery();
    recording.SendReadyQuery();  // still waiting: not asked again
    EXPECT_EQ(std::vector<std::string>{query}, xy.writes);
    EXPECT_TRUE(loop.AwaitingReadyByte());
    recording.ClearReadyWait();
    recording.SendReadyQuery();
    EXPECT_EQ(2u, xy.writes.size());
    settings.xyAxisType = 2;  // Sigma Koki answers the query; rebuilding its texts ends the wait
    control.RebuildXyCommands();
    EXPECT_FALSE(loop.AwaitingReadyByte());
}

}  // namespace
}  // namespace tesmira
