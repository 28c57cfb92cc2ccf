// Finds a form's control by its "id" property, the way the rooms' own Control(id) lookups do,
// without pulling the panel room into tests of other rooms.
#pragma once

#include <QVariant>
#include <QWidget>

namespace tesmira::test {

inline QWidget* FindControl(const QWidget* root, int id) {
    if (!root)
        return nullptr;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QVariant v = w->property("id");
        if (v.isValid() && v.toInt() == id)
            return w;
    }
    return nullptr;
}

}  // namespace tesmira::test
