// The simulated devices: each takes the bytes its port received and gives back its answer.
// Commands end at a carriage return or a line feed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "options.h"

namespace labsim {

class Device {
public:
    explicit Device(std::string name) : name_(std::move(name)) {}
    virtual ~Device() = default;
    const std::string& Name() const { return name_; }
    // Feeds received bytes; returns what the device sends back (often nothing).
    std::string Receive(std::string_view bytes);

protected:
    // One command without its line end; returns the reply.
    virtual std::string OnLine(const std::string& line) = 0;

private:
    static constexpr size_t kMaxLine = 4096;  // garbage without line ends is dropped
    std::string name_;
    std::string pending_;
};

// XY controller: answers the ready query "!:" with "R", or "B" while busy.
class XyController : public Device {
public:
    XyController(XyKind kind, std::function<bool()> isBusy)
        : Device("xy"), kind_(kind), isBusy_(std::move(isBusy)) {}

protected:
    std::string OnLine(const std::string& line) override;

private:
    XyKind kind_;
    std::function<bool()> isBusy_;
};

// Z drive: a TE2000E reports its absolute position for "rSPR" as "aSPR %d\r" and moves to the
// target of "fSMV%d"; the relative-move kinds take their commands silently.
class ZDrive : public Device {
public:
    ZDrive(ZKind kind, int position) : Device("z"), kind_(kind), position_(position) {}
    int Position() const { return position_; }

protected:
    std::string OnLine(const std::string& line) override;

private:
    ZKind kind_;
    int position_;
};

// Shutter: held open by the program, never spoken to; bytes are only logged.
class Shutter : public Device {
public:
    Shutter() : Device("shutter") {}

protected:
    std::string OnLine(const std::string&) override { return {}; }
};

// USBRH2 meter: "getrh" is answered with ":T,H,\r\n".
class Meter : public Device {
public:
    Meter(std::string temperature, std::string humidity)
        : Device("meter"), temperature_(std::move(temperature)), humidity_(std::move(humidity)) {}

protected:
    std::string OnLine(const std::string& line) override;

private:
    std::string temperature_, humidity_;
};

}  // namespace labsim
