#include <QApplication>
#include <memory>

#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/signal_close.h"
#include "app/tesmira_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("CorvaneSoft"));
    QApplication::setApplicationName(QStringLiteral("Tesmira"));
    QApplication::setQuitOnLastWindowClosed(false);  // the frame's close quits, not a dialog's

    tesmira::MessageBoxNotifier notifier;
    tesmira::InstallNotifier(&notifier);
    tesmira::CTesmiraApp theApp(std::make_unique<tesmira::IniProfile>());
    // A signal closes the window the normal way. During start-up the window may be half shown
    // (a message box of the start-up can be up): then only note it and close once start-up ends.
    bool closeRequested = false;
    bool started = false;
    tesmira::InstallCloseOnSignals([&theApp, &closeRequested, &started] {
        closeRequested = true;
        tesmira::CloseMessageBoxesForShutdown();
        if (started && theApp.frame())
            QMetaObject::invokeMethod(theApp.frame(), "close", Qt::QueuedConnection);
    });
    int rc = 1;
    if (theApp.InitInstance()) {
        started = true;
        // The close must run inside the event loop: a quit before exec() would be lost.
        if (closeRequested)
            QMetaObject::invokeMethod(theApp.frame(), "close", Qt::QueuedConnection);
        rc = app.exec();
    }
    theApp.ExitInstance();
    return rc;
}
