#include "serial/serial_slots.h"

#include "app/settings.h"

namespace tesmira {
namespace {

struct Slots {
    ClosedChannel closed[4];
    ISerialChannel* installed[4] = {nullptr, nullptr, nullptr, nullptr};
    int zSlot = 2;
};

Slots& TheSlots() {
    static Slots slots;
    return slots;
}

}  // namespace

ISerialChannel& SerialSlot(int n) {
    Slots& s = TheSlots();
    if (n < 1 || n > 4) n = 4;
    ISerialChannel* ch = s.installed[n - 1];
    return ch ? *ch : s.closed[n - 1];
}

ISerialChannel& ZChannel() { return SerialSlot(TheSlots().zSlot); }

void ChooseZChannel() { TheSlots().zSlot = settings().useOnePort ? 1 : 2; }

void InstallSerialSlot(int n, ISerialChannel* channel) {
    if (n >= 1 && n <= 4) TheSlots().installed[n - 1] = channel;
}

}  // namespace tesmira
