#include "app/tesmira_app.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>

#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "app/splash.h"
#include "app/workstation.h"
#include "dialogs/dlg_timelapse.h"

static void InitAppResources() {
    Q_INIT_RESOURCE(tesmira_app);
}

namespace tesmira {
namespace {

const QString kSplashSecondLine = QStringLiteral("(C) CorvaneSoft");

void ShowSplash() {
    CSplashWnd::ShowSplashScreen(QString::fromLatin1(kVersionText), kSplashSecondLine);
    QCoreApplication::processEvents();
}

}  // namespace

CTesmiraApp::CTesmiraApp(std::unique_ptr<IProfile> profile)
    : CTesmiraApp(std::move(profile), WorkstationSeams{}) {}

CTesmiraApp::CTesmiraApp(std::unique_ptr<IProfile> profile, WorkstationSeams seams)
    : profile_(std::move(profile)), workstation_(std::make_unique<Workstation>(std::move(seams))) {
    InitAppResources();
}

void CTesmiraApp::CloseMessageBoxesForShutdown() {
    workstation_->CloseMessageBoxesForShutdown();
}

CTesmiraApp::~CTesmiraApp() {
    ExitInstance();
}

bool CTesmiraApp::InitInstance() {
    // 1. Splash; a key or click removes it at once.
    dismisser_ = std::make_unique<SplashDismisser>();
    qApp->installEventFilter(dismisser_.get());
    ShowSplash();
    // 3-5. The settings (their folder checks may show messages over the splash).
    workstation_->LoadSettings(*profile_);
    // 6-7. Document, frame and panes; then the rooms attach to them.
    frame_ =
        std::make_unique<CMainFrame>(workstation_->ForFrame(), QString::fromLatin1(kVersionText));
    frame_->SetOnClosed([] { QCoreApplication::quit(); });
    workstation_->WireRooms(*frame_, *profile_);
    // Without a window manager (a bare X server) nothing maximises: start at the screen's size.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        frame_->setGeometry(screen->availableGeometry());
    }
    // 8-9. Maximised, then hidden while the capture graph is set up behind a new splash.
    frame_->showMaximized();
    frame_->hide();
    ShowSplash();
    // 10. The capture graph for the stored camera and microphone.
    workstation_->StartRooms();
    // 11. The main window reappears maximised.
    CSplashWnd::DestroySplash();
    frame_->showMaximized();
    // 12. The settings panel recomputes and validates the relay schedules.
    if (frame_->timelapsePanel())
        frame_->timelapsePanel()->ValidateSchedules();
    return true;
}

bool CTesmiraApp::ExitInstance() {
    if (exited_)
        return true;
    exited_ = true;
    CSplashWnd::DestroySplash();
    if (dismisser_ && qApp)
        qApp->removeEventFilter(dismisser_.get());
    frame_.reset();
    if (workstation_->SaveSettings(*profile_))
        return true;
    std::string where = "the settings profile";
    if (auto* ini = dynamic_cast<IniProfile*>(profile_.get()))
        where = ini->path();
    std::fprintf(stderr, "tesmira: could not write the settings to %s\n", where.c_str());
    return false;
}

}  // namespace tesmira
