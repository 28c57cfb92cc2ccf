#include "app/status_line_bar.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>

#include "app/main_frame.h"
#include "capture/video_view.h"
#include "core/timer_multiplexer.h"
#include "panel/dlg_main.h"

namespace tesmira {
namespace {

bool Within(const QWidget* w, const QWidget* root) {
    return root && (w == root || root->isAncestorOf(w));
}

bool TakesText(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    if (auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->isEditable();
    // The message pane: keys select and edit its text.
    return qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

}  // namespace

KeyTarget KeyTargetOf(const QWidget* focus, const QWidget* frame, const QWidget* panel,
                      const QWidget* video) {
    if (!focus || !frame || focus->window() != frame)
        return KeyTarget::kElsewhere;
    // A scroll area's focus sits on its viewport or the area itself.
    if (Within(focus, video))
        return KeyTarget::kPicture;
    if (TakesText(focus))
        return KeyTarget::kEdit;
    if (Within(focus, panel))
        return KeyTarget::kStage;
    return KeyTarget::kElsewhere;
}

StatusLineBar::StatusLineBar(CMainFrame& frame, CTesmiraDoc& doc, TimerMultiplexer& timers,
                             Gather gather)
    : frame_(frame), doc_(doc), timers_(timers), gather_(std::move(gather)) {
    QStatusBar* bar = frame.statusBar();
    bar->setObjectName(QStringLiteral("statusLine"));
    static const char* const kNames[6] = {"statusMode",     "statusTiming", "statusStream",
                                          "statusLastFile", "statusStage",  "statusKeys"};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromLatin1(kNames[i]));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setFocusPolicy(Qt::NoFocus);  // selecting a path must not take the keys
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        fields_[i] = label;
    }
    // The path takes the room that is left; the others keep their width.
    for (std::size_t i = 0; i < fields_.size(); ++i)
        bar->addWidget(fields_[i], i == 3 ? 1 : 0);
    doc_.AddView(this);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this] { Refresh(); });
    Refresh();
}

void StatusLineBar::StartTimer() {
    timers_.SetHandler(TimerId::kStatusLine, [this] { Refresh(); });
    timers_.Start(TimerId::kStatusLine, kStatusLinePeriodMs);
}

StatusLineBar::~StatusLineBar() {
    disconnect(focusWatch_);
    doc_.RemoveView(this);
    timers_.Stop(TimerId::kStatusLine);
    timers_.SetHandler(TimerId::kStatusLine, {});
    for (QLabel* field : fields_)
        delete field;  // the status bar stays with the frame
}

void StatusLineBar::OnUpdate(CUpdateView*, UpdateHint, const HintPayload&) {
    Refresh();
}

void StatusLineBar::Refresh() {
    StatusLineState state = gather_ ? gather_() : StatusLineState{};
    state.keys = KeyTargetOf(QApplication::focusWidget(), &frame_, frame_.controlPanel(),
                             frame_.videoView());
    const StatusTexts t = ComposeStatusLine(state);
    const QString texts[6] = {t.mode, t.timing, t.stream, t.lastFile, t.stage, t.keys};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i]->text() != texts[i])
            fields_[i]->setText(texts[i]);
        // An empty field takes no room and draws no separator.
        fields_[i]->setVisible(!texts[i].isEmpty());
    }
}

QStringList StatusLineBar::Texts() const {
    QStringList out;
    for (const QLabel* l : fields_)
        out << l->text();
    return out;
}

}  // namespace tesmira
