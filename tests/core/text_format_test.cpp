#include <gtest/gtest.h>

#include <string>

#include "core/text_format.h"

namespace tesmira {
namespace {

// Messages carry whole paths: however long, nothing of them is cut off.
TEST(TextFormat, GivesTheWholeResultAtAnyLength) {
    const std::string folder = "/media/lab/" + std::string(3000, 'a');
    const std::string text = Format("%s/OneShot%04d.bmp: %.2f s", folder.c_str(), 7, 1.5);
    EXPECT_EQ(text, folder + "/OneShot0007.bmp: 1.50 s");
    EXPECT_EQ(Format("%s", ""), "");
    EXPECT_EQ(Format("No.%3d\n", 12), "No. 12\n");
}

}  // namespace
}  // namespace tesmira
