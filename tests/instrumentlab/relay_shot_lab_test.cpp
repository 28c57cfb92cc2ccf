// The shot button in the simulated lab, on the panel's real timers and the real clock: a row
// "録画/ショット" with ON 0.5 s and OFF 3 s switches the stand-in relay on half a second after the
// press and off three seconds after it, as the stand-in's time-stamped log shows, while the
// button reads "中断".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <ctime>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "binders/instruments_binder.h"
#include "binders/relay_binder.h"
#include "common/message_recorder.h"
#include "common/pump_until.h"
#include "core/clock.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "dialogs/dlg_timelapse.h"
#include "panel/dlg_main.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"
#include "stagelab/labsim_fixture.h"

namespace tesmira {
namespace {

// Milliseconds of the local day now, and of a log line's "HH:MM:SS.mmm".
double NowDayMs() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now - std::chrono::system_clock::from_time_t(secs))
                        .count();
    return ((local.tm_hour * 60.0 + local.tm_min) * 60.0 + local.tm_sec) * 1000.0 + double(ms);
}

double StampOf(const std::smatch& m) {
    return ((std::stod(m[1]) * 60.0 + std::stod(m[2])) * 60.0 + std::stod(m[3])) * 1000.0 +
           std::stod(m[4]);
}

TEST(RelayShotInTheLab, TheStandInRelayFollowsTheShotsSchedule) {
    test::LabsimProcess lab;
    ASSERT_TRUE(lab.Start({"--relay-modules", "S4LAB0001"})) << "tesmira-labsim did not start";
    setenv("TESMIRA_LABSIM_DIR", lab.Links().c_str(), 1);
    Settings settings;
    settings.relayMode[0] = 1;
    settings.relaySyncOn[0] = 0.5;
    settings.relaySyncOff[0] = 3.0;
    RunState run;
    CTesmiraDoc doc;
    test::MessageRecorder notifier;
    SerialSlots slots{settings, notifier};
    StageState state;
    StageControl stage{settings, slots, state, notifier};
    SystemClock clock;
    auto panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
    InstrumentsBinderDeps instrumentsDeps{
        *panel, settings, slots,
        stage,  notifier, LibrarySearch{TESMIRA_SIM_LIBRARY_DIR, "", false}};
    instrumentsDeps.deviceHost = TESMIRA_DEVHOST_PATH;
    auto instruments = std::make_unique<InstrumentsBinder>(instrumentsDeps);
    CDlgTimelapse settingsPanel;
    RelayBinderDeps deps{*panel, settings, run, doc, notifier, clock, instruments->RelaySwitch()};
    deps.settingsPanel = &settingsPanel;
    deps.moduleName = [&instruments](int module) {
        return instruments->Relays().Serial(module - 1);
    };
    auto relays = std::make_unique<RelayBinder>(deps);
    instruments->SetRelaysFoundListener([&settingsPanel] { settingsPanel.ValidateSchedules(); });
    panel->OnInitialUpdate();

    auto* shot = qobject_cast<QAbstractButton*>(panel->Control(1180));
    ASSERT_TRUE(test::PumpUntil([&] { return shot->isEnabled(); }))
        << "the relay library's helper did not list the module";
    const double pressed = NowDayMs();
    shot->click();
    EXPECT_EQ(shot->text().toStdString(), "中断");
    QElapsedTimer waited;
    waited.start();
    while (shot->text().toStdString() != "ショット" && waited.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(shot->text().toStdString(), "ショット");
    test::PumpUntil([&] { return !instruments->RelayHost().Busy(); });  // the last switch done

    std::ifstream in(lab.Links() + "/relays.log");
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    const std::regex on(R"((\d\d):(\d\d):(\d\d)\.(\d{3}) SetRelays S4LAB0001 mask 0x01 on)");
    const std::regex off(R"((\d\d):(\d\d):(\d\d)\.(\d{3}) SetRelays S4LAB0001 mask 0x01 off)");
    std::smatch onMatch, offMatch;
    ASSERT_TRUE(std::regex_search(log, onMatch, on)) << log;
    ASSERT_TRUE(std::regex_search(log, offMatch, off)) << log;
    // Generous bounds: the machine running the lab may be busy.
    EXPECT_NEAR(StampOf(onMatch) - pressed, 500.0, 150.0) << log;
    EXPECT_NEAR(StampOf(offMatch) - pressed, 3000.0, 150.0) << log;

    relays.reset();
    instruments->Shutdown();
    instruments.reset();
    panel.reset();
    lab.Stop();
    unsetenv("TESMIRA_LABSIM_DIR");
}

}  // namespace
}  // namespace tesmira
