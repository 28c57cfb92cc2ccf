#include "app/device_listing.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "instruments/device_host_client.h"
#include "media/device_catalog.h"
#include "serial/port_list.h"
#include "tesmira_install_paths.h"

namespace tesmira {
namespace {

using devhost::Answer;
using devhost::DeviceHostClient;
using devhost::HostEvent;
using devhost::Op;
using devhost::Request;

constexpr int kLimitMs = 8000;  // the helper's own deadlines come first

// One helper, called synchronously: each call waits for its answer (or its end).
class HostSession {
public:
    explicit HostSession(devhost::DeviceKind kind)
        : host_(clock_, kind, devhost::FindDeviceHostProgram(DeviceLibrarySearch()),
                DeviceLibrarySearch()) {
        host_.SetEventListener([this](HostEvent event, const std::string& detail) {
            if (event != HostEvent::kLoaded && event != HostEvent::kRecovered && trouble_.empty())
                trouble_ = Describe(event, detail);
        });
        host_.Start();
    }
    ~HostSession() { host_.Drain(200); }

    std::optional<Answer> Call(Op op) {
        Request request;
        request.op = op;
        bool done = false;
        std::optional<Answer> answer;
        host_.Call(request, [&](const Answer* a) {
            done = true;
            if (a)
                answer = *a;
        });
        const auto start = std::chrono::steady_clock::now();
        while (!done &&
               std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kLimitMs)) {
            pollfd p{host_.Fd(), POLLIN, 0};
            if (p.fd >= 0 && ::poll(&p, 1, 20) > 0)
                host_.OnReadable();
            else if (p.fd < 0)
                ::poll(nullptr, 0, 20);
            host_.Service();
        }
        return answer;
    }
    // Why the library could not be used, or empty.
    const std::string& Trouble() const { return trouble_; }

private:
    static std::string Describe(HostEvent event, const std::string& detail) {
        switch (event) {
            case HostEvent::kMissing:
                return "no device library";
            case HostEvent::kUnusable:
                return "the device library cannot be used: " + detail;
            case HostEvent::kNoProgram:
                return "the helper tesmira-devhost cannot be started: " + detail;
            default:
                return "the device library failed" + (detail.empty() ? "" : ": " + detail);
        }
    }

    SystemClock clock_;
    DeviceHostClient host_;
    std::string trouble_;
};

void Heading(std::FILE* out, const char* what, devhost::DeviceKind kind) {
    std::fprintf(out, "%s (%s):\n", what, devhost::LibraryName(kind));
}

void ListRelayModules(std::FILE* out) {
    Heading(out, "Relay modules", devhost::DeviceKind::kRelays);
    HostSession session(devhost::DeviceKind::kRelays);
    const std::optional<Answer> answer = session.Call(Op::kListRelays);
    int listed = 0;
    if (answer && answer->count > 0) {
        const int n = std::min<int>(answer->count, TESMIRA_RELAY_LIST_ENTRIES);
        for (int i = 0; i < n; ++i) {
            const char* entry = answer->list.data() + i * TESMIRA_RELAY_ENTRY_BYTES;
            const std::string serial(entry, strnlen(entry, TESMIRA_RELAY_ENTRY_BYTES));
            std::fprintf(out, "  %s%s\n", serial.c_str(), i < 2 ? "" : " (not used: two at most)");
            ++listed;
        }
    }
    if (listed == 0)
        std::fprintf(out, "  none%s%s\n", session.Trouble().empty() ? "" : " - ",
                     session.Trouble().c_str());
}

void ListMeters(std::FILE* out) {
    Heading(out, "Climate meters", devhost::DeviceKind::kMeter);
    HostSession session(devhost::DeviceKind::kMeter);
    const std::optional<Answer> found = session.Call(Op::kFindUsb);
    if (!found || !found->found) {
        std::fprintf(out, "  none%s%s\n", session.Trouble().empty() ? "" : " - ",
                     session.Trouble().c_str());
        return;
    }
    const std::optional<Answer> reading = session.Call(Op::kReadUsb);
    if (reading && reading->result == 0) {
        if (std::isnan(reading->humidity))
            std::fprintf(out, "  a meter reading %.1f °C, no humidity\n", reading->temperature);
        else
            std::fprintf(out, "  a meter reading %.1f °C, %.1f %%\n", reading->temperature,
                         reading->humidity);
    } else {
        std::fprintf(out, "  a meter that does not read\n");
    }
    session.Call(Op::kFreeUsb);
}

void ListPorts(std::FILE* out) {
    std::fprintf(out, "Serial ports:\n");
    const std::vector<std::string> ports = ScanPorts(SystemPortScanConfig());
    for (const std::string& port : ports)
        std::fprintf(out, "  %s\n", port.c_str());
    if (ports.empty())
        std::fprintf(out, "  none\n");
}

void ListCameras(std::FILE* out) {
    std::fprintf(out, "Cameras:\n");
    if (!EnsureGStreamer()) {
        std::fprintf(out, "  none - GStreamer cannot be started\n");
        return;
    }
    const std::unique_ptr<IDeviceCatalog> catalog = MakeSystemDeviceCatalog();
    const auto cameras = catalog->Cameras();
    if (cameras)
        for (const CaptureDevice& camera : *cameras)
            std::fprintf(out, "  %s\n", camera.name.c_str());
    if (!cameras || cameras->empty())
        std::fprintf(out, "  none\n");
}

}  // namespace

LibrarySearch DeviceLibrarySearch() {
    LibrarySearch search = LibrarySearch::FromEnvironment();
    if (!search.executableDir.empty())
        search.privateDirs.push_back(search.executableDir + "/" +
                                     TESMIRA_PRIVATE_LIBDIR_FROM_BINDIR);
    search.privateDirs.push_back(TESMIRA_PRIVATE_LIBDIR);
    return search;
}

int ListDevices(std::FILE* out) {
    ListRelayModules(out);
    ListMeters(out);
    ListPorts(out);
    ListCameras(out);
    std::fflush(out);
    return 0;
}

}  // namespace tesmira
