#include "instruments/relay_modules.h"

#include <cstring>
#include <vector>

namespace tesmira {

std::unique_ptr<Super4Library> Super4Library::Load(const LibrarySearch& search, std::string* why,
                                                   bool* absent) {
    auto lib = SharedLibrary::Open(TESMIRA_SUPER4_LIBRARY,
                                   {"dllversion", "ListRelays", "SetRelays"}, search, why, absent);
    if (!lib)
        return nullptr;
    reinterpret_cast<TesmiraDllVersionFn>(lib->Symbol("dllversion"))();
    return std::unique_ptr<Super4Library>(new Super4Library(std::move(lib)));
}

Super4Library::Super4Library(std::unique_ptr<SharedLibrary> lib) : lib_(std::move(lib)) {
    list_ = reinterpret_cast<TesmiraListRelaysFn>(lib_->Symbol("ListRelays"));
    set_ = reinterpret_cast<TesmiraSetRelaysFn>(lib_->Symbol("SetRelays"));
}

int Super4Library::ListRelays(char* list) {
    return list_(list);
}

void Super4Library::SetRelays(const char* serial, std::uint8_t mask, int on) {
    set_(serial, mask, on);
}

int RelayModules::Start() {
    if (!driver_)
        return 0;
    std::vector<char> list(TESMIRA_RELAY_LIST_ENTRIES * TESMIRA_RELAY_ENTRY_BYTES, '\0');
    int count = driver_->ListRelays(list.data());
    // Only the first two entries are used; a count beyond the buffer is nonsense either way.
    if (count > TESMIRA_RELAY_LIST_ENTRIES)
        count = TESMIRA_RELAY_LIST_ENTRIES;
    int used = 0;
    for (int module = 0; module < kModules; ++module) {
        const char* entry = list.data() + module * TESMIRA_RELAY_ENTRY_BYTES;
        // A 20-character serial number fills its entry with no terminator.
        const size_t length = module < count ? strnlen(entry, TESMIRA_RELAY_ENTRY_BYTES) : 0;
        const std::string serial(entry, length);
        // Listed again (the library's helper was restarted): the same module keeps the states
        // this program commanded, and they are told to it again.
        const bool again = !serial.empty() && serial == serials_[module];
        serials_[module] = serial;
        entries_[module].fill('\0');
        std::memcpy(entries_[module].data(), entry, length);
        if (serial.empty()) {
            for (int relay = 0; relay < 4; ++relay)
                states_[module * 4 + relay] = kUncommanded;
            continue;
        }
        ++used;
        if (again) {
            std::uint8_t on = 0;
            for (int relay = 0; relay < 4; ++relay)
                on |= states_[module * 4 + relay] == 1 ? Bit(relay) : 0;
            Send(module, static_cast<std::uint8_t>(0x0F & ~on), 0);
            if (on)
                Send(module, on, 1);
            continue;
        }
        Send(module, 0x0F, 0);
        for (int relay = 0; relay < 4; ++relay)
            states_[module * 4 + relay] = 0;
    }
    return used;
}

void RelayModules::Close() {
    driver_ = nullptr;
}

std::string RelayModules::SerialText(int module) const {
    return ModulePresent(module) ? serials_.at(module) : std::string(kAbsentSerial);
}

std::string RelayModules::Caption(int channel) const {
    const std::string relay = "R" + std::to_string(channel % 4 + 1);
    return relay + (states_.at(channel) == 1 ? "_ON" : "_OFF");
}

void RelayModules::Toggle(int channel) {
    if (channel < 0 || channel >= kChannels)
        return;
    const int before = states_[channel];
    const int after = before == 0 ? 1 : 0;
    states_[channel] = after;
    Send(channel / 4, Bit(channel), after);
    if (before == 1 && onOff_)
        onOff_(channel);
}

void RelayModules::SetRelays(int module, std::uint8_t mask, bool on) {
    if (module < 0 || module >= kModules)
        return;
    std::uint8_t changed = 0;
    std::vector<int> switchedOff;
    for (int relay = 0; relay < 4; ++relay) {
        const int channel = module * 4 + relay;
        if (!(mask & Bit(channel)))
            continue;
        if (on && states_[channel] == 0) {
            states_[channel] = 1;
            changed |= Bit(channel);
        } else if (!on && states_[channel] == 1) {
            states_[channel] = 0;
            changed |= Bit(channel);
            switchedOff.push_back(channel);
        }
    }
    Send(module, changed, on ? 1 : 0);
    if (onOff_) {
        for (int channel : switchedOff)
            onOff_(channel);
    }
}

void RelayModules::Send(int module, std::uint8_t mask, int on) {
    if (driver_ && ModulePresent(module))
        driver_->SetRelays(entries_[module].data(), mask, on);
}

}  // namespace tesmira
