// The capture graph's owner for the benchmarks: this machine's devices, settings of its own, and
// messages on standard error.
#pragma once

#include <memory>

#include "capture/capture_owner.h"
#include "core/notifier.h"
#include "core/panel_messages.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "media/device_catalog.h"

namespace tesmira::bench {

struct BenchCapture {
    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    StderrNotifier notifier;
    QtUiPoster ui;
    PanelMessageRouter panelMessages{ui};
    std::unique_ptr<IDeviceCatalog> catalog = MakeSystemDeviceCatalog();
    CaptureOwner owner{CaptureOwnerDeps{settings,
                                        run,
                                        doc,
                                        notifier,
                                        ui,
                                        *catalog,
                                        {},
                                        [this](PanelMessage m) { panelMessages.Post(m); },
                                        {}}};
};

}  // namespace tesmira::bench
