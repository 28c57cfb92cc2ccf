// A clean slate of settings and slots for the serial tests, with pseudo-terminals and folders.
#pragma once

#include <string>

#include "common/message_recorder.h"
#include "common/pty_pair.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "serial/port_list.h"
#include "serial/serial_slots.h"

namespace tesmira::test {

// Fresh settings, slots, port list and document for each test; messages are written down.
struct SerialWorld {
    Settings settings;
    MessageRecorder notifier;
    SerialSlots slots{settings, notifier};
    PortList ports;
    CTesmiraDoc doc;
};

}  // namespace tesmira::test
