// Stand-in libUSBMeter.so for the simulated lab. Its file (TESMIRA_SIM_USBMETER_FILE, or the
// lab's "usbmeter" file) holds one line: "T H" (the reading), "absent" (no module is found) or
// "fail" (the module is found but every reading fails). Without a file it reads 23.45 / 45.60.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instruments/device_libraries.h"
#include "standin_files.h"

namespace {

std::string Mode() {
    return standin::ReadLine(standin::FilePath("TESMIRA_SIM_USBMETER_FILE", "usbmeter"));
}

wchar_t* Copy(const wchar_t* text) {
    const size_t n = wcslen(text) + 1;
    auto* out = static_cast<wchar_t*>(std::malloc(n * sizeof(wchar_t)));
    if (out)
        std::memcpy(out, text, n * sizeof(wchar_t));
    return out;
}

}  // namespace

extern "C" {

wchar_t* FindUSB(int* index) {
    (void)index;
    return Copy(Mode() == "absent" ? L"" : L"USBRH-SIM-0001");
}

int GetTempHumidTrue(const wchar_t* id, double* temperature, double* humidity) {
    if (!id || !*id || !temperature || !humidity)
        return 1;
    const std::string mode = Mode();
    if (mode == "absent" || mode == "fail")
        return 1;
    double t = 23.45, h = 45.60;
    if (!mode.empty() && std::sscanf(mode.c_str(), "%lf %lf", &t, &h) != 2)
        return 1;
    *temperature = t;
    *humidity = h;
    return 0;
}

void FreeUSB(wchar_t* id) {
    std::free(id);
}

}  // extern "C"
