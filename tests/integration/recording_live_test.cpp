// Recordings of the test camera through the shipped wiring: the panel's keys and buttons, recording
// control, the capture graph's record branch, the AVI writer, the header rewrite and the move out
// of the work folder, checked on the files with ffprobe.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <filesystem>
#include <map>

#include "capture/capture_owner.h"
#include "core/run_state.h"
#include "dialogs/count_down_panel.h"
#include "ffprobe.h"
#include "live_rig.h"
#include "media/capture_graph.h"
#include "panel/dlg_main.h"

namespace tesmira::test {
namespace {

namespace fs = std::filesystem;

class LiveRecording : public LiveRig {
protected:
    void SetUp() override {
        LiveRig::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!FfprobeAvailable())
            GTEST_SKIP() << "ffprobe is not installed; the recordings cannot be checked";
    }
    ProbedVideo Probe(const std::string& name) { return ProbeVideo(videoDir + name); }
};

using Names = std::vector<std::string>;

// Space starts and stops; the file carries the measured rate in its name, the writer's header
// holds exactly the frames the summary reported, and the counter moves on.
TEST_F(LiveRecording, SpaceKeyRecordsOneFileWithTheDeliveredFramesInItsHeader) {
    SetLimitMs(20000);  // the key ends this one, not the limit
    const RunState& run = Run();
    PressSpace();
    ASSERT_TRUE(run.isRecording) << "space did not start a recording";
    EXPECT_FALSE(Button(1022)->isEnabled());
    EXPECT_TRUE(Button(1020)->isEnabled());
    Pause(1200);
    ASSERT_TRUE(run.isRecording) << "the recording ended before the key";
    PressSpace();
    ASSERT_FALSE(run.isRecording) << "space did not stop the recording";
    EXPECT_TRUE(run.isLive) << "live video must go on after a recording";
    EXPECT_TRUE(Button(1022)->isEnabled());

    ASSERT_EQ(VideoFiles(), Names{Expected(1)});
    EXPECT_EQ(Config().recNo, 2);
    EXPECT_TRUE(WorkFiles().empty());
    ASSERT_EQ(pane.Summaries(), 1u);
    const int delivered = pane.DeliveredOf(0);
    EXPECT_GT(delivered, 20) << pane.All();

    const ProbedVideo v = Probe(Expected(1));
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.codecName, "rawvideo");
    EXPECT_EQ(v.width, 640);
    EXPECT_EQ(v.height, 480);
    EXPECT_NEAR(RateOf(v.rFrameRate), 30.0, 0.005) << v.rFrameRate;
    EXPECT_NEAR(RateOf(v.avgFrameRate), 30.0, 0.005) << v.avgFrameRate;
    EXPECT_EQ(v.nbFrames, delivered);
    EXPECT_EQ(v.streams, 1) << "no audio was asked for";
}

// The limit ends a recording by itself (the stream stop of the record branch); a second one gets
// the next number and leaves the first file as it was.
TEST_F(LiveRecording, LimitEndsRecordingAndNextOneTakesTheNextNumber) {
    const RunState& run = Run();
    RecordUntilLimit();
    ASSERT_EQ(VideoFiles(), Names{Expected(1)});
    const auto firstSize = fs::file_size(videoDir + Expected(1));
    const ProbedVideo first = Probe(Expected(1));
    ASSERT_TRUE(first.ok) << first.error;
    // One second at 30 fps: frames 0 .. 1.0 s.
    EXPECT_GE(first.nbFrames, 29);
    EXPECT_LE(first.nbFrames, 32);
    EXPECT_EQ(first.nbFrames, pane.DeliveredOf(0));
    EXPECT_FALSE(run.isRecording);
    EXPECT_TRUE(Button(1022)->isEnabled());

    RecordUntilLimit();
    ASSERT_EQ(VideoFiles(), (Names{Expected(1), Expected(2)}));
    EXPECT_EQ(fs::file_size(videoDir + Expected(1)), firstSize);
    EXPECT_EQ(Config().recNo, 3);
    const ProbedVideo second = Probe(Expected(2));
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(second.nbFrames, pane.DeliveredOf(1));
}

// "再生速度を変更する" with 59.94 chosen: the header says 59.94, the name keeps the camera's rate.
TEST_F(LiveRecording, ReplayRateChosenOnThePanelIsTheRateOfTheFile) {
    Click(1051);
    ASSERT_TRUE(Config().resetFps);
    auto* replay = qobject_cast<QComboBox*>(panel->Control(1052));
    ASSERT_NE(replay, nullptr);
    ASSERT_TRUE(replay->isEnabled()) << "the replay rate list follows the check box";
    replay->setCurrentIndex(2);
    Q_EMIT replay->activated(2);
    EXPECT_DOUBLE_EQ(Config().replayFps, 59.94);

    RecordUntilLimit();
    ASSERT_EQ(VideoFiles(), Names{Expected(1)});
    const ProbedVideo v = Probe(Expected(1));
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_NEAR(RateOf(v.rFrameRate), 59.94, 0.01) << v.rFrameRate;
    EXPECT_NEAR(RateOf(v.avgFrameRate), 59.94, 0.01) << v.avgFrameRate;
    EXPECT_EQ(v.nbFrames, pane.DeliveredOf(0));
    EXPECT_NE(pane.All().find("再生速度\n   59.94 fps"), std::string::npos) << pane.All();

    Click(1051);  // off again: the next recording keeps the camera's rate
    EXPECT_FALSE(Config().resetFps);
    EXPECT_FALSE(replay->isEnabled());
    RecordUntilLimit();
    const ProbedVideo plain = Probe(Expected(2));
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_NEAR(RateOf(plain.rFrameRate), 30.0, 0.005) << plain.rFrameRate;
}

// With the work folder on the RAM disk the writer records there and the finished file is moved
// into the video folder; nothing stays behind.
TEST_F(LiveRecording, WorkFolderOnRamDiskHandsTheFileOverAndKeepsNothing) {
    if (!QDir(QStringLiteral("/dev/shm")).exists())
        GTEST_SKIP() << "no /dev/shm on this machine";
    QTemporaryDir shm(QStringLiteral("/dev/shm/tesmira-it-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    Config().useTempDrive = 1;
    Config().tempDrive = shm.path().toStdString() + "/";

    const RunState& run = Run();
    Click(1022);
    ASSERT_TRUE(run.isRecording);
    // While it runs the recording lives in the work folder only, with its hidden disk reserve.
    ASSERT_TRUE(WaitFor([&] { return !WorkFiles().empty(); }, 2000));
    const std::string name = Config().datePrefix + "001.avi";
    EXPECT_EQ(WorkFiles(), (Names{"." + name + ".reserve", name}));
    EXPECT_TRUE(VideoFiles().empty());
    ASSERT_TRUE(WaitFor([&] { return !run.isRecording; }, 8000));

    EXPECT_TRUE(WorkFiles().empty());
    ASSERT_EQ(VideoFiles(), Names{Expected(1)});
    const ProbedVideo v = Probe(Expected(1));
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_NEAR(RateOf(v.rFrameRate), 30.0, 0.005);
    EXPECT_EQ(v.nbFrames, pane.DeliveredOf(0));
    EXPECT_EQ(panel->Fields().droppedFramesText.find("転送中"), std::string::npos)
        << "the transfer note must go once the file is moved";
}

// "繰り返し" three times: three files with consecutive numbers, the count-down window between
// them; RecStop during the wait of a second series ends it and leaves every file alone.
TEST_F(LiveRecording, RepeatSeriesRecordsThreeFilesAndStopDuringTheWaitEndsIt) {
    Click(1073);  // "繰り返し"
    ASSERT_EQ(Config().recMode, 1);
    Config().recRepaet = 3;
    const RunState& run = Run();

    Click(1022);
    ASSERT_TRUE(run.isRecording);
    ASSERT_TRUE(run.isRepeating);
    EXPECT_TRUE(countDown->isVisible());
    // The wait after the first recording.
    ASSERT_TRUE(WaitFor([&] { return !run.isRecording; }, 5000));
    EXPECT_TRUE(run.isRepeating);
    EXPECT_EQ(countDown->windowTitle(), QString::fromUtf8("録画再開待ち  1 / 3"));
    EXPECT_TRUE(countDown->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !run.isRepeating && !run.isRecording; }, 12000))
        << "the series did not end";
    EXPECT_FALSE(countDown->isVisible());
    ASSERT_EQ(VideoFiles(), (Names{Expected(1), Expected(2), Expected(3)}));
    EXPECT_EQ(Config().recNo, 4);
    ASSERT_EQ(pane.Summaries(), 3u);
    std::map<std::string, uintmax_t> sizes;
    for (size_t i = 0; i < 3; ++i) {
        const std::string name = VideoFiles()[i];
        sizes[name] = fs::file_size(videoDir + name);
        const ProbedVideo v = Probe(name);
        ASSERT_TRUE(v.ok) << v.error;
        EXPECT_EQ(v.nbFrames, pane.DeliveredOf(i)) << name;
        EXPECT_NEAR(RateOf(v.rFrameRate), 30.0, 0.005) << name;
    }

    // Second series: stop while it waits for its second recording.
    Click(1022);
    ASSERT_TRUE(run.isRepeating);
    ASSERT_TRUE(WaitFor([&] { return !run.isRecording; }, 5000));
    ASSERT_TRUE(run.isRepeating);
    Click(1020);
    EXPECT_FALSE(run.isRepeating);
    EXPECT_FALSE(countDown->isVisible());
    EXPECT_TRUE(Button(1022)->isEnabled());
    Pause(Config().recInterval + 500);  // past the moment the next recording was due
    EXPECT_FALSE(run.isRecording) << "a stopped series must not record again";
    const Names after = VideoFiles();
    ASSERT_EQ(after, (Names{Expected(1), Expected(2), Expected(3), Expected(4)}));
    for (const auto& [name, size] : sizes)
        EXPECT_EQ(fs::file_size(videoDir + name), size) << name;
    EXPECT_EQ(Config().recNo, 5);
}

// The space key follows the buttons: with live video off it records nothing, as 録画開始 is
// greyed; a series whose next recording came after LiveStop is stopped with 停止.
TEST_F(LiveRecording, SpaceAndTheButtonsFollowOneRule) {
    const RunState& run = Run();
    Click(1024);                            // LiveStop
    panel->setFocus(Qt::MouseFocusReason);  // a click on the panel's background
    PressSpace();
    EXPECT_FALSE(run.isRecording) << "space recorded with live video off";
    EXPECT_TRUE(VideoFiles().empty());
    EXPECT_FALSE(Button(1022)->isEnabled());
    EXPECT_FALSE(Button(1020)->isEnabled());

    Click(1023);
    Click(1073);  // "繰り返し"
    Config().recRepaet = 2;
    std::remove(kRecordingGraphDump);
    Click(1022);
    ASSERT_TRUE(run.isRecording);
    EXPECT_TRUE(QFile::exists(QString::fromLatin1(kRecordingGraphDump)))
        << "no graph file after the recording started";
    ASSERT_TRUE(WaitFor([&] { return !run.isRecording; }, 5000));
    Click(1024);  // LiveStop during the wait
    ASSERT_TRUE(run.isRepeating);
    EXPECT_TRUE(Button(1020)->isEnabled()) << "the series can be called off";
    ASSERT_TRUE(WaitFor([&] { return run.isRecording; }, 5000)) << "the next recording came not";
    EXPECT_TRUE(Button(1020)->isEnabled()) << "a recording without live video cannot be stopped";
    Click(1020);
    EXPECT_FALSE(run.isRecording);
    EXPECT_FALSE(run.isRepeating);
    EXPECT_EQ(VideoFiles().size(), 2u);
}

// "MediaType" (dialog 135's radios) decides the compressor of the next recording.
TEST_F(LiveRecording, CompressorOfTheNextRecordingFollowsMediaType) {
    SetLimitMs(200);
    const std::vector<std::pair<int, std::string>> cases = {
        {1, "mjpeg"}, {3, "cinepak"}, {4, "msvideo1"}, {0, "rawvideo"}};
    int n = 1;
    for (const auto& [mediaType, codec] : cases) {
        SCOPED_TRACE(codec);
        Config().mediaType = mediaType;
        RecordUntilLimit(15000);
        const std::string name = Expected(n);
        ASSERT_TRUE(fs::exists(videoDir + name)) << name;
        const ProbedVideo v = Probe(name);
        ASSERT_TRUE(v.ok) << v.error;
        EXPECT_EQ(v.codecName, codec);
        EXPECT_EQ(v.width, 640);
        EXPECT_EQ(v.height, 480);
        EXPECT_GT(v.nbFrames, 0);
        EXPECT_EQ(v.nbFrames, pane.DeliveredOf(size_t(n - 1))) << pane.All();
        ++n;
    }
}

// Compressor 3 keeps up with the camera: four seconds of 640x480 at 30 fps, with the live
// picture on, lose no frame, and the file decodes frame for frame.
TEST_F(LiveRecording, CinepakKeepsUpWithTheCameraWithoutDrops) {
    SetLimitMs(4000);
    Config().mediaType = 3;
    RecordUntilLimit(20000);
    const std::string name = Expected(1);
    ASSERT_TRUE(fs::exists(videoDir + name)) << name;
    const ProbedVideo v = Probe(name);
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.codecName, "cinepak");
    EXPECT_EQ(pane.DroppedOf(0), 0) << pane.All();
    EXPECT_GE(pane.DeliveredOf(0), 110) << pane.All();
    EXPECT_EQ(v.nbFrames, pane.DeliveredOf(0)) << pane.All();
}

}  // namespace
}  // namespace tesmira::test
