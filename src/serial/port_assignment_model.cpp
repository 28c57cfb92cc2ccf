#include "serial/port_assignment_model.h"

#include <algorithm>

#include "core/settings.h"
#include "serial/port_list.h"

namespace tesmira {

PortAssignment PortAssignment::FromSettings(const Settings& s) {
    PortAssignment a;
    a.names = {s.port1, s.port2, s.port3, s.port4};
    a.xyKind = s.xyAxisType;
    a.zKind = s.zAxisType;
    a.meterKind = s.trhType;
    a.useOnePort = s.useOnePort;
    return a;
}

PortAssignmentModel::PortAssignmentModel(PortAssignment initial, Enumerator enumerate)
    : values(std::move(initial)), enumerate_(std::move(enumerate)) {}

void PortAssignmentModel::Enumerate() {
    if (enumerate_)
        ports_ = enumerate_();
}

void PortAssignmentModel::RebuildAvailable() {
    available_ = AvailablePorts(ports_, values.names);
    if (selection_ >= static_cast<int>(available_.size()))
        selection_ = -1;
}

void PortAssignmentModel::SelectFirst() {
    selection_ = available_.empty() ? -1 : 0;
}

bool PortAssignmentModel::SlotLost(int slot) const {
    if (!lostPort_ || slot < 1 || slot > 4)
        return false;
    const std::string lost = lostPort_(slot);
    return !lost.empty() && lost == values.names[slot - 1];
}

void PortAssignmentModel::Select(int index) {
    selection_ = (index >= 0 && index < static_cast<int>(available_.size())) ? index : -1;
}

void PortAssignmentModel::Initialise() {
    Enumerate();
    RebuildAvailable();
    SelectFirst();
    ApplyEnablingRule();
}

bool PortAssignmentModel::SlotButtonsEnabled(int slot) const {
    if (slot == 2)
        return slot2Enabled_;
    if (slot == 4)
        return slot4Enabled_;
    return slot == 1 || slot == 3;
}

void PortAssignmentModel::ApplyEnablingRule() {
    useOnePortEnabled_ = values.zKind == kind::kZLepMac5000;
    if (!useOnePortEnabled_)
        values.useOnePort = false;
    // Slot 2 keeps its name while the Z drive shares slot 1; only its arrows are locked.
    slot2Enabled_ = !values.useOnePort;
    const bool meterOnPort =
        values.meterKind == kind::kMeterUsbrh2 || values.meterKind == kind::kMeterOneWire;
    if (!meterOnPort && !values.names[3].empty()) {
        slot4Enabled_ = true;  // release it the way its "<<" does
        Release(4);
    }
    slot4Enabled_ = meterOnPort;
}

void PortAssignmentModel::Assign(int slot) {
    if (slot < 1 || slot > 4 || !SlotButtonsEnabled(slot))
        return;
    if (selection_ < 0 || selection_ >= static_cast<int>(available_.size()))
        return;
    values.names[slot - 1] = available_[selection_];
    RebuildAvailable();
    SelectFirst();
}

void PortAssignmentModel::Release(int slot) {
    if (slot < 1 || slot > 4 || !SlotButtonsEnabled(slot))
        return;
    const std::string released = values.names[slot - 1];
    values.names[slot - 1].clear();
    Enumerate();
    RebuildAvailable();
    const auto it = std::find(available_.begin(), available_.end(), released);
    if (!released.empty() && it != available_.end())
        selection_ = static_cast<int>(it - available_.begin());
    else
        SelectFirst();  // an empty or vanished name: show the first entry
}

void PortAssignmentModel::RefreshTick() {
    const int oldSelection = selection_;
    const std::vector<std::string> oldAvailable = available_;
    Enumerate();
    for (std::string& name : values.names) {
        if (!name.empty() && std::find(ports_.begin(), ports_.end(), name) == ports_.end())
            name.clear();
    }
    RebuildAvailable();
    if (available_ == oldAvailable)
        Select(oldSelection);
    else
        SelectFirst();
}

}  // namespace tesmira
