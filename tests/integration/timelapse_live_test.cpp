// Time-lapse series of the test camera through the shipped wiring: the mode and file-type radios
// rebuild the graph, RecStart runs the series, and the folders and AVI files it leaves behind are
// checked file by file and with ffprobe.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <cstdio>
#include <filesystem>

#include "core/run_state.h"
#include "ffprobe.h"
#include "live_rig.h"
#include "media/capture_graph.h"

namespace tesmira::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class LiveTimelapse : public LiveRig {
protected:
    void SetUp() override {
        LiveRig::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Settings& s = Config();
        s.recTlNo = 1;
        s.timelapse = 1000;
        s.tlFrames = 3;
        Click(1074);  // "タイムラップス": the graph is rebuilt, live video comes back
        ASSERT_EQ(s.recMode, 2);
        ASSERT_TRUE(Run().isLive);
    }
    void TearDown() override {
        if (Run().isRecording)
            Click(1020);
        if (Button(1072) && Button(1072)->isEnabled())
            Button(1072)->click();
        LiveRig::TearDown();
    }
    // Starts with RecStart and waits until "TL_frames" frames ended the series.
    void RunSeries(int timeoutMs) {
        Click(1022);
        ASSERT_TRUE(Run().isRecording) << "the series did not start";
        ASSERT_TRUE(WaitFor([] { return !Run().isRecording; }, timeoutMs))
            << "the series did not end after TL_frames frames";
    }
    std::string Name(const char* suffix) const {
        return Config().datePrefix + "00" + std::to_string(Config().recTlNo - 1) + suffix;
    }
};

TEST_F(LiveTimelapse, BmpAndJpgSeriesLeaveOneFinalFolderEach) {
    Click(1065);  // "BMP"
    std::remove(kRecordingGraphDump);
    RunSeries(8000);
    EXPECT_TRUE(fs::exists(kRecordingGraphDump)) << "no graph file after the series started";
    const std::string bmp = Name("_BMP_at_0m_1s");
    ASSERT_EQ(VideoFiles(), Names{bmp});
    EXPECT_EQ(NamesIn(videoDir + bmp),
              (Names{"OneShot0000.bmp", "OneShot0001.bmp", "OneShot0002.bmp"}));
    EXPECT_NE(pane.All().find("齣撮 No.  1\n取得：     3\n"), std::string::npos) << pane.All();
    EXPECT_NE(pane.All().find("実齣速度\n"), std::string::npos);
    EXPECT_TRUE(Run().isLive) << "live video goes on after a series";

    Click(1066);  // "JPG"
    RunSeries(8000);
    const std::string jpg = Name("_JPG_at_0m_1s");
    ASSERT_EQ(VideoFiles(), (Names{bmp, jpg}));
    EXPECT_EQ(NamesIn(videoDir + jpg),
              (Names{"OneShot0000.jpg", "OneShot0001.jpg", "OneShot0002.jpg"}));
}

TEST_F(LiveTimelapse, AviSeriesHoldsTheFramesAtTheReplayRateInEveryCompressor) {
    if (!FfprobeAvailable())
        GTEST_SKIP() << "ffprobe is not installed; the files cannot be checked";
    Config().timelapse = 100;
    Click(1064);  // "AVI"
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "rawvideo"}, {1, "mjpeg"}, {2, "mjpeg"}, {3, "cinepak"}, {4, "msvideo1"}};
    for (const auto& [mediaType, codec] : cases) {
        SCOPED_TRACE(codec);
        Config().mediaType = mediaType;
        RunSeries(15000);
        const std::string name = Name("_TL_at_0m_0s.avi");
        ASSERT_TRUE(fs::exists(videoDir + name)) << name;
        const ProbedVideo v = ProbeVideo(videoDir + name);
        ASSERT_TRUE(v.ok) << v.error;
        EXPECT_EQ(v.codecName, codec);
        EXPECT_EQ(v.nbFrames, 3);
        EXPECT_EQ(v.rFrameRate, "30000/1001");
    }
}

}  // namespace
}  // namespace tesmira::test
