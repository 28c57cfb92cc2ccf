#include "binders/instruments_binder.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "core/log.h"
#include "core/notifier.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/timer_multiplexer.h"
#include "instruments/instrument_result.h"
#include "panel/dlg_main.h"
#include "panel/numeric_text.h"
#include "panel/relay_button_look.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"

namespace tesmira {
namespace {

constexpr int kMeterOn = 1031;
constexpr int kMeterOff = 1033;
constexpr int kMeterDisplay = 1034;
constexpr int kFocusStart = 1035;
constexpr int kFocusStop = 1036;
constexpr int kMicroscopeOn = 1042;
constexpr int kMicroscopeOff = 1043;
constexpr int kMicroscopeDisplay = 1044;
constexpr int kMicroscopeCaption = 1054;
constexpr int kTemperatureCaption = 1057;
constexpr int kCorrection = 1076;
constexpr int kFirstRelayButton = 1079;

constexpr int kMeterPeriodMs = 1000;
constexpr int kMeterReplyPeriodMs = 50;
constexpr int kMicroscopePeriodMs = 500;

MeterKind KindOf(int trhType) {
    return trhType >= 0 && trhType <= 3 ? static_cast<MeterKind>(trhType) : MeterKind::Usbrh2;
}

std::optional<std::string> Present(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

std::string HelperProgram(const InstrumentsBinderDeps& deps) {
    return deps.deviceHost.empty() ? devhost::FindDeviceHostProgram(deps.search) : deps.deviceHost;
}

}  // namespace

InstrumentsBinder::InstrumentsBinder(InstrumentsBinderDeps deps)
    : deps_(std::move(deps)),
      panel_(&deps_.panel),
      relayHost_(deps_.clock ? *deps_.clock : systemClock_, devhost::DeviceKind::kRelays,
                 HelperProgram(deps_), deps_.search),
      meterHost_(deps_.clock ? *deps_.clock : systemClock_, devhost::DeviceKind::kMeter,
                 HelperProgram(deps_), deps_.search),
      w1_(deps_.w1Folder),
      meter_(deps_.slots.Slot(4), usbrh_, w1_),
      microscope_(deps_.microscopeShare) {
    relayHost_.SetEventListener([this](devhost::HostEvent event, const std::string& detail) {
        OnRelayHostEvent(event, detail);
    });
    meterHost_.SetEventListener([this](devhost::HostEvent event, const std::string& detail) {
        TellPane(meterNotices_.Text(event, detail));
    });
    meter_.SetNewsListener(
        [this](MeterNews news, const InstrumentResult& result) { OnMeterNews(news, result); });
    meter_.SetPortOpener([this] { deps_.slots.Open(4); });
    meter_.SetCorrection(deps_.settings.tempCorrection);
    ConnectControls();
    RegisterTimers();
    CDlgMain& panel = deps_.panel;
    panel.Hooks().loadRelayModules = [this] { LoadRelayModules(); };
    panel.Conditions().microscopeConnected = [this] { return microscope_.Connected(); };
    panel.Conditions().relayModuleName = [this](int module) { return RelayModuleName(module); };
    panel.Conditions().relayCaption = [this](int channel) { return relays_.Caption(channel); };
    panel.MarkAttached({kMeterOn, kMeterOff, kTemperatureCaption, kCorrection, kMicroscopeOn,
                        kMicroscopeOff, kMicroscopeCaption, 1079, 1080, 1081, 1082, 1083, 1084,
                        1085, 1086});
}

InstrumentsBinder::~InstrumentsBinder() {
    // Nothing of the panel may call back into a binder that is gone.
    if (CDlgMain* panel = panel_.data()) {
        for (TimerId id : {TimerId::kMeterPoll, TimerId::kMeterReply, TimerId::kVevReadout}) {
            panel->Timers().Stop(id);
            panel->Timers().SetHandler(id, {});
        }
        panel->Hooks().loadRelayModules = {};
        panel->Conditions().microscopeConnected = {};
        panel->Conditions().relayModuleName = {};
        panel->Conditions().relayCaption = {};
    }
}

void InstrumentsBinder::ConnectControls() {
    CDlgMain& panel = deps_.panel;
    auto onClick = [this, &panel](int id, std::function<void()> action) {
        if (auto* b = qobject_cast<QAbstractButton*>(panel.Control(id)))
            QObject::connect(b, &QAbstractButton::clicked, this, [action] { action(); });
    };
    onClick(kMeterOn, [this] { MeterOn(); });
    onClick(kMeterOff, [this] { MeterOff(); });
    onClick(kMicroscopeOn, [this] { MicroscopeOn(); });
    onClick(kMicroscopeOff, [this] { MicroscopeOff(); });
    for (int channel = 0; channel < RelayModules::kChannels; ++channel)
        onClick(kFirstRelayButton + channel, [this, channel] { ToggleRelay(channel); });

    // The overlay options are read as they are clicked: a shot may come before the next refresh.
    if (auto* box = qobject_cast<QAbstractButton*>(panel.Control(kTemperatureCaption))) {
        QObject::connect(box, &QAbstractButton::clicked, this, [this](bool checked) {
            deps_.settings.isTextOutTemparature = checked;
            if (temperatureOptionChanged_)
                temperatureOptionChanged_();
        });
    }
    if (auto* box = qobject_cast<QAbstractButton*>(panel.Control(kMicroscopeCaption))) {
        QObject::connect(box, &QAbstractButton::clicked, this, [this](bool checked) {
            if (panel_)
                panel_->Fields().vevCaption = checked;
        });
    }
    QObject::connect(&panel, &CDlgMain::editLeft, this, [this](int id) {
        if (id == kCorrection)
            OnCorrectionEdited();
    });
}

void InstrumentsBinder::RegisterTimers() {
    TimerMultiplexer& timers = deps_.panel.Timers();
    timers.SetHandler(TimerId::kMeterPoll, [this] { OnMeterTick(); });
    timers.SetHandler(TimerId::kMeterReply, [this] { OnMeterReplyPoll(); });
    timers.SetHandler(TimerId::kVevReadout, [this] { OnMicroscopePoll(); });
}

// ---- meter -------------------------------------------------------------------------------------

void InstrumentsBinder::MeterOn() {
    if (shutDown_ || meter_.IsOn() || meter_.Finding())
        return;
    meter_.SetKind(KindOf(deps_.settings.trhType));
    meter_.SetCorrection(deps_.settings.tempCorrection);
    const InstrumentResult result = meter_.On();
    if (result.code == InstrumentError::Pending) {
        Enable(kMeterOn, false);  // until the library has looked for its module
        return;
    }
    Tell(result.message);
    if (result.Ok())
        ShowMeterOn();
}

void InstrumentsBinder::OnMeterNews(MeterNews news, const InstrumentResult& result) {
    switch (news) {
        case MeterNews::SwitchedOn:
            ShowMeterOn();
            break;
        case MeterNews::NotFound:
            Enable(kMeterOn, true);
            // The message box waits for the user: not from inside the helper's answer.
            QTimer::singleShot(0, this, [this, message = result.message] { Tell(message); });
            break;
        case MeterNews::Shown:
            ShowMeter();
            break;
        case MeterNews::SwitchedOff:
            MeterOff();
            break;
    }
}

void InstrumentsBinder::ShowMeterOn() {
    Enable(kMeterOn, false);
    Enable(kMeterOff, true);
    // Focus Start is usable only while a meter is on; while focus stepping runs its Stop button
    // is the one to offer.
    if (!IsEnabled(kFocusStop))
        Enable(kFocusStart, true);
    deps_.panel.Timers().Start(TimerId::kMeterPoll, kMeterPeriodMs);
    ShowMeter();
}

void InstrumentsBinder::MeterOff() {
    TimerMultiplexer& timers = deps_.panel.Timers();
    timers.Stop(TimerId::kMeterPoll);
    // The reply poll ends with the meter: an answer that comes late is of no use once the
    // display shows the placeholder, and the meter's port is not read behind its back.
    timers.Stop(TimerId::kMeterReply);
    meter_.Off();
    Enable(kMeterOn, true);
    Enable(kMeterOff, false);
    Enable(kFocusStart, false);
    Enable(kFocusStop, false);
    ShowMeter();
}

void InstrumentsBinder::OnMeterTick() {
    meter_.SetCorrection(deps_.settings.tempCorrection);
    switch (meter_.Tick()) {
        case MeterTick::Nothing:
            break;
        case MeterTick::StartReplyPoll:
            deps_.panel.Timers().Start(TimerId::kMeterReply, kMeterReplyPeriodMs);
            break;
        case MeterTick::SwitchedOff:
            MeterOff();
            return;
    }
    ShowMeter();
}

void InstrumentsBinder::OnMeterReplyPoll() {
    meter_.SetCorrection(deps_.settings.tempCorrection);
    meter_.PollReply();
    ShowMeter();
}

void InstrumentsBinder::OnCorrectionEdited() {
    auto* edit = qobject_cast<QLineEdit*>(deps_.panel.Control(kCorrection));
    if (!edit)
        return;
    // No range applies to the correction; text that is no number puts the last value back.
    if (const auto value = ParseDecimal(edit->text().toStdString()))
        deps_.settings.tempCorrection = *value;
    else
        edit->setText(QString::fromStdString(FormatDecimal(deps_.settings.tempCorrection)));
    meter_.SetCorrection(deps_.settings.tempCorrection);
}

void InstrumentsBinder::ShowMeter() {
    if (auto* display = qobject_cast<QLabel*>(deps_.panel.Control(kMeterDisplay)))
        display->setText(QString::fromStdString(meter_.Display()));
}

// ---- microscope
// ----------------------------------------------------------------------------------

void InstrumentsBinder::MicroscopeOn() {
    if (shutDown_)
        return;
    const InstrumentResult result = microscope_.On();
    ShowMicroscope(result);
    if (result.Ok())
        deps_.panel.Timers().Start(TimerId::kVevReadout, kMicroscopePeriodMs);
}

void InstrumentsBinder::OnMicroscopePoll() {
    // One-shot: a failed reading ends the polling until ON is pressed again.
    deps_.panel.Timers().Stop(TimerId::kVevReadout);
    const InstrumentResult result = microscope_.Read();
    ShowMicroscope(result);
    if (result.Ok())
        deps_.panel.Timers().Start(TimerId::kVevReadout, kMicroscopePeriodMs);
}

void InstrumentsBinder::MicroscopeOff() {
    deps_.panel.Timers().Stop(TimerId::kVevReadout);
    microscope_.Off();
    ShowMicroscope({});
}

void InstrumentsBinder::ShowMicroscope(const InstrumentResult& result) {
    Tell(result.message);
    if (auto* display = qobject_cast<QLabel*>(deps_.panel.Control(kMicroscopeDisplay)))
        display->setText(QString::fromStdString(microscope_.Readout()));
    const bool connected = microscope_.Connected();
    Enable(kMicroscopeOn, !connected);
    Enable(kMicroscopeOff, connected);
    Enable(kMicroscopeCaption, connected);
}

// ---- relay modules
// -------------------------------------------------------------------------------

void InstrumentsBinder::LoadRelayModules() {
    if (shutDown_ || relaysStarted_)
        return;
    relaysStarted_ = true;
    relays_ = RelayModules(&relayDriver_);
    relays_.SetOffListener([this](int channel) { deps_.stage.ZSyncEvent(channel); });
    // The rows stay inactive until the library's helper has listed the modules (a missing
    // library leaves them so, without a message).
    relayHost_.Start();
}

void InstrumentsBinder::OnRelayHostEvent(devhost::HostEvent event, const std::string& detail) {
    TellPane(relayNotices_.Text(event, detail));
    if (shutDown_)
        return;
    if (event == devhost::HostEvent::kLoaded) {
        relayDriver_.RequestList([this](bool listed) {
            if (listed)
                OnRelaysListed();
        });
        return;
    }
    ShowRelayRows();  // off-line until the helper answers again
}

void InstrumentsBinder::OnRelaysListed() {
    if (shutDown_)
        return;
    const int found = relays_.Start();
    // The settings dialog compiles its schedules first, so the enabling rule sees their steps.
    const std::array<bool, 2> present{relays_.ModulePresent(0), relays_.ModulePresent(1)};
    const bool news = present != modulesReported_;
    modulesReported_ = present;
    if (found > 0 && news && relaysFound_)
        relaysFound_();
    ShowRelayRows();
    const PanelFields& fields = deps_.panel.Fields();
    qCInfo(lcInstruments, "relay modules: %d, rows %s and %s", found,
           fields.relayModule1Name.c_str(), fields.relayModule2Name.c_str());
}

void InstrumentsBinder::ShowRelayRows() {
    PanelFields& fields = deps_.panel.Fields();
    fields.relayModule1Name = RelaysOnline() ? relays_.SerialText(0) : RelayModules::kAbsentSerial;
    fields.relayModule2Name = RelaysOnline() ? relays_.SerialText(1) : RelayModules::kAbsentSerial;
    ShowRelayCaptions();
    if (panel_)
        panel_->UpdateRecordControls();
}

std::string InstrumentsBinder::RelayModuleName(int module) const {
    if ((module != 1 && module != 2) || !RelaysOnline())
        return {};
    return relays_.Serial(module - 1);
}

void InstrumentsBinder::ServiceDeviceHosts() {
    relayPump_.Service();
    meterPump_.Service();
}

void InstrumentsBinder::ToggleRelay(int channel) {
    if (shutDown_ || channel < 0 || channel >= RelayModules::kChannels ||
        !relays_.Enabled(channel) || !RelaysOnline())
        return;
    relays_.Toggle(channel);
    ShowRelayCaptions();
}

void InstrumentsBinder::ShowRelayCaptions() {
    for (int channel = 0; channel < RelayModules::kChannels; ++channel) {
        if (auto* b =
                qobject_cast<QAbstractButton*>(deps_.panel.Control(kFirstRelayButton + channel)))
            ShowRelayState(*b, QString::fromStdString(relays_.Caption(channel)),
                           relays_.State(channel) == 1);
    }
}

void InstrumentsBinder::RelaySwitchAdapter::SetRelays(int module, uint8_t mask, bool on) {
    if (owner_.shutDown_)
        return;
    owner_.relays_.SetRelays(module, mask, on);
    owner_.ShowRelayCaptions();
}

int InstrumentsBinder::RelaySwitchAdapter::RelayState(int channel) const {
    if (channel < 0 || channel >= RelayModules::kChannels)
        return RelayModules::kUncommanded;
    return owner_.relays_.State(channel);
}

// ---- overlay, close
// ------------------------------------------------------------------------------

InstrumentTexts InstrumentsBinder::Texts() const {
    InstrumentTexts texts;
    if (deps_.settings.isTextOutTemparature && meter_.IsOn()) {
        texts.temperature = Present(meter_.TemperatureOverlay());
        texts.humidity = Present(meter_.HumidityOverlay());
    }
    const bool caption = panel_ && panel_->Fields().vevCaption;
    if (caption && microscope_.Connected())
        texts.microscope = Present(microscope_.Overlay());
    return texts;
}

void InstrumentsBinder::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    if (panel_) {
        for (TimerId id : {TimerId::kMeterPoll, TimerId::kMeterReply, TimerId::kVevReadout})
            panel_->Timers().Stop(id);
    }
    meter_.Off();  // gives the USBRH identifier back to its library
    microscope_.Off();
    relays_.Close();
    // What was sent reaches the libraries before their helpers are let go.
    relayHost_.Drain(500);
    meterHost_.Drain(500);
}

// ---- helpers
// -------------------------------------------------------------------------------------

void InstrumentsBinder::Enable(int id, bool enabled) {
    if (QWidget* w = deps_.panel.Control(id))
        w->setEnabled(enabled);
}

bool InstrumentsBinder::IsEnabled(int id) const {
    const QWidget* w = deps_.panel.Control(id);
    return w && w->isEnabled();
}

void InstrumentsBinder::Tell(const std::string& message) {
    if (!message.empty())
        deps_.notifier.Notify(message, MessageIcon::Exclamation);
}

void InstrumentsBinder::TellPane(const std::string& message) {
    if (message.empty())
        return;
    if (deps_.doc)
        deps_.doc->UpdateAllViews(nullptr, UpdateHint::kAppendBlue, message + "\n");
    else
        deps_.notifier.Notify(message, MessageIcon::Information);
}

}  // namespace tesmira
