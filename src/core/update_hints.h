// The update hints of the document broadcast: each pane reacts to its own range (100-102 the
// message pane, 200-205 the control panel, 300-304 the video pane). The numbers are kept because
// they are the program's documented vocabulary.
#pragma once

#include <string>
#include <variant>

namespace tesmira {

enum class UpdateHint : int {
    kClearMessages = 100,      // message pane: clear
    kAppendGreen = 101,        // message pane: append the text payload in green
    kAppendBlue = 102,         // message pane: append the text payload in blue
    kTakeFocus = 200,          // panel: take the keyboard focus
    kRefreshControls = 201,    // panel: run the enabling rule (the capture graph was rebuilt)
    kRebuildXyCommands = 202,  // panel: the XY controller kind changed
    kRebuildZCommands = 203,   // panel: the Z controller kind changed
    kSetZoom = 204,            // panel: show the zoom factor payload
    kStopActivity = 205,       // panel: stop relay cycles and the recording
    kAttachVideo = 300,        // video pane: attach the video at the current zoom
    kZoomAboutCentre = 301,    // video pane: rescale about the visible centre (payload: factor)
    kKeepView = 302,           // video pane: no effect
    kReapplyView = 303,        // video pane: re-apply the remembered scroll offset
    kFitVideo = 304,           // video pane: fit the video into the pane
};

// Optional payload of an update hint: none, a text (UTF-8) or a number.
using HintPayload = std::variant<std::monostate, std::string, double>;

}  // namespace tesmira
