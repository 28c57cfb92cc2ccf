#include "panel/dlg_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVariant>

#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "panel/control_tips.h"
#include "panel/data_exchange.h"
#include "panel/qt_timer_backend.h"
#include "panel/record_controls_rule.h"
#include "panel/zoom_steps.h"

namespace tesmira {
namespace {

constexpr int kNumericEdits[] = {1009, 1010, 1029, 1030, 1037, 1038, 1076};

bool Ask(const std::function<bool()>& condition) {
    return condition && condition();
}

}  // namespace

QWidget* FindControl(const QWidget* root, int id) {
    if (!root)
        return nullptr;
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* w : children) {
        const QVariant v = w->property("id");
        if (v.isValid() && v.toInt() == id)
            return w;
    }
    return nullptr;
}

CDlgMain::CDlgMain(PanelDeps deps, QWidget* parent) : QWidget(parent), deps_(deps) {
    setProperty("id", 131);
    setObjectName(QStringLiteral("controlPanel"));
    setFocusPolicy(Qt::StrongFocus);

    qtTimers_ = std::make_unique<QtTimerBackend>(this, timers_);
    timers_.SetBackend(qtTimers_.get());
    BindNumber(1037, deps_.settings.deltaT, -10.0, 10.0);
    fields_.droppedFramesText = tr("Dropped Frames\n転送中").toStdString();

    BuildForm();
    ConnectOwnControls();
    UpdateData(false);
    UpdateRecordControls();
    // Everything another room drives waits for its binder.
    for (QWidget* w : findChildren<QWidget*>()) {
        const QVariant v = w->property("id");
        if (!v.isValid() || v.toInt() == kStaticId)
            continue;
        const int id = v.toInt();
        if (!panelOwned_.count(id))
            w->setEnabled(false);
    }
    for (QWidget* w : findChildren<QWidget*>())
        RefreshTip(w);
    qApp->installEventFilter(this);
    deps_.doc.AddView(this);  // hints 200-205 reach the panel from anywhere
}

CDlgMain::~CDlgMain() {
    deps_.doc.RemoveView(this);
    if (qApp)
        qApp->removeEventFilter(this);
    timers_.SetBackend(nullptr);
}

void CDlgMain::BindNumber(int id, double& value, double minimum, double maximum) {
    boundNumbers_[id] = {&value, minimum, maximum};
}

void CDlgMain::SetTimerBackend(TimerBackend* backend) {
    timers_.SetBackend(backend ? backend : qtTimers_.get());
}

template <typename T>
T* CDlgMain::Get(int id) const {
    return qobject_cast<T*>(Control(id));
}

std::vector<QAbstractButton*> CDlgMain::Buttons(int firstId, int lastId) const {
    std::vector<QAbstractButton*> out;
    for (int id = firstId; id <= lastId; ++id)
        out.push_back(Get<QAbstractButton>(id));
    return out;
}

bool CDlgMain::IsNumericEdit(const QWidget* w) const {
    if (!w)
        return false;
    const int id = w->property("id").toInt();
    for (int edit : kNumericEdits) {
        if (edit == id)
            return true;
    }
    return false;
}

void CDlgMain::ConnectOwnControls() {
    // Focus changes of the edits arrive through the application-wide filter (see eventFilter).
    if (QSlider* slider = Get<QSlider>(1039)) {
        connect(slider, &QSlider::valueChanged, this, [this](int pos) { OnSliderMoved(pos); });
    }
    if (QAbstractButton* fit = Get<QAbstractButton>(1041)) {
        connect(fit, &QAbstractButton::clicked, this, [this] { OnFitClicked(); });
    }
    // Recording start reads this option; it must not wait for the next full exchange.
    if (QAbstractButton* zoom1x = Get<QAbstractButton>(1193)) {
        connect(zoom1x, &QAbstractButton::toggled, this,
                [this](bool on) { deps_.settings.setZoom1xOnRec = on; });
    }
}

// ---- binders -------------------------------------------------------------------------------

void CDlgMain::MarkAttached(std::initializer_list<int> ids) {
    for (int id : ids) {
        attached_.insert(id);
        QWidget* w = Control(id);
        if (!w)
            continue;
        if (id == 1052) {
            w->setEnabled(deps_.settings.resetFps);
        } else {
            w->setEnabled(!createdDisabled_.count(id));
        }
    }
    // Controls under the enabling rule take its answer instead.
    const std::vector<ControlState> rule = ComputeRecordControls({});
    bool governed = false;
    for (const ControlState& s : rule) {
        for (int id : ids)
            governed = governed || s.id == id;
    }
    if (governed)
        UpdateRecordControls();
}

bool CDlgMain::IsAttached(int id) const {
    return attached_.count(id) != 0;
}

// ---- start-up and refresh --------------------------------------------------------------------

void CDlgMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!initialized_)
        OnInitialUpdate();
}

void CDlgMain::OnInitialUpdate() {
    if (initialized_)
        return;
    initialized_ = true;
    UpdateData(false);

    if (hooks_.openSerialPorts)
        hooks_.openSerialPorts();
    if (hooks_.rebuildXyCommands)
        hooks_.rebuildXyCommands();
    if (hooks_.rebuildZCommands)
        hooks_.rebuildZCommands();

    if (QLabel* meter = Get<QLabel>(1034)) {
        meter->setText(QString::fromUtf8("  T: --.- °C\n  H: --.- %"));
    }
    fields_.zoomIndex = kZoomDefaultIndex;
    if (QSlider* slider = Get<QSlider>(1039)) {
        slider->setRange(0, kZoomMaxIndex);
        slider->setPageStep(1);
        slider->setValue(fields_.zoomIndex);
    }
    if (QComboBox* replay = Get<QComboBox>(1052)) {
        replay->setEnabled(deps_.settings.resetFps && IsAttached(1052));
    }
    if (hooks_.loadRelayModules)
        hooks_.loadRelayModules();
    UpdateRecordControls();
}

bool CDlgMain::UpdateData(bool saveAndValidate) {
    DataExchange dx(saveAndValidate ? DataExchange::Direction::FromControls
                                    : DataExchange::Direction::ToControls,
                    deps_.notifier);
    // The field the user is typing in keeps its text until the user leaves it.
    if (!saveAndValidate) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && isAncestorOf(focus) && qobject_cast<QLineEdit*>(focus))
            dx.SetSkipped(focus);
    }
    Settings& s = deps_.settings;
    PanelFields& f = fields_;

    dx.Static(Get<QLabel>(1027), f.droppedFramesText);
    dx.Number(Get<QLineEdit>(1040), f.zoomFactor);
    dx.ComboText(Get<QComboBox>(1052), f.replaySpeedText);
    dx.Static(Get<QLabel>(1087), f.relayModule1Name);
    dx.Static(Get<QLabel>(1088), f.relayModule2Name);
    // The step edits (1009, 1010, 1029, 1030, 1038) are bound by the stage's binder; ΔT (1037)
    // is the panel's own.
    for (auto& [id, bound] : boundNumbers_)
        dx.Number(Get<QLineEdit>(id), *bound.value, bound.minimum, bound.maximum);
    dx.Check(Get<QAbstractButton>(1048), s.recAudio);
    dx.Check(Get<QAbstractButton>(1051), s.resetFps);
    dx.Check(Get<QAbstractButton>(1193), s.setZoom1xOnRec);
    dx.Check(Get<QAbstractButton>(1054), f.vevCaption);
    dx.Check(Get<QAbstractButton>(1057), s.isTextOutTemparature);
    dx.Radio(Buttons(1064, 1067), s.timelapseType);
    dx.Radio(Buttons(1072, 1075), s.recMode);
    dx.Number(Get<QLineEdit>(1076), s.tempCorrection);
    dx.ComboIndex(Get<QComboBox>(1052), s.fpsAviReplay);
    return !dx.Failed();
}

RecordControlsInput CDlgMain::CurrentRuleInput() const {
    const RunState& run = deps_.run;
    RecordControlsInput in;
    in.cameraReady = Ask(conditions_.cameraReady);
    in.microphoneReady = Ask(conditions_.microphoneReady);
    in.timelapseAviWriterAvailable = Ask(conditions_.timelapseAviWriterAvailable);
    in.live = run.isLive;
    in.recording = run.isRecording;
    in.repeating = run.isRepeating;
    in.recMode = deps_.settings.recMode;
    in.relayStepsPresent = Ask(conditions_.relayStepsPresent);
    in.clockWindowsPresent = Ask(conditions_.clockWindowsPresent);
    in.relayShotRunning = Ask(conditions_.relayShotRunning);
    in.relayCycling = Ask(conditions_.relayCycling);
    in.microscopeConnected = Ask(conditions_.microscopeConnected);
    if (conditions_.relayModuleName) {
        in.relayModule1Present = !conditions_.relayModuleName(1).empty();
        in.relayModule2Present = !conditions_.relayModuleName(2).empty();
    }
    return in;
}

bool CDlgMain::RuleAllows(int id) const {
    if (!panelOwned_.count(id) && !IsAttached(id))
        return false;
    for (const ControlState& state : ComputeRecordControls(CurrentRuleInput())) {
        if (state.id == id)
            return state.enabled;
    }
    return false;
}

void CDlgMain::UpdateRecordControls() {
    const RecordControlsInput in = CurrentRuleInput();
    ruleInput_ = in;
    for (const ControlState& state : ComputeRecordControls(in)) {
        QWidget* w = Control(state.id);
        if (!w)
            continue;
        const bool usable = panelOwned_.count(state.id) || IsAttached(state.id);
        w->setEnabled(state.enabled && usable);
        if (state.caption) {
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                b->setText(QCoreApplication::translate("Panel", state.caption));
            }
        }
        RefreshTip(w);  // the reason may change while the control stays greyed
    }
    if (conditions_.relayCaption) {
        for (int channel = 0; channel < 8; ++channel) {
            const std::string caption = conditions_.relayCaption(channel);
            auto* b = Get<QAbstractButton>(1079 + channel);
            if (b && !caption.empty())
                b->setText(QString::fromStdString(caption));
        }
    }
    UpdateData(false);
}

// ---- update hints ----------------------------------------------------------------------------

void CDlgMain::OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) {
    switch (hint) {
        case UpdateHint::kTakeFocus:
            setFocus(Qt::OtherFocusReason);
            break;
        case UpdateHint::kRefreshControls:
            UpdateRecordControls();
            break;
        case UpdateHint::kRebuildXyCommands:
            if (hooks_.rebuildXyCommands)
                hooks_.rebuildXyCommands();
            break;
        case UpdateHint::kRebuildZCommands:
            if (hooks_.rebuildZCommands)
                hooks_.rebuildZCommands();
            break;
        case UpdateHint::kSetZoom:
            if (const double* z = std::get_if<double>(&payload))
                SetZoom(*z);
            break;
        case UpdateHint::kStopActivity:
            if (hooks_.stopRelayRepeat)
                hooks_.stopRelayRepeat();
            if (hooks_.stopRecording)
                hooks_.stopRecording();
            break;
        default:
            break;
    }
}

// ---- zoom ------------------------------------------------------------------------------------

void CDlgMain::BroadcastZoom(CUpdateView* sender, double zoom) {
    deps_.doc.UpdateAllViews(sender, UpdateHint::kZoomAboutCentre, zoom);
}

void CDlgMain::MoveSlider() {
    if (QSlider* slider = Get<QSlider>(1039))
        slider->setValue(fields_.zoomIndex);
}

void CDlgMain::SetZoom(double z) {
    const ZoomPlacement placed = PlaceZoom(z);
    fields_.zoomFactor = placed.shown;
    fields_.zoomIndex = placed.index;
    UpdateData(false);
    MoveSlider();
}

void CDlgMain::ZoomIn() {
    fields_.zoomIndex = std::min(fields_.zoomIndex + 1, kZoomMaxIndex);
    fields_.zoomFactor = kZoomStepTable[fields_.zoomIndex];
    UpdateData(false);
    BroadcastZoom(this, fields_.zoomFactor);
    MoveSlider();
}

void CDlgMain::ZoomOut() {
    fields_.zoomIndex = std::max(fields_.zoomIndex - 1, 0);
    fields_.zoomFactor = kZoomStepTable[fields_.zoomIndex];
    UpdateData(false);
    BroadcastZoom(this, fields_.zoomFactor);
    MoveSlider();
}

void CDlgMain::OnSliderMoved(int position) {
    if (position == fields_.zoomIndex || position < 0 || position > kZoomMaxIndex)
        return;
    fields_.zoomIndex = position;
    fields_.zoomFactor = kZoomStepTable[position];
    UpdateData(false);
    BroadcastZoom(nullptr, fields_.zoomFactor);
}

void CDlgMain::OnFitClicked() {
    // The video view answers hint 304 by fitting the video and storing the factor it applied in
    // the shared zoom factor ("Default Zoom Factor"); the broadcast returns after that.
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kFitVideo);
    SetZoom(deps_.settings.defaultZoomFactor);
}

bool CDlgMain::OnZoomEditEnter() {
    if (!UpdateData(true))
        return true;
    SetZoom(fields_.zoomFactor);
    BroadcastZoom(this, fields_.zoomFactor);
    setFocus(Qt::OtherFocusReason);
    return true;
}

// ---- keys and focus --------------------------------------------------------------------------

bool CDlgMain::PreTranslateKey(QKeyEvent* event) {
    const int key = event->key();
    QSlider* slider = Get<QSlider>(1039);
    if (slider && slider->hasFocus()) {
        if (key == Qt::Key_Left) {
            ZoomOut();
            return true;
        }
        if (key == Qt::Key_Right) {
            ZoomIn();
            return true;
        }
    }
    if (fields_.editHasFocus || fields_.zoomEditHasFocus) {
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (fields_.zoomEditHasFocus)
            return OnZoomEditEnter();
        // The entry is checked before the edit is left: a refused one keeps the keyboard in the
        // edit, selected, with no focus change under the message; a good one is taken over as
        // the edit is left.
        if (!UpdateData(true))
            return true;
        setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (!(event->modifiers() & Qt::AltModifier)) {
        switch (key) {
            case Qt::Key_Z:
                ZoomIn();
                return true;
            case Qt::Key_S:
                ZoomOut();
                return true;
            case Qt::Key_C:
                deps_.doc.UpdateAllViews(this, UpdateHint::kReapplyView);
                return true;
            case Qt::Key_G:
                deps_.doc.UpdateAllViews(this, UpdateHint::kKeepView);
                return true;
            default:
                break;
        }
    }
    for (const KeyHandler& handler : keyHandlers_) {
        if (handler && handler(event))
            return true;
    }
    return false;
}

void CDlgMain::RefreshTip(QWidget* w) {
    const QVariant idValue = w->property("id");
    if (!idValue.isValid())
        return;
    const int id = idValue.toInt();
    QStringList lines;
    if (const char* keys = KeyTipOf(id))
        lines << QCoreApplication::translate("ControlPanel", keys);
    if (!w->isEnabled()) {
        const char* reason = RecordControlDisabledReason(id, ruleInput_);
        if (!reason)
            reason = FixedDisabledReason(id);
        if (reason)
            lines << QCoreApplication::translate("ControlPanel", reason);
    }
    const QString tip = lines.join(QLatin1Char('\n'));
    if (w->toolTip() != tip)
        w->setToolTip(tip);
}

bool CDlgMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::EnabledChange) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && isAncestorOf(w))
            RefreshTip(w);
        return false;
    }
    if (type == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        // Only the first delivery counts: a key a child ignores travels up to its parents.
        QWidget* focus = QApplication::focusWidget();
        const bool first = focus ? w == focus : w == this;
        if (w && first && (w == this || isAncestorOf(w))) {
            return PreTranslateKey(static_cast<QKeyEvent*>(event));
        }
        return false;
    }
    if (type != QEvent::FocusIn && type != QEvent::FocusOut)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || !isAncestorOf(w))
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A message box or another window taking the keyboard does not end the editing.
    const bool stillEditing =
        reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    const int id = w->property("id").toInt();
    if (id == 1040) {
        if (type == QEvent::FocusIn) {
            fields_.zoomEditHasFocus = true;
        } else if (!stillEditing) {
            // An entry that was not confirmed with Enter is dropped.
            fields_.zoomEditHasFocus = false;
            fields_.zoomFactor = PlaceZoom(deps_.settings.defaultZoomFactor).shown;
            UpdateData(false);
        }
    } else if (IsNumericEdit(w)) {
        if (type == QEvent::FocusIn) {
            fields_.editHasFocus = true;
        } else if (!stillEditing) {
            fields_.editHasFocus = false;
            Q_EMIT editLeft(id);
        }
    }
    return false;
}

}  // namespace tesmira
