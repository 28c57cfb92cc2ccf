// The command-send dialog (template 133, "コマンド送信"): modeless, owned by the main frame.
#pragma once

#include <QDialog>

namespace tesmira {

class CDlgCommandSend : public QDialog {
    Q_OBJECT
public:
    explicit CDlgCommandSend(QWidget* parent = nullptr);
    void RefreshPortLabels();
};

}  // namespace tesmira
