#include "app/workstation.h"

#include "app/main_frame.h"
#include "core/settings_store.h"

namespace tesmira {

Workstation::Workstation(WorkstationSeams seams)
    : notifier_(seams.notifier ? *seams.notifier : messageBoxes_),
      clock_(seams.clock ? *seams.clock : systemClock_),
      catalog_(seams.catalog ? std::move(seams.catalog) : MakeSystemDeviceCatalog()),
      deviceHost_(std::move(seams.deviceHost)),
      capture_(CaptureOwnerDeps{
          settings_,
          run_,
          doc_,
          notifier_,
          ui_,
          *catalog_,
          {},
          [this](PanelMessage m) { panelMessages_.Post(m); },
          [this] { MakeNextRecordingPath(paths_, settings_, settings_.recNo); }}) {}

Workstation::~Workstation() {
    // A graph event still queued must not reach the recording control being destroyed.
    panelMessages_.SetHandler(PanelMessage::kGraphEvent, {});
}

void Workstation::LoadSettings(IProfile& profile) {
    tesmira::LoadSettings(profile, settings_, {clock_, notifier_, {}, true});
    LoadEncoderPages(profile, encoders_.Pages());
}

bool Workstation::SaveSettings(IProfile& profile) const {
    const EncoderPages& pages = encoders_.Pages();
    return tesmira::SaveSettings(profile, settings_,
                                 [&pages](IProfile& p) { SaveEncoderPages(p, pages); });
}

FrameDeps Workstation::ForFrame() {
    return {settings_, run_, doc_, notifier_, slots_, commands_, [this] { ShutdownRooms(); }, {}};
}

void Workstation::CloseMessageBoxesForShutdown() {
    messageBoxes_.CloseForShutdown();
}

}  // namespace tesmira
