// Recording control stepped through its timers with a fake clock: single recordings, repeated
// series, the failure path, a full disk, the work folder and files that must never be replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "avi_probe.h"
#include "common/fake_relay_sync.h"
#include "common/recording_rig.h"
#include "core/clock.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/text_format.h"
#include "media/avi_writer.h"
#include "media/ffmpeg_avi_writer.h"
#include "recording/avi_rate.h"
#include "recording/file_move.h"
#include "recording/log_row_spool.h"
#include "recording/recording_control.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"

namespace tesmira {
namespace {

namespace fs = std::filesystem;

// A record branch that writes real AVI files: frames arrive at `rate` per second of fake time.
class FileRecordGraph : public IRecordGraph {
public:
    explicit FileRecordGraph(FakeClock& clock) : clock_(clock) {}
    bool IsBuilt() const override { return built; }
    bool StartRecording(const std::string& sinkPath, std::string* error) override {
        if (!startError.empty()) {
            *error = startError;
            return false;
        }
        rate = rates.empty() ? 30.0 : rates[std::min(starts, int(rates.size()) - 1)];
        ++starts;
        writer = MakeAviWriter();
        sinks.push_back(sinkPath);
        started = clock_.tick;
        VideoFormat vf{32, 24, PixelLayout::Bgr24, int(rate * 1000), 1000};
        return writer->Open(sinkPath, vf, std::nullopt, CodecSettings{}, rate, error);
    }
    void StopRecording() override {
        std::string ignored;
        // Frames the streaming thread was still writing when the stop came land in the file.
        if (writer && writer->IsOpen()) {
            std::vector<uint8_t> frame(32 * 24 * 3, 90);
            for (int i = 0; i < framesInFlightAtStop; ++i)
                writer->WriteVideo(frame.data(), 32 * 3, 0);
            counts.delivered = int32_t(writer->FramesWritten());
        }
        closeError.clear();
        if (writer && !writer->Close(&closeError) && closeError.empty())
            closeError = "close failed";
        writer.reset();
    }
    std::string CloseError() const override { return closeError; }
    FrameCounts ReadFrameCounts() override {
        if (writer && writer->IsOpen() && writeError.empty()) {
            const int64_t due = int64_t((clock_.tick - started) * rate / 1000.0);
            std::vector<uint8_t> frame(32 * 24 * 3, 80);
            while (writer->FramesWritten() < due) {
                if (failAfterFrames >= 0 && writer->FramesWritten() >= failAfterFrames) {
                    writeError = "No space left on device";
                    break;
                }
                if (!writer->WriteVideo(frame.data(), 32 * 3, 0)) {
                    writeError = "No space left on device";
                    break;
                }
            }
            counts.delivered = int32_t(writer->FramesWritten());
        }
        return counts;
    }
    double MeasureStreamRate() override { return rate; }
    std::string WriteError() const override { return writeError; }

    bool built = true;
    std::string startError;
    std::vector<double> rates;
    std::vector<std::string> sinks;
    int failAfterFrames = -1;
    int framesInFlightAtStop = 0;
    std::string writeError;
    std::string closeError;
    FrameCounts counts;
    int starts = 0;

private:
    FakeClock& clock_;
    std::unique_ptr<IAviWriter> writer;
    double rate = 30.0;
    uint32_t started = 0;
};

class RecordingControlTest : public test::RecordingRig {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir();
        Settings& s = settings_;
        s.dirVideo = dir_ + "/video";
        s.dirLog = dir_ + "/log";
        fs::create_directories(s.dirVideo);
        fs::create_directories(s.dirLog);
        s.recMode = 0;
        s.recNo = 1;
        s.recRepaet = 1;
        s.rtStop = 10000000;  // 1 s
        s.recLimitMs = 1100;
        s.recInterval = 4000;
        s.repeatPauseSec = 2;
        s.resetFps = false;
        s.saveLog = 0;
        s.setZoom1xOnRec = true;
        control_.RegisterTimers();
    }
    void TearDown() override {
        SetAviWriterSizeLimitForTests(0);
        test::RemoveTree(journalDir_);
        for (const auto& d : extraDirs_)
            test::RemoveTree(d);
        test::RemoveTree(dir_);
    }
    void Run(uint32_t ms) { stepper_.Advance(ms); }
    std::vector<std::string> VideoFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(settings_.dirVideo))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    RecordingDeps MakeDeps() {
        RecordingDeps d = RigDeps();
        d.graph = &graph_;
        d.rebuildGraph = [this] { ++rebuilds_; };
        d.journal = &journal_;
        d.countersChanged = [this] { savedRecNos_.push_back(settings_.recNo); };
        return d;
    }

    FileRecordGraph graph_{clock_};
    int rebuilds_ = 0;
    std::string journalDir_ = test::MakeTempDir();
    RecordingJournal journal_{journalDir_ + "/Tesmira.recordings"};
    std::vector<int> savedRecNos_;  // "Rec No." each time it was to be written out
    RecordingControl control_{MakeDeps()};
    std::string dir_;
    std::vector<std::string> extraDirs_;
};

TEST_F(RecordingControlTest, SingleRecordingStopsAtTheLimitAndIsNamedByItsRate) {
    panel_.zoom = 2.5;
    control_.RecStart();
    EXPECT_TRUE(run_.isRecording);
    EXPECT_TRUE(timers_.IsRunning(TimerId::kRecording));
    EXPECT_FALSE(timers_.IsRunning(TimerId::kSerialReceive));
    EXPECT_EQ(panel_.zoom, 1.0) << "zoom 1.0 while recording";
    EXPECT_EQ(countDown_.titles.front(), "録画中");
    EXPECT_FALSE(stage_.polling) << "only a time-lapse series asks the Z drive for its position";

    Run(500);
    EXPECT_EQ(panel_.status.rfind("Get ", 0), 0u);
    EXPECT_GT(panel_.readyQueries, 0);
    Run(1000);
    EXPECT_FALSE(run_.isRecording) << "the limit (1 s + 100 ms) ends the recording";
    EXPECT_TRUE(timers_.IsRunning(TimerId::kSerialReceive));
    EXPECT_FALSE(timers_.IsRunning(TimerId::kRecording));
    EXPECT_EQ(panel_.zoom, 2.5) << "the zoom it had to change is restored";
    EXPECT_EQ(hints_.Values(301), (std::vector<double>{1.0, 2.5}));

    ASSERT_EQ(VideoFiles(), std::vector<std::string>{"26_01_17-001_Rec_at_30.00fps.avi"});
    const std::string file = settings_.dirVideo + "/26_01_17-001_Rec_at_30.00fps.avi";
    AviRateInfo info;
    ASSERT_TRUE(InspectAviRate(file, &info));
    EXPECT_NEAR(info.streamRate, 30.0, 1e-9);
    EXPECT_EQ(int(info.frameCount), control_.deliveredFrames());
    EXPECT_EQ(settings_.recNo, 2);
    const std::string report = hints_.Text(101);
    EXPECT_NE(report.find("Movie No.  1\n取得："), std::string::npos) << report;
    EXPECT_NE(report.find("Rec Time:     1.10 s \n"), std::string::npos) << report;
    EXPECT_NE(report.find("実齣速度\n   30.00 fps\n再生速度\n   30.00 fps\n\n"), std::string::npos)
        << "without ResetFPS the replay rate reported is the header's: " << report;
}

// A slow compressor may still be writing a frame when the stop comes: the summary counts what the
// closed file holds, not what was counted a tick earlier.
TEST_F(RecordingControlTest, SummaryCountsTheFramesOfTheClosedFile) {
    graph_.framesInFlightAtStop = 2;
    control_.RecStart();
    Run(1500);
    ASSERT_FALSE(run_.isRecording);
    const std::string file = settings_.dirVideo + "/26_01_17-001_Rec_at_30.00fps.avi";
    AviRateInfo info;
    ASSERT_TRUE(InspectAviRate(file, &info));
    EXPECT_EQ(int(info.frameCount), control_.deliveredFrames());
    char expected[64];
    std::snprintf(expected, sizeof expected, "取得：%6d\n", int(info.frameCount));
    EXPECT_NE(hints_.Text(101).find(expected), std::string::npos) << hints_.Text(101);
}

TEST_F(RecordingControlTest, ResetFpsRewritesTheHeaderButTheNameKeepsTheMeasuredRate) {
    settings_.resetFps = true;
    control_.OnReplayRateSelected(2);
    EXPECT_DOUBLE_EQ(settings_.replayFps, 59.94);
    control_.OnSpaceKey();
    Run(300);
    control_.OnSpaceKey();  // space stops it
    EXPECT_FALSE(run_.isRecording);
    const std::string file = settings_.dirVideo + "/26_01_17-001_Rec_at_30.00fps.avi";
    AviRateInfo info;
    ASSERT_TRUE(InspectAviRate(file, &info));
    EXPECT_NEAR(info.streamRate, 59.94, 1e-3);  // 1e7 / 166833
    EXPECT_NE(hints_.Text(101).find("再生速度\n   59.94 fps"), std::string::npos);
    EXPECT_EQ(test::ProbeAvi(file).frameRate > 59.9, true);
}

TEST_F(RecordingControlTest, RepeatSeriesMakesConsecutiveFilesEachWithItsOwnRate) {
    Settings& s = settings_;
    s.recMode = 1;
    s.recRepaet = 3;
    graph_.rates = {30.0, 25.0, 15.0};
    control_.RecStart();
    EXPECT_TRUE(run_.isRepeating);
    EXPECT_TRUE(countDown_.visible);
    EXPECT_EQ(timers_.PeriodOf(TimerId::kRepeatGap), 4000);
    Run(1500);
    EXPECT_FALSE(run_.isRecording);
    EXPECT_TRUE(run_.isRepeating) << "waiting for the next recording";
    EXPECT_EQ(countDown_.totals.back(), 2);
    EXPECT_NE(panel_.status.find("    1 of 3"), std::string::npos);
    Run(1000);
    EXPECT_NE(panel_.status.find("1 of 3 (1 s)"), std::string::npos) << panel_.status;
    Run(4000 * 3);
    EXPECT_FALSE(run_.isRepeating);
    EXPECT_FALSE(countDown_.visible);
    EXPECT_EQ(VideoFiles(), (std::vector<std::string>{"26_01_17-001_Rec_at_30.00fps.avi",
                                                      "26_01_17-002_Rec_at_25.00fps.avi",
                                                      "26_01_17-003_Rec_at_15.00fps.avi"}));
    const std::vector<std::string> waits = {"録画再開待ち  1 / 3", "録画再開待ち  2 / 3"};
    std::vector<std::string> seen;
    for (const auto& t : countDown_.titles)
        if (t.rfind("録画再開待ち", 0) == 0)
            seen.push_back(t);
    EXPECT_EQ(seen, waits);
    EXPECT_NE(std::find(countDown_.titles.begin(), countDown_.titles.end(), "録画中  3 / 3"),
              countDown_.titles.end());
    EXPECT_EQ(s.recNo, 4);
}

// Between the recordings of a series the count-down shows the seconds until timer 1008 really
// starts the next one (interval 4 s from each start), whatever ended the recording and whatever
// wait was derived from the settings earlier.
TEST_F(RecordingControlTest, TheRepeatCountDownShowsTheWaitTheTimerKeeps) {
    struct Case {
        const char* name;
        std::function<void()> end;  // ends the first recording
        int64_t derivedWait;        // what the settings said the wait was
        int wait;
    };
    const std::vector<Case> cases = {
        {"at its limit", [this] { Run(1500); }, 2, 2},
        {"stopped by hand after 0.3 s",
         [this] {
             Run(300);
             control_.OnSpaceKey();
         },
         2, 3},
        {"a wait left from an older interval", [this] { Run(1500); }, 27, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings_.recMode = 1;
        settings_.recRepaet = 3;
        settings_.repeatPauseSec = c.derivedWait;
        countDown_.totals.clear();
        const uint32_t start = clock_.tick;
        control_.RecStart();
        c.end();
        ASSERT_FALSE(run_.isRecording);
        ASSERT_TRUE(run_.isRepeating);
        EXPECT_EQ(countDown_.totals.back(), c.wait);
        Run(1000);
        EXPECT_NE(panel_.status.find(Format("1 of 3 (%d s)", c.wait - 1)), std::string::npos)
            << panel_.status;
        Run(4000 - (clock_.tick - start));  // the second recording starts now
        EXPECT_TRUE(run_.isRecording);
        EXPECT_EQ(countDown_.remaining, 0);
        control_.RecStop();
        control_.RecStop();  // and the series is called off
        ASSERT_FALSE(run_.isRepeating);
    }
}

TEST_F(RecordingControlTest, StopDuringTheWaitEndsTheSeriesWithoutTouchingFiles) {
    settings_.recMode = 1;
    settings_.recRepaet = 3;
    control_.RecStart();
    Run(1500);
    ASSERT_TRUE(run_.isRepeating);
    const auto before = VideoFiles();
    const auto bytes = test::ReadFileBytes(settings_.dirVideo + "/" + before.at(0));
    control_.RecStop();  // the "・・・解除" button
    EXPECT_FALSE(run_.isRepeating);
    EXPECT_FALSE(timers_.IsRunning(TimerId::kRepeatGap));
    EXPECT_FALSE(countDown_.visible);
    Run(10000);
    EXPECT_EQ(VideoFiles(), before);
    EXPECT_EQ(test::ReadFileBytes(settings_.dirVideo + "/" + before.at(0)), bytes);
    EXPECT_EQ(graph_.sinks.size(), 1u);
    EXPECT_EQ(settings_.recNo, 2);
}

TEST_F(RecordingControlTest, ExistingFilesAreNeverReplacedTheCounterMovesOn) {
    const std::string video = settings_.dirVideo + "/";
    { std::ofstream(video + "26_01_17-001_Rec_at_29.97fps.avi") << "old take"; }
    { std::ofstream(video + "26_01_17-002.avi") << "unfinished take"; }
    { std::ofstream(settings_.dirLog + "/26_01_17-003.txt") << "old log"; }
    control_.RecStart();
    Run(1500);
    EXPECT_EQ(graph_.sinks.at(0), video + "26_01_17-004.avi");
    EXPECT_EQ(test::ReadFileBytes(video + "26_01_17-001_Rec_at_29.97fps.avi").size(), 8u);
    EXPECT_EQ(test::ReadFileBytes(video + "26_01_17-002.avi").size(), 15u);
    EXPECT_TRUE(fs::exists(video + "26_01_17-004_Rec_at_30.00fps.avi"));
    EXPECT_EQ(settings_.recNo, 5);
}

TEST_F(RecordingControlTest, FailedStartRebuildsReportsAndRestoresPolling) {
    auto& messages = messages_;
    settings_.recMode = 1;
    settings_.recRepaet = 3;
    graph_.startError = "MJPEG filter is not found!\n";
    panel_.zoom = 3.0;
    control_.RecStart();
    EXPECT_FALSE(run_.isRecording);
    EXPECT_FALSE(run_.isRepeating) << "a series that cannot record is not left waiting";
    EXPECT_EQ(rebuilds_, 1);
    EXPECT_FALSE(timers_.IsRunning(TimerId::kRecording));
    EXPECT_FALSE(timers_.IsRunning(TimerId::kRepeatGap));
    EXPECT_TRUE(timers_.IsRunning(TimerId::kSerialReceive));
    EXPECT_EQ(panel_.zoom, 3.0);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text, "MJPEG filter is not found!\n");
    EXPECT_EQ(messages.messages[1].text.rfind("録画をスタートすることが出来ませんでしたので", 0),
              0u);

    graph_.startError.clear();
    graph_.built = false;
    control_.RecStart();  // no record chain: nothing but the panel reset
    EXPECT_FALSE(run_.isRecording);
    EXPECT_EQ(countDown_.totals.back(), 1);
}

// A start with no record chain, by the key or by a repeat tick after the camera was lost, leaves
// serial reception running and the zoom as it was.
TEST_F(RecordingControlTest, StartWithoutRecordChainKeepsReceptionAndZoom) {
    for (const bool repeatTick : {false, true}) {
        SCOPED_TRACE(repeatTick ? "repeat tick after the camera was lost" : "start by the key");
        settings_.setZoom1xOnRec = true;
        panel_.zoom = 2.0;
        timers_.Start(TimerId::kSerialReceive, 500);
        if (repeatTick) {
            settings_.recMode = 1;
            settings_.recRepaet = 2;
            graph_.built = true;
            control_.RecStart();
            Run(int(settings_.recLimitMs) + 50);  // the first recording ends at its limit
            ASSERT_FALSE(run_.isRecording);
            ASSERT_TRUE(run_.isRepeating);
            graph_.built = false;
            Run(settings_.recInterval);  // the repeat tick finds no camera
        } else {
            graph_.built = false;
            control_.RecStart();
        }
        EXPECT_FALSE(run_.isRecording);
        EXPECT_TRUE(timers_.IsRunning(TimerId::kSerialReceive));
        EXPECT_EQ(panel_.zoom, 2.0);
    }
}

TEST_F(RecordingControlTest, AVanishedVideoFolderIsOneMessageNamingItAndTheWayOut) {
    fs::remove_all(settings_.dirVideo);
    control_.RecStart();
    EXPECT_FALSE(run_.isRecording);
    EXPECT_EQ(graph_.starts, 0) << "nothing is started towards a folder that is not there";
    EXPECT_TRUE(timers_.IsRunning(TimerId::kSerialReceive));
    ASSERT_EQ(messages_.messages.size(), 1u);
    const std::string& text = messages_.messages[0].text;
    EXPECT_NE(text.find(settings_.dirVideo), std::string::npos);
    EXPECT_NE(text.find("保存先と動画圧縮コーデック"), std::string::npos);
    EXPECT_EQ(text.find("No such file"), std::string::npos);
    EXPECT_EQ(text.find("ストリームをリセット"), std::string::npos);
}

TEST_F(RecordingControlTest, FullDiskStopsTheRecordingWithAMessageAndAPlayableFile) {
    auto& messages = messages_;
    graph_.failAfterFrames = 10;
    control_.RecStart();
    Run(600);
    EXPECT_FALSE(run_.isRecording);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("No space left on device"), std::string::npos);
    const std::string file = settings_.dirVideo + "/26_01_17-001_Rec_at_30.00fps.avi";
    EXPECT_NE(messages.messages[0].text.find(file), std::string::npos);
    EXPECT_EQ(test::ProbeAvi(file).decodedFrames, 10);
}

TEST_F(RecordingControlTest, WorkFolderFileArrivesInTheVideoFolderWithItsLog) {
    const std::string work = test::MakeTempDir("/dev/shm");
    ASSERT_FALSE(work.empty());
    extraDirs_.push_back(work);
    Settings& s = settings_;
    s.useTempDrive = 1;
    s.tempDrive = work;
    s.saveLog = 1;
    s.logFileType = 1;
    control_.RecStart();
    EXPECT_EQ(graph_.sinks.at(0), work + "/26_01_17-001.avi");
    Run(1500);
    EXPECT_EQ(VideoFiles(), std::vector<std::string>{"26_01_17-001_Rec_at_30.00fps.avi"});
    EXPECT_TRUE(fs::is_empty(work)) << "nothing left behind in the work folder";
    EXPECT_NE(std::find_if(panel_.history.begin(), panel_.history.end(),
                           [](const std::string& t) {
                               return t.size() > 10 && t.substr(t.size() - 10) == "\n転送中";
                           }),
              panel_.history.end());
    EXPECT_EQ(panel_.status.find("転送中"), std::string::npos) << "old text back after the move";
    const auto log = test::ReadFileBytes(s.dirLog + "/26_01_17-001.txt");
    const std::string text(log.begin(), log.end());
    EXPECT_EQ(text.rfind("N\tDropped\tX\tY\tReady\tactual fps\treplay fps\r\n0\t0\t", 0), 0u)
        << text;
    EXPECT_TRUE(log_.logN.empty());
    // Beside it the frames sidecar: a row for every row of the log, wall clock in ISO 8601.
    const auto frames = test::ReadFileBytes(s.dirLog + "/26_01_17-001.frames.csv");
    const std::string csv(frames.begin(), frames.end());
    EXPECT_EQ(csv.rfind("index,time,ms,X,Y,Z,ready,temperature,humidity,dropped\n"
                        "0,2026-01-17T12:00:",
                        0),
              0u)
        << csv;
    EXPECT_EQ(size_t(std::count(csv.begin(), csv.end(), '\n')),
              size_t(std::count(text.begin(), text.end(), '\n')));
}

TEST_F(RecordingControlTest, FailedMoveKeepsTheRecordingAndSaysWhereItIs) {
    auto& messages = messages_;
    const std::string work = test::MakeTempDir("/dev/shm");
    extraDirs_.push_back(work);
    settings_.useTempDrive = 1;
    settings_.tempDrive = work;
    control_.RecStart();
    Run(300);
    fs::remove_all(settings_.dirVideo);  // the video folder vanished during the recording
    control_.RecStop();
    const std::string kept = work + "/26_01_17-001.avi";
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_GT(test::ProbeAvi(kept).decodedFrames, 0);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("録画は " + kept + " にあります"), std::string::npos);
    EXPECT_NE(hints_.Text(102).find(kept), std::string::npos);
}

}  // namespace
}  // namespace tesmira

namespace tesmira {
namespace {

// While a file is written the journal names it and a reserve sits beside it; once it has its final
// name both are gone, and the new counter has been handed out for writing at once.
TEST_F(RecordingControlTest, JournalAndReserveLastExactlyAsLongAsTheFileIsUnfinished) {
    settings_.saveLog = 1;
    control_.RecStart();
    ASSERT_TRUE(run_.isRecording);
    const std::string sink = settings_.dirVideo + "/26_01_17-001.avi";
    const std::vector<JournalEntry> pending = journal_.Pending();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, sink);
    EXPECT_EQ(pending[0].kind, RecordingKind::Movie);
    EXPECT_EQ(pending[0].number, 1);
    EXPECT_TRUE(PathExists(ReservePathOf(sink)));
    EXPECT_EQ(VideoFiles(),
              (std::vector<std::string>{".26_01_17-001.avi.reserve", ".26_01_17-001.avi.rows",
                                        "26_01_17-001.avi"}));
    // The log's rows are on disk as they come, for a repair after a crash.
    Run(500);
    std::ifstream in(LogSpoolPathOf(sink), std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SpooledLog spooled;
    ASSERT_TRUE(ParseLogSpool(kept, &spooled, nullptr));
    EXPECT_EQ(spooled.header.logPath, settings_.dirLog + "/26_01_17-001.dat");
    EXPECT_EQ(int(spooled.rows.logN.size()), control_.loggedFrames());
    EXPECT_GT(control_.loggedFrames(), 0);

    Run(1000);  // to the limit
    ASSERT_FALSE(run_.isRecording);
    EXPECT_TRUE(journal_.Pending().empty());
    EXPECT_EQ(VideoFiles(), std::vector<std::string>{"26_01_17-001_Rec_at_30.00fps.avi"});
    EXPECT_EQ(savedRecNos_, std::vector<int>{2});
}

// A failed start leaves nothing behind for the next start to repair.
TEST_F(RecordingControlTest, FailedStartClearsItsJournalEntryAndReserve) {
    graph_.startError = "refused";
    control_.RecStart();
    EXPECT_TRUE(journal_.Pending().empty());
    EXPECT_TRUE(VideoFiles().empty());
}

// The disk fills up in the middle of a frame (the writer's size limit plays the full disk): the
// file is still finished with an index and a header that counts exactly the frames in it.
TEST_F(RecordingControlTest, FullDiskStillEndsInAnIndexedFileWhoseHeaderCountsItsFrames) {
    SetAviWriterSizeLimitForTests(40000);  // room for about fifteen 32x24 frames
    control_.RecStart();
    Run(1500);
    ASSERT_FALSE(run_.isRecording);
    SetAviWriterSizeLimitForTests(0);
    const std::string file = settings_.dirVideo + "/26_01_17-001_Rec_at_30.00fps.avi";
    const test::ProbedAvi probe = test::ProbeAvi(file);
    ASSERT_TRUE(probe.opened);
    EXPECT_GT(probe.decodedFrames, 5);
    EXPECT_LT(probe.decodedFrames, 30);
    EXPECT_EQ(probe.headerFrames, probe.decodedFrames);
    const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), "idx1", "idx1" + 4), bytes.end())
        << "no index was written";
    EXPECT_TRUE(journal_.Pending().empty());
    EXPECT_FALSE(messages_.messages.empty()) << "the user must hear of the full disk";
}

// The relay schedule follows the recordings: the first frame is the sequence's zero, every way a
// recording ends also ends its sequence, and the run ends once, with the last recording of a
// series (which also switches the sequence's relays off), however it ends.
TEST_F(RecordingControlTest, RelaySynchronisedRecordingsStartAndEndTheSequence) {
    struct Case {
        const char* name;
        bool steps;
        int recMode, count;
        std::function<void()> stop;
        int starts, recordingEnds, ends, offs;
    };
    const std::vector<Case> cases = {
        {"limit", true, 0, 1, [this] { Run(1500); }, 1, 0, 1, 0},
        {"stop button", true, 0, 1, [this] { control_.RecStop(); }, 1, 0, 1, 0},
        {"stream end", true, 3, 1, [this] { control_.OnStreamStopped(); }, 1, 0, 1, 0},
        {"no steps", false, 0, 1, [this] { Run(1500); }, 0, 0, 1, 0},
        {"series to its end", true, 1, 2, [this] { Run(9000); }, 2, 1, 1, 1},
        {"series called off in the wait", true, 1, 3,
         [this] {
             Run(1500);
             control_.RecStop();
         },
         1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRelaySync relay;
        relay.steps = c.steps;
        control_.SetRelaySync(&relay);
        settings_.recMode = c.recMode;
        settings_.recRepaet = c.count;
        control_.RecStart();
        ASSERT_TRUE(run_.isRecording);
        EXPECT_EQ(relay.calls.size(), 0u) << "the sequence waits for the first frame";
        Run(200);
        if (c.steps) {
            EXPECT_EQ(relay.Count("start-recording"), 1);
            EXPECT_TRUE(timers_.IsRunning(TimerId::kCountDown));
            EXPECT_EQ(countDown_.remaining, 1) << "the recording's own seconds";
        }
        c.stop();
        EXPECT_FALSE(run_.isRecording);
        EXPECT_FALSE(run_.isRepeating);
        EXPECT_EQ(relay.Count("start-recording"), c.starts);
        EXPECT_EQ(relay.Count("end-recording"), c.recordingEnds);
        EXPECT_EQ(relay.Count("end-run"), c.ends);
        EXPECT_EQ(relay.Count("off"), c.offs);
        control_.SetRelaySync(nullptr);
    }
}

// A real file system that fills up: a small RAM disk mounted over the video folder (in a mount
// namespace of this test's own, so nothing outside sees it) and filled from outside until only
// the reserve and a dozen frames fit. The reserve is what lets the index and the header still
// be written. Needs the right to mount; the writer's size limit above covers the rest.
TEST_F(RecordingControlTest, RealFullDiskStillEndsInAnIndexedFileWhoseHeaderCountsItsFrames) {
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no right to mount a small file system here";
    const std::string video = settings_.dirVideo;
    if (mount("tesmira-full", video.c_str(), "tmpfs", 0, "size=12m") != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{video};
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(video.c_str(), &vfs), 0);
    const int64_t room = int64_t(vfs.f_bavail) * int64_t(vfs.f_frsize);
    // The reserve and some 400 frames: their index is larger than what is left of the file's
    // last page, so without the reserve it would not fit.
    const int64_t keep = DiskReserve::kDefaultBytes + 1024 * 1024;
    const int filler = open((video + "/filler").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(filler, 0);
    ASSERT_EQ(posix_fallocate(filler, 0, room - keep), 0);
    close(filler);

    settings_.rtStop = 300000000;  // 30 s
    settings_.recLimitMs = 31000;
    control_.RecStart();
    ASSERT_TRUE(run_.isRecording);
    Run(32000);
    ASSERT_FALSE(run_.isRecording);
    const std::string file = video + "/26_01_17-001_Rec_at_30.00fps.avi";
    const test::ProbedAvi probe = test::ProbeAvi(file);
    ASSERT_TRUE(probe.opened) << "the stopped recording must be playable";
    EXPECT_GT(probe.decodedFrames, 300);
    EXPECT_LT(probe.decodedFrames, 900) << "the disk was not full";
    EXPECT_EQ(probe.headerFrames, probe.decodedFrames);
    const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), "idx1", "idx1" + 4), bytes.end())
        << "no index was written";
    EXPECT_EQ(VideoFiles(),
              (std::vector<std::string>{"26_01_17-001_Rec_at_30.00fps.avi", "filler"}))
        << "the reserve is gone once the file is final";
    EXPECT_TRUE(journal_.Pending().empty());
    EXPECT_FALSE(messages_.messages.empty()) << "the user must hear of the full disk";
}

}  // namespace
}  // namespace tesmira
