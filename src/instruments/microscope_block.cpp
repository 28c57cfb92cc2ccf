#include "instruments/microscope_block.h"

#include <cstdio>

namespace tesmira {
namespace {

char Printable(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
}

}  // namespace

std::uint16_t MicroscopeCheckSum(const MicroscopeBlock& block) {
    std::uint8_t sum = 0;
    for (size_t i = 1; i < block.size(); ++i)
        sum ^= block[i];
    return sum;
}

std::uint16_t MicroscopeCheckWord(const MicroscopeBlock& block) {
    return static_cast<std::uint16_t>(block[0] | (block[1] << 8));
}

void SealMicroscopeBlock(MicroscopeBlock& block) {
    // Byte 1 is both the check word's high byte and part of the sum: a valid block has it 0.
    block[1] = 0;
    block[0] = static_cast<std::uint8_t>(MicroscopeCheckSum(block));
}

std::optional<MicroscopeFigures> ParseMicroscopeBlock(const MicroscopeBlock& block) {
    if (MicroscopeCheckWord(block) != MicroscopeCheckSum(block))
        return std::nullopt;
    using namespace microscope_offset;
    char vacuum[64];
    std::snprintf(vacuum, sizeof vacuum, "%c.%c%cx10(%c%c) Pa", Printable(block[kMantissa]),
                  Printable(block[kMantissa + 1]), Printable(block[kMantissa + 2]),
                  block[kExponentSign] == '1' ? '+' : '-', Printable(block[kExponentDigit]));
    const auto temperature =
        static_cast<std::int16_t>(block[kTemperature] | (block[kTemperature + 1] << 8));
    return MicroscopeFigures{vacuum, std::to_string(temperature)};
}

}  // namespace tesmira
