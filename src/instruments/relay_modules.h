// The two four-relay USB modules: the relay channel table, module discovery, the toggle buttons
// and the set-relays operation the schedules switch through. Every switch from ON to OFF is
// reported to the listener, which drives the Z synchronisation.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "instruments/device_libraries.h"
#include "instruments/library_loader.h"

namespace tesmira {

// What the relay code needs from the library; tests stand in for it.
class IRelayDriver {
public:
    virtual ~IRelayDriver() = default;
    // Fills the 20 x 20-byte module list; the number of modules found.
    virtual int ListRelays(char* list) = 0;
    virtual void SetRelays(const char* serial, std::uint8_t mask, int on) = 0;
};

// libsuper4.so, loaded once with its three entry points (dllversion is called on loading).
class Super4Library : public IRelayDriver {
public:
    // Null when the library or one of its entry points is missing; `absent` as for
    // SharedLibrary::Open.
    static std::unique_ptr<Super4Library> Load(const LibrarySearch& search,
                                               std::string* why = nullptr, bool* absent = nullptr);

    int ListRelays(char* list) override;
    void SetRelays(const char* serial, std::uint8_t mask, int on) override;

private:
    explicit Super4Library(std::unique_ptr<SharedLibrary> lib);
    std::unique_ptr<SharedLibrary> lib_;
    TesmiraListRelaysFn list_ = nullptr;
    TesmiraSetRelaysFn set_ = nullptr;
};

class RelayModules {
public:
    static constexpr int kModules = 2;
    static constexpr int kChannels = 8;  // 0..3 relays 1..4 of module 1, 4..7 of module 2
    static constexpr int kUncommanded = -1;
    static constexpr const char* kAbsentSerial = "--------";

    // Called with the channel index each time a relay goes from ON to OFF.
    using OffListener = std::function<void(int channel)>;

    // Without a driver (no library) the relays stay inactive.
    explicit RelayModules(IRelayDriver* driver) : driver_(driver) { states_.fill(kUncommanded); }

    void SetOffListener(OffListener listener) { onOff_ = std::move(listener); }

    // Lists the modules and switches all relays of the ones found off; a module listed again
    // keeps its states, which it is sent again. Returns the number of modules in use (0..2).
    int Start();
    // The program is ending: the driver is let go and the relays stay as they are (a lamp
    // switched on stays on); nothing is switched and no ON->OFF change is reported.
    void Close();

    // The module's serial number; empty while the module is absent.
    const std::string& Serial(int module) const { return serials_.at(module); }
    // The panel's text for a module: its serial number, or "--------".
    std::string SerialText(int module) const;
    bool ModulePresent(int module) const { return !serials_.at(module).empty(); }

    int State(int channel) const { return states_.at(channel); }
    // "R1_ON" .. "R4_OFF"; an uncommanded channel shows its OFF caption.
    std::string Caption(int channel) const;
    // A channel's button is usable exactly when its module is present.
    bool Enabled(int channel) const { return ModulePresent(channel / 4); }

    // Buttons 1079..1086: on when off, otherwise off.
    void Toggle(int channel);
    // Switches the relays of `mask` of a module: on only those exactly off, off only those
    // exactly on. The library is told the mask of the ones that changed, even when it is 0.
    void SetRelays(int module, std::uint8_t mask, bool on);

    static std::uint8_t Bit(int channel) { return static_cast<std::uint8_t>(1u << (channel % 4)); }

private:
    void Send(int module, std::uint8_t mask, int on);

    IRelayDriver* driver_;
    OffListener onOff_;
    std::array<int, kChannels> states_{};
    std::array<std::string, kModules> serials_;
    // Each module's serial number as the library is given it back: always terminated.
    std::array<std::array<char, TESMIRA_RELAY_ENTRY_BYTES + 1>, kModules> entries_{};
};

}  // namespace tesmira
