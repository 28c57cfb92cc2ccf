// The space set aside beside a recording is really allocated, and really given back.
#include "recording/disk_reserve.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "recovery_util.h"

namespace tesmira {
namespace {

int64_t AllocatedBytes(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_blocks) * 512 : -1;
}

TEST(DiskReserve, HoldsTheSpaceUntilReleased) {
    const std::string dir = test::FreshDir();
    const std::string path = DiskReserve::PathBeside(dir + "/movie.avi");
    EXPECT_EQ(path, dir + "/movie.avi.reserve");
    {
        DiskReserve reserve;
        const ReserveResult r = reserve.Create(path, 4 << 20);
        ASSERT_TRUE(r.ok) << r.text;
        EXPECT_TRUE(reserve.Held());
        EXPECT_GE(AllocatedBytes(path), 4 << 20);  // allocated, not sparse

        EXPECT_TRUE(reserve.Release());
        EXPECT_EQ(AllocatedBytes(path), -1);
        EXPECT_FALSE(reserve.Held());
        EXPECT_FALSE(reserve.Release());

        ASSERT_TRUE(reserve.Create(path, 1 << 20).ok);
    }
    EXPECT_EQ(AllocatedBytes(path), -1) << "the reserve outlived the recording";
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(DiskReserve, FailuresNameTheFile) {
    DiskReserve reserve;
    const ReserveResult missing = reserve.Create("/no/such/folder/x.reserve");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.text.find("/no/such/folder/x.reserve"), std::string::npos);
    EXPECT_FALSE(reserve.Held());

    // More than the disk holds: nothing is left behind.
    const std::string dir = test::FreshDir();
    const ReserveResult huge = reserve.Create(dir + "/huge.reserve", int64_t(1) << 60);
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(AllocatedBytes(dir + "/huge.reserve"), -1);
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace tesmira
