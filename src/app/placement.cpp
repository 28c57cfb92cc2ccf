#include "app/placement.h"

namespace tesmira {

ScreenRect PlacePanel(const ScreenRect& current, const PanelRect& stored, bool takeSize) {
    if (!stored.IsUsable())
        return current;
    if (takeSize)
        return {stored.left, stored.top, stored.right, stored.bottom};
    return {stored.left, stored.top, stored.left + current.width(), stored.top + current.height()};
}

}  // namespace tesmira
