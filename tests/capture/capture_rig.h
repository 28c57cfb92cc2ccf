// A capture graph owner on fresh objects: its own settings, run flags, update hub, notifier and
// device catalogue. The owner is made on first use, so a test sets the catalogue and writer first.
#pragma once

#include <map>
#include <memory>

#include "capture/capture_owner.h"
#include "common/message_recorder.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "media/device_catalog.h"

namespace tesmira::test {

struct CaptureRig {
    Settings settings;
    RunState run;
    CTesmiraDoc doc;
    MessageRecorder messages;
    QtUiPoster ui;
    std::shared_ptr<IDeviceCatalog> catalog;  // null: this machine's (with the test devices)
    AviWriterFactory makeWriter;
    int afterBuilds = 0;                 // the recording room names its next file after each build
    std::map<PanelMessage, int> posted;  // counted on the UI thread

    CaptureOwner& Owner() {
        if (!owner) {
            if (!catalog)
                catalog = MakeSystemDeviceCatalog();
            owner = std::make_unique<CaptureOwner>(
                CaptureOwnerDeps{settings, run, doc, messages, ui, *catalog, makeWriter,
                                 [this](PanelMessage m) { ui.Post([this, m] { ++posted[m]; }); },
                                 [this] { ++afterBuilds; }});
        }
        return *owner;
    }
    ~CaptureRig() {
        if (owner)
            owner->LiveStop();
        owner.reset();
    }

    std::unique_ptr<CaptureOwner> owner;
};

}  // namespace tesmira::test
