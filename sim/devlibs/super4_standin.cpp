// Stand-in libsuper4.so for the simulated lab: modules named by TESMIRA_SIM_RELAY_MODULES (or
// the lab's "relay-modules" file), every call logged with a millisecond time stamp, the relay
// states kept in a file so tests and people can see them.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "instruments/device_libraries.h"
#include "standin_files.h"

namespace {

std::vector<std::string> Modules() {
    std::string list;
    if (const char* env = std::getenv("TESMIRA_SIM_RELAY_MODULES"))
        list = env;
    else if (const std::string path =
                 standin::FilePath("TESMIRA_SIM_RELAY_MODULES_FILE", "relay-modules");
             !path.empty())
        list = standin::ReadLine(path);
    else
        list = "S4SIM0001,S4SIM0002";
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        std::string name = list.substr(start, comma - start);
        if (!name.empty())
            out.push_back(name.substr(0, TESMIRA_RELAY_ENTRY_BYTES));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

void Log(const std::string& text) {
    const std::string path = standin::FilePath("TESMIRA_SIM_RELAY_LOG", "relays.log");
    if (path.empty())
        return;
    if (FILE* f = std::fopen(path.c_str(), "a")) {
        std::fprintf(f, "%s %s\n", standin::TimeStamp().c_str(), text.c_str());
        std::fclose(f);
    }
}

#ifndef STANDIN_WITHOUT_SETRELAYS
// One line a module: "SERIAL R1R2R3R4" as 0/1 digits.
std::map<std::string, std::string> LoadStates(const std::string& path) {
    std::map<std::string, std::string> states;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char serial[64], bits[16];
        while (std::fscanf(f, "%63s %15s", serial, bits) == 2)
            states[serial] = bits;
        std::fclose(f);
    }
    return states;
}

void SaveStates(const std::string& path, const std::map<std::string, std::string>& states) {
    const std::string temp = path + ".tmp";
    if (FILE* f = std::fopen(temp.c_str(), "w")) {
        for (const auto& [serial, bits] : states)
            std::fprintf(f, "%s %s\n", serial.c_str(), bits.c_str());
        std::fclose(f);
        std::rename(temp.c_str(), path.c_str());
    }
}
#endif

}  // namespace

extern "C" {

int dllversion(void) {
    Log("dllversion");
    return 0x0100;
}

int ListRelays(char* list) {
    const std::vector<std::string> modules = Modules();
    const size_t n = std::min<size_t>(modules.size(), TESMIRA_RELAY_LIST_ENTRIES);
    for (size_t i = 0; i < n; ++i) {
        // A serial number of the full entry length is stored without a terminator.
        char* entry = list + i * TESMIRA_RELAY_ENTRY_BYTES;
        std::memset(entry, 0, TESMIRA_RELAY_ENTRY_BYTES);
        std::memcpy(entry, modules[i].data(), modules[i].size());
    }
    int count = static_cast<int>(n);
    if (const char* forced = std::getenv("TESMIRA_SIM_RELAY_COUNT"))
        count = std::atoi(forced);  // a misbehaving library, for tests
    Log("ListRelays -> " + std::to_string(count));
    return count;
}

#ifndef STANDIN_WITHOUT_SETRELAYS
int SetRelays(const char* serial, unsigned char mask, int on) {
    const std::string name(serial, strnlen(serial, TESMIRA_RELAY_ENTRY_BYTES));
    char text[128];
    std::snprintf(text, sizeof text, "SetRelays %s mask 0x%02X %s", name.c_str(), mask,
                  on ? "on" : "off");
    bool known = false;
    for (const std::string& m : Modules())
        known = known || m == name;
    if (!known) {
        Log(std::string(text) + " (no such module)");
        return -1;
    }
    std::string bits = "0000";
    const std::string path = standin::FilePath("TESMIRA_SIM_RELAY_STATE", "relays.state");
    std::map<std::string, std::string> states;
    if (!path.empty()) {
        states = LoadStates(path);
        if (states.count(name) && states[name].size() == 4)
            bits = states[name];
    }
    for (int relay = 0; relay < 4; ++relay) {
        if (mask & (1u << relay))
            bits[relay] = on ? '1' : '0';
    }
    if (!path.empty()) {
        states[name] = bits;
        SaveStates(path, states);
    }
    Log(std::string(text) + " -> " + bits);
    return 0;
}
#endif

}  // extern "C"
