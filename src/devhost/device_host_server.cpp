#include "devhost/device_host_server.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "instruments/relay_modules.h"
#include "instruments/usbrh_device.h"

namespace tesmira::devhost {
namespace {

bool Send(int fd, const Answer& answer) {
    const std::vector<uint8_t> bytes = Encode(answer);
    for (;;) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n == static_cast<ssize_t>(bytes.size()))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

class HostedLibrary {
public:
    explicit HostedLibrary(const HostOptions& options) {
        std::string why;
        bool absent = false;
        if (options.kind == DeviceKind::kRelays) {
            relays_ = Super4Library::Load(options.search, &why, &absent);
            loaded_ = relays_ != nullptr;
        } else {
            meter_ = std::make_unique<UsbMeterLibrary>(options.search);
            loaded_ = meter_->Loaded();
            why = meter_->LoadError();
            absent = meter_->Absent();
        }
        hello_.op = Op::kHello;
        hello_.status =
            loaded_ ? LoadStatus::kLoaded : (absent ? LoadStatus::kMissing : LoadStatus::kUnusable);
        if (!loaded_)
            hello_.reason = why;
    }

    bool Loaded() const { return loaded_; }
    const Answer& Hello() const { return hello_; }

    // Nothing when the request is not one this library serves.
    std::optional<Answer> Serve(const Request& request) {
        Answer answer;
        answer.seq = request.seq;
        answer.op = request.op;
        switch (request.op) {
            case Op::kListRelays: {
                if (!relays_)
                    return std::nullopt;
                // Room to spare: a library that writes past the 400 bytes it was promised
                // scribbles on nothing that matters.
                std::vector<char> list(4 * kListBytes, '\0');
                answer.count = relays_->ListRelays(list.data());
                std::memcpy(answer.list.data(), list.data(), answer.list.size());
                return answer;
            }
            case Op::kSetRelays: {
                if (!relays_)
                    return std::nullopt;
                char serial[TESMIRA_RELAY_ENTRY_BYTES + 1] = {};
                std::memcpy(serial, request.serial.data(), request.serial.size());
                relays_->SetRelays(serial, request.mask, request.on);
                return answer;
            }
            case Op::kFindUsb:
                if (!meter_)
                    return std::nullopt;
                answer.found = meter_->FindNow();
                return answer;
            case Op::kReadUsb:
                if (!meter_)
                    return std::nullopt;
                answer.result = meter_->ReadNow(answer.temperature, answer.humidity);
                return answer;
            case Op::kFreeUsb:
                if (!meter_)
                    return std::nullopt;
                meter_->Release();
                return answer;
            case Op::kHello:
                break;
        }
        return std::nullopt;
    }

private:
    std::unique_ptr<Super4Library> relays_;
    std::unique_ptr<UsbMeterLibrary> meter_;
    bool loaded_ = false;
    Answer hello_;
};

}  // namespace

int ServeDeviceLibrary(const HostOptions& options) {
    HostedLibrary library(options);
    if (!Send(options.fd, library.Hello()))
        return 1;
    if (!library.Loaded()) {
        // Tesmira closes its end once it has read why; calls sent meanwhile are read first, so
        // closing here does not reset what was said.
        for (;;) {
            uint8_t discard[kMaxMessage];
            const ssize_t n = recv(options.fd, discard, sizeof discard, 0);
            if (n <= 0 && !(n < 0 && errno == EINTR))
                return 0;
        }
    }
    for (;;) {
        uint8_t buffer[kMaxMessage];
        const ssize_t n = recv(options.fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? 0 : 1;  // the program closed its end (or went away)
        const std::optional<Request> request =
            DecodeRequest(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
        if (!request)
            return 3;
        const std::optional<Answer> answer = library.Serve(*request);
        if (!answer)
            return 3;
        if (!Send(options.fd, *answer))
            return 1;
    }
}

}  // namespace tesmira::devhost
