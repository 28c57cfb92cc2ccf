// The capture graph's owner for the benchmarks: this machine's devices, the process's settings,
// and messages on standard error.
#pragma once

#include <cstdio>
#include <memory>

#include "capture/capture_owner.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "media/device_catalog.h"

namespace tesmira::bench {

struct StderrNotifier : INotifier {
    void Notify(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

struct BenchCapture {
    StderrNotifier notifier;
    QtUiPoster ui;
    std::unique_ptr<IDeviceCatalog> catalog = MakeSystemDeviceCatalog();
    CaptureOwner owner{CaptureOwnerDeps{settings(),
                                        runState(),
                                        CTesmiraDoc::Instance(),
                                        notifier,
                                        ui,
                                        *catalog,
                                        {},
                                        PostPanelMessage,
                                        {}}};
};

}  // namespace tesmira::bench
