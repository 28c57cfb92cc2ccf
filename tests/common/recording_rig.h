// The world recording and time-lapse control run in, every port faked and time stepped by hand:
// settings, run state, document, message boxes, the stage, count-down and panel fakes, and the
// timers on a fake clock. Fixtures add the capture side, folders and journal they need.
#pragma once

#include <gtest/gtest.h>

#include "common/fake_timer_backend.h"
#include "common/hint_recorder.h"
#include "common/message_recorder.h"
#include "common/recording_fakes.h"
#include "core/clock.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/timer_multiplexer.h"
#include "recording/recording_control.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"

namespace tesmira::test {

class RecordingRig : public ::testing::Test {
protected:
    RecordingRig() {
        timers_.SetBackend(&stepper_);
        stepper_.Attach(&timers_);
        settings_.datePrefix = "26_01_17-";
        settings_.useTempDrive = 0;
    }

    // The ports every recording control of these tests is handed; a fixture adds its graph,
    // journal and callbacks.
    RecordingDeps RigDeps() {
        RecordingDeps d;
        d.settings = &settings_;
        d.run = &run_;
        d.doc = &doc_;
        d.notifier = &messages_;
        d.clock = &clock_;
        d.paths = &paths_;
        d.log = &log_;
        d.stage = &stage_;
        d.countDown = &countDown_;
        d.panel = &panel_;
        d.timers = &timers_;
        return d;
    }

    Settings settings_;
    RunState run_;
    CTesmiraDoc doc_;
    MessageRecorder messages_;
    RecordingPaths paths_;
    RecordingLogLists log_;
    FakeStage stage_;
    FakeClock clock_;
    FakeTimerBackend stepper_{clock_};
    TimerMultiplexer timers_;
    FakeCountDown countDown_;
    FakeRecordPanel panel_;
    HintRecorder hints_{doc_};  // what the document broadcasts (the message pane is hint 101)
};

}  // namespace tesmira::test
