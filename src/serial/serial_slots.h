// The four port slots: 1 XY stage controller, 2 Z drive, 3 shutter, 4 meter; and the Z channel,
// which is slot 1 when "UseOnePort" is set and slot 2 otherwise.
#pragma once

#include "serial/serial_channel_interface.h"

namespace tesmira {

ISerialChannel& SerialSlot(int n);  // n = 1..4
ISerialChannel& ZChannel();
// Re-reads "UseOnePort"; called at panel start-up and after every port assignment.
void ChooseZChannel();
// Puts a channel into slot n (tests, or the real channel at start-up); nullptr restores the
// slot's own channel.
void InstallSerialSlot(int n, ISerialChannel* channel);

}  // namespace tesmira
