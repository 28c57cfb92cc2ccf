// The count-down panel (dialog 139, "残り時間"): a floating window showing the time left before the
// next recording, time-lapse frame or relay cycle, with a stop button. Callers (recording control,
// time-lapse, relay cycles) show and hide it, set its title and drive SetTotal/SetRemaining.
#pragma once

#include <QDialog>

#include "dialogs/count_down.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tesmira {

class CTesmiraDoc;

class CDlgCountDown : public QDialog {
    Q_OBJECT
public:
    // The stop button broadcasts hint 205 (stop what is running) through `doc`.
    explicit CDlgCountDown(CTesmiraDoc& doc, QWidget* parent = nullptr);

    void SetTotal(int seconds);
    void SetRemaining(int seconds);
    const CountDown& model() const { return model_; }

    QLabel* display() const { return display_; }          // 1091
    QProgressBar* progress() const { return progress_; }  // 1090

protected:
    void changeEvent(QEvent* event) override;

private:
    void Show();

    CountDown model_;
    QProgressBar* progress_;
    QLabel* display_;
    QPushButton* stop_;
};

}  // namespace tesmira
