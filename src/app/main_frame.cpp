#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "app/about_dlg.h"
#include "app/command_registry.h"
#include "app/placement.h"
#include "app/status_line_bar.h"
#include "app/tesmira_view.h"
#include "app/web_pages.h"
#include "capture/video_view.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "dialogs/count_down_panel.h"
#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_timelapse.h"
#include "dialogs/dlg_zsync.h"
#include "panel/dlg_main.h"

namespace tesmira {
namespace {

struct MenuItem {
    int id;  // 0: separator
    const char* caption;
    const char* name;
    const char* prompt;
};

struct MenuDef {
    const char* title;
    const char* name;
    std::initializer_list<MenuItem> items;
};

constexpr MenuItem kSeparator{0, nullptr, nullptr, nullptr};

// Captions and prompts as the user sees them; "\t" separates the accelerator label.
const MenuDef kMenus[] = {
    {QT_TRANSLATE_NOOP("Menu", "ﾌｧｲﾙ(&F)"),
     "menuFile",
     {{32781, QT_TRANSLATE_NOOP("Menu", "コマ速度書き換え"), "actionAviRateRewrite",
       QT_TRANSLATE_NOOP("Menu", "AVI　ファイルのヘッダーを書き換えて再生速度を変更する。")},
      kSeparator,
      kSeparator,
      {57665, QT_TRANSLATE_NOOP("Menu", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"), "actionAppExit",
       QT_TRANSLATE_NOOP("Menu", "アプリケーションを終了し、ファイルの保存を指示します。")}}},
    {QT_TRANSLATE_NOOP("Menu", "編集(&E)"),
     "menuEdit",
     {{57643, QT_TRANSLATE_NOOP("Menu", "元に戻す(&U)\tCtrl+Z"), "actionEditUndo",
       QT_TRANSLATE_NOOP("Menu", "直前に行った動作を元に戻します。")},
      kSeparator,
      {57635, QT_TRANSLATE_NOOP("Menu", "切り取り(&T)\tCtrl+X"), "actionEditCut",
       QT_TRANSLATE_NOOP("Menu", "選択範囲を切り取って、クリップボードに移動します。")},
      {57634, QT_TRANSLATE_NOOP("Menu", "ｺﾋﾟｰ(&C)\tCtrl+C"), "actionEditCopy",
       QT_TRANSLATE_NOOP("Menu", "選択範囲をコピーしてクリップボードに保存します。")},
      {57637, QT_TRANSLATE_NOOP("Menu", "貼り付け(&P)\tCtrl+V"), "actionEditPaste",
       QT_TRANSLATE_NOOP("Menu", "クリップボードの内容を貼り付けます。")}}},
    {QT_TRANSLATE_NOOP("Menu", "表示(&V)"),
     "menuView",
     {{59392, QT_TRANSLATE_NOOP("Menu", "ﾂｰﾙ ﾊﾞｰ(&T)"), "actionToolBar",
       QT_TRANSLATE_NOOP("Menu", "ツール バーの表示/非表示を切り替えます。")},
      {59393, QT_TRANSLATE_NOOP("Menu", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"), "actionStatusBar",
       QT_TRANSLATE_NOOP("Menu", "ステータス バーの表示/非表示を切り替えます。")},
      kSeparator,
      {32779, QT_TRANSLATE_NOOP("Menu", "カウントダウンパネル"), "actionCountDownPanel",
       QT_TRANSLATE_NOOP("Menu", "次の録画までの残り時間を表示する。\nTime before next rec")}}},
    {QT_TRANSLATE_NOOP("Menu", "ポート(&P)"),
     "menuPort",
     {{32771, QT_TRANSLATE_NOOP("Menu", "設定"), "actionPortAssign",
       QT_TRANSLATE_NOOP("Menu", "ステージコンコントローラーにポート番号を割り当てる。")},
      kSeparator,
      {32772, QT_TRANSLATE_NOOP("Menu", "送信"), "actionCommandSend",
       QT_TRANSLATE_NOOP("Menu", "コマンドを直接入力して送信します。")}}},
    {QT_TRANSLATE_NOOP("Menu", "キャプチャー(&C)"),
     "menuCapture",
     {{32773, QT_TRANSLATE_NOOP("Menu", "カメラ選択"), "actionCameraSelect",
       QT_TRANSLATE_NOOP("Menu", "現在接続されているカメラの中から使用するカメラを選ぶ。")},
      {32774, QT_TRANSLATE_NOOP("Menu", "　画質"), "actionCameraProperties",
       QT_TRANSLATE_NOOP("Menu", "カメラの輝度やコントラストを調節する。")},
      {32777, QT_TRANSLATE_NOOP("Menu", "　ストリーム形式（LiveStop 時可能）"),
       "actionStreamFormat",
       QT_TRANSLATE_NOOP("Menu", "サンプリング速度，駒速度などを変更する，出来れば！")},
      kSeparator,
      {32775, QT_TRANSLATE_NOOP("Menu", "保存先と動画圧縮コーデック （LiveStop 時可能）"),
       "actionFolders",
       QT_TRANSLATE_NOOP("Menu", "保存先ディレクトリと動画圧縮コーデックを決める。")},
      kSeparator,
      {32776, QT_TRANSLATE_NOOP("Menu", "録画時間限界"), "actionTimeLimit",
       QT_TRANSLATE_NOOP("Menu", "ムービーのファイルが長くなりすぎないように制限をかけます。")}}},
    {QT_TRANSLATE_NOOP("Menu", "ﾍﾙﾌﾟ(&H)"),
     "menuHelp",
     {{32778, QT_TRANSLATE_NOOP("Menu", "更新（ダウンロード）(&D)"), "actionWebUpdate",
       QT_TRANSLATE_NOOP("Menu", "Update Tesmira")},
      {32780, QT_TRANSLATE_NOOP("Menu", "コーデック（ダウンロード）"), "actionWebCodecs",
       QT_TRANSLATE_NOOP(
           "Menu", "Corvane の更新ページからビデオコーデックをダウンロードしてインストールする。")},
      kSeparator,
      {57664, QT_TRANSLATE_NOOP("Menu", "Tesmira のﾊﾞｰｼﾞｮﾝ情報(&A)..."), "actionAbout",
       QT_TRANSLATE_NOOP("Menu", "プログラム情報、バージョン、著作権を表示します。")}}},
};

// The smallest video pane and window height the frame allows (pixels).
constexpr int kMinimumVideoWidth = 160;
constexpr int kMinimumWindowHeight = 360;

// The control-panel form's designed size: 208 x 422 dialog units.
constexpr double kPanelDesignWidthDu = 208, kPanelDesignHeightDu = 422;

double DialogUnitScale(const QWidget* w) {
    const double dpi = w->logicalDpiX() > 0 ? w->logicalDpiX() : 96.0;
    return dpi / 96.0;
}

ScreenRect RectOf(const QWidget* w) {
    const QRect g = w->geometry();
    return {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

// A never-shown panel starts centred on the screen at its own size (its template position).
void PlaceAtTemplatePosition(QWidget* w) {
    w->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
    }
}

void ApplyPlacement(QWidget* w, const PanelRect& stored, bool takeSize) {
    const ScreenRect r = PlacePanel(RectOf(w), stored, takeSize);
    w->setGeometry(r.left, r.top, r.width(), r.height());
}

void CapturePlacement(const QWidget* w, PanelRect& into) {
    const ScreenRect r = RectOf(w);
    into = {r.left, r.top, r.right, r.bottom};
}

}  // namespace

CMainFrame::CMainFrame(FrameDeps deps, const QString& versionText, QWidget* parent)
    : QMainWindow(parent), deps_(std::move(deps)), version_(versionText) {
    setObjectName(QStringLiteral("mainFrame"));
    setProperty("id", 128);
    setWindowTitle(tr("無題 - Tesmira"));
    setWindowIcon(QIcon(QStringLiteral(":/tesmira/tesmira.png")));
    CreateMenus();
    // The command-send dialog belongs to the frame: created hidden, shown by command 32772.
    commandSend_ = new CDlgCommandSend(deps_.slots, deps_.settings, this);
    commandSend_->hide();
    CreateFloatingPanels();
    CreatePanes();
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

CMainFrame::~CMainFrame() {
    // The status line reads the panel and its timers: it goes while they still stand.
    statusLine_.reset();
    // Destroying the panes moves the focus; this frame must no longer hear of it.
    disconnect(focusWatch_);
    // The panes outlive this body by a moment (Qt deletes children afterwards): stop the
    // document from reaching them.
    CTesmiraDoc& doc = deps_.doc;
    if (panel_)
        doc.RemoveView(panel_);
    if (view_)
        doc.RemoveView(view_);
    if (video_)
        doc.RemoveView(video_);
}

void CMainFrame::CreateMenus() {
    for (const MenuDef& def : kMenus) {
        QMenu* menu = menuBar()->addMenu(QCoreApplication::translate("Menu", def.title));
        menu->setObjectName(QString::fromLatin1(def.name));
        menu->setToolTipsVisible(true);  // a greyed command says why
        // The menu shows what can be done at the moment it opens.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        connect(menu, &QMenu::aboutToHide, this,
                [this] { QTimer::singleShot(0, this, [this] { ReturnKeysFromMenuBar(); }); });
        for (const MenuItem& item : def.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(QCoreApplication::translate("Menu", item.caption));
            a->setObjectName(QString::fromLatin1(item.name));
            a->setProperty("id", item.id);
            const QString prompt = QCoreApplication::translate("Menu", item.prompt);
            const qsizetype nl = prompt.indexOf('\n');
            a->setStatusTip(nl < 0 ? prompt : prompt.left(nl));
            if (nl >= 0)
                a->setToolTip(prompt.mid(nl + 1));
            a->setProperty("baseToolTip", nl >= 0 ? prompt.mid(nl + 1) : QString());
            if (item.id == command_id::kCountDownPanel)
                a->setCheckable(true);
            const int id = item.id;
            connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
            actions_[id] = a;
        }
    }
}

void CMainFrame::ReturnKeysFromMenuBar() {
    // Escape closes a menu but leaves the bar in keyboard mode holding the keys, so the next S,
    // C or G would open a menu instead of reaching the panel. Another menu opening is left alone.
    // The bar may hold the window's focus while the window itself is not active yet (the menu
    // took the activation): the keys must come back to the panel then too.
    QMenuBar* bar = menuBar();
    const auto barHoldsKeys = [this, bar] { return bar->hasFocus() || focusWidget() == bar; };
    if (QApplication::activePopupWidget() || !barHoldsKeys())
        return;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(bar, &escape);
    if (barHoldsKeys() && panel_)
        panel_->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::CreateFloatingPanels() {
    Settings& s = deps_.settings;
    // Count-down panel: restored with its size, then total 1 s and nothing remaining.
    countDown_ = new CDlgCountDown(deps_.doc, this);
    PlaceAtTemplatePosition(countDown_);
    ApplyPlacement(countDown_, s.countDownPanel, /*takeSize=*/true);
    countDown_->SetTotal(1);
    countDown_->SetRemaining(0);
    countDown_->hide();

    // The settings and Z-sync panels keep their own size and only move.
    timelapse_ = new CDlgTimelapse(this);
    PlaceAtTemplatePosition(timelapse_);
    ApplyPlacement(timelapse_, s.timelapsePanel, /*takeSize=*/false);
    timelapse_->hide();

    zsync_ = new CDlgZsync(deps_.settings, this);
    PlaceAtTemplatePosition(zsync_);
    ApplyPlacement(zsync_, s.zsyncPanel, /*takeSize=*/false);
    zsync_->hide();
}

void CMainFrame::CreatePanes() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("splitter"));
    splitter_->setProperty("id", 0xE900);
    splitter_->setChildrenCollapsible(true);
    CTesmiraDoc& doc = deps_.doc;

    // The panel scrolls inside its pane when the window is lower than the panel, instead of
    // losing its bottom rows.
    panelScroll_ = new QScrollArea(splitter_);
    panelScroll_->setObjectName(QStringLiteral("controlPanelScroll"));
    panelScroll_->setFrameShape(QFrame::NoFrame);
    panelScroll_->setWidgetResizable(true);
    panelScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panelScroll_->setFocusPolicy(Qt::NoFocus);  // the keys stay with the panel
    panel_ = new CDlgMain({deps_.settings, deps_.run, doc, deps_.notifier});
    panelScroll_->setWidget(panel_);
    doc.AddView(panel_);
    view_ = new CTesmiraView(doc, splitter_);
    video_ = new CVideoView(doc, splitter_);
    doc.AddView(video_);
    splitter_->addWidget(panelScroll_);
    splitter_->addWidget(view_);
    splitter_->addWidget(video_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 0);
    splitter_->setStretchFactor(2, 1);

    // Column 0 at the form's designed width, the message pane 128 pixels, the video the rest.
    const double scale = DialogUnitScale(this);
    const int panelWidth = static_cast<int>(kPanelDesignWidthDu * 1.5 * scale);
    panel_->setMinimumSize(0, 0);
    panel_->resize(panelWidth, static_cast<int>(kPanelDesignHeightDu * 1.625 * scale));
    // The panel's pane is never narrower than the panel (with room for its scroll bar): it is
    // either whole or, dragged shut, collapsed.
    const int panelPaneWidth = std::max(panelWidth, panel_->minimumSizeHint().width()) +
                               panelScroll_->verticalScrollBar()->sizeHint().width();
    panelScroll_->setMinimumWidth(panelPaneWidth);
    splitter_->setSizes({panelPaneWidth, 128, 4000});
    setCentralWidget(splitter_);
    // Smallest window: the whole panel's width beside a message pane and a little video; below
    // the panel's height the panel scrolls.
    setMinimumSize(panelPaneWidth + 128 + kMinimumVideoWidth + 2 * splitter_->handleWidth(),
                   kMinimumWindowHeight);
    panel_->setFocus();  // the control panel is the active pane
}

void CMainFrame::SetStatusLine(std::unique_ptr<StatusLineBar> statusLine) {
    // The old line lets go of the status timer before the new one takes it.
    statusLine_.reset();
    statusLine_ = std::move(statusLine);
    if (statusLine_)
        statusLine_->StartTimer();
}

QAction* CMainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::OnFocusChanged(QWidget* now) {
    if (!now || now->window() != this)
        return;  // focus in a dialog keeps the active pane
    messagePaneActive_ = view_ && (now == view_ || view_->isAncestorOf(now));
}

MenuState CMainFrame::CurrentMenuState() const {
    MenuState s;
    s.run = deps_.run;
    s.countDownVisible = countDown_ && countDown_->isVisible();
    s.messagePaneActive = messagePaneActive_;
    if (auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        s.statusBarPresent = true;
        s.statusBarVisible = !bar->isHidden();
    }
    if (view_) {
        s.canUndo = view_->CanUndo();
        s.hasSelection = view_->textCursor().hasSelection();
        s.canPaste = view_->canPaste();
    }
    return s;
}

void CMainFrame::UpdateCommandUI() {
    const MenuState state = CurrentMenuState();
    for (const auto& [id, a] : actions_) {
        const bool roomQuery = deps_.commands.QueryCommandEnabled(id, false);
        a->setEnabled(IsCommandEnabled(id, state, roomQuery));
        a->setCheckable(id == command_id::kCountDownPanel ||
                        (id == command_id::kStatusBar && state.statusBarPresent));
        if (a->isCheckable())
            a->setChecked(IsCommandChecked(id, state));
        const char* reason = CommandDisabledReason(id, state, roomQuery);
        const QString tip = reason ? QCoreApplication::translate("Menu", reason)
                                   : a->property("baseToolTip").toString();
        a->setToolTip(tip);
    }
}

void CMainFrame::OnCommand(int id) {
    using namespace command_id;
    const MenuState state = CurrentMenuState();
    // A shortcut or a stale menu must not run a command its rule forbids now.
    if (!IsCommandEnabled(id, state, deps_.commands.QueryCommandEnabled(id, false))) {
        UpdateCommandUI();
        return;
    }
    switch (id) {
        case kCommandSend:
            if (!deps_.commands.RunCommand(id))
                ShowCommandSend();
            break;
        case kCountDownPanel:
            ToggleCountDown();
            break;
        case kStatusBar:
            statusBar()->setVisible(statusBar()->isHidden());
            break;
        case kWebUpdate:
            OpenWebPage(kUpdatePageUrl, deps_.notifier, deps_.openUrl);
            break;
        case kWebCodecs:
            OpenWebPage(kCodecPageUrl, deps_.notifier, deps_.openUrl);
            break;
        case kEditUndo:
            view_->undo();
            break;
        case kEditCut:
            view_->cut();
            break;
        case kEditCopy:
            view_->copy();
            break;
        case kEditPaste:
            view_->paste();
            break;
        case kAbout: {
            CAboutDlg about(version_, this);
            about.exec();
            break;
        }
        case kAppExit:
            close();
            break;
        default:
            deps_.commands.RunCommand(
                id);  // another room's command; inert until it attaches a handler
            break;
    }
    UpdateCommandUI();
}

void CMainFrame::ShowCommandSend() {
    commandSend_->show();
    commandSend_->raise();
    commandSend_->RefreshPortLabels();
}

void CMainFrame::ToggleCountDown() {
    if (countDown_->isVisible()) {
        countDown_->hide();
    } else {
        countDown_->showNormal();
    }
}

void CMainFrame::RunCloseSequence() {
    if (closed_)
        return;
    closed_ = true;
    // 1. No timer may fire into a window that is going away.
    if (panel_) {
        for (TimerId id : kTimersStoppedAtClose)
            panel_->Timers().Stop(id);
        panel_->Timers().Stop(TimerId::kStatusLine);
    }
    // 2. The placements the settings will store.
    Settings& s = deps_.settings;
    CapturePlacement(countDown_, s.countDownPanel);
    countDown_->hide();
    CapturePlacement(timelapse_, s.timelapsePanel);
    timelapse_->hide();
    CapturePlacement(zsync_, s.zsyncPanel);
    zsync_->hide();
    commandSend_->hide();
    // 3. Rooms release what they hold (the relay library).
    if (deps_.shutdownRooms)
        deps_.shutdownRooms();
}

QStringList CMainFrame::RunningActivities() const {
    QStringList what;
    const RunState& run = deps_.run;
    if (run.isRecording)
        what << (deps_.settings.recMode == 2 ? tr("タイムラップス") : tr("録画"));
    else if (run.isRepeating)
        what << tr("繰り返し録画");
    if (panel_ && panel_->Conditions().relayCycling && panel_->Conditions().relayCycling())
        what << tr("リレーのサイクル");
    return what;
}

void CMainFrame::CloseWithoutAsking() {
    closeWithoutAsking_ = true;
    close();
}

bool CMainFrame::MayClose() {
    const QStringList what = RunningActivities();
    if (closed_ || closeWithoutAsking_ || what.isEmpty())
        return true;
    const QString items = what.join(QLatin1Char('\n'));
    if (deps_.confirmClose)
        return deps_.confirmClose(items);
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Tesmira"),
        tr("動いているものがあります:\n%1\n\n終了すると止まります。終了しますか？").arg(items),
        QMessageBox::NoButton, this);
    QPushButton* quit = box.addButton(tr("終了する"), QMessageBox::AcceptRole);
    QPushButton* keep = box.addButton(tr("続ける"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == quit;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A close by the user while something runs asks first; the default keeps it running.
    if (!MayClose()) {
        event->ignore();
        return;
    }
    RunCloseSequence();
    event->accept();
    if (onClosed_)
        onClosed_();
}

}  // namespace tesmira
