// A libUSBMeter.so that hangs or crashes in the entry points TESMIRA_HOSTILE_CALLS names
// (GetTempHumidTrue by default), and otherwise finds one module and reads
// TESMIRA_HOSTILE_READING ("T H", any numbers printf can read, "nan" and "1e308" included;
// 23.45 and 45.60 without it).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostile.h"
#include "instruments/device_libraries.h"

extern "C" {

wchar_t* FindUSB(int* index) {
    (void)index;
    hostile::Misbehave("FindUSB", "GetTempHumidTrue");
    const wchar_t name[] = L"USBRH-HOSTILE";
    auto* id = static_cast<wchar_t*>(std::malloc(sizeof name));
    if (id)
        std::memcpy(id, name, sizeof name);
    return id;
}

int GetTempHumidTrue(const wchar_t* id, double* temperature, double* humidity) {
    (void)id;
    hostile::Misbehave("GetTempHumidTrue", "GetTempHumidTrue");
    double t = 23.45, h = 45.60;
    if (const char* reading = std::getenv("TESMIRA_HOSTILE_READING"))
        std::sscanf(reading, "%lf %lf", &t, &h);
    *temperature = t;
    *humidity = h;
    return 0;
}

void FreeUSB(wchar_t* id) {
    hostile::Misbehave("FreeUSB", "GetTempHumidTrue");
    std::free(id);
}

}  // extern "C"
