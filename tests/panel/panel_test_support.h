// Helpers shared by the panel tests: a serial channel that answers from a script, a view that
// records update hints, and a guard that restores the process-wide state a test touches.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "serial/serial_channel_interface.h"
#include "serial/serial_slots.h"
#include "stage/stage_state.h"

namespace tesmira::test {

class ScriptedChannel : public ISerialChannel {
public:
    bool IsOpen() const override { return open; }
    void Write(std::string_view text) override { written.emplace_back(text); }
    int BytesWaiting() override { return open ? static_cast<int>(incoming.size()) : 0; }
    std::string Read(int n) override {
        std::string out = incoming.substr(0, static_cast<std::size_t>(n));
        incoming.erase(0, out.size());
        ++reads;
        return out;
    }

    bool open = true;
    std::string incoming;
    std::vector<std::string> written;
    int reads = 0;
};

struct HintRecord {
    CUpdateView* sender;
    UpdateHint hint;
    HintPayload payload;
};

class HintLog : public CUpdateView {
public:
    HintLog() { CTesmiraDoc::Instance().AddView(this); }
    ~HintLog() override { CTesmiraDoc::Instance().RemoveView(this); }
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override {
        records.push_back({sender, hint, payload});
        if (onHint)
            onHint(int(hint), payload);
    }
    std::vector<HintRecord> Of(int hint) const {
        std::vector<HintRecord> out;
        for (const auto& r : records) {
            if (int(r.hint) == hint)
                out.push_back(r);
        }
        return out;
    }
    std::vector<HintRecord> records;
    std::function<void(int, const HintPayload&)> onHint;
};

// Puts settings, run flags, stage state and the serial slots back as they were.
class StateGuard {
public:
    StateGuard() : settings_(settings()), run_(runState()), stage_(stageState()) {}
    ~StateGuard() {
        settings() = settings_;
        runState() = run_;
        stageState() = stage_;
        for (int n = 1; n <= 4; ++n)
            InstallSerialSlot(n, nullptr);
        ChooseZChannel();
    }

private:
    Settings settings_;
    RunState run_;
    StageState stage_;
};

inline double PayloadNumber(const HintPayload& p) {
    const double* d = std::get_if<double>(&p);
    return d ? *d : -1.0;
}

}  // namespace tesmira::test
