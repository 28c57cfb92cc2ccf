#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "core/controller_kinds.h"

namespace tesmira {
namespace {

// A step shown in micrometres and read back must keep its pulse count, or the stored step would
// shrink by one pulse at every start.
TEST(PulseConversion, EveryPulseCountSurvivesTheRoundTripForEveryKind) {
    for (int kind = 0; kind <= 2; ++kind) {
        for (int pulses = 1; pulses <= 100000; ++pulses) {
            const int xy =
                PulsesFromUm(UmFromPulses(pulses, XyUmPerPulse(kind)), XyPulsesPerUm(kind));
            const int z = PulsesFromUm(UmFromPulses(pulses, ZUmPerPulse(kind)), ZPulsesPerUm(kind));
            const int dz =
                PulsesFromUm(UmFromPulses(-pulses, ZUmPerPulse(kind)), ZPulsesPerUm(kind));
            if (xy != pulses || z != pulses || dz != -pulses) {
                FAIL() << "kind " << kind << " pulses " << pulses << " -> xy " << xy << " z " << z
                       << " negative z " << dz;
            }
        }
    }
}

TEST(PulseConversion, LargestStepsSurviveTheRoundTrip) {
    // 500000 um is the largest step an edit accepts: 5e7 pulses on a MAC5000 Z drive.
    for (int pulses = 50000000 - 2000; pulses <= 50000000; ++pulses) {
        ASSERT_EQ(pulses, PulsesFromUm(UmFromPulses(pulses, 0.01), 100.0)) << pulses;
        ASSERT_EQ(pulses, PulsesFromUm(UmFromPulses(pulses, 0.05), 20.0)) << pulses;
    }
}

TEST(PulseConversion, GenuineFractionsTruncateTowardZero) {
    EXPECT_EQ(123, PulsesFromUm(12.34, XyPulsesPerUm(1)));
    EXPECT_EQ(28, PulsesFromUm(0.289, ZPulsesPerUm(1)));
    EXPECT_EQ(29, PulsesFromUm(0.29, ZPulsesPerUm(1)));
    EXPECT_EQ(0, PulsesFromUm(-0.5, ZPulsesPerUm(2)));
    EXPECT_EQ(-50, PulsesFromUm(-0.5, ZPulsesPerUm(1)));
    EXPECT_EQ(-1, PulsesFromUm(-1.99, 1.0));
    EXPECT_EQ(0, PulsesFromUm(0.01, XyPulsesPerUm(2)));  // a step too small for the kind: 0 pulses
    EXPECT_EQ(1, PulsesFromUm(0.9999999999999, 1.0));    // within 1e-9 of a whole pulse
    EXPECT_EQ(0, PulsesFromUm(0.999999, 1.0));
}

TEST(PulseConversion, NonsenseValuesStayInsideTheIntRange) {
    EXPECT_EQ(INT_MAX, PulsesFromUm(1e300, 100.0));
    EXPECT_EQ(INT_MIN, PulsesFromUm(-1e300, 100.0));
    EXPECT_EQ(INT_MAX, PulsesFromUm(std::numeric_limits<double>::infinity(), 1.0));
    EXPECT_EQ(0, PulsesFromUm(std::nan(""), 10.0));
}

TEST(StageKinds, TablesNamesAndLineEnds) {
    EXPECT_DOUBLE_EQ(0.05, ZUmPerPulse(0));
    EXPECT_DOUBLE_EQ(100.0, ZPulsesPerUm(1));
    EXPECT_DOUBLE_EQ(1.0, XyPulsesPerUm(2));
    EXPECT_EQ("\r\n", XyLineEnd(0));
    EXPECT_EQ("\r", XyLineEnd(1));
    EXPECT_EQ("\r\n", XyLineEnd(2));
    EXPECT_EQ("\r", ZLineEnd(0));
    EXPECT_EQ("\r", ZLineEnd(1));
    EXPECT_EQ("\r\n", ZLineEnd(2));
    EXPECT_EQ("\tシグマ光機", XyKindName(2));
    EXPECT_EQ("\t中央精機", ZKindName(2));
    EXPECT_EQ("\tLEP MAC5000", ZKindName(1));
    // A corrupt kind is served as the default kind instead of reading past the tables.
    EXPECT_EQ(XyKindName(1), XyKindName(7));
    EXPECT_DOUBLE_EQ(ZPulsesPerUm(1), ZPulsesPerUm(-3));
}

}  // namespace
}  // namespace tesmira
