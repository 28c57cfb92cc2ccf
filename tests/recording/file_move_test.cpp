// Moving recordings out of the work folder: across file systems, never over an existing file,
// and never losing the source when the destination fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "avi_probe.h"
#include "recording/file_move.h"

namespace tesmira {
namespace {

namespace fs = std::filesystem;

class FileMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk_ = test::MakeTempDir("/tmp");
        ram_ = test::MakeTempDir("/dev/shm");
        ASSERT_FALSE(disk_.empty());
        ASSERT_FALSE(ram_.empty());
    }
    void TearDown() override {
        test::RemoveTree(disk_);
        test::RemoveTree(ram_);
    }
    std::string Make(const std::string& path, const std::string& text) {
        std::ofstream(path) << text;
        return path;
    }
    static std::string Read(const std::string& path) {
        const auto b = test::ReadFileBytes(path);
        return std::string(b.begin(), b.end());
    }
    std::string disk_, ram_;
};

TEST_F(FileMoveTest, MovesAcrossFileSystemsAndLeavesNothingBehind) {
    const std::string from = Make(ram_ + "/001.avi", std::string(3 << 20, 'v'));
    const std::string to = disk_ + "/001_Rec_at_30.00fps.avi";
    const MoveResult r = SafeMoveFile(from, to);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(fs::file_size(to), size_t(3 << 20));
    EXPECT_TRUE(fs::is_empty(ram_));
    EXPECT_EQ(std::distance(fs::directory_iterator(disk_), fs::directory_iterator{}), 1);
}

TEST_F(FileMoveTest, NeverReplacesTheTarget) {
    const std::string from = Make(ram_ + "/a.avi", "new");
    const std::string to = Make(disk_ + "/a.avi", "old");
    EXPECT_FALSE(SafeMoveFile(from, to).ok);
    EXPECT_EQ(Read(to), "old");
    EXPECT_EQ(Read(from), "new");
    const std::string same = Make(disk_ + "/b.avi", "b");
    EXPECT_FALSE(RenameNoReplace(same, to).ok);
    EXPECT_EQ(Read(to), "old");
    EXPECT_TRUE(RenameNoReplace(same, disk_ + "/c.avi").ok);
    EXPECT_EQ(Read(disk_ + "/c.avi"), "b");
}

TEST_F(FileMoveTest, FailingDestinationKeepsTheSource) {
    const std::string from = Make(ram_ + "/001.avi", "recording");
    for (const std::string& to :
         {disk_ + "/gone/001.avi", Make(disk_ + "/file", "x") + "/001.avi", std::string()}) {
        const MoveResult r = SafeMoveFile(from, to);
        EXPECT_FALSE(r.ok) << to;
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(Read(from), "recording");
    }
    EXPECT_FALSE(SafeMoveFile(ram_ + "/missing.avi", disk_ + "/m.avi").ok);
    EXPECT_FALSE(fs::exists(disk_ + "/m.avi"));
}

}  // namespace
}  // namespace tesmira
