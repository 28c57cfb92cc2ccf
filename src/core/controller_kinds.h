// Controller kinds of the XY stage and the Z drive, their pulse conversions, names and the line
// ends of free-form commands. Plain C++ so that every conversion is testable without a window.
#pragma once

#include <string>

namespace tesmira {

// "XYaxis_Type": 0 TE2000E (speaks the Sigma Koki command set), 1 LEP MAC5000, 2 Sigma Koki.
// "Zaxis_Type": 0 TE2000E (absolute moves via a position exchange), 1 LEP MAC5000, 2 Chuo Seiki.
namespace stage_kind {
constexpr int kTe2000e = 0;
constexpr int kMac5000 = 1;
constexpr int kSigmaKoki = 2;  // XY
constexpr int kChuoSeiki = 2;  // Z
}  // namespace stage_kind

// A kind outside 0..2 (a hand-edited settings file) is served as the default kind, the LEP
// MAC5000, so that no table is ever read out of bounds.
int NormaliseKind(int kind);

double XyPulsesPerUm(int kind);
double XyUmPerPulse(int kind);
double ZPulsesPerUm(int kind);
double ZUmPerPulse(int kind);

// Micrometres -> pulses, truncated toward zero. The product is first snapped to the nearest 1e-9
// so that a value that came from a pulse count (29 x 0.01 = 0.29, and 0.29 x 100 =
// 28.999999999999996) gets its pulse count back, while a genuine fraction still truncates
// (12.34 um -> 123.4 -> 123). Results beyond the int range are clamped; NaN gives 0.
int PulsesFromUm(double um, double pulsesPerUm);
double UmFromPulses(int pulses, double umPerPulse);

// The panel's step range in micrometres (edits 1009, 1010, 1029, 1030) and ΔZ's (edit 1038).
constexpr double kStepMinimumUm = 0.01;
constexpr double kStepMaximumUm = 500000.0;
constexpr double kDeltaZMinimumUm = -100.0;
constexpr double kDeltaZMaximumUm = 100.0;
// Whether a stored pulse count is a micrometre value the panel accepts, as min..max.
bool PulsesWithinUm(int pulses, double umPerPulse, double minUm, double maxUm);

// The largest pulse count one relative step command carries: the panel's largest step in the
// kind's pulses (XY 5000000 / 5000000 / 500000, Z 10000000 / 50000000 / 500000). Every
// controller holds that much; a builder never writes more, whatever it is given.
long long XyStepPulseLimit(int kind);
long long ZStepPulseLimit(int kind);

// Kind names shown after the port name in the command-send dialog (each begins with a tab).
std::string XyKindName(int kind);
std::string ZKindName(int kind);

// Line end appended to each piece of a free-form command.
std::string XyLineEnd(int kind);
std::string ZLineEnd(int kind);

}  // namespace tesmira
