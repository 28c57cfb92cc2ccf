// The main frame on its own, built on parts the test holds: settings, run state, document, a
// recorder for the messages, the command-send ports and the command registry. The help pages go
// to `openUrl` (none set: every page fails, and no browser ever opens) and the rooms' shutdown at
// close is counted. Lives beside the tests of the whole program because it needs the app room,
// which the shared fakes in tests/common cannot link.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/command_registry.h"
#include "app/main_frame.h"
#include "app/tesmira_app.h"
#include "app/web_pages.h"
#include "common/message_recorder.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "serial/serial_slots.h"

namespace tesmira::test {

class MainFrameRig : public ::testing::Test {
protected:
    // The frame goes before the parts it was built on, including those of a derived fixture.
    void TearDown() override { frame.reset(); }

    // Builds the frame; a test sets what the frame reads at construction (stored panel places,
    // an installed translation) first.
    CMainFrame& MakeFrame() {
        FrameDeps deps{s,
                       run,
                       doc,
                       messages,
                       slots,
                       commands,
                       [this] { ++shutdowns; },
                       [this](const std::string& url) { return openUrl && openUrl(url); },
                       [this](const QString& what) {
                           asked.push_back(what);
                           return answerClose;
                       }};
        frame = std::make_unique<CMainFrame>(deps, QString::fromLatin1(kVersionText));
        return *frame;
    }
    // Whether the menu command is enabled after the frame brought its menus up to date.
    bool Enabled(int id) {
        frame->UpdateCommandUI();
        return frame->action(id)->isEnabled();
    }

    Settings s;
    RunState run;
    CTesmiraDoc doc;
    MessageRecorder messages;
    SerialSlots slots{s, messages};
    CommandRegistry commands;
    UrlOpener openUrl;
    int shutdowns = 0;
    std::vector<QString> asked;         // what each question before a close named
    bool answerClose = false;           // the answer: false keeps running
    std::unique_ptr<CMainFrame> frame;  // last: built on everything above
};

}  // namespace tesmira::test
