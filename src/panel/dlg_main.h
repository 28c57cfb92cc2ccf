// The control-panel form (template 131): every button and field of the cockpit, the run state of
// the window and every periodic timer. Other rooms attach their behaviour through Control(id),
// the timer multiplexer, the key hub, the conditions and the hooks, so the form itself stays free
// of their logic.
//
// How another room attaches to the panel (its "binder"):
//  1. Find its controls with Control(id) and connect their signals.
//  2. Call MarkAttached({ids...}) for those controls. Until then a control whose behaviour belongs
//     to another room stays disabled, so nothing on the panel pretends to work. Controls that the
//     enabling rule governs are then enabled by the rule; the others take the enabled state they
//     are created with (1033, 1035, 1036, 1043 and 1054 are created disabled).
//  3. Register its timer handlers on Timers(), its key handlers with AddKeyHandler, fill
//     Conditions() with what it reports and Hooks() with what it carries out.
// The panel's own controls (zoom slider, edit and fit button, check box 1193 and the statics) work
// from the start.
//
// Zoom contract with the video view: the shared zoom factor is Settings::defaultZoomFactor. The
// view applies hint 301 (payload: the new factor, a double) and stores the factor it applied
// there; for hint 304 (fit) it computes the fitted factor and stores it there before returning,
// and the panel then shows it (SetZoom). The view sends 204 (payload: the factor) after attaching
// the video so that the panel's edit and slider follow.
#pragma once

#include <QWidget>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/tesmira_doc.h"
#include "core/timer_multiplexer.h"
#include "panel/panel_state.h"
#include "panel/record_controls_rule.h"

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QSlider;

namespace tesmira {

class QtTimerBackend;

// Finds the control whose dynamic property "id" equals id below root (nullptr when none).
QWidget* FindControl(const QWidget* root, int id);

// Identifier of the form's captions and frames (labels and group boxes), which no code addresses.
constexpr int kStaticId = -1;

class CDlgMain : public QWidget, public CUpdateView {
    Q_OBJECT
public:
    explicit CDlgMain(PanelDeps deps, QWidget* parent = nullptr);
    ~CDlgMain() override;

    QWidget* Control(int id) const { return FindControl(this, id); }
    TimerMultiplexer& Timers() { return timers_; }
    // Replaces the QTimer backend (tests step a fake one); nullptr restores the QTimers.
    void SetTimerBackend(TimerBackend* backend);

    // Key pre-translation: handlers see key presses on the panel before the focused control; the
    // first that returns true consumes the key. They are not asked while a numeric edit or the
    // zoom edit is being edited (keys then edit the text), nor for the keys the panel keeps for
    // itself: Z, S, C, G (zoom and view), Left/Right on the zoom slider, Enter in an edit.
    using KeyHandler = std::function<bool(QKeyEvent*)>;
    void AddKeyHandler(KeyHandler handler) { keyHandlers_.push_back(std::move(handler)); }
    // The pre-translation itself (called by the panel's event filter; tests call it directly).
    bool PreTranslateKey(QKeyEvent* event);

    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;

    // Binders: see the note at the top of this file.
    void MarkAttached(std::initializer_list<int> ids);
    bool IsAttached(int id) const;
    PanelConditions& Conditions() { return conditions_; }
    PanelHooks& Hooks() { return hooks_; }

    PanelFields& Fields() { return fields_; }

    // Adds a number owned by another room to the panel's data exchange: edit `id` shows `value`
    // and reads it back within minimum..maximum. Bound numbers are exchanged in ascending id
    // order after the relay statics (so a refusal stops the pass where the form's order would).
    void BindNumber(int id, double& value, double minimum, double maximum);

    // Start-up: opens the ports and starts their reception, prepares the command texts, the meter
    // display, the zoom slider and the replay-speed list, loads the relay modules and runs the
    // enabling rule (the hooks carry out what other rooms own). Runs once; the first show runs it
    // when the main frame has not.
    void OnInitialUpdate();

    // Data exchange between the members (and bound settings) and the controls. Reading refuses
    // an out-of-range or non-numeric entry with a message and focuses it; false then.
    bool UpdateData(bool saveAndValidate);

    // The enabling rule; ends by showing every member in its control.
    void UpdateRecordControls();
    // Whether the rule, asked now, lets control `id` be used (a key that stands for a button
    // does what the button could do, and nothing while the button is greyed).
    bool RuleAllows(int id) const;

    // Zoom of the video view as the panel shows it.
    void SetZoom(double z);  // shows z (two decimals, 0.1..10) and its slider position
    void ZoomIn();           // next step; tells the video view (hint 301) even at the end
    void ZoomOut();

Q_SIGNALS:
    // A numeric edit (1009, 1010, 1029, 1030, 1037, 1038, 1076) lost the keyboard focus; the
    // edit-has-focus flag is already cleared. The stage and meter rooms take the value over here.
    void editLeft(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildForm();
    void ConnectOwnControls();
    void OnSliderMoved(int position);
    void OnFitClicked();
    bool OnZoomEditEnter();
    void BroadcastZoom(CUpdateView* sender, double zoom);
    RecordControlsInput CurrentRuleInput() const;
    void MoveSlider();
    bool IsNumericEdit(const QWidget* w) const;
    // The control's tool tip: its keys, and while greyed the reason.
    void RefreshTip(QWidget* w);

    template <typename T>
    T* Get(int id) const;
    std::vector<QAbstractButton*> Buttons(int firstId, int lastId) const;

    struct BoundNumber {
        double* value;
        double minimum, maximum;
    };

    PanelDeps deps_;
    TimerMultiplexer timers_;
    std::unique_ptr<QtTimerBackend> qtTimers_;
    std::map<int, BoundNumber> boundNumbers_;
    PanelFields fields_;
    PanelConditions conditions_;
    RecordControlsInput ruleInput_;  // what the enabling rule last saw
    PanelHooks hooks_;
    std::vector<KeyHandler> keyHandlers_;
    std::set<int> attached_;
    std::set<int> createdDisabled_;
    std::set<int> panelOwned_;
    bool initialized_ = false;
};

}  // namespace tesmira
