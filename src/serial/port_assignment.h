// The port assignment procedure, run from the menu command 32771 ("ポート" > "設定") and from the
// panel's button 1045 "計器": refresh the ports, let the user edit the assignment, then reopen
// exactly the slots whose port or kind changed.
#pragma once

#include <functional>
#include <string>

#include "core/controller_kinds.h"  // XyKindName, ZKindName
#include "serial/port_assignment_model.h"

class QWidget;

namespace tesmira {

// The command-send dialog's port labels: n = 1 (XY) or 2 (Z). The slot's port name followed by
// the kind name while the slot is open, otherwise empty.
std::string CommandSendPortLabel(int n);

// Called after every assignment so the command-send dialog refreshes its two labels (the stage
// room installs CDlgCommandSend::RefreshPortLabels here).
void SetPortLabelsHook(std::function<void()> hook);

// Runs the dialog on the model; true for OK.
using PortDialogRunner = std::function<bool(PortAssignmentModel&)>;
// The whole procedure with any dialog runner (tests drive the model directly).
void RunPortAssignmentWith(const PortDialogRunner& runDialog);
// The procedure with the real dialog "シリアルポート選択".
void RunPortAssignment(QWidget* parent);

}  // namespace tesmira
