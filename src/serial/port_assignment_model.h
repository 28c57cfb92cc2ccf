// The rules of the port assignment dialog (template 132) without any widget: slot names, kinds,
// the available list with its selection, the enabling rule, ">>" / "<<" and the one-second
// refresh. The dialog only mirrors this state into its controls.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tesmira {

struct Settings;

namespace kind {
constexpr int kXyTe2000e = 0, kXyLepMac5000 = 1, kXySigmaKoki = 2;
constexpr int kZTe2000e = 0, kZLepMac5000 = 1, kZChuoSeiki = 2;
constexpr int kMeterUsbrh = 0, kMeterUsbrh2 = 1, kMeterTdsn7200 = 2, kMeterOneWire = 3;
}  // namespace kind

// What the dialog edits: the four slot names and the kinds.
struct PortAssignment {
    std::array<std::string, 4> names;
    int xyKind = kind::kXyLepMac5000;
    int zKind = kind::kZLepMac5000;
    int meterKind = kind::kMeterUsbrh2;
    bool useOnePort = false;

    static PortAssignment FromSettings(const Settings& s);
};

class PortAssignmentModel {
public:
    using Enumerator = std::function<std::vector<std::string>()>;

    PortAssignmentModel(PortAssignment initial, Enumerator enumerate);

    PortAssignment values;

    // Enumerates, builds the available list, selects entry 0 and runs the enabling rule.
    void Initialise();
    // After a click on a kind radio or on "XY と Z に同じポート".
    void ApplyEnablingRule();
    void Assign(int slot);   // ">>": the selected entry becomes the slot's name
    void Release(int slot);  // "<<": the slot's name returns to the list and is selected
    void RefreshTick();      // timer 1003

    const std::vector<std::string>& Available() const { return available_; }
    const std::vector<std::string>& Ports() const { return ports_; }
    int Selection() const { return selection_; }  // -1 when nothing is selected
    void Select(int index);

    bool UseOnePortEnabled() const { return useOnePortEnabled_; }
    bool SlotButtonsEnabled(int slot) const;

    // The port a slot lost its device on ("" when none): a slot still showing that port is
    // shown as closed.
    using LostPort = std::function<std::string(int slot)>;
    void SetLostPort(LostPort lostPort) { lostPort_ = std::move(lostPort); }
    bool SlotLost(int slot) const;

private:
    void Enumerate();
    void RebuildAvailable();
    void SelectFirst();

    Enumerator enumerate_;
    LostPort lostPort_;
    std::vector<std::string> ports_;
    std::vector<std::string> available_;
    int selection_ = -1;
    bool useOnePortEnabled_ = false;
    bool slot2Enabled_ = true;
    bool slot4Enabled_ = true;
};

}  // namespace tesmira
