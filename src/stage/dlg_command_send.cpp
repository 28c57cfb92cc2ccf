#include "stage/dlg_command_send.h"

namespace tesmira {

CDlgCommandSend::CDlgCommandSend(QWidget* parent) : QDialog(parent) {
    setProperty("id", 133);
    setObjectName(QStringLiteral("commandSendDialog"));
    setWindowTitle(QString::fromUtf8("コマンド送信"));
}

void CDlgCommandSend::RefreshPortLabels() {}

}  // namespace tesmira
