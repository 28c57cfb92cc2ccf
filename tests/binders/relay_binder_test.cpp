// The relay schedules on the real control panel and settings panel, over the stand-in
// libsuper4.so: the shot button with its captions and the stand-in's log, the cycle of mode
// "USB リレー ショット直接" with its count-down, and the message of an empty time table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QPalette>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "binders/instruments_binder.h"
#include "binders/relay_binder.h"
#include "common/fake_serial_channel.h"
#include "common/fake_timer_backend.h"
#include "common/message_recorder.h"
#include "common/pump_until.h"
#include "common/recording_fakes.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "dialogs/dlg_timelapse.h"
#include "instruments/schedule_validation.h"
#include "panel/dlg_main.h"
#include "panel/relay_button_look.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"

namespace tesmira {
namespace {

namespace fs = std::filesystem;

class RelaysOnPanel : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tesmira-relays-" + std::to_string(getpid()));
        fs::create_directories(dir);
        setenv("TESMIRA_SIM_RELAY_MODULES", "S4A", 1);
        setenv("TESMIRA_SIM_RELAY_LOG", (dir / "relays.log").c_str(), 1);
        setenv("TESMIRA_SIM_RELAY_STATE", (dir / "relays.state").c_str(), 1);
        slots.Install(1, &xy);
        slots.ChooseZChannel();
        settings.relayMode[0] = 1;  // "録画/ショット", ON 0.5 s, OFF 3 s
        settings.relaySyncOn[0] = 0.5;
        settings.relaySyncOff[0] = 3.0;

        panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
        panel->SetTimerBackend(&backend);
        backend.Attach(&panel->Timers());
        InstrumentsBinderDeps instrumentsDeps{
            *panel, settings, slots,
            stage,  notifier, LibrarySearch{TESMIRA_SIM_LIBRARY_DIR, "", false}};
        instrumentsDeps.deviceHost = TESMIRA_DEVHOST_PATH;
        instruments = std::make_unique<InstrumentsBinder>(instrumentsDeps);
        settingsPanel = std::make_unique<CDlgTimelapse>();
        RelayBinderDeps deps{
            *panel, settings, run, doc, notifier, clock, instruments->RelaySwitch()};
        deps.countDown = &countDown;
        deps.settingsPanel = settingsPanel.get();
        deps.moduleName = [this](int module) { return instruments->Relays().Serial(module - 1); };
        relays = std::make_unique<RelayBinder>(deps);
        instruments->SetRelaysFoundListener([this] { settingsPanel->ValidateSchedules(); });
        panel->OnInitialUpdate();
        // The relay library's helper lists the modules a moment later.
        ASSERT_TRUE(test::PumpUntil([this] { return !instruments->RelayModuleName(1).empty(); }));
        Log();
    }
    void TearDown() override {
        relays.reset();
        instruments.reset();
        panel.reset();
        for (const char* v :
             {"TESMIRA_SIM_RELAY_MODULES", "TESMIRA_SIM_RELAY_LOG", "TESMIRA_SIM_RELAY_STATE"})
            unsetenv(v);
        fs::remove_all(dir);
    }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(panel->Control(id)); }
    std::string Caption(int id) { return Button(id)->text().toStdString(); }
    std::string ReadState() {
        std::ifstream in(dir / "relays.state");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The stand-in's log once its helper has carried out every switch sent so far.
    std::string Log() {
        test::PumpUntil([this] { return !instruments->RelayHost().Busy(); });
        std::ifstream in(dir / "relays.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The mode as the panel's radios set it; the settings panel re-reads the stored values.
    void SelectMode(int mode) {
        settings.recMode = mode;
        panel->UpdateData(false);
        settingsPanel->ValidateSchedules();
    }

    fs::path dir;
    FakeClock clock;
    FakeTimerBackend backend{clock};
    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    test::MessageRecorder notifier;
    test::FakeSerialChannel xy;
    SerialSlots slots{settings, notifier};
    StageState stageState;
    StageControl stage{settings, slots, stageState, notifier};
    test::FakeCountDown countDown;
    std::unique_ptr<CDlgMain> panel;
    std::unique_ptr<InstrumentsBinder> instruments;
    std::unique_ptr<CDlgTimelapse> settingsPanel;
    std::unique_ptr<RelayBinder> relays;
};

TEST_F(RelaysOnPanel, ShotSwitchesTheStandInRelayOnAndOffOnScheduleWhileTheButtonReadsStop) {
    ASSERT_TRUE(Button(1180)->isEnabled());
    const std::string on = "SetRelays S4A mask 0x01 on";
    const std::string off = "SetRelays S4A mask 0x01 off";
    Button(1180)->click();
    EXPECT_EQ(Caption(1180), "中断");
    backend.Advance(509);  // the sequence's first step comes 10 ms after the press
    EXPECT_EQ(Log().find(on), std::string::npos);
    backend.Advance(1);
    EXPECT_NE(Log().find(on), std::string::npos) << Log();
    EXPECT_TRUE(Button(1079)->property("relayOn").toBool()) << "an ON relay shows in colour";
    EXPECT_EQ(Button(1079)->palette().color(QPalette::Button), kRelayOnColour);
    backend.Advance(2499);
    EXPECT_EQ(Log().find(off), std::string::npos);
    EXPECT_EQ(Caption(1180), "中断");
    backend.Advance(1);
    EXPECT_NE(Log().find(off), std::string::npos) << Log();
    EXPECT_EQ(Caption(1180), "ショット");
    EXPECT_FALSE(Button(1079)->property("relayOn").toBool());
    EXPECT_NE(Button(1079)->palette().color(QPalette::Button), kRelayOnColour);
}

// R4 ON 1 s / OFF 2 s, cycles of 2 s x 5 in mode "USB リレー ショット直接": the last cycle's OFF
// is due just after the cycle ends, and the end switches R4 off.
TEST_F(RelaysOnPanel, TheEndOfACycleSwitchesOffWhatItsLastSequenceSwitchedOn) {
    settings.relayMode[0] = 0;
    settings.relayMode[3] = 1;
    settings.relaySyncOn[3] = 1.0;
    settings.relaySyncOff[3] = 2.0;
    settings.timelapse = 2000;
    settings.tlFrames = 5;
    SelectMode(3);
    Button(1181)->click();
    backend.Advance(10 + 5 * 2000 + 1000);
    EXPECT_FALSE(relays->Runner().IsCycling());
    const std::string log = Log();  // waits until the helper has carried out every switch
    EXPECT_EQ("S4A 0000\n", ReadState()) << log;
    EXPECT_EQ(log.rfind("mask 0x08 off"), log.rfind("mask 0x08")) << log;
}

TEST_F(RelaysOnPanel, ModeThreeCyclesWithItsCountDownAndAnyModeCanStopTheCycle) {
    settings.timelapse = 5000;
    settings.tlFrames = 2;
    SelectMode(3);
    Button(1181)->click();
    EXPECT_EQ(Caption(1181), "中断");
    EXPECT_TRUE(countDown.visible);
    backend.Advance(10);
    EXPECT_EQ(countDown.Title(), "サイクル  1 / 2");
    EXPECT_TRUE(backend.IsPrecise(TimerId::kRelayRepeat));
    backend.Advance(2000);
    EXPECT_EQ(countDown.remaining, 3);  // counted down by the one-second tick
    backend.Advance(3000);
    EXPECT_EQ(countDown.Title(), "サイクル  2 / 2");
    EXPECT_EQ(countDown.remaining, 5);  // from the full interval again

    // Switched to time-lapse meanwhile: the cycle can still be stopped.
    SelectMode(2);
    EXPECT_TRUE(Button(1181)->isEnabled());
    EXPECT_TRUE(Button(1180)->isEnabled());  // the second cycle's sequence still plays
    EXPECT_EQ(Caption(1180), "中断");
    Button(1181)->click();
    EXPECT_EQ(Caption(1181), "繰り返し");
    EXPECT_FALSE(countDown.visible);
    EXPECT_FALSE(Button(1181)->isEnabled());
    EXPECT_FALSE(Button(1180)->isEnabled());
}

TEST_F(RelaysOnPanel, TheLastCycleEndsOnItsOwnAndTheButtonStartsAgain) {
    settings.timelapse = 2000;
    settings.tlFrames = 1;
    SelectMode(3);
    Button(1181)->click();
    backend.Advance(10 + 2000);
    EXPECT_FALSE(relays->Runner().IsCycling());
    EXPECT_EQ(Caption(1181), "繰り返し");
    Button(1181)->click();  // starts, not stops
    EXPECT_TRUE(relays->Runner().IsCycling());
}

TEST_F(RelaysOnPanel, AnEmptyTimetableOnlyTheShotButtonComplainsAbout) {
    settings.relayMode[0] = 0;
    settingsPanel->ValidateSchedules();
    EXPECT_FALSE(Button(1180)->isEnabled());
    notifier.messages.clear();
    relays->OnShot();
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, std::string(kMsgNoTimetable));
}

// The settings panel belongs to the frame and outlives the binder at shutdown: it must not apply
// into a binder that is gone.
TEST_F(RelaysOnPanel, TheSettingsPanelAppliesNothingOnceTheBinderIsGone) {
    EXPECT_TRUE(settingsPanel->Apply());
    relays.reset();
    EXPECT_FALSE(settingsPanel->Apply());
    settingsPanel->ValidateSchedules();  // a relay module found late: nothing happens
}

TEST_F(RelaysOnPanel, ARecordingsRelayRunIsNotTheButtonsCycleAndItsStopLeavesNoRelayOn) {
    relays->StartWithRecording();  // the first frame of a recording
    EXPECT_EQ(Caption(1180), "中断");
    EXPECT_EQ(Caption(1181), "繰り返し");
    backend.Advance(600);
    EXPECT_NE(Log().find("SetRelays S4A mask 0x01 on"), std::string::npos) << Log();
    relays->EndRun();  // the recording stopped before the OFF step
    EXPECT_NE(Log().find("SetRelays S4A mask 0x01 off"), std::string::npos) << Log();
    EXPECT_EQ(Caption(1180), "ショット");
    Button(1181)->click();  // starts a cycle: nothing of the recording's run is left over
    EXPECT_TRUE(relays->Runner().IsButtonCycling());
}

}  // namespace
}  // namespace tesmira
