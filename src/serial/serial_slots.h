// The four port slots: 1 XY stage controller, 2 Z drive, 3 shutter, 4 meter; and the Z channel,
// which is slot 1 when "UseOnePort" is set and slot 2 otherwise. Each slot owns a real serial
// channel; tests may put a fake in its place.
#pragma once

#include <string>

#include "serial/serial_channel_interface.h"

namespace tesmira {

ISerialChannel& SerialSlot(int n);  // n = 1..4
ISerialChannel& ZChannel();
// Re-reads "UseOnePort"; called at panel start-up and after every port assignment.
void ChooseZChannel();
// Puts a channel into slot n (tests, or the real channel at start-up); nullptr restores the
// slot's own channel.
void InstallSerialSlot(int n, ISerialChannel* channel);

// The port name setting of slot n ("Port_1".."Port_4").
std::string& SlotPortName(int n);
// Stop bits of slot n: two for an LEP MAC5000 on slot 1 (XY kind) or slot 2 (Z kind), else one.
int SlotStopBits(int n, int xyKind, int zKind);
// The message shown when slot n cannot be opened on `port`.
std::string SlotFailureMessage(int n, const std::string& port);

// Opens slot n from its port name with its line settings and raises RTS and DTR. An empty name
// leaves the slot closed without a word. On failure the slot's message is shown (exclamation
// icon) and its port name is cleared. Returns whether the slot is open afterwards.
bool OpenSlot(int n);
void CloseSlot(int n);
// The panel's initial update: opens slots 1-3 and chooses the Z channel.
void InitSerialSlots();

}  // namespace tesmira
