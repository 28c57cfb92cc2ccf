#include "binders/relay_binder.h"

#include <QAbstractButton>

#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "dialogs/dlg_timelapse.h"
#include "panel/dlg_main.h"
#include "recording/recording_control.h"
#include "recording/timelapse_control.h"

namespace tesmira {

RelayBinder::RelayBinder(RelayBinderDeps deps)
    : deps_(std::move(deps)),
      panel_(&deps_.panel),
      countDownPort_(deps_.countDown),
      runner_(deps_.panel.Timers(), deps_.clock, deps_.relays, countDownPort_) {
    CDlgMain& panel = deps_.panel;
    runner_.Player().SetFrameMarkerHandler([this] {
        if (deps_.timelapse)
            deps_.timelapse->OnRelayFrameMarker();
    });
    runner_.Player().SetFinishedHandler([this] { Refresh(); });
    TimerMultiplexer& timers = panel.Timers();
    // The cycle may end on its own tick; the buttons then show it.
    timers.SetHandler(TimerId::kRelayRepeat, [this] {
        runner_.OnCycleTick();
        if (!runner_.IsButtonCycling())
            Refresh();
    });
    timers.SetHandler(TimerId::kCountDown, [this] { OnCountDownTick(); });

    PanelConditions& c = panel.Conditions();
    c.relayStepsPresent = [this] { return runner_.Schedule().HasSteps(); };
    c.clockWindowsPresent = [this] { return runner_.Schedule().HasClockEvents(); };
    c.relayShotRunning = [this] { return runner_.Player().IsRunning(); };
    // Only the button's own cycle: a recording's relay run ends with the recording.
    c.relayCycling = [this] { return runner_.IsButtonCycling(); };
    panel.Hooks().stopRelayRepeat = [this] {
        if (runner_.IsCycling()) {
            runner_.StopCycle();
            Refresh();
        }
    };
    if (deps_.recording)
        deps_.recording->SetRelaySync(this);
    if (deps_.timelapse)
        deps_.timelapse->SetRelaySync(this);
    ConnectControls();
    AttachSettingsPanel();
}

RelayBinder::~RelayBinder() {
    if (CDlgTimelapse* settings = settingsPanel_.data())
        settings->Detach();
    if (deps_.recording)
        deps_.recording->SetRelaySync(nullptr);
    if (deps_.timelapse)
        deps_.timelapse->SetRelaySync(nullptr);
    if (CDlgMain* panel = panel_.data()) {
        for (TimerId id : {TimerId::kRelayShot, TimerId::kRelayRepeat, TimerId::kClockWindows}) {
            panel->Timers().Stop(id);
            panel->Timers().SetHandler(id, {});
        }
        panel->Timers().SetHandler(TimerId::kCountDown, {});
        PanelConditions& c = panel->Conditions();
        c.relayStepsPresent = {};
        c.clockWindowsPresent = {};
        c.relayShotRunning = {};
        c.relayCycling = {};
        panel->Hooks().stopRelayRepeat = {};
    }
}

void RelayBinder::ConnectControls() {
    CDlgMain& panel = deps_.panel;
    auto onClick = [this, &panel](int id, std::function<void()> action) {
        if (auto* b = qobject_cast<QAbstractButton*>(panel.Control(id)))
            QObject::connect(b, &QAbstractButton::clicked, this, [action] { action(); });
    };
    onClick(1180, [this] { OnShot(); });
    onClick(1181, [this] { OnCycle(); });
    auto showSettings = [this] {
        if (CDlgTimelapse* settings = deps_.settingsPanel) {
            settings->show();
            settings->raise();
        }
    };
    onClick(1053, showSettings);
    onClick(1182, showSettings);
    // Every mode radio re-applies the settings panel (the mode decides which rows are valid),
    // from the stored settings: they may have changed since the panel last showed them. The
    // time-lapse binding reads the radios into the settings first: it connected earlier.
    for (int id = 1072; id <= 1075; ++id) {
        onClick(id, [this] {
            if (deps_.settingsPanel)
                deps_.settingsPanel->ValidateSchedules();
        });
    }
    panel.MarkAttached({1180, 1181, 1053, 1182});
}

void RelayBinder::AttachSettingsPanel() {
    CDlgTimelapse* settings = deps_.settingsPanel;
    if (!settings)
        return;
    settingsPanel_ = settings;
    settings->Attach(TimelapsePanelDeps{
        deps_.settings, deps_.doc, deps_.notifier, deps_.moduleName,
        [this](const CompiledSchedule& schedule) { runner_.SetSchedule(schedule); }});
}

void RelayBinder::Refresh() {
    if (CDlgMain* panel = panel_.data())
        panel->UpdateRecordControls();
}

void RelayBinder::OnShot() {
    const ShotResult result = runner_.Shot();
    if (result.outcome == ShotOutcome::kNoTimetable)
        deps_.notifier.Notify(UiText("Instruments", std::string(result.message).c_str()),
                              MessageIcon::Exclamation);
    Refresh();
}

void RelayBinder::OnCycle() {
    if (runner_.IsButtonCycling())
        runner_.StopCycle();
    else
        runner_.StartCycle(deps_.settings.timelapse, deps_.settings.tlFrames);
    Refresh();
}

void RelayBinder::OnCountDownTick() {
    const RunState& run = deps_.run;
    if (runner_.IsButtonCycling() && !run.isRecording && !run.isRepeating) {
        runner_.OnCountDownTick();
        return;
    }
    if (deps_.recording)
        deps_.recording->OnCountDownTick();
    runner_.FollowClockWindows();
}

void RelayBinder::StartWithRecording() {
    runner_.OnRecordingFirstFrame();
    Refresh();
}

void RelayBinder::StartWithFrameTick() {
    runner_.OnTimelapseTick();
}

void RelayBinder::EndRecording() {
    runner_.OnRecordingStopped();
    Refresh();
}

void RelayBinder::Shutdown() {
    runner_.Shutdown();
}

void RelayBinder::EndRun() {
    runner_.OnRunStopped();
    Refresh();
}

void RelayBinder::SwitchOffSequenceRelays() {
    runner_.SwitchOffSequenceRelays();
}

void RelayBinder::CountDownPort::SetTotal(int seconds) {
    if (target_)
        target_->SetTotal(seconds);
}
void RelayBinder::CountDownPort::SetRemaining(int seconds) {
    if (target_)
        target_->SetRemaining(seconds);
}
void RelayBinder::CountDownPort::SetTitle(const std::string& title) {
    if (target_)
        target_->SetTitle(title);
}
void RelayBinder::CountDownPort::Show() {
    if (target_)
        target_->Show();
}
void RelayBinder::CountDownPort::Hide() {
    if (target_)
        target_->Hide();
}

}  // namespace tesmira
