// A libsuper4.so that hangs or crashes in the entry points TESMIRA_HOSTILE_CALLS names
// (SetRelays by default), and otherwise offers one module, "HOSTILE1".
#include <cstring>

#include "hostile.h"
#include "instruments/device_libraries.h"

extern "C" {

int dllversion(void) {
    hostile::Misbehave("dllversion", "SetRelays");
    return 0x0100;
}

int ListRelays(char* list) {
    hostile::Misbehave("ListRelays", "SetRelays");
    std::memcpy(list, "HOSTILE1", 9);
    return 1;
}

int SetRelays(const char* serial, unsigned char mask, int on) {
    (void)serial;
    (void)mask;
    (void)on;
    hostile::Misbehave("SetRelays", "SetRelays");
    return 0;
}

}  // extern "C"
