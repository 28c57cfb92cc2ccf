// The control-panel form (template 131): every button and field of the cockpit, the run state of
// the window and every periodic timer. Other rooms attach their behaviour through Control(id),
// the timer multiplexer and the key hub, so the form itself stays free of their logic.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "app/tesmira_doc.h"
#include "panel/timer_multiplexer.h"

class QKeyEvent;

namespace tesmira {

// Finds the control whose dynamic property "id" equals id below root (nullptr when none).
QWidget* FindControl(const QWidget* root, int id);

class CDlgMain : public QWidget, public CUpdateView {
    Q_OBJECT
public:
    explicit CDlgMain(QWidget* parent = nullptr);
    ~CDlgMain() override;

    static CDlgMain* Instance();  // the one panel, or nullptr before it exists

    QWidget* Control(int id) const { return FindControl(this, id); }
    TimerMultiplexer& Timers() { return timers_; }

    // Key pre-translation: handlers see every key press on the panel before the focused control;
    // the first that returns true consumes it.
    using KeyHandler = std::function<bool(QKeyEvent*)>;
    void AddKeyHandler(KeyHandler handler) { keyHandlers_.push_back(std::move(handler)); }

    void OnUpdate(CUpdateView* sender, int hint, const HintPayload& payload) override;

protected:
    TimerMultiplexer timers_;
    std::vector<KeyHandler> keyHandlers_;
};

}  // namespace tesmira
