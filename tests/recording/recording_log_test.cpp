// The three log formats byte for byte, and the files they are written to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "avi_probe.h"
#include "common/message_recorder.h"
#include "core/settings.h"
#include "recording/frame_log.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"

namespace tesmira {
namespace {

// A recording of three rows with stage moves: the stage went 12.5 right, then 3 down while busy.
RecordingLogLists ThreeRows() {
    RecordingLogLists l;
    l.AppendRow(0, 0, 0.0, 0.0, 0.0, 1);
    l.AppendRow(1, 2, 12.5, 0.0, 1.0, 0);
    l.AppendRow(2, 2, 12.5, -3.0, 1.0, 1);
    return l;
}

TEST(RecordingLogFormat, BlockFormat) {
    EXPECT_EQ(FormatRecordingLog(ThreeRows(), 0, 29.97, 30.0),
              "<N>[0]=0\r\n<N>[1]=1\r\n<N>[2]=2\r\n"
              "<Dropped>[0]=0\r\n<Dropped>[1]=2\r\n<Dropped>[2]=2\r\n"
              "<X>[0]=    0.00\r\n<X>[1]=   12.50\r\n<X>[2]=   12.50\r\n"
              "<Y>[0]=    0.00\r\n<Y>[1]=    0.00\r\n<Y>[2]=   -3.00\r\n"
              "<Ready>[0]=1\r\n<Ready>[1]=0\r\n<Ready>[2]=1\r\n"
              "<actual fps>[0]=   29.97\r\n<replay fps>[0]=   30.00\r\n");
    RecordingLogLists noStage;
    noStage.logN = {0, 1};
    noStage.logDropped = {0, 0};
    EXPECT_EQ(FormatRecordingLog(noStage, 0, 30, 30),
              "<N>[0]=0\r\n<N>[1]=1\r\n"
              "<Dropped>[0]=0\r\n<Dropped>[1]=0\r\n");
}

TEST(RecordingLogFormat, TabAndCommaTablesCarryTheRatesInTheFirstRowOnly) {
    EXPECT_EQ(FormatRecordingLog(ThreeRows(), 1, 29.97, 59.94),
              "N\tDropped\tX\tY\tReady\tactual fps\treplay fps\r\n"
              "0\t0\t    0.00\t    0.00\t1\t   29.97\t   59.94\r\n"
              "1\t2\t   12.50\t    0.00\t0\r\n"
              "2\t2\t   12.50\t   -3.00\t1\r\n");
    EXPECT_EQ(FormatRecordingLog(ThreeRows(), 2, 29.97, 59.94),
              "N,Dropped,X,Y,Ready,actual fps,replay fps\r\n"
              "0,0,    0.00,    0.00,1,   29.97,   59.94\r\n"
              "1,2,   12.50,    0.00,0\r\n"
              "2,2,   12.50,   -3.00,1\r\n");
}

TEST(RecordingLogFormat, UnequalListsFallBackOrWriteNothing) {
    RecordingLogLists l = ThreeRows();
    l.logReady.pop_back();
    EXPECT_EQ(FormatRecordingLog(l, 2, 30, 30), "N,Dropped\r\n0,0\r\n1,2\r\n2,2\r\n");
    l.logDropped.pop_back();
    EXPECT_EQ(FormatRecordingLog(l, 1, 30, 30), "");
    EXPECT_EQ(FormatRecordingLog(ThreeRows(), 3, 30, 30), "");
}

class RecordingLogFile : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir(); }
    void TearDown() override { test::RemoveTree(dir_); }
    std::string dir_;
};

TEST_F(RecordingLogFile, WritesOnceEmptiesTheListsAndNeverReplacesAFile) {
    test::MessageRecorder messages;
    int busy = 0;
    const std::function<void(bool)> cursor = [&](bool on) { busy += on ? 1 : -1; };
    RecordingLogLists lists = ThreeRows();
    const std::string path = dir_ + "/26_01_17-001.csv";
    ASSERT_EQ(WriteRecordingLog(path, lists, 2, 30, 30, messages, cursor), LogWriteResult::Written);
    EXPECT_TRUE(lists.logN.empty() && lists.logX.empty() && lists.logZ.empty());
    EXPECT_EQ(busy, 0) << "the wait cursor goes away again";
    const auto written = test::ReadFileBytes(path);
    EXPECT_EQ(std::string(written.begin(), written.end()),
              FormatRecordingLog(ThreeRows(), 2, 30, 30));

    lists = ThreeRows();
    EXPECT_EQ(WriteRecordingLog(path, lists, 1, 30, 30, messages, cursor),
              LogWriteResult::OpenFailed);
    EXPECT_EQ(test::ReadFileBytes(path), written) << "the earlier log is untouched";
    EXPECT_EQ(lists.logN.size(), 3u) << "rows kept after a failure";
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find(path), std::string::npos);

    EXPECT_EQ(WriteRecordingLog(dir_ + "/missing/x.dat", lists, 0, 30, 30, messages, cursor),
              LogWriteResult::OpenFailed);
    RecordingLogLists none;
    EXPECT_EQ(WriteRecordingLog(dir_ + "/none.dat", none, 0, 30, 30, messages, cursor),
              LogWriteResult::NothingToWrite);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.dat")) << "no rows, no file";
}

TEST(RecordingNames, FinalNamesAndLogNames) {
    EXPECT_EQ(FinalRecordingName("/v/26_12_07-005.avi", 29.97),
              "/v/26_12_07-005_Rec_at_29.97fps.avi");
    EXPECT_EQ(FinalRecordingName("/v/26_12_07-005.AVI", 29.97), "/v/26_12_07-005.AVI");
    EXPECT_EQ(FinalRecordingName("/v/take", 30), "/v/take");
    EXPECT_EQ(FinalRecordingName("a.avi", 0), "a.avi") << "a dot at position 1 keeps the name";
    Settings settings;
    RecordingPaths paths;
    settings.dirLog = "/l";
    settings.datePrefix = "26_01_17-";
    EXPECT_EQ(MakeLogPath(paths, settings, 7, 1), "/l/26_01_17-007.txt");
    EXPECT_EQ(MakeLogPath(paths, settings, 7, 2), "/l/26_01_17-007.csv");
    EXPECT_EQ(MakeLogPath(paths, settings, 7, 3), "/l/26_01_17-007.dat");
    settings.dirVideo = "/v/";
    settings.useTempDrive = 1;
    settings.tempDrive = "/dev/shm";
    EXPECT_EQ(MakeNextRecordingPath(paths, settings, 12), "/dev/shm/26_01_17-012.avi");
    EXPECT_EQ(paths.recDestPath, "/v/26_01_17-012.avi");
    settings.useTempDrive = 0;
    EXPECT_EQ(MakeNextRecordingPath(paths, settings, 1000), "/v/26_01_17-1000.avi");
    EXPECT_TRUE(paths.recWorkPath.empty());
}

}  // namespace
}  // namespace tesmira

namespace tesmira {
namespace {

TEST(FramesSidecar, NamesAndNumbersFromTheMeterTexts) {
    const std::pair<const char*, const char*> numbers[] = {{"T = 21.5 \xC2\xB0"
                                                            "C",
                                                            "21.5"},
                                                           {" H = 45.60 %", "45.60"},
                                                           {"T = -1.5 C", "-1.5"},
                                                           {"T = 5. C", "5"},
                                                           {"-- no reading --", ""}};
    for (const auto& [text, number] : numbers)
        EXPECT_EQ(NumberIn(text), number) << text;
    EXPECT_EQ(FramesCsvPathOf("/l/26_01_17-001.dat"), "/l/26_01_17-001.frames.csv");
    EXPECT_EQ(FramesCsvPathOf("/l.d/26_01_17-001"), "/l.d/26_01_17-001.frames.csv");
}

}  // namespace
}  // namespace tesmira
