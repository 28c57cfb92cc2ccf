// Dialog 136 "キャプチャー制限時間" (menu 32776): the recording length and the repeat interval and
// count. Enter and leaving the interval or count fields normalise the values (the interval is kept
// at least twice the length); OK stores them and hands them to the recording settings panel.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "dialogs/dlg_time_limit_rules.h"

class QLineEdit;

namespace tesmira {

struct Settings;
struct RunState;
class INotifier;

// After OK: the new repeat interval (ms) and recording length (100-ns units), for the recording
// settings panel, which rewrites its video fields. The values are in the settings as well
// ("RecInterval", rtStop, "RecRepaet", recLimitMs, repeatPauseSec).
using TimeLimitHandOver = std::function<void(int intervalMs, int64_t rtStop)>;

struct TimeLimitDeps {
    Settings& settings;
    INotifier& notifier;  // the range messages
    TimeLimitHandOver handOver;
};

// Menu 32776 is usable only while no recording is in progress.
bool TimeLimitDialogEnabled(const RunState& run);

class CDlgTimeLimit : public QDialog {
    Q_OBJECT
public:
    explicit CDlgTimeLimit(TimeLimitDeps deps, QWidget* parent = nullptr);

    // The control with this "id" property, or nullptr.
    QWidget* Control(int id) const;
    // The values the fields hold after the last successful read.
    const TimeLimitFields& Fields() const { return fields_; }

    // Reads the fields (false after a range message), normalises them and shows the result.
    bool NormaliseFields();
    void accept() override;
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ReadControls();
    void ShowValues();

    TimeLimitDeps deps_;
    TimeLimitFields fields_;
    std::array<QLineEdit*, 5> edits_{};  // length min, s, interval min, s, count
    bool reading_ = false;               // a range message is up; focus changes are ignored
    bool closing_ = false;               // leaving a field while the dialog closes reads nothing
};

// Menu 32776: runs the dialog modally; returns QDialog::Accepted or Rejected.
int ShowTimeLimitDialog(TimeLimitDeps deps, QWidget* parent);

}  // namespace tesmira
