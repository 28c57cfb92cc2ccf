#include "core/controller_kinds.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/ui_text.h"

namespace tesmira {
namespace {

struct KindRow {
    double xyPulsesPerUm, xyUmPerPulse, zPulsesPerUm, zUmPerPulse;
    const char* xyName;
    const char* zName;
    const char* xyLineEnd;
    const char* zLineEnd;
};

const KindRow kKinds[3] = {
    {10.0, 0.1, 20.0, 0.05, "TE2000E", "TE2000E", "\r\n", "\r"},
    {10.0, 0.1, 100.0, 0.01, "LEP MAC5000", "LEP MAC5000", "\r", "\r"},
    {1.0, 1.0, 1.0, 1.0, UI_TEXT_NOOP("Core", "シグマ光機"), UI_TEXT_NOOP("Core", "中央精機"),
     "\r\n", "\r\n"},
};

const KindRow& Row(int kind) {
    return kKinds[NormaliseKind(kind)];
}

}  // namespace

int NormaliseKind(int kind) {
    return (kind >= 0 && kind <= 2) ? kind : stage_kind::kMac5000;
}

double XyPulsesPerUm(int kind) {
    return Row(kind).xyPulsesPerUm;
}
double XyUmPerPulse(int kind) {
    return Row(kind).xyUmPerPulse;
}
double ZPulsesPerUm(int kind) {
    return Row(kind).zPulsesPerUm;
}
double ZUmPerPulse(int kind) {
    return Row(kind).zUmPerPulse;
}

int PulsesFromUm(double um, double pulsesPerUm) {
    const double product = um * pulsesPerUm;
    if (std::isnan(product))
        return 0;
    if (product >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (product <= static_cast<double>(INT_MIN))
        return INT_MIN;
    // Snap to the nearest 1e-9: within half of that of a whole number counts as the whole number.
    // Large products carry a rounding error of a few units in the last place, which is allowed for.
    const double whole = std::nearbyint(product);
    const double tolerance = std::max(0.5e-9, std::fabs(product) * 8.0e-16);
    if (std::fabs(product - whole) <= tolerance)
        return static_cast<int>(whole);
    return static_cast<int>(std::trunc(product));
}

double UmFromPulses(int pulses, double umPerPulse) {
    return pulses * umPerPulse;
}

bool PulsesWithinUm(int pulses, double umPerPulse, double minUm, double maxUm) {
    const double um = UmFromPulses(pulses, umPerPulse);
    return um >= minUm && um <= maxUm;
}

long long XyStepPulseLimit(int kind) {
    return static_cast<long long>(kStepMaximumUm * Row(kind).xyPulsesPerUm);
}

long long ZStepPulseLimit(int kind) {
    return static_cast<long long>(kStepMaximumUm * Row(kind).zPulsesPerUm);
}

std::string XyKindName(int kind) {
    return "\t" + UiText("Core", Row(kind).xyName);
}
std::string ZKindName(int kind) {
    return "\t" + UiText("Core", Row(kind).zName);
}
std::string XyLineEnd(int kind) {
    return Row(kind).xyLineEnd;
}
std::string ZLineEnd(int kind) {
    return Row(kind).zLineEnd;
}

}  // namespace tesmira
