#include "binders/stage_binder.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include "core/controller_kinds.h"
#include "core/notifier.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "panel/dlg_main.h"
#include "serial/serial_slots.h"
#include "stage/jog_table.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"

namespace tesmira {
namespace {

constexpr int kCentreButton = 1011;
constexpr int kFocusStart = 1035;
constexpr int kFocusStop = 1036;
constexpr int kZsyncButton = 1194;
constexpr int kZoomSlider = 1039;
constexpr int kTempCorrectionEdit = 1076;  // owned by the meter; only its focus flag is kept here

struct StepEdit {
    int id;
    double StageSteps::*um;  // nullptr: ΔT, kept in the settings
    double min, max;
};

const StepEdit kStepEdits[] = {
    {1009, &StageSteps::xyFine, kStepMinimumUm, kStepMaximumUm},
    {1010, &StageSteps::xyCoarse, kStepMinimumUm, kStepMaximumUm},
    {1029, &StageSteps::zFine, kStepMinimumUm, kStepMaximumUm},
    {1030, &StageSteps::zCoarse, kStepMinimumUm, kStepMaximumUm},
    {1037, nullptr, -10.0, 10.0},
    {1038, &StageSteps::deltaZ, kDeltaZMinimumUm, kDeltaZMaximumUm},
};

int IdOf(const QObject* o) {
    const QVariant v = o ? o->property("id") : QVariant();
    return v.isValid() ? v.toInt() : 0;
}

bool IsFlaggedEdit(int id) {
    if (id == kTempCorrectionEdit)
        return true;
    for (const StepEdit& e : kStepEdits) {
        if (e.id == id)
            return true;
    }
    return false;
}

bool IsTextEntry(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(w);
    return combo && combo->isEditable();
}

bool IsDescendant(const QWidget* w, const QWidget* root) {
    for (; w; w = w->parentWidget()) {
        if (w == root)
            return true;
    }
    return false;
}

QString FormatUm(double v) {
    return QString::number(v, 'g', 15);
}

}  // namespace

int StageKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    switch (key) {
        case Qt::Key_Space:
            return jog_key::kSpace;
        case Qt::Key_PageUp:
            return jog_key::kPageUp;
        case Qt::Key_PageDown:
            return jog_key::kPageDown;
        case Qt::Key_End:
            return jog_key::kEnd;
        case Qt::Key_Home:
            return jog_key::kHome;
        case Qt::Key_Left:
            return jog_key::kLeft;
        case Qt::Key_Up:
            return jog_key::kUp;
        case Qt::Key_Right:
            return jog_key::kRight;
        case Qt::Key_Down:
            return jog_key::kDown;
        default:
            break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return (keypad ? jog_key::kNumpad0 : jog_key::kDigit0) + (key - Qt::Key_0);
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;  // Qt letter codes are the ASCII capitals
    // Shift turns the digit row into symbols whose codes depend on the layout; the key itself is
    // known from its scan code on X11 and Wayland (evdev code + 8: 10..18 are "1".."9", 19 is "0").
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) {
        const quint32 scan = event.nativeScanCode();
        if (scan >= 10 && scan <= 18)
            return jog_key::kDigit0 + static_cast<int>(scan - 9);
        if (scan == 19)
            return jog_key::kDigit0;
    }
    return 0;
}

StageBinding::StageBinding(QWidget* panelRoot, StageControl& control, StageBindingDeps deps,
                           StageKeyHooks hooks)
    : QObject(panelRoot),
      root_(panelRoot),
      control_(control),
      deps_(deps),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("stageBinding"));
    auto connectClick = [this](int id, std::function<void()> action) {
        auto* button = qobject_cast<QAbstractButton*>(FindControl(root_, id));
        if (button)
            connect(button, &QAbstractButton::clicked, this, [action] { action(); });
    };
    for (const JogButton& b : JogButtons()) {
        connectClick(b.id, [this, id = b.id] { control_.PressJogButton(id); });
    }
    for (int id :
         {z_button::kFineUp, z_button::kFineDown, z_button::kCoarseUp, z_button::kCoarseDown}) {
        connectClick(id, [this, id] { control_.PressZButton(id); });
    }
    connectClick(kCentreButton, [this] { control_.CentreStage(); });
    connectClick(kFocusStart, [this] {
        control_.FocusStart();
        if (QWidget* stop = FindControl(root_, kFocusStop))
            stop->setEnabled(true);
    });
    connectClick(kFocusStop, [this] {
        control_.FocusStop();
        if (QWidget* start = FindControl(root_, kFocusStart))
            start->setEnabled(true);
    });
    connectClick(kZsyncButton, [this] {
        if (hooks_.showZsync)
            hooks_.showZsync();
    });
    for (const StepEdit& e : kStepEdits) {
        if (QWidget* w = FindControl(root_, e.id))
            w->installEventFilter(this);
    }
    if (QWidget* w = FindControl(root_, kTempCorrectionEdit))
        w->installEventFilter(this);
    WriteStepEdits();
}

void StageBinding::WriteStepEdits() {
    for (const StepEdit& e : kStepEdits) {
        auto* edit = qobject_cast<QLineEdit*>(FindControl(root_, e.id));
        if (!edit)
            continue;
        edit->setText(FormatUm(e.um ? control_.Steps().*e.um : deps_.settings.deltaT));
    }
}

bool StageBinding::StepEditsAcceptable() const {
    for (const StepEdit& e : kStepEdits) {
        auto* edit = qobject_cast<QLineEdit*>(FindControl(root_, e.id));
        if (!edit)
            continue;
        bool ok = false;
        const double v = edit->text().trimmed().toDouble(&ok);
        if (!ok || !(v >= e.min && v <= e.max))
            return false;
    }
    return true;
}

bool StageBinding::ReadStepEdits() {
    double values[std::size(kStepEdits)];
    for (std::size_t i = 0; i < std::size(kStepEdits); ++i) {
        const StepEdit& e = kStepEdits[i];
        auto* edit = qobject_cast<QLineEdit*>(FindControl(root_, e.id));
        if (!edit) {
            values[i] = e.um ? control_.Steps().*e.um : deps_.settings.deltaT;
            continue;
        }
        bool ok = false;
        const double v = edit->text().trimmed().toDouble(&ok);
        if (!ok || !(v >= e.min && v <= e.max)) {
            reading_ = true;
            // The same texts as the panel's own range messages.
            const QString text =
                ok ? QCoreApplication::translate("Panel",
                                                 "%1 から %2 までの数値を入力してください。")
                         .arg(FormatUm(e.min), FormatUm(e.max))
                   : QCoreApplication::translate("Panel", "数値を入力してください。");
            deps_.notifier.Notify(text.toStdString(), MessageIcon::Exclamation);
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            reading_ = false;
            return false;
        }
        values[i] = v;
    }
    for (std::size_t i = 0; i < std::size(kStepEdits); ++i) {
        const StepEdit& e = kStepEdits[i];
        if (e.um) {
            control_.Steps().*e.um = values[i];
        } else {
            deps_.settings.deltaT = values[i];
        }
    }
    return true;
}

void StageBinding::OnEditLeft(int id) {
    if (!StepEditsAcceptable()) {
        // Left with a refused entry (a click elsewhere): nothing is rebuilt, and the field goes
        // back to the value in use so it never shows one number while the stage uses another.
        // The message comes once the focus change is over.
        WriteStepEdits();
        control_.editHasFocus = false;
        QTimer::singleShot(0, this, [this] {
            deps_.notifier.Notify(
                tr("入力された値は使えないため，元の値に戻しました。").toStdString(),
                MessageIcon::Exclamation);
        });
        return;
    }
    ReadStepEdits();
    switch (id) {
        case 1009:
            control_.BuildXyFine();
            break;
        case 1010:
            control_.BuildXyCoarse();
            break;
        case 1029:
            control_.BuildZFine();
            break;
        case 1030:
            control_.BuildZCoarse();
            break;
        case 1038:
            control_.BuildDeltaZ();
            break;
        default:
            break;  // ΔT: nothing to rebuild
    }
    control_.editHasFocus = false;
}

bool StageBinding::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn:
            if (IsFlaggedEdit(IdOf(watched)))
                control_.editHasFocus = true;
            break;
        case QEvent::FocusOut: {
            const int id = IdOf(watched);
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Switching windows or opening a menu does not leave the edit; neither does the
            // range message of a value being refused.
            if (reading_ || reason == Qt::ActiveWindowFocusReason ||
                reason == Qt::PopupFocusReason) {
                break;
            }
            if (id == kTempCorrectionEdit) {
                control_.editHasFocus = false;
            } else if (IsFlaggedEdit(id)) {
                OnEditLeft(id);
            }
            break;
        }
        case QEvent::KeyPress: {
            auto* w = qobject_cast<QWidget*>(watched);
            // The filter sees a key again on its way up to the parents; only its first target,
            // the focused control, decides.
            if (w && (w == QApplication::focusWidget() || w == root_ ||
                      !IsDescendant(QApplication::focusWidget(), root_))) {
                if (HandleKey(static_cast<QKeyEvent*>(event)))
                    return true;
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

bool StageBinding::HandleKey(QKeyEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return false;  // menu and system keys
    QWidget* focus = QApplication::focusWidget();
    const int key = event->key();
    if (IdOf(focus) == kZoomSlider && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        return false;  // the zoom slider's own arrows
    }
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool flaggedFocus = focus && IsFlaggedEdit(IdOf(focus)) && IsDescendant(focus, root_);
    if (control_.editHasFocus || flaggedFocus || IsTextEntry(focus)) {
        if (enter && (control_.editHasFocus || flaggedFocus)) {
            // Enter gives the keys back to jogging once the entry is accepted; leaving the edit
            // rebuilds its texts. A refused entry stays in its edit, selected for correcting.
            if (ReadStepEdits())
                root_->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;  // digits and arrows edit the text
    }
    const int code = StageKeyCode(*event);
    const KeyAction action = MapJogKey(code, mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
    auto run = [](const std::function<void()>& hook) {
        if (hook)
            hook();
    };
    auto* sender = dynamic_cast<CUpdateView*>(root_);
    switch (action.kind) {
        case KeyActionKind::kNone:
            return false;
        case KeyActionKind::kJogButton:
            control_.PressJogButton(action.id);
            break;
        case KeyActionKind::kZButton:
            control_.PressZButton(action.id, event->isAutoRepeat());
            break;
        case KeyActionKind::kRecording:
            run(hooks_.recording);
            break;
        case KeyActionKind::kStillFrame:
            run(hooks_.stillFrame);
            break;
        case KeyActionKind::kHint303:
            if (hooks_.hint303) {
                hooks_.hint303();
            } else {
                deps_.doc.UpdateAllViews(sender, UpdateHint::kReapplyView);
            }
            break;
        case KeyActionKind::kHint302:
            if (hooks_.hint302) {
                hooks_.hint302();
            } else {
                deps_.doc.UpdateAllViews(sender, UpdateHint::kKeepView);
            }
            break;
        case KeyActionKind::kZoomDown:
            run(hooks_.zoomDown);
            break;
        case KeyActionKind::kZoomUp:
            run(hooks_.zoomUp);
            break;
    }
    return true;
}

StageBinding* BindStageControls(QWidget* panelRoot, TimerMultiplexer& timers, StageControl& control,
                                StageBindingDeps deps, StageKeyHooks hooks) {
    control.AttachTimers(timers);
    auto* binding = new StageBinding(panelRoot, control, deps, std::move(hooks));
    panelRoot->installEventFilter(binding);
    const auto children = panelRoot->findChildren<QWidget*>();
    for (QWidget* w : children)
        w->installEventFilter(binding);
    return binding;
}

StageBinding* BindStageControls(CDlgMain& panel, StageControl& control, StageBindingDeps deps,
                                StageKeyHooks hooks) {
    control.AttachTimers(panel.Timers());
    const PanelFields& f = panel.Fields();
    StageSteps& steps = control.Steps();
    panel.BindNumber(1009, steps.xyFine, f.stepMinimum, f.stepMaximum);
    panel.BindNumber(1010, steps.xyCoarse, f.stepMinimum, f.stepMaximum);
    panel.BindNumber(1029, steps.zFine, f.stepMinimum, f.stepMaximum);
    panel.BindNumber(1030, steps.zCoarse, f.stepMinimum, f.stepMaximum);
    panel.BindNumber(1038, steps.deltaZ, kDeltaZMinimumUm, kDeltaZMaximumUm);
    auto* binding = new StageBinding(&panel, control, deps, std::move(hooks));
    QPointer<StageBinding> guard(binding);
    panel.AddKeyHandler([guard](QKeyEvent* e) { return guard && guard->HandleKey(e); });
    return binding;
}

StageBinding* StartStageControls(CDlgMain& panel, StageControl& control, StageBindingDeps deps,
                                 StageKeyHooks hooks) {
    control.LoadStepsFromSettings();
    control.BuildAtStartup();
    return BindStageControls(panel, control, deps, std::move(hooks));
}

void AttachStageRunLoop(CDlgMain& panel, StageRunLoop& loop, StageControl& control,
                        SerialSlots& slots) {
    loop.Install();
    loop.SetZReplyHandler([&control](const std::string& reply) { control.OnZReply(reply); });
    control.SetReadyWaitResetHook([&loop] { loop.SetAwaitingReadyByte(false); });
    PanelHooks& hooks = panel.Hooks();
    hooks.openSerialPorts = [&slots, &loop] {
        slots.OpenAtStartup();
        loop.StartReception();
    };
    hooks.rebuildXyCommands = [&control] { control.RebuildXyCommands(); };
    hooks.rebuildZCommands = [&control] { control.RebuildZCommands(); };
}

}  // namespace tesmira
