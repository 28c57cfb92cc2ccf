// What a device library's helper (or the program, as the helper sees it) may send: any bytes as
// one message. A message taken is one that writes back to exactly the same bytes, so nothing is
// accepted that the language does not define; a reason taken has no control characters.
#include <cstdint>
#include <span>

#include "instruments/device_host_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tesmira::devhost;
    const std::span<const uint8_t> bytes(data, size);
    if (const auto answer = DecodeAnswer(bytes)) {
        for (char c : answer->reason) {
            if (static_cast<unsigned char>(c) < 0x20)
                __builtin_trap();
        }
        if (Encode(*answer).size() != size)
            __builtin_trap();
    }
    if (const auto request = DecodeRequest(bytes)) {
        if (request->mask > 0x0F || request->on > 1 || Encode(*request).size() != size)
            __builtin_trap();
    }
    return 0;
}
