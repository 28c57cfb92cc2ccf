// The microscope block and its readout over real POSIX shared memory (a name of the test's own,
// so a running simulated lab is never disturbed).
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "instruments/microscope_readout.h"

namespace tesmira {
namespace {

MicroscopeBlock MakeBlock(const char* mantissa, char sign, char exponent, int temperature) {
    MicroscopeBlock b{};
    for (size_t i = 2; i < b.size(); ++i)
        b[i] = static_cast<std::uint8_t>(i * 31);  // bytes that only enter the sum
    std::memcpy(&b[53], mantissa, 3);
    b[58] = static_cast<std::uint8_t>(sign);
    b[59] = static_cast<std::uint8_t>(exponent);
    const auto t = static_cast<std::uint16_t>(static_cast<std::int16_t>(temperature));
    b[60] = static_cast<std::uint8_t>(t & 0xFF);
    b[61] = static_cast<std::uint8_t>(t >> 8);
    SealMicroscopeBlock(b);
    return b;
}

TEST(MicroscopeBlock, FiguresOfAGoodBlock) {
    auto f = ParseMicroscopeBlock(MakeBlock("235", '0', '5', 23));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->vacuum, "2.35x10(-5) Pa");
    EXPECT_EQ(f->temperature, "23");

    f = ParseMicroscopeBlock(MakeBlock("100", '1', '2', -5));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->vacuum, "1.00x10(+2) Pa");
    EXPECT_EQ(f->temperature, "-5");

    f = ParseMicroscopeBlock(MakeBlock("9\x01\xff", 'x', '\0', 0));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->vacuum, "9.??x10(-?) Pa");
}

TEST(MicroscopeBlock, ACheckWordThatDoesNotMatchFails) {
    auto b = MakeBlock("235", '0', '5', 23);
    b[54] ^= 0x01;
    EXPECT_FALSE(ParseMicroscopeBlock(b));
    // Byte 1 is the check word's high byte and part of the sum: non-zero never passes.
    b = MakeBlock("235", '0', '5', 23);
    b[1] = 0x10;
    b[0] = static_cast<std::uint8_t>(MicroscopeCheckSum(b));
    EXPECT_FALSE(ParseMicroscopeBlock(b));
}

class SharedBlock : public ::testing::Test {
protected:
    void SetUp() override {
        name = "/tesmira-test-microscope-" + std::to_string(getpid());
        shm_unlink(name.c_str());
    }
    void TearDown() override { shm_unlink(name.c_str()); }
    void Publish(const MicroscopeBlock& block, size_t size = kMicroscopeBlockSize) {
        const int fd = shm_open(name.c_str(), O_CREAT | O_RDWR, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
        ASSERT_EQ(pwrite(fd, block.data(), std::min(size, block.size()), 0),
                  static_cast<ssize_t>(std::min(size, block.size())));
        close(fd);
    }
    std::string name;
};

TEST_F(SharedBlock, MissingBlockShowsPlaceholders) {
    MicroscopeReadout r(name);
    const InstrumentResult result = r.Read();
    EXPECT_EQ(result.code, InstrumentError::OpenMappingFailed);
    EXPECT_EQ(result.message, "Open mapping file failed, GLE=2.\n");
    EXPECT_EQ(r.Readout(), " V:  ----\n T:  ----");
    EXPECT_EQ(r.Overlay(), "VEV Microscope   Vacuum:   Temp: \n");
    EXPECT_FALSE(r.Connected());
}

TEST_F(SharedBlock, GoodThenBadBlock) {
    MicroscopeReadout r(name);
    Publish(MakeBlock("235", '0', '5', 23));
    ASSERT_TRUE(r.Read().Ok());
    EXPECT_TRUE(r.Connected());
    EXPECT_EQ(r.Readout(), " V: 2.35x10(-5) Pa\n T: 23 °C");
    EXPECT_EQ(r.Overlay(), "VEV Vacuum: 2.35x10(-5) Pa  Temp: 23 °C\n");

    auto bad = MakeBlock("236", '0', '5', 24);
    bad[0] ^= 0xFF;
    Publish(bad);
    const InstrumentResult result = r.Read();
    EXPECT_EQ(result.code, InstrumentError::SumCheckFailed);
    EXPECT_TRUE(result.message.empty());  // the display says it; no message box
    EXPECT_EQ(r.Readout(), "Sum check\nnot passed! ");
    EXPECT_EQ(r.Overlay(), "VEV Vacuum: 2.35x10(-5) Pa  Temp: 23 °C\n");
    EXPECT_FALSE(r.Connected());

    r.Off();
    EXPECT_EQ(r.Readout(), " VEV Microscope\n not connected!");
}

TEST_F(SharedBlock, ShortObjectIsAFailedReading) {
    MicroscopeReadout r(name);
    Publish(MakeBlock("235", '0', '5', 23));
    ASSERT_TRUE(r.Read().Ok());
    Publish(MakeBlock("235", '0', '5', 23), 10);
    const InstrumentResult result = r.Read();
    EXPECT_EQ(result.code, InstrumentError::MapViewFailed);
    EXPECT_EQ(result.message, "MapViewOfFile failed, GLE=22.\n");
    EXPECT_EQ(r.Readout(), " V: 2.35x10(-5) Pa\n T: 23 °C");  // keeps its previous text
    EXPECT_FALSE(r.Connected());
}

// The controller program cuts its block to nothing and fills it again while it is being read:
// every reading is good or failed, never a crash (a mapped copy met SIGBUS here).
TEST_F(SharedBlock, ABlockResizedWhileItIsReadNeverFaults) {
    const MicroscopeBlock good = MakeBlock("235", '0', '5', 23);
    Publish(good);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const int fd = shm_open(name.c_str(), O_RDWR, 0600);
        while (fd >= 0 && !stop) {
            (void)!ftruncate(fd, 0);
            (void)!ftruncate(fd, static_cast<off_t>(good.size()));
            (void)!pwrite(fd, good.data(), good.size(), 0);
        }
        if (fd >= 0)
            close(fd);
    });
    MicroscopeReadout r(name);
    int failed = 0;
    for (int i = 0; i < 20000; ++i) {
        const InstrumentResult result = r.Read();
        if (!result.Ok()) {
            ++failed;
            EXPECT_NE(result.code, InstrumentError::OpenMappingFailed);
        }
    }
    stop = true;
    writer.join();
    EXPECT_LT(failed, 20000) << "some readings must have found the block whole";
}

TEST(MicroscopeTornRead, ATornCopyIsReadAgain) {
    MicroscopeReadout r("/unused");
    const auto good = MakeBlock("471", '0', '4', 22);
    auto torn = good;
    torn[55] = '9';  // the writer had changed a field but not yet the check word
    int copies = 0;
    EXPECT_TRUE(r.Show([&](MicroscopeBlock& b) {
                     b = copies++ < 2 ? torn : good;
                     return 0;
                 }).Ok());
    EXPECT_EQ(copies, 3);
    EXPECT_EQ(r.Readout(), " V: 4.71x10(-4) Pa\n T: 22 °C");

    copies = 0;
    EXPECT_EQ(r.Show([&](MicroscopeBlock& b) {
                   b = (++copies, torn);
                   return 0;
               }).code,
              InstrumentError::SumCheckFailed);
    EXPECT_EQ(copies, 1 + MicroscopeReadout::kRereads);
    EXPECT_EQ(r.Readout(), "Sum check\nnot passed! ");
}

}  // namespace
}  // namespace tesmira
