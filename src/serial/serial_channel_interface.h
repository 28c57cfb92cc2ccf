// What the rest of the program needs from one serial port slot. The real channel works on a
// termios device; tests use fakes.
#pragma once

#include <string>
#include <string_view>

namespace tesmira {

enum class Parity { None, Odd, Even };

// Line settings of one port: every slot runs 9600 baud, 8 data bits, no parity; only the stop
// bits depend on the slot and the controller kind.
struct LineSettings {
    int baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
};

// Open results: 0 success; -1 the port could not be opened, -2 the exclusive lock was refused,
// -3 the queues could not be set up, -4 the time-outs could not be set, -5 the line settings
// were refused.
namespace open_result {
constexpr int kOk = 0;
constexpr int kOpenFailed = -1;
constexpr int kLockFailed = -2;
constexpr int kQueueFailed = -3;
constexpr int kTimeoutsFailed = -4;
constexpr int kLineFailed = -5;
}  // namespace open_result

class ISerialChannel {
public:
    virtual ~ISerialChannel() = default;
    virtual bool IsOpen() const = 0;
    // Writes all bytes when open and non-empty; failures and time-outs are swallowed.
    virtual void Write(std::string_view text) = 0;
    // Bytes waiting in the input queue (0 when closed or on error).
    virtual int BytesWaiting() = 0;
    // Reads at most n bytes that have already arrived; never waits.
    virtual std::string Read(int n) = 0;

    // Opens the named port (closing any port held first); one of the open_result codes. A channel
    // that cannot reach ports reports the port as missing.
    virtual int Open(const std::string& port, const LineSettings& line) {
        (void)port;
        (void)line;
        return open_result::kOpenFailed;
    }
    // Raises RTS, then DTR (after a successful Open of a slot).
    virtual void RaiseControlLines() {}
    virtual void Close() {}

    // Looks, without reading or waiting, whether the device behind an open port has gone
    // (unplugged); a channel that finds so closes itself. Writes and reads find it the same way.
    virtual void Probe() {}
    // The port was closed because its device went away; cleared by Open and Close.
    virtual bool Vanished() const { return false; }

    // Bytes received since the last complete reply (see the panel's reception tick).
    std::string receiveAccumulator;
};

// A slot with no port behind it.
class ClosedChannel : public ISerialChannel {
public:
    bool IsOpen() const override { return false; }
    void Write(std::string_view) override {}
    int BytesWaiting() override { return 0; }
    std::string Read(int) override { return {}; }
};

}  // namespace tesmira
