// The recording/time-lapse/relay settings panel (template 138): a floating window created hidden
// by the main frame.
#pragma once

#include <QDialog>

namespace tesmira {

class CDlgTimelapse : public QDialog {
    Q_OBJECT
public:
    explicit CDlgTimelapse(QWidget* parent = nullptr);
    // Pulls the controls from the settings and recomputes and validates the relay schedules.
    void ValidateSchedules();
};

}  // namespace tesmira
