#include "core/tesmira_doc.h"

#include <algorithm>

namespace tesmira {

void CTesmiraDoc::AddView(CUpdateView* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void CTesmiraDoc::RemoveView(CUpdateView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void CTesmiraDoc::UpdateAllViews(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) {
    // A view may add or remove views while handling a hint; walk a copy.
    const std::vector<CUpdateView*> targets = views_;
    for (CUpdateView* view : targets) {
        if (view == sender)
            continue;
        if (std::find(views_.begin(), views_.end(), view) == views_.end())
            continue;
        view->OnUpdate(sender, hint, payload);
    }
}

}  // namespace tesmira
