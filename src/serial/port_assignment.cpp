#include "serial/port_assignment.h"

#include <array>

#include "core/controller_kinds.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "serial/port_list.h"
#include "serial/serial_slots.h"

namespace tesmira {
namespace {

std::function<void()>& LabelsHook() {
    static std::function<void()> hook;
    return hook;
}

}  // namespace

std::string CommandSendPortLabel(int n) {
    if (n != 1 && n != 2)
        return "";
    if (!SerialSlot(n).IsOpen())
        return "";
    const Settings& s = settings();
    return n == 1 ? s.port1 + XyKindName(s.xyAxisType) : s.port2 + ZKindName(s.zAxisType);
}

void SetPortLabelsHook(std::function<void()> hook) {
    LabelsHook() = std::move(hook);
}

void RunPortAssignmentWith(const PortDialogRunner& runDialog) {
    EnumeratePorts();
    // A port that vanished since it was opened fails here, with its message, and loses its name.
    for (int n = 1; n <= 4; ++n) {
        if (SerialSlot(n).IsOpen()) {
            CloseSlot(n);
            OpenSlot(n);
        }
    }
    PortAssignmentModel model(PortAssignment::FromSettings(), [] { return EnumeratePorts(); });
    model.Initialise();
    if (!runDialog || !runDialog(model))
        return;

    Settings& s = settings();
    const PortAssignment& chosen = model.values;
    std::array<bool, 4> reopen{};
    // The panel rebuilds its command texts for the new kind before the port is reopened, so the
    // first command after the change already has the new format.
    if (chosen.xyKind != s.xyAxisType) {
        s.xyAxisType = chosen.xyKind;
        CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kRebuildXyCommands);
        CloseSlot(1);
        reopen[0] = true;
    }
    if (chosen.zKind != s.zAxisType) {
        s.zAxisType = chosen.zKind;
        CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kRebuildZCommands);
        CloseSlot(2);
        reopen[1] = true;
    }
    if (chosen.meterKind != s.trhType) {
        s.trhType = chosen.meterKind;
        CloseSlot(4);
        reopen[3] = true;
    }
    s.useOnePort = chosen.useOnePort;
    for (int n = 1; n <= 4; ++n) {
        std::string& name = SlotPortName(n);
        if (chosen.names[n - 1] != name) {
            name = chosen.names[n - 1];
            CloseSlot(n);
            reopen[n - 1] = true;
        }
    }
    for (int n = 1; n <= 4; ++n) {
        if (reopen[n - 1])
            OpenSlot(n);
    }
    if (LabelsHook())
        LabelsHook()();
    ChooseZChannel();
}

}  // namespace tesmira
