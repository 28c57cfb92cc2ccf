// Attaches the relay schedules to the control panel and the recordings: buttons 1180 (shot) and
// 1181 (cycle), the "詳細" buttons 1053 and 1182 that show the settings panel, the mode radios
// 1072..1075, timers 1011 and 1012, the clock windows on the count-down tick 1009, and the hooks by
// which recordings and time-lapse runs start and end the relay sequence.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "instruments/relay_runner.h"
#include "recording/relay_sync.h"

namespace tesmira {

class CDlgMain;
class CDlgTimelapse;
class CTesmiraDoc;
class Clock;
class ICountDown;
class INotifier;
class RecordingControl;
class TimelapseControl;
struct RunState;
struct Settings;

struct RelayBinderDeps {
    CDlgMain& panel;
    Settings& settings;  // "Timelapse" and "TL_frames" pace the cycle
    RunState& run;
    CTesmiraDoc& doc;  // hint 201 after each apply of the settings panel
    INotifier& notifier;
    Clock& clock;
    IRelaySwitch& relays;
    ICountDown* countDown = nullptr;         // the count-down panel (may be missing)
    RecordingControl* recording = nullptr;   // owns the count-down display while it records
    TimelapseControl* timelapse = nullptr;   // takes the frame at the marker step
    CDlgTimelapse* settingsPanel = nullptr;  // the panel that compiles the schedule
    std::function<std::string(int module)> moduleName;  // serial of module 1 or 2
};

class RelayBinder : public QObject, public IRelaySync {
public:
    explicit RelayBinder(RelayBinderDeps deps);
    ~RelayBinder() override;
    RelayBinder(const RelayBinder&) = delete;
    RelayBinder& operator=(const RelayBinder&) = delete;

    // The panel's buttons (also reachable without a click).
    void OnShot();
    void OnCycle();
    // One tick of timer 1009: the count-down of a button cycle, or the recording's; then the
    // clock windows.
    void OnCountDownTick();

    RelayRunner& Runner() { return runner_; }
    // The program closes: a sequence, cycle or run still going ends as any stop does; every other
    // relay stays as it is.
    void Shutdown();

    // IRelaySync
    bool HasSteps() const override { return runner_.Schedule().HasSteps(); }
    void StartWithRecording() override;
    void StartWithFrameTick() override;
    void EndRecording() override;
    void EndRun() override;
    void SwitchOffSequenceRelays() override;

private:
    class CountDownPort : public ICountDownPanel {
    public:
        explicit CountDownPort(ICountDown* target) : target_(target) {}
        void SetTotal(int seconds) override;
        void SetRemaining(int seconds) override;
        void SetTitle(const std::string& title) override;
        void Show() override;
        void Hide() override;

    private:
        ICountDown* target_;
    };

    void ConnectControls();
    void AttachSettingsPanel();
    void Refresh();

    RelayBinderDeps deps_;
    QPointer<CDlgMain> panel_;  // the binder may outlive the panel's window
    // The settings panel outlives the binder (it belongs to the frame) and must stop calling it.
    QPointer<CDlgTimelapse> settingsPanel_;
    CountDownPort countDownPort_;
    RelayRunner runner_;
};

}  // namespace tesmira
