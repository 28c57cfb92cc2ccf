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
class StageControl;
class TimerMultiplexer;

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
    StageBinding(QWidget* panelRoot, StageControl& control, StageKeyHooks hooks);

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
    void OnEditLeft(int id);
    void Dispatch(int keyCode, bool shift, bool ctrl);

    QWidget* root_;
    StageControl& control_;
    StageKeyHooks hooks_;
    bool reading_ = false;  // a range message is up: focus changes meanwhile are not "leaving"
};

// Generic form: key presses on the root and every control below it are filtered here.
StageBinding* BindStageControls(QWidget* panelRoot, TimerMultiplexer& timers, StageControl& control,
                                StageKeyHooks hooks = {});
// The panel: keys go through its key hub, timers through its multiplexer.
StageBinding* BindStageControls(CDlgMain& panel, StageControl& control, StageKeyHooks hooks = {});

// The panel's start-up for the stage, after the settings are loaded: micrometre steps from the
// stored pulses, the start-up texts of the process-wide stage control, then the binding.
StageBinding* StartStageControls(CDlgMain& panel, StageKeyHooks hooks = {});

// Translates a Qt key press into the key code of the panel's keyboard table (0 when none).
int StageKeyCode(const QKeyEvent& event);

}  // namespace tesmira
