// A pane that writes down every update hint the document broadcasts, with its sender and payload.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/tesmira_doc.h"

namespace tesmira::test {

struct HintRecord {
    CUpdateView* sender;
    UpdateHint hint;
    HintPayload payload;
};

class HintRecorder : public CUpdateView {
public:
    explicit HintRecorder(CTesmiraDoc& doc) : doc_(doc) { doc_.AddView(this); }
    ~HintRecorder() override { doc_.RemoveView(this); }
    HintRecorder(const HintRecorder&) = delete;
    HintRecorder& operator=(const HintRecorder&) = delete;

    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override {
        records.push_back({sender, hint, payload});
        if (onHint)
            onHint(hint, payload);
    }

    // The hints of one number, in order (tests speak the documented numbers).
    std::vector<HintRecord> Of(int hint) const {
        std::vector<HintRecord> out;
        for (const auto& r : records) {
            if (static_cast<int>(r.hint) == hint)
                out.push_back(r);
        }
        return out;
    }
    std::vector<int> Numbers() const {
        std::vector<int> out;
        for (const auto& r : records)
            out.push_back(static_cast<int>(r.hint));
        return out;
    }
    // The text payloads of one number, joined.
    std::string Text(int hint) const {
        std::string out;
        for (const auto& r : Of(hint)) {
            if (const auto* t = std::get_if<std::string>(&r.payload))
                out += *t;
        }
        return out;
    }
    // The number payloads of one number, in order.
    std::vector<double> Values(int hint) const {
        std::vector<double> out;
        for (const auto& r : Of(hint)) {
            if (const auto* v = std::get_if<double>(&r.payload))
                out.push_back(*v);
        }
        return out;
    }

    std::vector<HintRecord> records;
    std::function<void(UpdateHint, const HintPayload&)> onHint;

private:
    CTesmiraDoc& doc_;
};

}  // namespace tesmira::test
