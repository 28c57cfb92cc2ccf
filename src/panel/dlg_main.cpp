#include "panel/dlg_main.h"

#include <QVariant>

namespace tesmira {
namespace {
CDlgMain* g_panel = nullptr;
}

QWidget* FindControl(const QWidget* root, int id) {
    if (!root) return nullptr;
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children) {
        const QVariant v = w->property("id");
        if (v.isValid() && v.toInt() == id) return w;
    }
    return nullptr;
}

CDlgMain::CDlgMain(QWidget* parent) : QWidget(parent) {
    setProperty("id", 131);
    setObjectName(QStringLiteral("controlPanel"));
    g_panel = this;
}

CDlgMain::~CDlgMain() {
    if (g_panel == this) g_panel = nullptr;
}

CDlgMain* CDlgMain::Instance() { return g_panel; }

void CDlgMain::OnUpdate(CUpdateView*, int, const HintPayload&) {}

}  // namespace tesmira
