// Not a check: shows the filled panel on the screen for a while so that it can be photographed
// (see docs/panel.png). Under Xvfb:
//   xvfb-run -a -s "-screen 0 1366x768x24" sh -c 'QT_QPA_PLATFORM=xcb TESMIRA_SHOW_MS=5000
//     build/tests/test_panel --gtest_also_run_disabled_tests --gtest_filter=PanelScreenshot.* &
//     sleep 3; import -window root docs/panel.png; wait'
// then trim the black screen around the panel: convert docs/panel.png -trim +repage docs/panel.png
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <cstdlib>

#include "core/run_state.h"
#include "panel/dlg_main.h"
#include "panel_test_support.h"

namespace tesmira {
namespace {

TEST(PanelScreenshot, DISABLED_ShowsThePanelForAPhotograph) {
    test::PanelWorld world;
    world.run.isLive = true;
    CDlgMain panel{world.Deps()};
    panel.Conditions().cameraReady = [] { return true; };
    panel.Conditions().microphoneReady = [] { return true; };
    panel.Conditions().relayModuleName = [](int module) {
        return module == 1 ? std::string("A1B2C3D4") : std::string();
    };
    for (int id = 1001; id <= 1194; ++id)
        panel.MarkAttached({id});
    panel.Fields().relayModule1Name = "A1B2C3D4";
    panel.setWindowTitle(QStringLiteral("Tesmira"));
    panel.move(0, 0);
    // The pane of a maximised window at 1366 x 768: the screen less the menu bar.
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    panel.resize(panel.sizeHint().width(), std::min(panel.sizeHint().height(), screen.height()));
    panel.show();
    panel.UpdateRecordControls();
    const char* ms = std::getenv("TESMIRA_SHOW_MS");
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < (ms ? std::atoi(ms) : 4000))
        QApplication::processEvents();
}

}  // namespace
}  // namespace tesmira
