// A fixture that gives each stage test fresh settings, stage state, document and ports: fake
// channels in slots 1 and 2, a fake timer backend and a notifier that writes messages down.
#pragma once

#include <gtest/gtest.h>

#include "common/fake_serial_channel.h"
#include "common/fake_timer_backend.h"
#include "common/message_recorder.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/timer_multiplexer.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"

namespace tesmira::test {

class StageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        slots.Install(1, &xy);
        slots.Install(2, &z);
        slots.ChooseZChannel();
        backend.Attach(&timers);
        timers.SetBackend(&backend);
        control.AttachTimers(timers);
    }
    void TearDown() override {}
    // Kinds chosen, step pulses loaded and every text built as at start-up and on hints 202/203.
    void StartWith(int xyKind, int zKind) {
        settings.xyAxisType = xyKind;
        settings.zAxisType = zKind;
        control.LoadStepsFromSettings();
        control.BuildAtStartup();
        control.BuildDeltaZ();
    }

    Settings settings;
    MessageRecorder notifier;
    CTesmiraDoc doc;
    FakeSerialChannel xy, z;
    SerialSlots slots{settings, notifier};
    StageState state;
    FakeClock clock;
    FakeTimerBackend backend{clock};
    TimerMultiplexer timers;
    StageControl control{settings, slots, state, notifier};
};

}  // namespace tesmira::test
