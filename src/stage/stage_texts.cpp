#include "stage/stage_texts.h"

#include <cstdio>

#include "core/controller_kinds.h"

namespace tesmira {
namespace {

using T = StageText;

std::string Fmt1(const char* format, long long v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string Fmt2(const char* format, long long v1, long long v2) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, v1, v2);
    return buf;
}

long long Clamped(long long n, long long lo, long long hi) {
    return n < lo ? lo : (n > hi ? hi : n);
}

// The four straight and four diagonal texts for a step of n pulses. `fineDiagonal` picks VMOVE
// for the fine diagonals of the LEP MAC5000.
void BuildEight(StageTexts& texts, int kind, long long n, const T (&straight)[4],
                const T (&diagonal)[4], bool fineDiagonal) {
    const long long limit = XyStepPulseLimit(kind);
    if (NormaliseKind(kind) == stage_kind::kMac5000) {
        n = Clamped(n, -limit, limit);
        texts[straight[0]] = Fmt1("MOVREL x=%lld\r", -n);
        texts[straight[1]] = Fmt1("MOVREL x=%lld\r", n);
        texts[straight[2]] = Fmt1("MOVREL y=%lld\r", n);
        texts[straight[3]] = Fmt1("MOVREL y=%lld\r", -n);
        const char* diag = fineDiagonal ? "VMOVE x=%lld y=%lld\r" : "MOVREL x=%lld y=%lld\r";
        texts[diagonal[0]] = Fmt2(diag, -n, n);
        texts[diagonal[1]] = Fmt2(diag, n, n);
        texts[diagonal[2]] = Fmt2(diag, -n, -n);
        texts[diagonal[3]] = Fmt2(diag, n, -n);
        return;
    }
    // TE2000E and Sigma Koki: the sign is written as text, so the number is a magnitude (a
    // negative one would make "+P-5"), and every move ends with the drive command "G".
    n = Clamped(n, 0, limit);
    texts[straight[0]] = Fmt1("M:1+P%lld\r\nG\r\n", n);
    texts[straight[1]] = Fmt1("M:1-P%lld\r\nG\r\n", n);
    texts[straight[2]] = Fmt1("M:2+P%lld\r\nG\r\n", n);
    texts[straight[3]] = Fmt1("M:2-P%lld\r\nG\r\n", n);
    texts[diagonal[0]] = Fmt2("M:W+P%lld+P%lld\r\nG\r\n", n, n);
    texts[diagonal[1]] = Fmt2("M:W-P%lld+P%lld\r\nG\r\n", n, n);
    texts[diagonal[2]] = Fmt2("M:W+P%lld-P%lld\r\nG\r\n", n, n);
    texts[diagonal[3]] = Fmt2("M:W-P%lld-P%lld\r\nG\r\n", n, n);
}

}  // namespace

void BuildXyFineTexts(StageTexts& texts, int xyKind, int a) {
    BuildEight(texts, xyKind, a, {T::kFineLeft, T::kFineRight, T::kFineUp, T::kFineDown},
               {T::kFineUpLeft, T::kFineUpRight, T::kFineDownLeft, T::kFineDownRight}, true);
}

void BuildXyCoarseTexts(StageTexts& texts, int xyKind, int b) {
    BuildEight(texts, xyKind, b, {T::kCoarseLeft, T::kCoarseRight, T::kCoarseUp, T::kCoarseDown},
               {T::kCoarseUpLeft, T::kCoarseUpRight, T::kCoarseDownLeft, T::kCoarseDownRight},
               false);
}

void BuildXyUtilityTexts(StageTexts& texts, int xyKind) {
    if (NormaliseKind(xyKind) == stage_kind::kMac5000) {
        texts[T::kCentring] = "CENTER x=10000 y=10000\r";
        texts[T::kOriginSearch].clear();
        texts[T::kStatusQuery].clear();
        texts[T::kReadyQuery].clear();
        return;
    }
    texts[T::kOriginSearch] = "H:W--\r\n";
    texts[T::kCentring] = "M:W+P10618+P10870\r\n";
    texts[T::kStatusQuery] = "Q:\r\n";
    texts[T::kReadyQuery] = "!:\r\n";
}

void BuildZPairTexts(StageTexts& texts, StageText up, StageText down, int zKind, int pulses) {
    const long long limit = ZStepPulseLimit(zKind);
    const long long n = Clamped(pulses, -limit, limit);
    switch (NormaliseKind(zKind)) {
        case stage_kind::kMac5000:
            texts[up] = Fmt1("MOVREL b=%lld\r", n);
            texts[down] = Fmt1("MOVREL b=%lld\r", -n);
            break;
        case stage_kind::kChuoSeiki:
            texts[up] = Fmt1("MGO:A%lld\r\n", n);
            texts[down] = Fmt1("MGO:A%lld\r\n", -n);
            break;
        default:
            break;  // TE2000E: absolute moves only, see the Z exchange
    }
}

std::string XyMoveText(int xyKind, long long xPulses, long long yPulses) {
    const long long limit = XyStepPulseLimit(xyKind);
    const long long x = Clamped(xPulses, -limit, limit);
    const long long y = Clamped(yPulses, -limit, limit);
    if (x == 0 && y == 0)
        return {};
    // The jog table's signs: X grows with the controller's -x (MAC5000) or axis 1's "+" (TE2000E,
    // Sigma Koki); Y grows with -y or axis 2's "-".
    if (NormaliseKind(xyKind) == stage_kind::kMac5000) {
        if (y == 0)
            return Fmt1("MOVREL x=%lld\r", -x);
        if (x == 0)
            return Fmt1("MOVREL y=%lld\r", -y);
        return Fmt2("MOVREL x=%lld y=%lld\r", -x, -y);
    }
    const char xSign = x >= 0 ? '+' : '-';
    const char ySign = y > 0 ? '-' : '+';
    char buf[96];
    if (y == 0)
        std::snprintf(buf, sizeof buf, "M:1%cP%lld\r\nG\r\n", xSign, x < 0 ? -x : x);
    else if (x == 0)
        std::snprintf(buf, sizeof buf, "M:2%cP%lld\r\nG\r\n", ySign, y < 0 ? -y : y);
    else
        std::snprintf(buf, sizeof buf, "M:W%cP%lld%cP%lld\r\nG\r\n", xSign, x < 0 ? -x : x, ySign,
                      y < 0 ? -y : y);
    return buf;
}

std::string ZMoveText(int zKind, long long pulses) {
    const long long limit = ZStepPulseLimit(zKind);
    const long long n = Clamped(pulses, -limit, limit);
    if (n == 0)
        return {};
    switch (NormaliseKind(zKind)) {
        case stage_kind::kMac5000:
            return Fmt1("MOVREL b=%lld\r", n);
        case stage_kind::kChuoSeiki:
            return Fmt1("MGO:A%lld\r\n", n);
        default:
            return {};
    }
}

std::string Te2000eZMoveText(long long target) {
    if (target < kTe2000eZMinimum || target > kTe2000eZMaximum)
        return {};
    return Fmt1("fSMV%lld\r", target);
}

}  // namespace tesmira
