// Fakes for stage tests: a serial port that records every write exactly, a timer backend that
// only remembers what runs, and a fixture that gives each test fresh settings, stage state and
// ports.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/timer_multiplexer.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"

namespace tesmira::test {

class RecordingChannel : public ISerialChannel {
public:
    bool IsOpen() const override { return open; }
    void Write(std::string_view text) override { writes.emplace_back(text); }
    int BytesWaiting() override { return static_cast<int>(input.size()); }
    std::string Read(int n) override {
        std::string out = input.substr(0, static_cast<std::size_t>(n));
        input.erase(0, out.size());
        return out;
    }
    std::string All() const {
        std::string all;
        for (const auto& w : writes)
            all += w;
        return all;
    }

    bool open = true;
    std::vector<std::string> writes;
    std::string input;
};

class RecordingTimerBackend : public TimerBackend {
public:
    void Start(TimerId id, int periodMs, bool) override { running[id] = periodMs; }
    void Stop(TimerId id) override { running.erase(id); }
    std::map<TimerId, int> running;
};

class StageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = settings();
        settings() = Settings{};
        stageState() = StageState{};
        InstallSerialSlot(1, &xy);
        InstallSerialSlot(2, &z);
        ChooseZChannel();
        timers.SetBackend(&backend);
        control.AttachTimers(timers);
    }
    void TearDown() override {
        InstallSerialSlot(1, nullptr);
        InstallSerialSlot(2, nullptr);
        settings() = savedSettings_;
        ChooseZChannel();
        stageState() = StageState{};
    }
    // Kinds chosen, step pulses loaded and every text built as at start-up and on hints 202/203.
    void StartWith(int xyKind, int zKind) {
        settings().xyAxisType = xyKind;
        settings().zAxisType = zKind;
        control.LoadStepsFromSettings();
        control.BuildAtStartup();
        control.BuildDeltaZ();
    }

    RecordingChannel xy, z;
    RecordingTimerBackend backend;
    TimerMultiplexer timers;
    StageControl control;

private:
    Settings savedSettings_;
};

}  // namespace tesmira::test
