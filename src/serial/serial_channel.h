// A serial port on a POSIX terminal device: exclusive, raw, non-blocking on reception, with
// writes bounded by 20 ms per byte so a stalled or vanished device never freezes the window. A
// device that goes away closes the channel, which then reports itself vanished.
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
    void Probe() override;
    bool Vanished() const override { return vanished_; }

    int Fd() const { return fd_; }  // for tests that read back the line settings

    static constexpr int kWriteMsPerByte = 20;

private:
    int Fail(int code);
    // The device is gone (EIO, ENXIO, ENODEV, a hang-up): the handle is let go at once, so a
    // USB adapter plugged in again gets its old device name back.
    void LetGo();
    // Whether `error` (an errno) says the device has gone.
    static bool IsGone(int error);

    int fd_ = -1;
    bool vanished_ = false;
};

}  // namespace tesmira
