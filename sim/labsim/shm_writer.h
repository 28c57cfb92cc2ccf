// The microscope controller's shared-memory block as the simulated lab publishes it: 66 bytes,
// the check word first (XOR of bytes 1..65), the vacuum mantissa and exponent as ASCII at 53..59
// and the temperature as a signed 16-bit number at 60. Written twice a second with values that
// drift; the object is removed when the lab ends.
#pragma once

#include <string>

namespace labsim {

class MicroscopeShm {
public:
    static constexpr size_t kSize = 66;

    MicroscopeShm() = default;
    ~MicroscopeShm();
    MicroscopeShm(const MicroscopeShm&) = delete;
    MicroscopeShm& operator=(const MicroscopeShm&) = delete;

    // Creates (or takes over) the object, sized before it is mapped; false with `error`.
    bool Open(const std::string& name, std::string& error);
    // Writes the block for the given tick; with `badSum` its check word is wrong.
    void Write(unsigned tick, bool badSum);
    // Unmaps and removes the object.
    void Close();

private:
    std::string name_;
    unsigned char* block_ = nullptr;
};

}  // namespace labsim
