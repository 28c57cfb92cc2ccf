// The instruments on the real control panel, for the binder's tests and the device fault suite:
// the panel with faked ports and timers, the meter, relay and microscope binder over the stand-in
// device libraries (or any folder of libraries) in their helper processes, a shared-memory block
// of the test's own, and the messages told in boxes and in the message pane.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "binders/instruments_binder.h"
#include "common/fake_serial_channel.h"
#include "common/fake_timer_backend.h"
#include "common/hint_recorder.h"
#include "common/message_recorder.h"
#include "common/pump_until.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "instruments/microscope_block.h"
#include "panel/dlg_main.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"

namespace tesmira::test {

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class InstrumentsRig : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tesmira-binder-" + std::to_string(getpid()));
        fs::create_directories(dir);
        setenv("TESMIRA_SIM_RELAY_MODULES", "S4A", 1);
        setenv("TESMIRA_SIM_RELAY_LOG", (dir / "relays.log").c_str(), 1);
        setenv("TESMIRA_SIM_RELAY_STATE", (dir / "relays.state").c_str(), 1);
        setenv("TESMIRA_SIM_USBMETER_FILE", (dir / "usbmeter").c_str(), 1);
        shareName = "/tesmira-binder-test-" + std::to_string(getpid());
        shm_unlink(shareName.c_str());

        settings.xyAxisType = 1;
        settings.zAxisType = 1;  // relative Z moves: a fine step up is "MOVREL b=100\r"
        slots.Install(1, &xy);
        slots.Install(2, &z);
        slots.Install(4, &meterPort);
        slots.ChooseZChannel();
        stage.LoadStepsFromSettings();
        stage.BuildAtStartup();

        panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
        panel->SetTimerBackend(&backend);
        backend.Attach(&panel->Timers());
        MakeBinder(TESMIRA_SIM_LIBRARY_DIR);
    }
    // A new panel and binder over the libraries of another folder.
    void Rebuild(const std::string& libraries) {
        binder.reset();
        panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
        panel->SetTimerBackend(&backend);
        backend.Attach(&panel->Timers());
        MakeBinder(libraries);
    }
    void MakeBinder(const std::string& libraries) {
        binder.reset();
        InstrumentsBinderDeps deps{*panel, settings, slots,
                                   stage,  notifier, LibrarySearch{libraries, "", false}};
        deps.microscopeShare = shareName;
        deps.doc = &doc;
        deps.clock = &clock;
        deps.deviceHost = TESMIRA_DEVHOST_PATH;
        binder = std::make_unique<InstrumentsBinder>(deps);
    }
    void TearDown() override {
        binder.reset();
        panel.reset();
        shm_unlink(shareName.c_str());
        for (const char* v : {"TESMIRA_SIM_RELAY_MODULES", "TESMIRA_SIM_RELAY_LOG",
                              "TESMIRA_SIM_RELAY_STATE", "TESMIRA_SIM_USBMETER_FILE"})
            unsetenv(v);
        fs::remove_all(dir);
    }

    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(panel->Control(id)); }
    std::string Text(int id) {
        if (auto* label = qobject_cast<QLabel*>(panel->Control(id)))
            return label->text().toStdString();
        return Button(id)->text().toStdString();
    }
    bool Enabled(int id) { return panel->Control(id)->isEnabled(); }
    void Click(int id) { Button(id)->click(); }
    // The relay library's helper has listed its modules (or said it has none to list).
    bool RelaysSettled() { return !binder->RelayModuleName(1).empty(); }
    bool StateIs(const std::string& text) {
        return test::PumpUntil([&] { return ReadAll(dir / "relays.state") == text; });
    }
    // What the binder told the message pane.
    std::vector<std::string> Pane() {
        std::vector<std::string> out;
        for (const test::HintRecord& r : hints.Of(102))
            out.push_back(std::get<std::string>(r.payload));
        return out;
    }
    void WriteFile(const char* name, const std::string& text) {
        std::ofstream(dir / name) << text << "\n";
    }
    void PublishBlock(const char* mantissa, int temperature, bool goodSum) {
        MicroscopeBlock b{};
        std::memcpy(&b[microscope_offset::kMantissa], mantissa, 3);
        b[microscope_offset::kExponentSign] = '0';
        b[microscope_offset::kExponentDigit] = '5';
        const auto t = static_cast<std::uint16_t>(static_cast<std::int16_t>(temperature));
        b[microscope_offset::kTemperature] = static_cast<std::uint8_t>(t & 0xFF);
        b[microscope_offset::kTemperature + 1] = static_cast<std::uint8_t>(t >> 8);
        SealMicroscopeBlock(b);
        if (!goodSum)
            b[0] ^= 0x01;
        const int fd = shm_open(shareName.c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ftruncate(fd, static_cast<off_t>(b.size())));
        ASSERT_EQ(static_cast<ssize_t>(b.size()), pwrite(fd, b.data(), b.size(), 0));
        close(fd);
    }

    fs::path dir;
    std::string shareName;
    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    test::HintRecorder hints{doc};
    test::MessageRecorder notifier;
    test::FakeSerialChannel xy, z, meterPort;
    SerialSlots slots{settings, notifier};
    StageState state;
    StageControl stage{settings, slots, state, notifier};
    FakeClock clock;
    FakeTimerBackend backend{clock};
    std::unique_ptr<CDlgMain> panel;
    std::unique_ptr<InstrumentsBinder> binder;
};

}  // namespace tesmira::test
