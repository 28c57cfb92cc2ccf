#include "core/ui_poster.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tesmira {

void RunOnUiThread(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

}  // namespace tesmira
