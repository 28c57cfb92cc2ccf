// The document: it holds no data; it is the broadcast hub through which panes tell each other
// about changes (update hints) and the owner of the capture graph's lifetime.
#pragma once

#include <vector>

#include "core/update_hints.h"

namespace tesmira {

class CUpdateView {
public:
    virtual ~CUpdateView() = default;
    virtual void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) = 0;
};

class CTesmiraDoc {
public:
    void AddView(CUpdateView* view);
    void RemoveView(CUpdateView* view);
    // Every registered view except the sender receives the hint, in registration order.
    void UpdateAllViews(CUpdateView* sender, UpdateHint hint, const HintPayload& payload = {});

private:
    std::vector<CUpdateView*> views_;
};

}  // namespace tesmira
