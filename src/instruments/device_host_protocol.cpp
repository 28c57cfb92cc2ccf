#include "instruments/device_host_protocol.h"

#include <cstdlib>
#include <cstring>

namespace tesmira::devhost {
namespace {

constexpr size_t kSetRelaysBody = TESMIRA_RELAY_ENTRY_BYTES + 2;
constexpr size_t kHelloBody = 1 + kReasonBytes;
constexpr size_t kListBody = 4 + kListBytes;
constexpr size_t kReadBody = 4 + 8 + 8;

// The body size of each operation, as asked and as answered.
std::optional<size_t> RequestBody(Op op) {
    switch (op) {
        case Op::kSetRelays:
            return kSetRelaysBody;
        case Op::kListRelays:
        case Op::kFindUsb:
        case Op::kReadUsb:
        case Op::kFreeUsb:
            return 0;
        case Op::kHello:
            break;
    }
    return std::nullopt;
}

std::optional<size_t> AnswerBody(Op op) {
    switch (op) {
        case Op::kHello:
            return kHelloBody;
        case Op::kListRelays:
            return kListBody;
        case Op::kSetRelays:
            return 4;
        case Op::kFindUsb:
            return 1;
        case Op::kReadUsb:
            return kReadBody;
        case Op::kFreeUsb:
            return 0;
    }
    return std::nullopt;
}

class Writer {
public:
    Writer(uint32_t seq, Op op) {
        Put(kMagic);
        Put(seq);
        bytes_.push_back(static_cast<uint8_t>(op));
    }
    template <typename T>
    void Put(const T& value) {
        const auto* p = reinterpret_cast<const uint8_t*>(&value);
        bytes_.insert(bytes_.end(), p, p + sizeof(T));
    }
    void PutBytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    template <typename T>
    T Get() {
        T value{};
        std::memcpy(&value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    const uint8_t* Here() const { return bytes_.data() + at_; }
    void Skip(size_t n) { at_ += n; }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

// The head of a message whose size fits `bodyOf(op)` exactly.
template <typename BodyOf>
std::optional<std::pair<uint32_t, Op>> ReadHead(std::span<const uint8_t> bytes, BodyOf bodyOf,
                                                Reader& reader) {
    if (bytes.size() < kHeadBytes || bytes.size() >= kMaxMessage)
        return std::nullopt;
    if (reader.Get<uint32_t>() != kMagic)
        return std::nullopt;
    const auto seq = reader.Get<uint32_t>();
    const auto op = static_cast<Op>(reader.Get<uint8_t>());
    const std::optional<size_t> body = bodyOf(op);
    if (!body || bytes.size() != kHeadBytes + *body)
        return std::nullopt;
    return std::make_pair(seq, op);
}

}  // namespace

const char* LibraryName(DeviceKind kind) {
    return kind == DeviceKind::kRelays ? TESMIRA_SUPER4_LIBRARY : TESMIRA_USBMETER_LIBRARY;
}

const char* KindName(DeviceKind kind) {
    return kind == DeviceKind::kRelays ? "relays" : "meter";
}

std::optional<DeviceKind> KindFromName(const std::string& name) {
    if (name == "relays")
        return DeviceKind::kRelays;
    if (name == "meter")
        return DeviceKind::kMeter;
    return std::nullopt;
}

std::vector<std::string> HostArguments(DeviceKind kind, int fd, const LibrarySearch& search) {
    std::vector<std::string> args{"--kind", KindName(kind), "--fd", std::to_string(fd)};
    auto add = [&](const char* option, const std::string& value) {
        if (!value.empty()) {
            args.push_back(option);
            args.push_back(value);
        }
    };
    add("--plugin-path", search.pluginPath);
    add("--exe-dir", search.executableDir);
    for (const std::string& folder : search.privateDirs)
        add("--private-dir", folder);
    if (!search.systemPath)
        args.push_back("--no-system-path");
    return args;
}

std::optional<HostOptions> ParseHostArguments(const std::vector<std::string>& args,
                                              std::string* why) {
    auto fail = [&](std::string reason) -> std::optional<HostOptions> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    HostOptions options;
    bool haveKind = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-system-path") {
            options.search.systemPath = false;
            continue;
        }
        if (i + 1 >= args.size())
            return fail(a + " needs a value");
        const std::string& value = args[++i];
        if (a == "--kind") {
            const std::optional<DeviceKind> kind = KindFromName(value);
            if (!kind)
                return fail("unknown kind " + value);
            options.kind = *kind;
            haveKind = true;
        } else if (a == "--fd") {
            char* end = nullptr;
            const long fd = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || fd < 0 || fd > 1023)
                return fail("bad --fd " + value);
            options.fd = static_cast<int>(fd);
        } else if (a == "--plugin-path") {
            options.search.pluginPath = value;
        } else if (a == "--exe-dir") {
            options.search.executableDir = value;
        } else if (a == "--private-dir") {
            options.search.privateDirs.push_back(value);
        } else {
            return fail("unknown option " + a);
        }
    }
    if (!haveKind || options.fd < 0)
        return fail("--kind and --fd are needed");
    return options;
}

bool IsRequest(Op op) {
    return RequestBody(op).has_value();
}

std::vector<uint8_t> Encode(const Request& request) {
    Writer w(request.seq, request.op);
    if (request.op == Op::kSetRelays) {
        w.PutBytes(request.serial.data(), request.serial.size());
        w.Put(request.mask);
        w.Put(request.on);
    }
    return w.Take();
}

std::vector<uint8_t> Encode(const Answer& answer) {
    Writer w(answer.seq, answer.op);
    switch (answer.op) {
        case Op::kHello: {
            w.Put(static_cast<uint8_t>(answer.status));
            std::array<char, kReasonBytes> reason{};
            std::memcpy(reason.data(), answer.reason.data(),
                        std::min(answer.reason.size(), kReasonBytes - 1));
            w.PutBytes(reason.data(), reason.size());
            break;
        }
        case Op::kListRelays:
            w.Put(answer.count);
            w.PutBytes(answer.list.data(), answer.list.size());
            break;
        case Op::kSetRelays:
            w.Put(answer.result);
            break;
        case Op::kFindUsb:
            w.Put(static_cast<uint8_t>(answer.found ? 1 : 0));
            break;
        case Op::kReadUsb:
            w.Put(answer.result);
            w.Put(answer.temperature);
            w.Put(answer.humidity);
            break;
        case Op::kFreeUsb:
            break;
    }
    return w.Take();
}

std::optional<Request> DecodeRequest(std::span<const uint8_t> bytes) {
    Reader r(bytes);
    const auto head = ReadHead(bytes, RequestBody, r);
    if (!head)
        return std::nullopt;
    Request request;
    request.seq = head->first;
    request.op = head->second;
    if (request.op == Op::kSetRelays) {
        std::memcpy(request.serial.data(), r.Here(), request.serial.size());
        r.Skip(request.serial.size());
        request.mask = r.Get<uint8_t>();
        request.on = r.Get<uint8_t>();
        // A relay module has four relays, and a relay is either on or off.
        if (request.mask > 0x0F || request.on > 1)
            return std::nullopt;
    }
    return request;
}

std::optional<Answer> DecodeAnswer(std::span<const uint8_t> bytes) {
    Reader r(bytes);
    const auto head = ReadHead(bytes, AnswerBody, r);
    if (!head)
        return std::nullopt;
    Answer answer;
    answer.seq = head->first;
    answer.op = head->second;
    switch (answer.op) {
        case Op::kHello: {
            const uint8_t status = r.Get<uint8_t>();
            if (status > static_cast<uint8_t>(LoadStatus::kUnusable))
                return std::nullopt;
            answer.status = static_cast<LoadStatus>(status);
            const char* text = reinterpret_cast<const char*>(r.Here());
            const size_t length = strnlen(text, kReasonBytes);
            if (length == kReasonBytes)
                return std::nullopt;  // no terminator
            answer.reason.assign(text, length);
            // The reason is shown in the message pane: no control characters.
            for (char& c : answer.reason) {
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    c = '?';
            }
            break;
        }
        case Op::kListRelays:
            answer.count = r.Get<int32_t>();
            std::memcpy(answer.list.data(), r.Here(), answer.list.size());
            break;
        case Op::kSetRelays:
            answer.result = r.Get<int32_t>();
            break;
        case Op::kFindUsb: {
            const uint8_t found = r.Get<uint8_t>();
            if (found > 1)
                return std::nullopt;
            answer.found = found == 1;
            break;
        }
        case Op::kReadUsb:
            answer.result = r.Get<int32_t>();
            answer.temperature = r.Get<double>();
            answer.humidity = r.Get<double>();
            break;
        case Op::kFreeUsb:
            break;
    }
    return answer;
}

}  // namespace tesmira::devhost
