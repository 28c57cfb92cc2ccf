#include "binders/serial_panel_binder.h"

#include <QAbstractButton>

#include "dialogs/dlg_port_select.h"
#include "panel/dlg_main.h"

namespace tesmira {

void BindSerialToPanel(CDlgMain& panel, std::function<PortAssignmentDeps()> deps) {
    constexpr int kMeterPortsButton = 1045;
    auto* button = qobject_cast<QAbstractButton*>(panel.Control(kMeterPortsButton));
    if (!button)
        return;
    QObject::connect(button, &QAbstractButton::clicked, &panel,
                     [&panel, deps = std::move(deps)] { RunPortAssignment(deps(), &panel); });
}

}  // namespace tesmira
