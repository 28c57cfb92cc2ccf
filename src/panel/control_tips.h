// Tool tips of the control panel: the key that does the same as a button, and why a greyed
// control is greyed. The texts are untranslated sources of the "ControlPanel" context.
#pragma once

namespace tesmira {

// The keys that press this button, e.g. "キー: ← / 4"; nullptr for controls without a key.
const char* KeyTipOf(int id);

// Why a control outside the enabling rule is greyed: those whose state follows the meter, the
// microscope readout or an option (nullptr for the others).
const char* FixedDisabledReason(int id);

}  // namespace tesmira
