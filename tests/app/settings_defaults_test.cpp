#include <gtest/gtest.h>

#include "app/settings.h"

namespace tesmira {
namespace {

TEST(SettingsDefaults, LimitAndPauseAgreeWithTheStoredDefaults) {
    Settings s;
    EXPECT_EQ(s.rtStop / 10000 + 100, s.recLimitMs);
    EXPECT_EQ(s.fccHandler, 0x20424944u);
}

}  // namespace
}  // namespace tesmira
