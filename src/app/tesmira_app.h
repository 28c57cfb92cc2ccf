// The application object: start-up in its fixed order, and the single write of the settings at
// the end of the process.
#pragma once

#include <QString>
#include <memory>

#include "core/profile.h"

namespace tesmira {

class CMainFrame;
class SplashDismisser;

inline constexpr const char* kVersionText = "Tesmira Ver. 1 Rel. 2.31 2026.01.17";

class CTesmiraApp {
public:
    explicit CTesmiraApp(std::unique_ptr<IProfile> profile);
    ~CTesmiraApp();

    // Splash, settings, document and frame, maximised window, settings-panel validation.
    // False when the frame could not be made; the settings are still written by ExitInstance.
    bool InitInstance();
    // Destroys the frame, then writes every setting once. A failed write is reported on stderr.
    // Returns false when writing failed. Runs once; later calls do nothing.
    bool ExitInstance();

    CMainFrame* frame() const { return frame_.get(); }
    IProfile& profile() { return *profile_; }

private:
    std::unique_ptr<IProfile> profile_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<SplashDismisser> dismisser_;
    bool exited_ = false;
};

}  // namespace tesmira
