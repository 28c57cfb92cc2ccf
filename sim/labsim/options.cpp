#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tesmira_install_paths.h"

namespace labsim {
namespace {

bool IsNumber(const std::string& s) {
    if (s.empty())
        return false;
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return end && *end == '\0';
}

}  // namespace

const char* Usage() {
    return "Usage: tesmira-labsim [options] --links DIR\n"
           "The simulated lab: opens pseudo-terminals for the XY controller, the Z drive, the\n"
           "shutter and the USBRH2 meter, links them as DIR/xy, DIR/z, DIR/shutter and\n"
           "DIR/meter, and logs every byte received. Publishes the microscope block in shared\n"
           "memory twice a second and sets up the stand-in relay and USB meter libraries\n"
           "through files in DIR. SIGUSR1 toggles the XY controller's busy state, SIGUSR2 the\n"
           "block's bad check word; SIGTERM/SIGINT end.\n"
           "\n"
           "Options:\n"
           "  -h, --help                        Displays help on commandline options.\n"
           "  -v, --version                     Displays version information.\n"
           "  --links <DIR>                     The folder for the links (required).\n"
           "  --log <FILE>                      The byte log; - or none: standard output.\n"
           "  --xy <te2000e|mac5000|sigma>      The XY controller (default sigma).\n"
           "  --z <te2000e|mac5000|chuo>        The Z drive (default te2000e).\n"
           "  --busy                            The XY controller starts busy.\n"
           "  --busy-file <PATH>                The XY controller is busy while PATH exists.\n"
           "  --temp <T>                        The meter's temperature (default 23.45).\n"
           "  --humid <H>                       The meter's humidity (default 45.60).\n"
           "  --z-position <N>                  The Z drive's start in pulses (default 0).\n"
           "  --meter-split                     The meter sends each reply in two halves.\n"
           "  --meter-silent                    The meter withholds its replies.\n"
           "  --relay-modules <LIST>            The stand-in relay modules' serial numbers.\n"
           "  --usbmeter <ok|absent|fail>       The stand-in USB meter's mode.\n"
           "  --shm-name <NAME>                 The microscope block's name.\n"
           "  --no-shm                          No microscope block.\n"
           "  --shm-bad-sum                     The block starts with a bad check word.\n";
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error, bool& help) {
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version" || arg == "-v") {
            std::printf("tesmira-labsim %s\n", TESMIRA_VERSION);
            std::exit(0);
        } else if (arg == "--links") {
            if (!value(o.linkDir))
                return false;
        } else if (arg == "--log") {
            if (!value(o.logPath))
                return false;
        } else if (arg == "--xy") {
            if (!value(v))
                return false;
            if (v == "te2000e")
                o.xy = XyKind::Te2000e;
            else if (v == "mac5000")
                o.xy = XyKind::LepMac5000;
            else if (v == "sigma")
                o.xy = XyKind::SigmaKoki;
            else
                return error = "unknown XY kind: " + v, false;
        } else if (arg == "--z") {
            if (!value(v))
                return false;
            if (v == "te2000e")
                o.z = ZKind::Te2000e;
            else if (v == "mac5000")
                o.z = ZKind::LepMac5000;
            else if (v == "chuo")
                o.z = ZKind::ChuoSeiki;
            else
                return error = "unknown Z kind: " + v, false;
        } else if (arg == "--busy") {
            o.busy = true;
        } else if (arg == "--busy-file") {
            if (!value(o.busyFile))
                return false;
        } else if (arg == "--temp") {
            if (!value(o.temperature))
                return false;
            if (!IsNumber(o.temperature))
                return error = "--temp needs a number", false;
        } else if (arg == "--humid") {
            if (!value(o.humidity))
                return false;
            if (!IsNumber(o.humidity))
                return error = "--humid needs a number", false;
        } else if (arg == "--z-position") {
            if (!value(v))
                return false;
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0')
                return error = "--z-position needs an integer", false;
            o.zPosition = static_cast<int>(n);
        } else if (arg == "--meter-split") {
            o.meterSplit = true;
        } else if (arg == "--meter-silent") {
            o.meterSilent = true;
        } else if (arg == "--relay-modules") {
            if (!value(o.relayModules))
                return false;
        } else if (arg == "--usbmeter") {
            if (!value(o.usbMeter))
                return false;
            if (o.usbMeter != "ok" && o.usbMeter != "absent" && o.usbMeter != "fail")
                return error = "unknown --usbmeter mode: " + o.usbMeter, false;
        } else if (arg == "--shm-name") {
            if (!value(o.shmName))
                return false;
            if (o.shmName.size() < 2 || o.shmName[0] != '/' ||
                o.shmName.find('/', 1) != std::string::npos)
                return error = "--shm-name needs a name like /Name", false;
        } else if (arg == "--no-shm") {
            o.shm = false;
        } else if (arg == "--shm-bad-sum") {
            o.shmBadSum = true;
        } else {
            error = "unknown option: " + arg;
            return false;
        }
    }
    if (!help && o.linkDir.empty()) {
        error = "--links DIR is required";
        return false;
    }
    return true;
}

}  // namespace labsim
