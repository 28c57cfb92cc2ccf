// The main window in English, as LANG=en_US.UTF-8 shows it: everything it shows is English, and
// the menus and the control panel still fit a maximised window on a 1366 x 768 screen without a
// clipped caption.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>

#include "app/ui_language.h"
#include "core/run_state.h"
#include "dialogs/count_down_panel.h"
#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_timelapse.h"
#include "dialogs/dlg_zsync.h"
#include "main_frame_rig.h"
#include "panel/dlg_main.h"

namespace tesmira::test {
namespace {

QString Text(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return {};
}

bool HasJapanese(const QString& text) {
    static const QRegularExpression kJapanese(
        QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff66}-\\x{ff9f}]"));
    return text.contains(kJapanese);
}

class EnglishFrameTest : public MainFrameRig {
protected:
    void SetUp() override { ASSERT_TRUE(english.Loaded()); }

    // Installed before the window is built, as the program does.
    UiTranslations english{{UiLanguage::English, true}};
};

TEST_F(EnglishFrameTest, ShowsNoJapaneseAnywhere) {
    CMainFrame& f = MakeFrame();
    QStringList japanese;
    const auto check = [&japanese](const QString& where, const QString& text) {
        if (HasJapanese(text))
            japanese << where + QStringLiteral(": ") + text;
    };
    check(QStringLiteral("title"), f.windowTitle());
    for (QAction* menu : f.menuBar()->actions()) {
        check(QStringLiteral("menu"), menu->text());
        if (!menu->menu())
            continue;
        for (QAction* a : menu->menu()->actions()) {
            check(menu->text() + QStringLiteral(" item"), a->text());
            check(a->text() + QStringLiteral(" prompt"), a->statusTip());
            check(a->text() + QStringLiteral(" tip"), a->toolTip());
        }
    }
    // The panes and the floating panels, hidden ones included.
    const QList<QWidget*> windows = {f.splitter(), f.countDownPanel(), f.zsyncPanel(),
                                     f.commandSend(), f.timelapsePanel()};
    for (QWidget* window : windows) {
        check(window->objectName(), window->windowTitle());
        for (const QWidget* w : window->findChildren<QWidget*>())
            check(w->objectName(), Text(w));
    }
    // The record buttons change their captions with the run state.
    CDlgMain* panel = f.controlPanel();
    ASSERT_NE(panel, nullptr);
    run.isRepeating = true;
    panel->UpdateRecordControls();
    for (int id : {1022, 1020})
        check(QStringLiteral("record button"), Text(panel->Control(id)));
    EXPECT_TRUE(japanese.isEmpty()) << japanese.join('\n').toStdString();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Untitled - Tesmira"));
}

TEST_F(EnglishFrameTest, MenusAndPanelFitAMaximisedWindowAt1366x768) {
    CMainFrame& f = MakeFrame();
    CDlgMain* panel = f.controlPanel();
    ASSERT_NE(panel, nullptr);
    for (int id = 1001; id <= 1194; ++id)
        panel->MarkAttached({id});
    f.setGeometry(0, 0, 1366, 768);
    f.show();
    QApplication::processEvents();

    EXPECT_LE(f.minimumSizeHint().width(), 1366);
    EXPECT_LE(f.minimumSizeHint().height(), 768);
    EXPECT_LE(f.menuBar()->sizeHint().width(), 1366);
    EXPECT_EQ(f.menuBar()->height(), f.menuBar()->sizeHint().height());  // one row of menus
    // The panel gets at least its designed width and all the height it asks for.
    EXPECT_GE(panel->width(), panel->minimumSizeHint().width());
    EXPECT_LE(panel->sizeHint().height(), panel->height());
    EXPECT_LE(panel->width(), 1366 / 3) << "the panel would crowd out the video";

    for (const QWidget* w : panel->findChildren<QWidget*>()) {
        const QString text = Text(w);
        if (text.isEmpty() || qobject_cast<const QGroupBox*>(w))
            continue;
        const QSize need = w->fontMetrics().size(0, text);
        int room = w->contentsRect().width();
        if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
            room -= 18;
        EXPECT_LE(need.width(), room)
            << w->objectName().toStdString() << " \"" << text.toStdString() << "\"";
        EXPECT_LE(need.height(), w->height() + 2) << w->objectName().toStdString();
    }
}

}  // namespace
}  // namespace tesmira::test
