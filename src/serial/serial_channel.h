// A serial port on a POSIX terminal device: exclusive, raw, non-blocking on reception, with
// writes bounded by 20 ms per byte so a stalled or vanished device never freezes the window.
#pragma once

#include "serial/serial_channel_interface.h"

namespace tesmira {

class SerialChannel : public ISerialChannel {
public:
    SerialChannel() = default;
    ~SerialChannel() override;
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    bool IsOpen() const override { return fd_ >= 0; }
    void Write(std::string_view text) override;
    int BytesWaiting() override;
    std::string Read(int n) override;
    int Open(const std::string& port, const LineSettings& line) override;
    void RaiseControlLines() override;
    void Close() override;

    int Fd() const { return fd_; }  // for tests that read back the line settings

    static constexpr int kWriteMsPerByte = 20;

private:
    int Fail(int code);

    int fd_ = -1;
};

}  // namespace tesmira
