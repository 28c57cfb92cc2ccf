// The port assignment dialog "シリアルポート選択" (template 132): a thin window over
// PortAssignmentModel. Its own timer 1003 refreshes the port list every second.
#pragma once

#include <QDialog>
#include <array>

#include "serial/port_assignment.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace tesmira {

class CDlgPortSelect : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 132;
    static constexpr int kRefreshTimerId = 1003;
    static constexpr int kRefreshMs = 1000;

    // The model must be initialised and outlive the dialog.
    CDlgPortSelect(PortAssignmentModel& model, QWidget* parent = nullptr);

    QTimer* RefreshTimer() const { return refreshTimer_; }
    void OnRefreshTick();  // one tick of timer 1003

    void done(int result) override;  // OK, Cancel and the close box stop timer 1003

private:
    void BuildControls();
    void ReadControls();
    void WriteControls();
    void OnKindClicked();
    void OnAssign(int slot);
    void OnRelease(int slot);

    PortAssignmentModel& model_;
    QButtonGroup* xyGroup_ = nullptr;
    QButtonGroup* zGroup_ = nullptr;
    QButtonGroup* meterGroup_ = nullptr;
    QListWidget* list_ = nullptr;
    QCheckBox* useOnePort_ = nullptr;
    std::array<QLabel*, 4> names_{};
    std::array<QPushButton*, 4> assign_{};
    std::array<QPushButton*, 4> release_{};
    QTimer* refreshTimer_ = nullptr;
};

// The assignment procedure with this dialog.
void RunPortAssignment(const PortAssignmentDeps& deps, QWidget* parent);

}  // namespace tesmira
