#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/device_listing.h"
#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "app/signal_close.h"
#include "app/tesmira_app.h"
#include "app/ui_language.h"
#include "tesmira_install_paths.h"

namespace {

void SetNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("CorvaneSoft"));
    QCoreApplication::setApplicationName(QStringLiteral("Tesmira"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral(TESMIRA_VERSION " (%1)").arg(QLatin1String(tesmira::kVersionText)));
}

// Tesmira takes no options of its own beyond --help, --version and --list-devices. The options Qt
// handles itself (QApplication removes them before we parse) are listed so that --help shows them
// and so that they are accepted next to --help and --version.
void Describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Tesmira: live picture, stage and focus control, recordings, time-lapse series and\n"
        "still photos for a motorised microscope with a video camera.\n"
        "Settings: ~/.config/CorvaneSoft/Tesmira.conf. Recordings and logs: the folders chosen\n"
        "in the settings (~/Tesmira/Video and ~/Tesmira/Log at first).\n"
        "Qt options take one dash or two (-platform offscreen, --style Fusion)."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        QStringLiteral("list-devices"),
        QStringLiteral("Print the relay modules, climate meters, serial ports and cameras "
                       "Tesmira finds, then exit.")));
    struct QtOption {
        const char* name;
        const char* value;  // nullptr: a switch
        const char* help;
    };
    static constexpr QtOption kQtOptions[] = {
        {"platform", "name", "Qt: the platform plug-in (xcb, wayland, offscreen)."},
        {"platformpluginpath", "path", "Qt: a folder to search for platform plug-ins."},
        {"platformtheme", "name", "Qt: the platform theme."},
        {"plugin", "name", "Qt: an extra plug-in to load (input devices)."},
        {"display", "name", "Qt: the X display to use."},
        {"qwindowgeometry", "geometry", "Qt: the main window's geometry (WxH+X+Y)."},
        {"qwindowtitle", "title", "Qt: the main window's title."},
        {"qwindowicon", "file", "Qt: the main window's icon."},
        {"style", "name", "Qt: the widget style (Fusion, Windows)."},
        {"stylesheet", "file", "Qt: a style sheet for the widgets."},
        {"reverse", nullptr, "Qt: lays out the widgets right to left."},
        {"session", "id", "Qt: restores a session."},
        {"widgetcount", nullptr, "Qt: reports at the end how many widgets were left."},
    };
    for (const QtOption& o : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.help));
        if (o.value)
            option.setValueName(QString::fromLatin1(o.value));
        parser.addOption(option);
    }
}

// True when the command line asks for the help or the version text, which are answered before a
// display, a window, the settings or a device is touched.
bool AsksForText(int argc, char** argv) {
    static constexpr const char* kAsks[] = {"-h", "--help",    "-help",    "-?",       "--help-all",
                                            "-v", "--version", "-version", "-help-all"};
    for (int i = 1; i < argc; ++i) {
        for (const char* ask : kAsks) {
            if (std::strcmp(argv[i], ask) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // The devices Tesmira finds, printed without a display, a window or the settings.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list-devices") == 0 ||
            std::strcmp(argv[i], "-list-devices") == 0) {
            QCoreApplication core(argc, argv);
            SetNames();
            return tesmira::ListDevices(stdout);
        }
    }
    if (AsksForText(argc, argv)) {
        QCoreApplication core(argc, argv);  // no display needed
        SetNames();
        QCommandLineParser parser;
        Describe(parser);
        parser.process(core);  // prints the text and exits 0 (1 for a wrong option)
        return 0;
    }
    QApplication app(argc, argv);
    SetNames();
    {
        QCommandLineParser parser;
        Describe(parser);
        parser.process(app);  // a wrong option: the message and exit 1, before any window
    }
    QApplication::setQuitOnLastWindowClosed(false);  // the frame's close quits, not a dialog's
    // English when the locale asks for it, else the designed Japanese; before any window exists.
    const tesmira::UiTranslations translations(tesmira::ChooseUiLanguage(tesmira::ProcessEnv));
    if (!translations.Loaded())
        std::fprintf(stderr, "tesmira: the English texts could not be loaded; showing Japanese\n");

    tesmira::CTesmiraApp theApp(std::make_unique<tesmira::IniProfile>());
    // A signal closes the window the normal way. During start-up the window may be half shown
    // (a message box of the start-up can be up): then only note it and close once start-up ends.
    bool closeRequested = false;
    bool started = false;
    // A signal closes at once, without the question a running recording brings to the close box.
    const auto closeAtOnce = [&theApp] {
        if (tesmira::CMainFrame* frame = theApp.frame())
            QMetaObject::invokeMethod(
                frame, [frame] { frame->CloseWithoutAsking(); }, Qt::QueuedConnection);
    };
    tesmira::InstallCloseOnSignals([&theApp, &closeRequested, &started, closeAtOnce] {
        closeRequested = true;
        theApp.CloseMessageBoxesForShutdown();
        if (started)
            closeAtOnce();
    });
    int rc = 1;
    if (theApp.InitInstance()) {
        started = true;
        // The close must run inside the event loop: a quit before exec() would be lost.
        if (closeRequested)
            closeAtOnce();
        rc = app.exec();
    }
    theApp.ExitInstance();
    return rc;
}
