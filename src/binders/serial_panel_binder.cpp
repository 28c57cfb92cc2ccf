#include "binders/serial_panel_binder.h"

#include <QAbstractButton>

#include "panel/dlg_main.h"
#include "serial/port_assignment.h"

namespace tesmira {

void BindSerialToPanel(CDlgMain& panel) {
    constexpr int kMeterPortsButton = 1045;
    auto* button = qobject_cast<QAbstractButton*>(panel.Control(kMeterPortsButton));
    if (!button)
        return;
    QObject::connect(button, &QAbstractButton::clicked, &panel,
                     [&panel] { RunPortAssignment(&panel); });
}

}  // namespace tesmira
