#include <QApplication>
#include <memory>

#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "app/signal_close.h"
#include "app/tesmira_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("CorvaneSoft"));
    QApplication::setApplicationName(QStringLiteral("Tesmira"));
    QApplication::setQuitOnLastWindowClosed(false);  // the frame's close quits, not a dialog's

    tesmira::CTesmiraApp theApp(std::make_unique<tesmira::IniProfile>());
    // A signal that arrives during start-up closes the window as soon as it exists.
    bool closeRequested = false;
    tesmira::InstallCloseOnSignals([&theApp, &closeRequested] {
        closeRequested = true;
        if (theApp.frame())
            theApp.frame()->close();
    });
    int rc = 1;
    if (theApp.InitInstance()) {
        if (closeRequested)
            theApp.frame()->close();
        rc = app.exec();
    }
    theApp.ExitInstance();
    return rc;
}
