// The four port slots: 1 XY stage controller, 2 Z drive, 3 shutter, 4 meter; and the Z channel,
// which is slot 1 when "UseOnePort" is set and slot 2 otherwise. Each slot owns a real serial
// channel; tests may put a fake in its place. One object owns the slots; whoever talks to a port
// is handed it by reference.
#pragma once

#include <functional>
#include <string>

#include "serial/serial_channel.h"
#include "serial/serial_channel_interface.h"

namespace tesmira {

class INotifier;
struct Settings;

// Stop bits of slot n: two for an LEP MAC5000 on slot 1 (XY kind) or slot 2 (Z kind), else one.
int SlotStopBits(int n, int xyKind, int zKind);
// The message shown when slot n cannot be opened on `port`.
std::string SlotFailureMessage(int n, const std::string& port);
// The message-pane lines when slot n's device on `port` went away and when it came back.
std::string SlotGoneMessage(int n, const std::string& port);
std::string SlotBackMessage(int n, const std::string& port);

class SerialSlots {
public:
    // Port names and controller kinds are read from `settings`; failures are told to `notifier`.
    SerialSlots(Settings& settings, INotifier& notifier);
    SerialSlots(const SerialSlots&) = delete;
    SerialSlots& operator=(const SerialSlots&) = delete;

    ISerialChannel& Slot(int n);  // n = 1..4 (anything else is slot 4)
    const ISerialChannel& Slot(int n) const;
    ISerialChannel& ZChannel() { return Slot(zSlot_); }
    // Re-reads "UseOnePort"; called at panel start-up and after every port assignment.
    void ChooseZChannel();
    // Puts a channel into slot n (tests); nullptr restores the slot's own channel.
    void Install(int n, ISerialChannel* channel);

    // The port name setting of slot n ("Port_1".."Port_4").
    std::string& PortName(int n);
    const std::string& PortName(int n) const;

    // Opens slot n from its port name with its line settings and raises RTS and DTR. An empty
    // name leaves the slot closed without a word. On failure the slot's message is shown
    // (exclamation icon) and its port name is cleared. Returns whether the slot is open afterwards.
    bool Open(int n);
    void Close(int n);
    // The panel's initial update: opens slots 1-3 and chooses the Z channel. A fresh profile's
    // default port this machine lacks (slots 1-3: it does not open; slot 4: the system does not
    // list it) is left unassigned, and one line to the message pane names them all.
    void OpenAtStartup();
    // Where that line goes (the message pane); unset, it is not said.
    void SetPaneLine(std::function<void(const std::string&)> paneLine) {
        paneLine_ = std::move(paneLine);
    }
    // The message-pane line for the default ports `ports` ("/dev/ttyS1, /dev/ttyS2").
    static std::string AbsentDefaultPortsLine(const std::string& ports);

    // A slot whose device went away keeps its port name and waits for the device to return
    // (the port watch). Opening or closing the slot, or another name, ends the wait.
    void MarkLost(int n);
    bool Lost(int n) const;
    // Opens a lost slot again, without a word, when its device path is there once more; true
    // when the slot is open afterwards.
    bool Reopen(int n);

private:
    LineSettings SlotLine(int n) const;
    std::string& NameRef(int n) const;  // the settings are not the slots' own

    Settings& settings_;
    INotifier& notifier_;
    SerialChannel own_[4];
    ISerialChannel* installed_[4] = {nullptr, nullptr, nullptr, nullptr};
    int zSlot_ = 2;
    std::string lost_[4];  // the port name a slot lost its device on
    std::function<void(const std::string&)> paneLine_;
};

}  // namespace tesmira
