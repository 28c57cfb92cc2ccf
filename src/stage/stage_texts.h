// The prepared stage command texts: every jog and Z step writes one of these, so they are built
// once whenever a step size or a controller kind changes, never at the moment of a key press.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tesmira {

// Slots of the prepared texts, in the panel's order.
enum class StageText : std::size_t {
    kFineLeft,  // ← → ↑ ↓
    kFineRight,
    kFineUp,
    kFineDown,
    kCoarseLeft,  // ＜ ＞ ∧ ∨
    kCoarseRight,
    kCoarseUp,
    kCoarseDown,
    kFineUpLeft,  // ┌ ┐ └ ┘
    kFineUpRight,
    kFineDownLeft,
    kFineDownRight,
    kCoarseUpLeft,  // ┏ ┓ ┗ ┛
    kCoarseUpRight,
    kCoarseDownLeft,
    kCoarseDownRight,
    kOriginSearch,
    kCentring,
    kStatusQuery,
    kReadyQuery,
    kZFineUp,
    kZFineDown,
    kZCoarseUp,
    kZCoarseDown,
    kDeltaZUp,
    kDeltaZDown,
    kSpare1,
    kSpare2,
    kZPositionQuery,   // "rSPR\r" of a TE2000E Z drive
    kPendingZCommand,  // the "fSMV%d\r" waiting for timer 1006
    kCount
};

struct StageTexts {
    StageTexts() { (*this)[StageText::kZPositionQuery] = "rSPR\r"; }
    std::string& operator[](StageText t) { return text[static_cast<std::size_t>(t)]; }
    const std::string& operator[](StageText t) const { return text[static_cast<std::size_t>(t)]; }

    std::array<std::string, static_cast<std::size_t>(StageText::kCount)> text;
};

// The eight fine (a pulses) or coarse (b pulses) straight and diagonal texts of an XY kind. A
// step beyond XyStepPulseLimit is written as that limit; the TE2000E and Sigma Koki texts carry
// a magnitude, so a negative step is written as 0.
void BuildXyFineTexts(StageTexts& texts, int xyKind, int a);
void BuildXyCoarseTexts(StageTexts& texts, int xyKind, int b);
// Origin search, centring, status and ready queries of an XY kind.
void BuildXyUtilityTexts(StageTexts& texts, int xyKind);
// An up/down pair of Z texts with +pulses / -pulses (at most ZStepPulseLimit). A TE2000E Z
// drive has no relative move, so for Z kind 0 the pair is left as it was.
void BuildZPairTexts(StageTexts& texts, StageText up, StageText down, int zKind, int pulses);

// One relative move of the stage by signed pulse counts in the bookkeeping's directions (X and Y
// as the jog buttons move them), in the jog texts' forms: a straight text when one count is 0,
// the two-axis form otherwise. Counts are clamped to XyStepPulseLimit; 0, 0 gives "".
std::string XyMoveText(int xyKind, long long xPulses, long long yPulses);
// One relative Z move in the Z step texts' form (positive: up); "" for a TE2000E Z drive, which
// has no relative move, and for 0.
std::string ZMoveText(int zKind, long long pulses);

// The absolute positions a TE2000E Z drive holds: those its position reply can carry.
constexpr long long kTe2000eZMinimum = -2147483647LL - 1;
constexpr long long kTe2000eZMaximum = 2147483647LL;
// "fSMV%d\r": absolute move of a TE2000E Z drive; empty for a target it cannot hold (an
// absolute move is refused rather than cut short, which would send the drive to an end).
std::string Te2000eZMoveText(long long target);

}  // namespace tesmira
