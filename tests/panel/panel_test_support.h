// What the panel tests build a panel on: fresh settings, run flags, document and a notifier that
// writes the messages down.
#pragma once

#include <variant>

#include "common/hint_recorder.h"
#include "common/message_recorder.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "panel/panel_state.h"

namespace tesmira::test {

struct PanelWorld {
    PanelDeps Deps() { return {settings, run, doc, notifier}; }

    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    MessageRecorder notifier;
};

inline double PayloadNumber(const HintPayload& p) {
    const double* d = std::get_if<double>(&p);
    return d ? *d : -1.0;
}

}  // namespace tesmira::test
