// The main window's status line: six fields in the frame's status bar showing what the program is
// doing. The texts come from ComposeStatusLine; this class only gathers a snapshot, shows it, and
// refreshes on the panel's status timer, on every update hint and whenever the keyboard focus
// moves.
#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "core/status_line.h"
#include "core/tesmira_doc.h"

class QLabel;
class QWidget;

namespace tesmira {

class CMainFrame;
class TimerMultiplexer;

// Where the keys go, from the widget holding the keyboard focus: the control panel (and its
// buttons) jogs the stage, a text field takes text, the video pane scrolls the picture. Focus in
// a dialog or in another program's window counts as elsewhere.
KeyTarget KeyTargetOf(const QWidget* focus, const QWidget* frame, const QWidget* panel,
                      const QWidget* video);

inline constexpr int kStatusLinePeriodMs = 250;

class StatusLineBar : public QObject, public CUpdateView {
public:
    // Everything but the key target; the bar fills that in itself.
    using Gather = std::function<StatusLineState()>;

    // Its fields go into the frame's status bar; the frame owns it (CMainFrame::SetStatusLine)
    // and lets it go while the panel and its timers still stand.
    StatusLineBar(CMainFrame& frame, CTesmiraDoc& doc, TimerMultiplexer& timers, Gather gather);
    ~StatusLineBar() override;

    // Refreshes on the panel's status timer from now on (the frame starts it once it owns it).
    void StartTimer();
    void Refresh();
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;

    // What the fields show now (mode, timing, stream, last file, stage, keys).
    QStringList Texts() const;

private:
    CMainFrame& frame_;
    CTesmiraDoc& doc_;
    TimerMultiplexer& timers_;
    Gather gather_;
    std::array<QLabel*, 6> fields_{};
    QMetaObject::Connection focusWatch_;
};

}  // namespace tesmira
