// Attaches the serial room to the control panel: button 1045 "計器" runs the port assignment.
#pragma once

namespace tesmira {

class CDlgMain;

// Connects button 1045 of the panel (when present) to RunPortAssignment.
void BindSerialToPanel(CDlgMain& panel);

}  // namespace tesmira
