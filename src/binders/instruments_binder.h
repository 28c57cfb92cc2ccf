// Attaches the instruments to the control panel: the temperature/humidity meter (1031, 1033,
// 1034, 1057, 1076 and timers 1005, 1014; it also governs Focus Start), the two relay modules
// (1079..1088, with the Z synchronisation on every ON->OFF change) and the microscope readout
// (1042..1044, 1054 and timer 1013). It also offers what other rooms take from the instruments:
// the overlay texts of stored pictures and the relay switch of the relay schedules.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "core/instrument_texts.h"
#include "instruments/library_loader.h"
#include "instruments/meter.h"
#include "instruments/microscope_readout.h"
#include "instruments/relay_modules.h"
#include "instruments/relay_ports.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"

namespace tesmira {

class CDlgMain;
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

    // Panel start-up: loads the relay library, finds the modules and switches all relays off.
    void LoadRelayModules();
    // Main frame close, after the panel's timers stopped: the meter and the readout stop and the
    // relay library is let go; the relays stay as they are.
    void Shutdown();

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

    InstrumentsBinderDeps deps_;
    QPointer<CDlgMain> panel_;  // the binder may outlive the panel's window
    UsbMeterLibrary usbrh_;
    W1Thermometer w1_;
    Meter meter_;
    std::unique_ptr<Super4Library> relayLibrary_;
    RelayModules relays_{nullptr};
    RelaySwitchAdapter relaySwitch_{*this};
    MicroscopeReadout microscope_;
    std::function<void()> temperatureOptionChanged_;
    std::function<void()> relaysFound_;
    bool shutDown_ = false;
};

}  // namespace tesmira
