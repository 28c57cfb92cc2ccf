// The request/answer language between Tesmira and tesmira-devhost, the helper process that hosts
// one device library (libsuper4.so or libUSBMeter.so) so that a library that hangs, crashes or
// cannot be mapped only takes the helper with it. One message is one datagram of a SOCK_SEQPACKET
// socket pair: a head (magic, sequence number, operation) and the operation's fixed-size body.
// Nothing read from the other side is trusted: a message is taken only when its size, operation
// and texts are exactly what its operation defines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "instruments/device_libraries.h"
#include "instruments/library_loader.h"

namespace tesmira::devhost {

// Which library a helper hosts, and so which entry points it serves.
enum class DeviceKind { kRelays, kMeter };

const char* LibraryName(DeviceKind kind);  // "libsuper4.so", "libUSBMeter.so"
const char* KindName(DeviceKind kind);     // "relays", "meter" (the helper's --kind)
std::optional<DeviceKind> KindFromName(const std::string& name);

// The helper's command line (after the program's name): which library, the socket's number and
// where to look for the library.
struct HostOptions {
    DeviceKind kind = DeviceKind::kRelays;
    int fd = -1;
    LibrarySearch search;
};
std::vector<std::string> HostArguments(DeviceKind kind, int fd, const LibrarySearch& search);
std::optional<HostOptions> ParseHostArguments(const std::vector<std::string>& args,
                                              std::string* why);

enum class Op : uint8_t {
    kHello = 1,   // helper -> program, unasked, sequence 0: how loading went
    kListRelays,  // -> count and the 20 x 20-byte module list
    kSetRelays,   // serial, mask, on -> the library's result
    kFindUsb,     // -> whether a module was found (the helper keeps its identifier)
    kReadUsb,     // -> result, temperature, humidity of the module the helper holds
    kFreeUsb,     // gives the held identifier back to the library -> nothing
};

enum class LoadStatus : uint8_t {
    kLoaded = 0,
    kMissing = 1,   // no such file anywhere the search looks
    kUnusable = 2,  // a file is there, but it cannot be opened or lacks an entry point
};

inline constexpr uint32_t kMagic = 0x31484454;  // "TDH1"
inline constexpr size_t kHeadBytes = 9;
inline constexpr size_t kReasonBytes = 256;  // Hello's reason, zero-terminated within
inline constexpr size_t kListBytes = TESMIRA_RELAY_LIST_ENTRIES * TESMIRA_RELAY_ENTRY_BYTES;
// Larger than any message: a datagram that fills the buffer is too long by definition.
inline constexpr size_t kMaxMessage = 1024;

struct Request {
    uint32_t seq = 0;
    Op op = Op::kListRelays;
    // SetRelays only. A serial of the full entry length carries no terminator.
    std::array<char, TESMIRA_RELAY_ENTRY_BYTES> serial{};
    uint8_t mask = 0;
    uint8_t on = 0;
};

struct Answer {
    uint32_t seq = 0;
    Op op = Op::kHello;
    LoadStatus status = LoadStatus::kLoaded;  // Hello
    std::string reason;                       // Hello: why loading failed
    int32_t count = 0;                        // ListRelays
    std::array<char, kListBytes> list{};      // ListRelays
    int32_t result = 0;                       // SetRelays, ReadUsb
    bool found = false;                       // FindUsb
    double temperature = 0, humidity = 0;     // ReadUsb
};

// Whether `op` is something the program asks (Hello is only ever an answer).
bool IsRequest(Op op);

std::vector<uint8_t> Encode(const Request& request);
std::vector<uint8_t> Encode(const Answer& answer);
// Nothing unless the bytes are exactly one well-formed message.
std::optional<Request> DecodeRequest(std::span<const uint8_t> bytes);
std::optional<Answer> DecodeAnswer(std::span<const uint8_t> bytes);

}  // namespace tesmira::devhost
