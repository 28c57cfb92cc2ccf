// Dialog 140 "再生コマ速度書き換え" and the AVI file chooser of menu 32781 "コマ速度書き換え".
#pragma once

#include <QDialog>
#include <string>

#include "recording/avi_rate.h"

class QButtonGroup;
class QLineEdit;

namespace tesmira {

struct Settings;
class INotifier;

// The text of static 1185 for the rates found in a file.
std::string AviRateSummaryText(const AviRateInfo& info);

// The rate of radio index 0..3, or the custom value for 4.
double ChosenReplayRate(int radioIndex, double customRate);

class CDlgAviRate : public QDialog {
    Q_OBJECT
public:
    // The choice starts from and is stored in `settings` (nRadioFps, editFps).
    CDlgAviRate(const std::string& path, const AviRateInfo& info, Settings& settings,
                INotifier& notifier, QWidget* parent = nullptr);
    // The rate chosen when the dialog was accepted.
    double ChosenRate() const { return chosen_; }

    void accept() override;  // reads the controls, range-checks the custom rate, persists

private:
    void UpdateCustomEnabled();

    Settings& settings_;
    INotifier& notifier_;
    QButtonGroup* radios_;
    QLineEdit* custom_;
    double chosen_ = 0.0;
};

// Menu 32781: choose an AVI file (starting in "DirVideo"), show its rates, rewrite it with the
// rate chosen. Failures are reported in message boxes; nothing is written on cancel.
void OnRewriteAviFrameRate(Settings& settings, INotifier& notifier, QWidget* parent);

}  // namespace tesmira
