// Tesmira's instruments in the simulated lab: a real tesmira-labsim (meter on a pseudo-terminal,
// the microscope block in shared memory, the stand-in libraries' files in its links folder), the
// real port slots and the stand-in libsuper4.so and libUSBMeter.so, all driven through the
// control panel's buttons and timers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "binders/instruments_binder.h"
#include "common/pump_until.h"
#include "core/run_state.h"
#include "core/tesmira_doc.h"
#include "panel/dlg_main.h"
#include "stagelab/labsim_fixture.h"

namespace tesmira {
namespace {

using test::LabsimProcess;
using test::WaitFor;

class InstrumentsInTheLab : public ::testing::Test {
protected:
    void Start(std::vector<std::string> labArgs) {
        shareName = "/tesmira-instrumentlab-" + std::to_string(getpid());
        labArgs.insert(labArgs.end(), {"--shm-name", shareName});
        ASSERT_TRUE(lab.Start(labArgs)) << "tesmira-labsim did not start";
        setenv("TESMIRA_LABSIM_DIR", lab.Links().c_str(), 1);
        settings.xyAxisType = 1;
        settings.zAxisType = 1;
        settings.port4 = lab.Link("meter");
        panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
        panel->SetTimerBackend(&backend);
        backend.Attach(&panel->Timers());
        InstrumentsBinderDeps deps{*panel,   settings,
                                   slots,    stage,
                                   notifier, LibrarySearch{TESMIRA_SIM_LIBRARY_DIR, "", false}};
        deps.microscopeShare = shareName;
        deps.deviceHost = TESMIRA_DEVHOST_PATH;
        binder = std::make_unique<InstrumentsBinder>(deps);
        panel->OnInitialUpdate();
    }
    void TearDown() override {
        if (binder)
            binder->Shutdown();
        binder.reset();
        panel.reset();
        for (int n = 1; n <= 4; ++n)
            slots.Close(n);
        lab.Stop();
        unsetenv("TESMIRA_LABSIM_DIR");
    }

    std::string Text(int id) {
        if (auto* label = qobject_cast<QLabel*>(panel->Control(id)))
            return label->text().toStdString();
        return qobject_cast<QAbstractButton*>(panel->Control(id))->text().toStdString();
    }
    void Click(int id) { qobject_cast<QAbstractButton*>(panel->Control(id))->click(); }
    // Moves the panel's timers on in 50 ms steps, letting real time pass for the lab's (and the
    // library helpers') answers, until the display `id` shows what `expected` matches.
    bool WaitForDisplay(int id, const std::regex& expected, int timeoutMs = 4000) {
        return WaitFor(
            [&] {
                backend.Advance(50);
                test::PumpUntil([] { return false; }, 20);
                return std::regex_match(Text(id), expected);
            },
            timeoutMs);
    }
    std::string LabFile(const char* name) {
        std::ifstream in(lab.Links() + "/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    LabsimProcess lab;
    std::string shareName;
    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    test::MessageRecorder notifier;
    SerialSlots slots{settings, notifier};
    StageState state;
    StageControl stage{settings, slots, state, notifier};
    FakeClock clock;
    FakeTimerBackend backend{clock};
    std::unique_ptr<CDlgMain> panel;
    std::unique_ptr<InstrumentsBinder> binder;
};

TEST_F(InstrumentsInTheLab, SerialMeterShowsTheLabsReadingCorrected) {
    Start({"--temp", "24.10", "--humid", "51.20"});
    settings.trhType = 1;
    settings.tempCorrection = -1.6;
    Click(1031);
    ASSERT_TRUE(notifier.messages.empty()) << notifier.messages.front().text;
    EXPECT_TRUE(slots.Slot(4).IsOpen()) << "ON opened the meter port";
    EXPECT_TRUE(WaitForDisplay(1034, std::regex(" T: 22\\.50 °C\n H: 51\\.20 %"))) << Text(1034);
    EXPECT_TRUE(lab.WaitForTraffic("meter", "<", "getrh\\n"));
}

TEST_F(InstrumentsInTheLab, UsbMeterFollowsTheStandInsFile) {
    Start({"--usbmeter", "ok", "--temp", "20.00", "--humid", "40.00"});
    settings.trhType = 0;
    settings.tempCorrection = 0.5;
    Click(1031);
    ASSERT_TRUE(notifier.messages.empty()) << notifier.messages.front().text;
    EXPECT_TRUE(WaitForDisplay(1034, std::regex(" T: 20\\.5 °C\n H: 40\\.0 %"))) << Text(1034);
    std::ofstream(lab.Links() + "/usbmeter") << "26.70 55.50\n";
    EXPECT_TRUE(WaitForDisplay(1034, std::regex(" T: 27\\.2 °C\n H: 55\\.5 %"))) << Text(1034);
}

TEST_F(InstrumentsInTheLab, RelayTogglesReachTheStandInsLog) {
    Start({"--relay-modules", "S4LAB0001"});
    ASSERT_TRUE(test::PumpUntil([&] { return Text(1087) == "S4LAB0001"; })) << Text(1087);
    EXPECT_EQ("--------", Text(1088));
    Click(1080);
    Click(1080);
    test::PumpUntil([&] { return LabFile("relays.log").find("0x02 off") != std::string::npos; });
    const std::string log = LabFile("relays.log");
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
    EXPECT_TRUE(std::regex_search(log, std::regex(stamp + "SetRelays S4LAB0001 mask 0x0F off")))
        << log;
    EXPECT_TRUE(
        std::regex_search(log, std::regex(stamp + "SetRelays S4LAB0001 mask 0x02 on -> 0100\n" +
                                          stamp + "SetRelays S4LAB0001 mask 0x02 off -> 0000")))
        << log;
}

TEST_F(InstrumentsInTheLab, MicroscopeShowsTheBlockAndNoticesABadCheckWord) {
    Start({});
    Click(1042);
    ASSERT_TRUE(notifier.messages.empty()) << notifier.messages.front().text;
    const std::regex figures(" V: \\d\\.\\d\\dx10\\(-[45]\\) Pa\n T: -?\\d+ °C");
    // A lab that starts slowly may publish its first figures a tick later.
    EXPECT_TRUE(WaitForDisplay(1044, figures)) << Text(1044);
    EXPECT_TRUE(panel->Control(1054)->isEnabled());

    lab.Signal(SIGUSR2);  // the lab now writes a wrong check word
    EXPECT_TRUE(WaitForDisplay(1044, std::regex("Sum check\nnot passed! "))) << Text(1044);
    EXPECT_TRUE(panel->Control(1042)->isEnabled());
    EXPECT_FALSE(panel->Control(1054)->isEnabled());

    lab.Signal(SIGUSR2);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Click(1042);
    EXPECT_TRUE(std::regex_match(Text(1044), figures)) << Text(1044);
}

TEST_F(InstrumentsInTheLab, ABlockWrittenWithABadSumFromTheStartIsRefused) {
    Start({"--shm-bad-sum"});
    Click(1042);
    EXPECT_EQ("Sum check\nnot passed! ", Text(1044));
    EXPECT_FALSE(panel->Control(1043)->isEnabled());
}

}  // namespace
}  // namespace tesmira
