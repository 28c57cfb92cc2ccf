// Attaches the serial room to the control panel: button 1045 "計器" runs the port assignment.
#pragma once

#include <functional>

namespace tesmira {

class CDlgMain;
struct PortAssignmentDeps;

// Connects button 1045 of the panel (when present) to the port assignment dialog. `deps` gives
// what the procedure works on at the moment of the click.
void BindSerialToPanel(CDlgMain& panel, std::function<PortAssignmentDeps()> deps);

}  // namespace tesmira
