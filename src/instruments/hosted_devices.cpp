#include "instruments/hosted_devices.h"

#include <cstring>

namespace tesmira {

using devhost::Answer;
using devhost::Op;
using devhost::Request;

void HostedRelayDriver::RequestList(std::function<void(bool listed)> listed) {
    host_.Call({.op = Op::kListRelays}, [this, listed = std::move(listed)](const Answer* answer) {
        if (answer) {
            count_ = answer->count;
            list_ = answer->list;
        }
        if (listed)
            listed(answer != nullptr);
    });
}

int HostedRelayDriver::ListRelays(char* list) {
    std::memcpy(list, list_.data(), list_.size());
    return count_;
}

void HostedRelayDriver::SetRelays(const char* serial, std::uint8_t mask, int on) {
    Request request{.op = Op::kSetRelays};
    std::memcpy(request.serial.data(), serial, strnlen(serial, request.serial.size()));
    request.mask = mask & 0x0F;
    request.on = on ? 1 : 0;
    host_.Call(request);
}

void HostedUsbrh::Find(FindDone done) {
    host_.Start();
    host_.Call({.op = Op::kFindUsb}, [this, done = std::move(done)](const Answer* answer) {
        holds_ = answer && answer->found;
        done(holds_);
    });
}

void HostedUsbrh::Read(ReadDone done) {
    if (!holds_) {
        done(-1, 0, 0);
        return;
    }
    host_.Call({.op = Op::kReadUsb}, [this, done = std::move(done)](const Answer* answer) {
        if (!answer) {
            holds_ = false;  // the identifier went with the helper
            done(-1, 0, 0);
            return;
        }
        done(answer->result, answer->temperature, answer->humidity);
    });
}

void HostedUsbrh::Release() {
    if (holds_)
        host_.Call({.op = Op::kFreeUsb});
    holds_ = false;
}

}  // namespace tesmira
