// The port assignment procedure, run from the menu command 32771 ("ポート" > "設定") and from the
// panel's button 1045 "計器": refresh the ports, let the user edit the assignment, then reopen
// exactly the slots whose port or kind changed.
#pragma once

#include <functional>
#include <string>

#include "core/controller_kinds.h"  // XyKindName, ZKindName
#include "serial/port_assignment_model.h"

namespace tesmira {

class CTesmiraDoc;
class PortList;
class SerialSlots;
struct Settings;

// The command-send dialog's port labels: n = 1 (XY) or 2 (Z). The slot's port name followed by
// the kind name while the slot is open, otherwise empty.
std::string CommandSendPortLabel(const SerialSlots& slots, const Settings& settings, int n);

// What the procedure works on. A changed kind is broadcast on `doc` (hints 202 and 203) so the
// stage rebuilds its command texts; `portLabelsChanged` (may be empty) runs after every
// assignment so the command-send dialog refreshes its two labels.
struct PortAssignmentDeps {
    Settings& settings;
    SerialSlots& slots;
    PortList& ports;
    CTesmiraDoc& doc;
    std::function<void()> portLabelsChanged;
};

// Runs the dialog on the model; true for OK.
using PortDialogRunner = std::function<bool(PortAssignmentModel&)>;
// The whole procedure with any dialog runner (the real one is in dialogs/dlg_port_select.h).
void RunPortAssignmentWith(const PortAssignmentDeps& deps, const PortDialogRunner& runDialog);

}  // namespace tesmira
