// The main window: a three-pane splitter (control panel, message pane, live video), the menu with
// its enabling rules, the command-send dialog and the three floating panels, all created once and
// only shown and hidden afterwards.
#pragma once

#include "core/timer_multiplexer.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

#include "app/command_registry.h"
#include "app/menu_rules.h"
#include "app/web_pages.h"

class QAction;
class QScrollArea;
class QSplitter;

namespace tesmira {

class CDlgMain;
class CTesmiraView;
class CVideoView;
class CDlgCommandSend;
class CDlgCountDown;
class CDlgTimelapse;
class CDlgZsync;
class CTesmiraDoc;
class INotifier;
class StatusLineBar;
class SerialSlots;
struct Settings;
struct RunState;

// What the frame, its panes and its floating panels are built on; the workstation hands it in.
struct FrameDeps {
    Settings& settings;
    RunState& run;
    CTesmiraDoc& doc;
    INotifier& notifier;
    SerialSlots& slots;                   // the command-send dialog's ports
    CommandRegistry& commands;            // the rooms' menu commands
    std::function<void()> shutdownRooms;  // last step of the close sequence (may be empty)
    UrlOpener openUrl;                    // the help pages (empty: the desktop's browser)
    // Asked before a close by the user ends what runs (`what`, one item a line); true closes.
    // Empty: a question box whose default keeps everything running.
    std::function<bool(const QString& what)> confirmClose;
};

// Ids of the panels' timers that the close sequence stops, in this order.
inline constexpr TimerId kTimersStoppedAtClose[] = {
    TimerId::kSerialReceive, TimerId::kRecording,     TimerId::kReadyAnswer, TimerId::kMeterPoll,
    TimerId::kVevReadout,    TimerId::kDelayedZ,      TimerId::kTimelapse,   TimerId::kRepeatGap,
    TimerId::kCountDown,     TimerId::kZPositionPoll, TimerId::kRelayShot,   TimerId::kRelayRepeat,
    TimerId::kClockWindows,  TimerId::kPortWatch};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(FrameDeps deps, const QString& versionText, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CDlgMain* controlPanel() const { return panel_; }
    CTesmiraView* messagePane() const { return view_; }
    CVideoView* videoView() const { return video_; }
    QSplitter* splitter() const { return splitter_; }
    CDlgCommandSend* commandSend() const { return commandSend_; }
    CDlgCountDown* countDownPanel() const { return countDown_; }
    CDlgTimelapse* timelapsePanel() const { return timelapse_; }
    CDlgZsync* zsyncPanel() const { return zsync_; }

    // The status line, shown in the frame's status bar and switched by command 59393.
    void SetStatusLine(std::unique_ptr<StatusLineBar> statusLine);
    StatusLineBar* statusLine() const { return statusLine_.get(); }

    QAction* action(int id) const;
    // Recomputes every action's enabled and checked state (done whenever a menu opens).
    void UpdateCommandUI();
    MenuState CurrentMenuState() const;
    // Runs a menu command as if chosen, unless its enabling rule forbids it now.
    void OnCommand(int id);

    // Called once the close sequence has run and the window has closed (the application quits).
    void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
    // Runs the close sequence without closing the window (done by closeEvent; tests call it).
    void RunCloseSequence();
    // Closes at once, whatever runs (SIGTERM, SIGINT, SIGHUP): nobody is there to answer.
    void CloseWithoutAsking();
    // What a close would end now: the recording or time-lapse series, a repeat series, a relay
    // cycle (empty when nothing runs).
    QStringList RunningActivities() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreatePanes();
    void CreateFloatingPanels();
    void ShowCommandSend();
    void ToggleCountDown();
    void OnFocusChanged(QWidget* now);
    void ReturnKeysFromMenuBar();
    bool MayClose();

    FrameDeps deps_;
    QString version_;
    CDlgMain* panel_ = nullptr;
    QScrollArea* panelScroll_ = nullptr;  // the panel's pane
    CTesmiraView* view_ = nullptr;
    CVideoView* video_ = nullptr;
    QSplitter* splitter_ = nullptr;
    CDlgCommandSend* commandSend_ = nullptr;
    CDlgCountDown* countDown_ = nullptr;
    CDlgTimelapse* timelapse_ = nullptr;
    CDlgZsync* zsync_ = nullptr;
    std::map<int, QAction*> actions_;
    bool messagePaneActive_ = false;
    bool closed_ = false;
    bool closeWithoutAsking_ = false;
    std::function<void()> onClosed_;
    QMetaObject::Connection focusWatch_;
    std::unique_ptr<StatusLineBar> statusLine_;
};

}  // namespace tesmira
