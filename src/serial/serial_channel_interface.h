// What the rest of the program needs from one serial port slot. The real channel works on a
// termios device; tests use fakes.
#pragma once

#include <string>
#include <string_view>

namespace tesmira {

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
