// Command line of tesmira-labsim.
#pragma once

#include <string>

namespace labsim {

enum class XyKind { Te2000e, LepMac5000, SigmaKoki };
enum class ZKind { Te2000e, LepMac5000, ChuoSeiki };

struct Options {
    std::string linkDir;  // --links DIR (required)
    std::string logPath;  // --log FILE; empty or "-" = standard output
    XyKind xy = XyKind::SigmaKoki;
    ZKind z = ZKind::Te2000e;
    bool busy = false;     // --busy: the XY controller starts busy
    std::string busyFile;  // --busy-file PATH: busy while that file exists
    std::string temperature = "23.45";
    std::string humidity = "45.60";
    int zPosition = 0;         // --z-position N: the TE2000E Z drive's starting position in pulses
    bool meterSplit = false;   // --meter-split: the meter's reply comes in two parts, 80 ms apart
    bool meterSilent = false;  // --meter-silent: the meter never answers
    std::string relayModules = "S4SIM0001,S4SIM0002";  // --relay-modules LIST (may be empty)
    std::string usbMeter = "ok";  // --usbmeter ok|absent|fail: the stand-in USBRH module
    std::string shmName = "/RudiZUZControllerShare";  // --shm-name NAME
    bool shm = true;                                  // --no-shm: no microscope block
    bool shmBadSum = false;  // --shm-bad-sum: the block's check word is wrong (SIGUSR2 toggles)
};

// Parses argv; on error fills `error` and returns false. `--help` sets `help`.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error, bool& help);
const char* Usage();

}  // namespace labsim
