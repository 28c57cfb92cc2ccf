#include "serial/port_assignment.h"

#include <array>

#include "core/controller_kinds.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "serial/port_list.h"
#include "serial/serial_slots.h"

namespace tesmira {

std::string CommandSendPortLabel(const SerialSlots& slots, const Settings& s, int n) {
    if (n != 1 && n != 2)
        return "";
    if (!slots.Slot(n).IsOpen())
        return "";
    return n == 1 ? s.port1 + XyKindName(s.xyAxisType) : s.port2 + ZKindName(s.zAxisType);
}

void RunPortAssignmentWith(const PortAssignmentDeps& deps, const PortDialogRunner& runDialog) {
    SerialSlots& slots = deps.slots;
    deps.ports.Enumerate();
    // A port that vanished since it was opened fails here, with its message, and loses its name.
    for (int n = 1; n <= 4; ++n) {
        if (slots.Slot(n).IsOpen()) {
            slots.Close(n);
            slots.Open(n);
        }
    }
    PortList& ports = deps.ports;
    PortAssignmentModel model(PortAssignment::FromSettings(deps.settings),
                              [&ports] { return ports.Enumerate(); });
    model.SetLostPort(
        [&slots](int n) { return slots.Lost(n) ? slots.PortName(n) : std::string(); });
    model.Initialise();
    if (!runDialog || !runDialog(model))
        return;

    Settings& s = deps.settings;
    const PortAssignment& chosen = model.values;
    std::array<bool, 4> reopen{};
    // The stage rebuilds its command texts for the new kind before the port is reopened, so the
    // first command after the change already has the new format.
    if (chosen.xyKind != s.xyAxisType) {
        s.xyAxisType = chosen.xyKind;
        deps.doc.UpdateAllViews(nullptr, UpdateHint::kRebuildXyCommands);
        slots.Close(1);
        reopen[0] = true;
    }
    if (chosen.zKind != s.zAxisType) {
        s.zAxisType = chosen.zKind;
        deps.doc.UpdateAllViews(nullptr, UpdateHint::kRebuildZCommands);
        slots.Close(2);
        reopen[1] = true;
    }
    if (chosen.meterKind != s.trhType) {
        s.trhType = chosen.meterKind;
        slots.Close(4);
        reopen[3] = true;
    }
    s.useOnePort = chosen.useOnePort;
    for (int n = 1; n <= 4; ++n) {
        std::string& name = slots.PortName(n);
        if (chosen.names[n - 1] != name) {
            name = chosen.names[n - 1];
            slots.Close(n);
            reopen[n - 1] = true;
        }
    }
    for (int n = 1; n <= 4; ++n) {
        if (reopen[n - 1])
            slots.Open(n);
    }
    if (deps.portLabelsChanged)
        deps.portLabelsChanged();
    slots.ChooseZChannel();
}

}  // namespace tesmira
