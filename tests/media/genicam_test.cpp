#include <gtest/gtest.h>

#include <atomic>

#include "media/capture_graph.h"
#include "media/genicam_cameras.h"

namespace tesmira {
namespace {

TEST(GenicamCameras, NamesReadVendorModelSerial) {
    struct Row {
        const char *vendor, *model, *serial, *name;
    };
    for (const Row& r : {Row{"Aravis", "Fake", "GV01", "Aravis Fake (GV01)"},
                         Row{"Basler", "acA1920-40gm", "", "Basler acA1920-40gm"},
                         Row{"", "", "123", "(123)"}, Row{"", "", "", ""}})
        EXPECT_EQ(GenicamName(r.vendor, r.model, r.serial), r.name);
}

// The list comes from a thread of its own: nothing before the first listing, and each look asks
// for a fresh one without waiting for it.
TEST(GenicamCameras, ListerAnswersAtOnceAndListsAgainInTheBackground) {
    std::atomic<int> listings{0};
    GenicamLister lister([&] {
        const int n = ++listings;
        return std::vector<GenicamCamera>(size_t(n), GenicamCamera{"Cam", "id"});
    });
    ASSERT_TRUE(lister.WaitForFirst(std::chrono::seconds(5)));
    EXPECT_EQ(lister.Latest().size(), 1u);  // the first list; asks for a second
    for (int i = 0; i < 500 && listings.load() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(listings.load(), 2) << "one look, one more listing";
    EXPECT_EQ(lister.Latest().size(), 2u);
}

TEST(FrameGaps, TimeStampsTellHowManyFramesAreMissing) {
    constexpr int64_t kFrame = 40'000'000;  // 25 fps
    struct Row {
        uint64_t last, now;
        uint64_t missing;
    };
    for (const Row& r : {Row{0, kFrame, 0}, Row{0, kFrame * 3 / 2, 0},  // late, but not lost
                         Row{0, kFrame * 3 / 2 + 1'000'000, 1}, Row{0, kFrame * 2, 1},
                         Row{kFrame, kFrame * 5, 3}, Row{kFrame * 5, kFrame, 0},  // back in time
                         Row{kFrame, kFrame, 0}}) {
        SCOPED_TRACE(std::to_string(r.last) + " -> " + std::to_string(r.now));
        EXPECT_EQ(FramesMissingBetween(r.last, r.now, kFrame), r.missing);
    }
    EXPECT_EQ(FramesMissingBetween(0, kFrame * 9, 0), 0u) << "unknown rate: nothing counted";
}

}  // namespace
}  // namespace tesmira
