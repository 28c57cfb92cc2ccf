// Attaches stage control to the control panel: the sixteen jog buttons, the four Z buttons,
// centring, Focus Start/Stop, the step edits with their focus rules, the panel's keyboard table
// and the timers 1006 and 1010. Controls are found by their "id" property, so the form itself
// carries no stage logic.
#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace tesmira {

class CDlgMain;
class CTesmiraDoc;
class INotifier;
class SerialSlots;
class StageControl;
class StageRunLoop;
class TimerMultiplexer;
struct Settings;

// What the binding reads and tells besides the stage control: ΔT lives in the settings, refused
// entries go to the notifier, the view keys' default hints to the document.
struct StageBindingDeps {
    Settings& settings;
    CTesmiraDoc& doc;
    INotifier& notifier;
};

// Keys of the panel's table that belong to other rooms. An unset hook still consumes its key.
struct StageKeyHooks {
    std::function<void()> recording;   // Space: recording start, or stop while recording/repeating
    std::function<void()> stillFrame;  // B: still frame while live and not recording
    std::function<void()> hint303;     // C (unset: broadcast hint 303)
    std::function<void()> hint302;     // G (unset: broadcast hint 302)
    std::function<void()> zoomDown;    // S
    std::function<void()> zoomUp;      // Z
    std::function<void()> showZsync;   // button 1194 "ショト連動詳細"
};

class StageBinding : public QObject {
    Q_OBJECT
public:
    StageBinding(QWidget* panelRoot, StageControl& control, StageBindingDeps deps,
                 StageKeyHooks hooks);

    // The panel's key pre-translation for the stage: true when the key was consumed.
    bool HandleKey(QKeyEvent* event);
    // Moves the micrometre values into the step edits (data exchange towards the controls).
    void WriteStepEdits();
    // Reads the step, ΔT and ΔZ edits into the values; on a bad or out-of-range entry shows the
    // range message, gives that edit the focus and returns false.
    bool ReadStepEdits();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool StepEditsAcceptable() const;  // every step edit holds a number within its range
    void OnEditLeft(int id);
    void Dispatch(int keyCode, bool shift, bool ctrl);

    QWidget* root_;
    StageControl& control_;
    StageBindingDeps deps_;
    StageKeyHooks hooks_;
    bool reading_ = false;  // a range message is up: focus changes meanwhile are not "leaving"
};

// Generic form: key presses on the root and every control below it are filtered here.
StageBinding* BindStageControls(QWidget* panelRoot, TimerMultiplexer& timers, StageControl& control,
                                StageBindingDeps deps, StageKeyHooks hooks = {});
// The panel: keys go through its key hub, timers through its multiplexer, and the step edits
// join the panel's data exchange.
StageBinding* BindStageControls(CDlgMain& panel, StageControl& control, StageBindingDeps deps,
                                StageKeyHooks hooks = {});

// The panel's start-up for the stage, after the settings are loaded: micrometre steps from the
// stored pulses, the start-up texts of the stage control, then the binding.
StageBinding* StartStageControls(CDlgMain& panel, StageControl& control, StageBindingDeps deps,
                                 StageKeyHooks hooks = {});

// Puts the stage's run loop on the panel: its ticks on the panel's timers, the ports opened (and
// their reception started) by the panel's start-up, the Z replies and the ready-wait reset to
// stage control, hints 202 and 203 to the command texts, and the recording tick's ready query.
void AttachStageRunLoop(CDlgMain& panel, StageRunLoop& loop, StageControl& control,
                        SerialSlots& slots);

// Translates a Qt key press into the key code of the panel's keyboard table (0 when none).
int StageKeyCode(const QKeyEvent& event);

}  // namespace tesmira
