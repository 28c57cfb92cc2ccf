// The command-send dialog (template 133, "コマンド送信"): modeless, owned by the main frame. The
// user types raw controller commands for the XY port (line 1) and the Z port (line 2).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tesmira {

class SerialSlots;
struct Settings;

class CDlgCommandSend : public QDialog {
    Q_OBJECT
public:
    // Lines go to the slots of `slots`; the kinds and "UseOnePort" are read from `settings`.
    CDlgCommandSend(SerialSlots& slots, const Settings& settings, QWidget* parent = nullptr);

    // Label 1 = slot 1's port name and XY kind name while slot 1 is open, else empty; label 2 the
    // same for slot 2 and the Z kind. Run by menu 32772 and by the port assignment.
    void RefreshPortLabels();
    // Menu 32772 "送信": show the dialog and refresh its labels.
    void ShowAndRefresh();

    // Button 1016 is enabled exactly when label 1 is non-empty; button 1019 when label 2 is
    // non-empty and "UseOnePort" is clear (the Z drive then listens on slot 1).
    void SetLabel1(const QString& text);
    void SetLabel2(const QString& text);

    // Sends line 1 to slot 1 or line 2 to slot 2, split at ";" with the kind's line end.
    void SendLine(int n);

    // What the controller on slot n answered: shown under its line, one reply line a line, with
    // bytes that are no printable text written as \xNN. The newest few hundred lines are kept.
    void ShowAnswer(int n, const std::string& reply);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleEnter(QKeyEvent* event);

    SerialSlots& slots_;
    const Settings& settings_;

    QLineEdit* line1_;
    QLineEdit* line2_;
    QLabel* label1_;
    QLabel* label2_;
    QPushButton* send1_;
    QPushButton* send2_;
    QPlainTextEdit* answer1_;
    QPlainTextEdit* answer2_;
    bool line1HasFocus_ = false;
    bool line2HasFocus_ = false;
};

}  // namespace tesmira
