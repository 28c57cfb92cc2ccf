// The application object: start-up in its fixed order, and the single write of the settings at
// the end of the process.
#pragma once

#include <QString>
#include <memory>

#include "core/profile.h"

namespace tesmira {

class CMainFrame;
class SplashDismisser;
class Workstation;
struct WorkstationSeams;

inline constexpr const char* kVersionText = "Tesmira Ver. 1 Rel. 2.31 2026.01.17";

class CTesmiraApp {
public:
    explicit CTesmiraApp(std::unique_ptr<IProfile> profile);
    // A rig's stand-ins for the message boxes, the clock or the devices (tests).
    CTesmiraApp(std::unique_ptr<IProfile> profile, WorkstationSeams seams);
    ~CTesmiraApp();

    // Splash, settings, document and frame, maximised window, settings-panel validation.
    // False when the frame could not be made; the settings are still written by ExitInstance.
    bool InitInstance();
    // Destroys the frame, then writes every setting once. A failed write is reported on stderr.
    // Returns false when writing failed. Runs once; later calls do nothing.
    bool ExitInstance();

    CMainFrame* frame() const { return frame_.get(); }
    IProfile& profile() { return *profile_; }
    Workstation& workstation() { return *workstation_; }

    // A signal asked the program to close: message boxes that are up close, later ones go to
    // standard error.
    void CloseMessageBoxesForShutdown();

private:
    std::unique_ptr<IProfile> profile_;
    // The workstation outlives the frame, which is built on its objects (members are destroyed
    // in reverse order; ExitInstance destroys the frame first anyway).
    std::unique_ptr<Workstation> workstation_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<SplashDismisser> dismisser_;
    bool exited_ = false;
};

}  // namespace tesmira
