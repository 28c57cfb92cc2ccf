// The recording/time-lapse/relay settings panel (template 138): a floating window created hidden
// by the main frame. Every change applies at once: the fields are read and range-checked,
// normalised, stored in the settings, and the relay rows are compiled into the schedule the
// control panel plays. The rules live in dlg_timelapse_rules.h; this class only moves values
// between the rules and the widgets.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "dialogs/dlg_timelapse_rules.h"

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace tesmira {

class CTesmiraDoc;
class INotifier;

struct TimelapsePanelDeps {
    Settings& settings;
    CTesmiraDoc& doc;     // hint 201 after every apply
    INotifier& notifier;  // range and row messages
    // Serial text of module 1 or 2 (empty while absent).
    std::function<std::string(int module)> moduleName;
    // The schedule of the latest apply.
    std::function<void(const CompiledSchedule&)> applied;
};

class CDlgTimelapse : public QDialog {
    Q_OBJECT
public:
    explicit CDlgTimelapse(QWidget* parent = nullptr);

    // Gives the panel what it works on and fills its fields from the settings. Until then it
    // applies nothing.
    void Attach(TimelapsePanelDeps deps);
    // What it was given goes away: from now on it applies nothing, as before Attach.
    void Detach() { deps_.reset(); }
    // The length in camera pixels of the line last drawn on the live picture, for the
    // calibration of the pixel size (0: none drawn).
    void SetLineMeasure(std::function<double()> pixels) { linePixels_ = std::move(pixels); }
    // Pulls the controls from the settings and recomputes and validates the relay schedules.
    void ValidateSchedules();
    // The single apply; false when a field was refused (its range message was shown).
    bool Apply();
    // The video fields after the time-limit dialog stored a new length and interval.
    void ReloadVideoFields();

    QWidget* Control(int id) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    QLineEdit* Edit(int id, int width = 60);
    bool ReadControls();
    void ShowFields();
    void Calibrate();
    void EnableForMode();
    bool ModulePresent(int module) const;

    std::unique_ptr<TimelapsePanelDeps> deps_;
    std::function<double()> linePixels_;
    QLabel* lineLength_ = nullptr;  // 1209
    RecordingPanelFields fields_;
    std::map<int, QLineEdit*> edits_;
    QLabel* replay_ = nullptr;
    std::array<QLabel*, 2> moduleNames_{};
    std::string replayText_;
    bool fromTotalTime_ = false;  // a total-time field has the focus
    bool busy_ = false;           // an apply or its messages are under way
};

}  // namespace tesmira
