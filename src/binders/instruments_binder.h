// Attaches the instruments to the control panel: the temperature/humidity meter (1031, 1033,
// 1034, 1057, 1076 and timers 1005, 1014; it also governs Focus Start), the two relay modules
// (1079..1088, with the Z synchronisation on every ON->OFF change) and the microscope readout
// (1042..1044, 1054 and timer 1013). It also offers what other rooms take from the instruments:
// the overlay texts of stored pictures and the relay switch of the relay schedules.
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "binders/device_host_pump.h"
#include "core/clock.h"
#include "core/instrument_texts.h"
#include "instruments/device_host_client.h"
#include "instruments/device_host_notices.h"
#include "instruments/hosted_devices.h"
#include "instruments/library_loader.h"
#include "instruments/meter.h"
#include "instruments/microscope_readout.h"
#include "instruments/relay_modules.h"
#include "instruments/relay_ports.h"
#include "instruments/w1_thermometer.h"

namespace tesmira {

class CDlgMain;
class CTesmiraDoc;
class INotifier;
class SerialSlots;
class StageControl;
struct InstrumentResult;
struct Settings;

struct InstrumentsBinderDeps {
    CDlgMain& panel;
    Settings& settings;    // "TRH_Type", "TempCorrection", "IsTextOutTemparature", "Zsync"
    SerialSlots& slots;    // slot 4 is the meter's port
    StageControl& stage;   // the Z fine step of the Z synchronisation
    INotifier& notifier;   // the instruments' messages
    LibrarySearch search;  // where libsuper4.so and libUSBMeter.so are looked for
    std::string microscopeShare = microscope_text::kShareName;
    std::string w1Folder = W1Thermometer::kDefaultFolder;
    CTesmiraDoc* doc = nullptr;  // the message pane, where device library troubles are told
    Clock* clock = nullptr;      // the helpers' deadlines; the system clock when none is given
    // The helper program that hosts the device libraries; empty: looked for beside the program
    // and in the private folders.
    std::string deviceHost;
};

class InstrumentsBinder : public QObject {
public:
    explicit InstrumentsBinder(InstrumentsBinderDeps deps);
    ~InstrumentsBinder() override;
    InstrumentsBinder(const InstrumentsBinder&) = delete;
    InstrumentsBinder& operator=(const InstrumentsBinder&) = delete;

    // The panel's buttons (also reachable without a click).
    void MeterOn();
    void MeterOff();
    void MicroscopeOn();
    void MicroscopeOff();
    void ToggleRelay(int channel);

    // Panel start-up: starts the relay library's helper; once it has listed the modules, all
    // relays of the modules found are switched off and the rows become usable.
    void LoadRelayModules();
    // Main frame close, after the panel's timers stopped: the meter and the readout stop and the
    // relay library is let go (its helper gets half a second to carry out what it was sent); the
    // relays stay as they are.
    void Shutdown();

    // Serial text of relay module 1 or 2; empty while that module is absent or its library is
    // off-line.
    std::string RelayModuleName(int module) const;
    // The helpers' periodic service (deadlines, restarts); their pumps call it every 100 ms.
    void ServiceDeviceHosts();

    // The overlay texts of the moment (see core/instrument_texts.h).
    InstrumentTexts Texts() const;
    InstrumentTextsProvider TextsProvider() const {
        return [this] { return Texts(); };
    }
    // The relay modules as the relay schedules switch them; the panel's captions follow.
    IRelaySwitch& RelaySwitch() { return relaySwitch_; }

    // Told when a temperature overlay box was clicked (the settings dialog shows the same option)
    // and when relay modules were found at start-up (the settings dialog then compiles its
    // schedules).
    void SetTemperatureOptionListener(std::function<void()> listener) {
        temperatureOptionChanged_ = std::move(listener);
    }
    void SetRelaysFoundListener(std::function<void()> listener) {
        relaysFound_ = std::move(listener);
    }

    const Meter& MeterState() const { return meter_; }
    const RelayModules& Relays() const { return relays_; }
    const MicroscopeReadout& Microscope() const { return microscope_; }
    // The device libraries' helpers, for what they are doing (running, started how often).
    const devhost::DeviceHostClient& RelayHost() const { return relayHost_; }
    const devhost::DeviceHostClient& MeterHost() const { return meterHost_; }

private:
    class RelaySwitchAdapter : public IRelaySwitch {
    public:
        explicit RelaySwitchAdapter(InstrumentsBinder& owner) : owner_(owner) {}
        void SetRelays(int module, uint8_t mask, bool on) override;
        int RelayState(int channel) const override;

    private:
        InstrumentsBinder& owner_;
    };

    void ConnectControls();
    void RegisterTimers();
    void ShowMeterOn();
    void OnMeterNews(MeterNews news, const InstrumentResult& result);
    void OnRelayHostEvent(devhost::HostEvent event, const std::string& detail);
    void OnRelaysListed();
    void ShowRelayRows();
    bool RelaysOnline() const { return relayHost_.Online(); }
    void OnMeterTick();
    void OnMeterReplyPoll();
    void OnMicroscopePoll();
    void OnCorrectionEdited();
    void ShowMeter();
    void ShowMicroscope(const InstrumentResult& result);
    void ShowRelayCaptions();
    void Enable(int id, bool enabled);
    bool IsEnabled(int id) const;
    void Tell(const std::string& message);
    void TellPane(const std::string& message);

    InstrumentsBinderDeps deps_;
    QPointer<CDlgMain> panel_;  // the binder may outlive the panel's window
    SystemClock systemClock_;
    devhost::DeviceHostClient relayHost_;
    devhost::DeviceHostClient meterHost_;
    devhost::HostNotices relayNotices_{devhost::DeviceKind::kRelays};
    devhost::HostNotices meterNotices_{devhost::DeviceKind::kMeter};
    HostedRelayDriver relayDriver_{relayHost_};
    HostedUsbrh usbrh_{meterHost_};
    W1Thermometer w1_;
    Meter meter_;
    bool relaysStarted_ = false;
    std::array<bool, 2> modulesReported_{};  // the modules the settings dialog was told of
    RelayModules relays_{nullptr};
    RelaySwitchAdapter relaySwitch_{*this};
    MicroscopeReadout microscope_;
    std::function<void()> temperatureOptionChanged_;
    std::function<void()> relaysFound_;
    bool shutDown_ = false;
    DeviceHostPump relayPump_{relayHost_};
    DeviceHostPump meterPump_{meterHost_};
};

}  // namespace tesmira
