#include <gtest/gtest.h>

#include "imaging/dib.h"
#include "imaging/still_photo_file.h"
#include "imaging_test_util.h"

namespace tesmira {
namespace {

using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

TEST(StillPhoto, NameCarriesTheDatePrefixAndFourDigits) {
    EXPECT_EQ(StillPhotoPath("/v", "24_06_11-", 7), "/v/TM_24_06_11--0007.bmp");
    EXPECT_EQ(StillPhotoPath("/v/", "24_06_11-", 9998), "/v/TM_24_06_11--9998.bmp");
    EXPECT_EQ(NextStillPhotoNumber(0), 1);
    EXPECT_EQ(NextStillPhotoNumber(9997), 9998);
    EXPECT_EQ(NextStillPhotoNumber(9998), 0);
}

TEST(StillPhoto, AfterTheWrapAnOlderPhotoIsNeverOverwritten) {
    ScratchDir dir;
    auto dib = CDib::Create(8, 8, 24);
    // Photos 0000 to 0002 are from the previous round of numbers.
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(
            WriteAll(StillPhotoPath(dir.path(), "p-", n), "old photo " + std::to_string(n)));

    StillPhotoResult last = StoreStillPhoto(dir.path(), "p-", 9998, *dib);
    ASSERT_TRUE(last.write.ok()) << last.write.error;
    EXPECT_EQ(last.number, 9998);
    EXPECT_EQ(last.nextCounter, 0);

    StillPhotoResult wrapped = StoreStillPhoto(dir.path(), "p-", last.nextCounter, *dib);
    ASSERT_TRUE(wrapped.write.ok()) << wrapped.write.error;
    EXPECT_EQ(wrapped.number, 3);  // the first free number after the wrap
    EXPECT_EQ(wrapped.nextCounter, 4);
    EXPECT_EQ(wrapped.path, StillPhotoPath(dir.path(), "p-", 3));
    EXPECT_EQ(ReadAll(wrapped.path).size(), dib->BmpFileSize());
    for (int n = 0; n < 3; ++n) {
        const std::vector<uint8_t> kept = ReadAll(StillPhotoPath(dir.path(), "p-", n));
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "old photo " + std::to_string(n));
    }
}

TEST(StillPhoto, AFailedWriteNamesTheFileAndKeepsTheNumber) {
    ScratchDir dir;
    auto dib = CDib::Create(8, 8, 24);
    const std::string missing = dir / "gone";
    StillPhotoResult failed = StoreStillPhoto(missing, "p-", 41, *dib);
    EXPECT_EQ(failed.write.code, WriteCode::kFailed);
    EXPECT_EQ(failed.number, -1);
    EXPECT_EQ(failed.nextCounter, 41);  // the next photo gets 41 again
    EXPECT_NE(failed.write.error.find(StillPhotoPath(missing, "p-", 41)), std::string::npos)
        << failed.write.error;

    // A writer that fails part-way through the taken numbers also keeps the counter.
    int calls = 0;
    StillPhotoResult partway = StoreStillPhoto(dir.path(), "p-", 5, [&](const std::string& p) {
        ++calls;
        if (calls == 1)
            return WriteResult{WriteCode::kExists, "taken"};
        return WriteResult{WriteCode::kFailed, "disk full: " + p};
    });
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(partway.nextCounter, 5);
    EXPECT_EQ(partway.path, StillPhotoPath(dir.path(), "p-", 6));
}

TEST(StillPhoto, AFolderWithEveryNumberTakenFailsInsteadOfLooping) {
    int calls = 0;
    StillPhotoResult r = StoreStillPhoto("/v", "p-", 17, [&](const std::string&) {
        ++calls;
        return WriteResult{WriteCode::kExists, "taken"};
    });
    EXPECT_EQ(calls, kStillPhotoNumbers);
    EXPECT_EQ(r.write.code, WriteCode::kFailed);
    EXPECT_EQ(r.nextCounter, 17);
}

}  // namespace
}  // namespace tesmira
