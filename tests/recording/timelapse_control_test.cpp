// Time-lapse series stepped through timers 1007 and 1009 with a fake clock and a fake grabber:
// BMP, JPG and AVI series end to end, names that never meet an older series, the work folder,
// pictures that cannot be written, the count-down between frames and the report.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "avi_probe.h"
#include "common/fake_relay_sync.h"
#include "common/recording_rig.h"
#include "core/clock.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "imaging/dib.h"
#include "imaging/ome_tiff_file.h"
#include "media/ffmpeg_avi_writer.h"
#include "recording/avi_rate.h"
#include "recording/recording_control.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"
#include "recording/recording_recovery.h"
#include "recording/timelapse_avi_writer.h"
#include "recording/timelapse_control.h"

namespace tesmira {
namespace {

namespace fs = std::filesystem;

// The grabber: a request is answered (message 1027) a few milliseconds later, as the streaming
// thread would.
class FakeCamera : public ITimelapseCamera {
public:
    FakeCamera() : frame(CDib::Create(32, 24, 24)) {}
    bool IsBuilt() const override { return built; }
    bool IsRunning() const override { return running; }
    bool Run(std::string* error) override {
        ++runs;
        if (!runError.empty()) {
            *error = runError;
            return false;
        }
        running = true;
        return true;
    }
    void RequestFrame() override {
        requested = true;
        ++requests;
    }
    void ClearGrabRequest() override { requested = false; }
    bool FrameFormat(int* w, int* h, int* bits) const override {
        *w = frame->Width();
        *h = frame->Height();
        *bits = frame->BitCount();
        return true;
    }
    const CDib* PrepareFrame(TimelapseType) override {
        std::fill(frame->Pixels(), frame->Pixels() + frame->ImageSize(), uint8_t(40 + requests));
        return frame.get();
    }
    bool built = true;
    bool running = true;
    bool requested = false;
    int requests = 0;
    int runs = 0;
    std::string runError;
    std::unique_ptr<CDib> frame;
};

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Head(const std::string& path, size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), std::streamsize(n));
    return bytes.substr(0, size_t(in.gcount()));
}

class TimelapseTest : public test::RecordingRig {
protected:
    void SetUp() override {
        dir_ = test::MakeTempDir();
        Settings& s = settings_;
        s.dirVideo = dir_ + "/video";
        s.tempDrive = dir_ + "/work";
        fs::create_directories(s.dirVideo);
        fs::create_directories(s.tempDrive);
        s.recMode = 2;
        s.recTlNo = 0;
        s.timelapse = 1000;
        s.tlFrames = 3;
        s.timelapseType = 1;
        s.mediaType = 0;
        s.fpsAviReplay = 0;
        s.replayFps = 29.97;
        control_.RegisterTimers();
        timelapse_.RegisterTimers();
        control_.SetTimelapse(&timelapse_);
    }
    void TearDown() override {
        test::RemoveTree(dir_);
        test::RemoveTree(journalDir_);
    }
    // Timers against the fake clock, one millisecond at a time; a pending frame request is
    // answered 5 ms after it was made, as the streaming thread would.
    void Run(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) {
            stepper_.Advance(1);
            if (camera_.requested && ++sinceRequest_ >= 5) {
                sinceRequest_ = 0;
                timelapse_.OnFrameGrabbed();
            }
        }
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages)
            texts.push_back(m.text);
        return texts;
    }
    std::string Video(const std::string& name) const { return settings_.dirVideo + "/" + name; }

    int sinceRequest_ = 0;
    FakeCamera camera_;
    int rebuilds_ = 0;
    std::string journalDir_ = test::MakeTempDir();
    RecordingJournal journal_{journalDir_ + "/Tesmira.recordings"};
    std::vector<int> savedRecTlNos_;  // "RecTL No." as it was written each time it moved
    RecordingControl control_{RigDeps()};
    TimelapseControl timelapse_{
        TimelapseDeps{settings_,
                      run_,
                      doc_,
                      messages_,
                      clock_,
                      timers_,
                      log_,
                      stage_,
                      countDown_,
                      panel_,
                      camera_,
                      {},
                      {},
                      [this] { ++rebuilds_; },
                      &journal_,
                      [this] { savedRecTlNos_.push_back(settings_.recTlNo); }}};
    std::string dir_;
};

TEST_F(TimelapseTest, BmpSeriesStoresEachFrameAndEndsInItsFinalFolder) {
    log_.AppendRow(0, 0, 1, 2, 3, 1);  // left over from an earlier recording
    control_.RecStart();               // recording control hands mode 2 over
    EXPECT_TRUE(run_.isRecording);
    EXPECT_TRUE(timers_.IsRunning(TimerId::kTimelapse));
    EXPECT_TRUE(stage_.polling) << "Z follows the drive while the series runs";
    EXPECT_EQ(countDown_.titles.front(), "タイムラップス　");
    EXPECT_TRUE(log_.logN.empty()) << "the log lists are emptied at the start";
    Run(1500);
    EXPECT_EQ(timers_.PeriodOf(TimerId::kTimelapse), 1000) << "interval after the first tick";
    EXPECT_EQ(panel_.status, "Get      2 / 3  ");
    timelapse_.OnFrameGrabbed();  // one more message for a frame already stored
    EXPECT_FALSE(timers_.IsRunning(TimerId::kCountDown)) << "no count-down at 1 s intervals";
    Run(1000);
    EXPECT_FALSE(run_.isRecording) << "stops after TL_frames stored frames";
    EXPECT_FALSE(timers_.IsRunning(TimerId::kTimelapse));
    EXPECT_FALSE(stage_.polling);
    EXPECT_FALSE(countDown_.visible);
    EXPECT_EQ(camera_.requests, 3);
    EXPECT_EQ(log_.logX.size(), 3u);
    EXPECT_EQ(stage_.oneShots, 3) << "one Z/shot synchronisation event per grabbed frame";

    ASSERT_EQ(Names(settings_.dirVideo), std::vector<std::string>{"26_01_17-000_BMP_at_0m_1s"});
    const std::string folder = Video("26_01_17-000_BMP_at_0m_1s");
    EXPECT_EQ(Names(folder),
              (std::vector<std::string>{"OneShot0000.bmp", "OneShot0001.bmp", "OneShot0002.bmp"}));
    EXPECT_EQ(Head(folder + "/OneShot0001.bmp", 2), "BM");
    EXPECT_EQ(fs::file_size(folder + "/OneShot0001.bmp"), camera_.frame->BmpFileSize());
    EXPECT_EQ(timelapse_.lastSeries(), folder + "/");
    EXPECT_EQ(settings_.recTlNo, 1);

    const std::string pane = hints_.Text(101);
    EXPECT_NE(pane.find("齣撮 No.  0\n取得：     3\n"), std::string::npos) << pane;
    EXPECT_NE(pane.find("Rec Time:     2.01 s \n"), std::string::npos) << pane;
    EXPECT_NE(pane.find("実齣速度\n  1.0000 fps\n再生速度\n   29.97 fps\n\n"), std::string::npos)
        << pane;
    EXPECT_TRUE(Messages().empty());
}

TEST_F(TimelapseTest, JpgSeriesWritesJpegFiles) {
    settings_.timelapseType = 2;
    control_.OnSpaceKey();
    Run(2500);
    ASSERT_FALSE(run_.isRecording);
    const std::string folder = Video("26_01_17-000_JPG_at_0m_1s");
    EXPECT_EQ(Names(folder),
              (std::vector<std::string>{"OneShot0000.jpg", "OneShot0001.jpg", "OneShot0002.jpg"}));
    EXPECT_EQ(Head(folder + "/OneShot0002.jpg", 3), "\xFF\xD8\xFF");
}

TEST_F(TimelapseTest, AviSeriesHoldsEveryFrameAtTheExactReplayRate) {
    settings_.timelapseType = 0;
    settings_.timelapse = 90000;  // 1 m 30 s
    settings_.tlFrames = 2;
    control_.RecStart();
    Run(90100);
    ASSERT_FALSE(run_.isRecording);
    const std::string file = Video("26_01_17-000_TL_at_1m_30s.avi");
    ASSERT_EQ(Names(settings_.dirVideo), std::vector<std::string>{"26_01_17-000_TL_at_1m_30s.avi"});
    AviRateInfo info;
    ASSERT_TRUE(InspectAviRate(file, &info));
    EXPECT_EQ(info.frameCount, 2u);
    EXPECT_DOUBLE_EQ(info.streamRate, 30000.0 / 1001.0);
    EXPECT_EQ(settings_.recTlNo, 1) << "the AVI number moves on at the stop";
}

// An older series must never be written into or overwritten: the number skips every name in use,
// finished or not, and a new folder always has its own "/".
TEST_F(TimelapseTest, NumbersInUseAreSkippedAndOldFramesStayUntouched) {
    const std::string old = Video("26_01_17-000_BMP_at_0m_1s");
    fs::create_directories(old);
    std::ofstream(old + "/OneShot0000.bmp") << "older run";
    std::ofstream(Video("26_01_17-001_TL.avi")) << "running elsewhere";
    fs::create_directories(Video("26_01_17-002_JPG"));
    settings_.tlFrames = 1;
    control_.RecStart();
    Run(200);
    ASSERT_FALSE(run_.isRecording);
    EXPECT_EQ(Names(Video("26_01_17-003_BMP_at_0m_1s")),
              std::vector<std::string>{"OneShot0000.bmp"});
    EXPECT_EQ(Head(old + "/OneShot0000.bmp", 20), "older run");
    EXPECT_EQ(settings_.recTlNo, 4);
    EXPECT_NE(hints_.Text(101).find("齣撮 No.  3\n取得：     1\n"), std::string::npos)
        << "the summary names the series' own number";
    EXPECT_NE(hints_.Text(101).find("実齣速度\n  0.0000 fps"), std::string::npos)
        << "one frame has no rate";
}

TEST_F(TimelapseTest, WorkFolderSeriesIsMovedToTheVideoFolder) {
    settings_.useTempDrive = 1;
    control_.RecStart();
    Run(400);
    EXPECT_EQ(Names(settings_.tempDrive), std::vector<std::string>{"26_01_17-000_BMP"});
    EXPECT_TRUE(Names(settings_.dirVideo).empty());
    Run(2200);
    ASSERT_FALSE(run_.isRecording);
    EXPECT_TRUE(Names(settings_.tempDrive).empty());
    EXPECT_EQ(Names(Video("26_01_17-000_BMP_at_0m_1s")).size(), 3u);
    EXPECT_EQ(panel_.status, "Get      3 / 3  ") << "the old status comes back after the move";

    // Switched on without a folder: the frames stay in the video folder, never the current one.
    settings_.tempDrive.clear();
    control_.RecStart();
    Run(2500);
    EXPECT_EQ(Names(Video("26_01_17-001_BMP_at_0m_1s")).size(), 3u);
}

TEST_F(TimelapseTest, AMoveThatFailsIsReportedWithWhereTheFramesAre) {
    settings_.useTempDrive = 1;
    control_.RecStart();
    Run(500);
    fs::create_directories(Video("26_01_17-000_BMP_at_0m_1s"));  // the final name is taken
    fs::remove_all(settings_.dirVideo);                          // and then the folder is gone
    Run(2000);
    ASSERT_FALSE(run_.isRecording);
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages().back().find(settings_.tempDrive + "/26_01_17-000_BMP/"), std::string::npos)
        << Messages().back();
    EXPECT_EQ(Names(settings_.tempDrive + "/26_01_17-000_BMP").size(), 3u);
    ASSERT_EQ(journal_.Pending().size(), 1u) << "the next start tries the move again";
    EXPECT_EQ(journal_.Pending()[0].path, settings_.tempDrive + "/26_01_17-000_BMP/");
}

TEST_F(TimelapseTest, APictureThatCannotBeWrittenStopsTheRunAndIsNotCounted) {
    settings_.tlFrames = 5;
    control_.RecStart();
    Run(100);
    fs::remove_all(Video("26_01_17-000_BMP"));
    Run(1000);
    EXPECT_FALSE(run_.isRecording);
    EXPECT_FALSE(stage_.polling);
    EXPECT_EQ(timelapse_.framesStored(), 1);
    std::string all;
    for (const std::string& m : Messages())
        all += m;
    EXPECT_NE(all.find("OneShot0001.bmp"), std::string::npos) << all;
    EXPECT_NE(hints_.Text(101).find("取得：     1\n"), std::string::npos);
}

TEST_F(TimelapseTest, LongIntervalsCountDownBetweenFrames) {
    settings_.timelapse = 5000;
    control_.RecStart();
    Run(100);
    EXPECT_TRUE(timers_.IsRunning(TimerId::kCountDown));
    EXPECT_EQ(countDown_.titles.back(), "タイムラップス  1 / 3");
    EXPECT_EQ(countDown_.totals.back(), 5);
    // A relay sequence this series did not start (the shot button's) takes no frame.
    const int requested = camera_.requests;
    timelapse_.OnRelayFrameMarker();
    EXPECT_EQ(camera_.requests, requested);
    Run(2000);
    EXPECT_EQ(panel_.status, "Get      1 / 3\n    (3 s)");
    EXPECT_EQ(countDown_.remaining, 3);
    Run(3000);
    EXPECT_EQ(countDown_.titles.back(), "タイムラップス  2 / 3");

    // A user stop ends the clock and the count-down at once.
    control_.OnSpaceKey();
    EXPECT_FALSE(run_.isRecording);
    EXPECT_FALSE(timers_.IsRunning(TimerId::kTimelapse));
    EXPECT_FALSE(timers_.IsRunning(TimerId::kCountDown));
    EXPECT_FALSE(countDown_.visible);
    EXPECT_FALSE(stage_.polling);
    EXPECT_TRUE(timers_.IsRunning(TimerId::kSerialReceive));
}

TEST_F(TimelapseTest, StopCountIsReachedEvenWhenLoweredBelowTheFramesStored) {
    settings_.tlFrames = 0;
    control_.RecStart();
    Run(300);
    EXPECT_FALSE(run_.isRecording);
    EXPECT_EQ(timelapse_.framesStored(), 1);
}

TEST_F(TimelapseTest, StartWithoutLiveVideoRunsTheGraphAndAFailedRunCleansUp) {
    camera_.running = false;
    control_.OnSpaceKey();
    EXPECT_EQ(camera_.runs, 1);
    EXPECT_TRUE(run_.isRecording);
    control_.OnSpaceKey();
    EXPECT_FALSE(run_.isRecording);

    camera_.running = false;
    camera_.runError = "camera gone";
    control_.RecStart();
    EXPECT_FALSE(run_.isRecording);
    EXPECT_EQ(rebuilds_, 1);
    EXPECT_FALSE(timers_.IsRunning(TimerId::kTimelapse));
    EXPECT_FALSE(stage_.polling);
    EXPECT_FALSE(fs::exists(Video("26_01_17-001_BMP"))) << "the unused folder is taken away";
    EXPECT_TRUE(journal_.Pending().empty()) << "nothing left for the next start to finish";
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], "camera gone");
}

// While a series runs the journal names where its frames go, what it is and the name it is to end
// with; once it has that name the entry is gone. "RecTL No." is written the moment it moves: at
// the start for picture series, at the stop for an AVI.
TEST_F(TimelapseTest, JournalNamesTheRunningSeriesUntilItHasItsFinalName) {
    struct Case {
        int type;
        int useTempDrive;
        const char* active;  // relative to the folder the frames go to while running
        RecordingKind kind;
        const char* finalName;  // in the video folder
        std::vector<int> savedAtStart;
    };
    const std::vector<Case> cases = {
        {1, 0, "26_01_17-000_BMP/", RecordingKind::ImageSeries, "26_01_17-000_BMP_at_0m_1s/", {1}},
        {2, 1, "26_01_17-001_JPG/", RecordingKind::ImageSeries, "26_01_17-001_JPG_at_0m_1s/", {2}},
        {0,
         0,
         "26_01_17-002_TL.avi",
         RecordingKind::TimeLapseAvi,
         "26_01_17-002_TL_at_0m_1s.avi",
         {}},
        {0,
         1,
         "26_01_17-003_TL.avi",
         RecordingKind::TimeLapseAvi,
         "26_01_17-003_TL_at_0m_1s.avi",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.active);
        settings_.timelapseType = c.type;
        settings_.useTempDrive = c.useTempDrive;
        savedRecTlNos_.clear();
        control_.RecStart();
        ASSERT_TRUE(run_.isRecording);
        EXPECT_EQ(savedRecTlNos_, c.savedAtStart);
        Run(1500);  // two of three frames stored
        const std::vector<JournalEntry> pending = journal_.Pending();
        ASSERT_EQ(pending.size(), 1u);
        const std::string running = c.useTempDrive ? settings_.tempDrive : settings_.dirVideo;
        EXPECT_EQ(pending[0].path, running + "/" + c.active);
        EXPECT_EQ(pending[0].kind, c.kind);
        EXPECT_EQ(pending[0].number, timelapse_.seriesNumber());
        EXPECT_EQ(pending[0].finalName, Video(c.finalName));
        Run(1000);
        ASSERT_FALSE(run_.isRecording);
        EXPECT_EQ(timelapse_.lastSeries(), Video(c.finalName));
        EXPECT_TRUE(journal_.Pending().empty());
        EXPECT_EQ(savedRecTlNos_.back(), timelapse_.seriesNumber() + 1);
    }
}

// A run cut short in the work folder (the program killed mid-series) is found by the next start:
// every picture stored so far is in the video folder under the series' final name, and a picture
// whose writing was cut off before it got its name is not passed off as one.
TEST_F(TimelapseTest, CutSeriesIsFinishedByTheNextStart) {
    settings_.useTempDrive = 1;
    settings_.tlFrames = 10;
    control_.RecStart();
    Run(2500);  // three frames stored, then the program "dies": nothing more runs
    ASSERT_TRUE(run_.isRecording);
    const std::string running = settings_.tempDrive + "/26_01_17-000_BMP/";
    std::ofstream(running + ".OneShot0003.bmp.4242.4242.0.tmp") << "half a picture";

    Settings next = settings_;
    next.timelapse = 60000;  // changed since: the name still follows the series' own interval
    next.recTlNo = 0;        // and the number was never written
    std::vector<std::string> lines;
    const RecoveryOutcome out =
        RecoverRecordings(next, journal_, [&lines](bool repaired, const std::string& text) {
            EXPECT_TRUE(repaired) << text;
            lines.push_back(text);
        });
    EXPECT_EQ(out.repaired, 1);
    EXPECT_EQ(next.recTlNo, 1);
    EXPECT_TRUE(Names(settings_.tempDrive).empty());
    EXPECT_EQ(Names(Video("26_01_17-000_BMP_at_0m_1s")),
              (std::vector<std::string>{"OneShot0000.bmp", "OneShot0001.bmp", "OneShot0002.bmp"}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("26_01_17-000_BMP_at_0m_1s/"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("取得：     3"), std::string::npos) << lines[0];
    EXPECT_TRUE(journal_.Pending().empty());
}

// The disk fills up in the middle of an AVI series (the writer's size limit plays the full disk):
// the run stops with a message, and the file still gets its index and a header that counts the
// frames in it.
TEST_F(TimelapseTest, FullDiskStillEndsTheAviSeriesIndexedWithItsFramesCounted) {
    settings_.timelapseType = 0;
    settings_.tlFrames = 100;
    SetAviWriterSizeLimitForTests(30000);  // room for about ten 32x24 frames
    control_.RecStart();
    Run(20000);
    SetAviWriterSizeLimitForTests(0);
    ASSERT_FALSE(run_.isRecording);
    const std::string file = Video("26_01_17-000_TL_at_0m_1s.avi");
    const test::ProbedAvi probe = test::ProbeAvi(file);
    ASSERT_TRUE(probe.opened);
    EXPECT_GT(probe.decodedFrames, 3);
    EXPECT_LT(probe.decodedFrames, 20);
    EXPECT_EQ(probe.headerFrames, probe.decodedFrames);
    const std::string bytes = Head(file, 100000);
    EXPECT_NE(bytes.find("idx1"), std::string::npos) << "no index was written";
    EXPECT_TRUE(journal_.Pending().empty());
    ASSERT_FALSE(Messages().empty()) << "the user must hear of the full disk";
}

// Pages and OME-XML of an OME-TIFF series as they are on disk now.
struct OmeOnDisk {
    int64_t pages = 0;
    std::string xml;
};
OmeOnDisk ReadOme(const std::string& path) {
    OmeOnDisk out;
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return out;
    const OmeTiffScan scan = ScanOmeTiff(fd, uint64_t(lseek(fd, 0, SEEK_END)));
    out.pages = scan.pages;
    out.xml = ReadOmeDescription(fd, scan.description);
    close(fd);
    return out;
}
OmeOnDisk WaitForPages(const std::string& path, int64_t pages) {
    OmeOnDisk now;
    for (int i = 0; i < 2000 && (now = ReadOme(path)).pages < pages; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return now;
}

// One file a series; each frame's time and the stage where it was asked for go into its plane,
// and the file is finished after a kill by the next start.
TEST_F(TimelapseTest, OmeTiffSeriesCarriesTimesAndPositionsAndSurvivesAKill) {
    settings_.timelapseType = 3;
    settings_.useTempDrive = 1;
    settings_.tlFrames = 3;
    settings_.saveLog = 1;
    settings_.dirLog = dir_ + "/log";
    fs::create_directories(settings_.dirLog);
    control_.RecStart();
    for (double x : {0.0, 250.0, 500.0}) {
        stage_.sample.x = x;
        Run(1000);
    }
    ASSERT_FALSE(run_.isRecording);
    const std::string file = Video("26_01_17-000_OME_at_0m_1s.ome.tif");
    ASSERT_EQ(Names(settings_.dirVideo),
              std::vector<std::string>{"26_01_17-000_OME_at_0m_1s.ome.tif"});
    const OmeOnDisk done = ReadOme(file);
    EXPECT_EQ(done.pages, 3);
    EXPECT_NE(done.xml.find("SizeT=\"3\""), std::string::npos);
    EXPECT_NE(done.xml.find("DeltaT=\"2000.000\" DeltaTUnit=\"ms\" PositionX=\"500.000\""),
              std::string::npos)
        << done.xml;
    EXPECT_EQ(settings_.recTlNo, 1);
    EXPECT_TRUE(journal_.Pending().empty());
    std::ifstream csv(settings_.dirLog + "/26_01_17-000_OME_at_0m_1s.frames.csv");
    std::vector<std::string> rows;
    for (std::string line; std::getline(csv, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].substr(0, 2), "2,");
    EXPECT_NE(rows[3].find(",2000,500.00,0.00,0.00,"), std::string::npos) << rows[3];

    // The next series is killed after two of its ten frames.
    settings_.tlFrames = 10;
    control_.RecStart();
    Run(1500);
    ASSERT_TRUE(run_.isRecording);
    const std::string running = settings_.tempDrive + "/26_01_17-001_OME.ome.tif";
    ASSERT_EQ(WaitForPages(running, 2).pages, 2);
    Settings next = settings_;
    next.recTlNo = 0;
    const RecoveryOutcome out = RecoverRecordings(next, journal_, {});
    EXPECT_EQ(out.repaired, 1);
    EXPECT_EQ(next.recTlNo, 2);
    const OmeOnDisk kept = ReadOme(Video("26_01_17-001_OME_at_0m_1s.ome.tif"));
    EXPECT_EQ(kept.pages, 2);
    EXPECT_NE(kept.xml.find("SizeT=\"2\""), std::string::npos);
}

TEST_F(TimelapseTest, OmeTiffSeriesStoppedBeforeItsFirstFrameLeavesNoFile) {
    settings_.timelapseType = 3;
    control_.RecStart();
    ASSERT_TRUE(run_.isRecording);
    control_.RecStop();
    EXPECT_TRUE(Names(settings_.dirVideo).empty());
    EXPECT_TRUE(journal_.Pending().empty());
}

TEST(TimelapseNames, FinalNamesCarryTheInterval) {
    EXPECT_EQ(FinalTimelapseName("/v/26_01_17-004_TL.avi", 90000),
              "/v/26_01_17-004_TL_at_1m_30s.avi");
    EXPECT_EQ(FinalTimelapseName("/v/26_01_17-004_BMP/", 90000), "/v/26_01_17-004_BMP_at_1m_30s/");
    EXPECT_EQ(FinalTimelapseName("/v/26_01_17-004_JPG/", 3725999),
              "/v/26_01_17-004_JPG_at_62m_5s/");
    EXPECT_EQ(FinalTimelapseName("/v/26_01_17-004_OME.ome.tif", 5000),
              "/v/26_01_17-004_OME_at_0m_5s.ome.tif");
    const std::string dir = test::MakeTempDir();
    std::ofstream(dir + "/s.ome.tif") << "taken";
    EXPECT_EQ(UnusedTimelapseVariant(dir + "/s.ome.tif"), dir + "/s(2).ome.tif");
    test::RemoveTree(dir);
    EXPECT_EQ(ReplayRateFraction(0).num, 30000);
    EXPECT_EQ(ReplayRateFraction(0).den, 1001);
    EXPECT_EQ(ReplayRateFraction(2).num, 60000);
    EXPECT_EQ(ReplayRateFraction(3).den, 1);
}

// A writer that takes its time per frame, or fails from a given frame on.
class SlowWriter : public IAviWriter {
public:
    bool Open(const std::string&, const VideoFormat& v, const std::optional<AudioFormat>&,
              const CodecSettings&, double, std::string*) override {
        format = v;
        open = true;
        return true;
    }
    bool WriteVideo(const uint8_t*, size_t, int64_t pts) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        if (failFrom >= 0 && frames >= failFrom)
            return false;
        ptsSeen.push_back(pts);
        ++frames;
        return true;
    }
    bool WriteAudio(const uint8_t*, size_t, int64_t) override { return true; }
    bool Close(std::string*) override {
        open = false;
        return true;
    }
    bool IsOpen() const override { return open; }
    int64_t FramesWritten() const override { return frames; }
    VideoFormat format;
    bool open = false;
    int frames = 0;
    int failFrom = -1;
    std::vector<int64_t> ptsSeen;
};

TEST(TimelapseAviWriterTest, CompressesOffTheCallersThreadAndReportsFailures) {
    auto owned = std::make_unique<SlowWriter>();
    SlowWriter* writer = owned.get();
    TimelapseAviWriter avi(std::move(owned));
    auto frame = CDib::Create(16, 8, 24);
    ASSERT_TRUE(avi.Open("/tmp/x.avi", 16, 8, 24, 30000, 1001, CodecSettings{}, nullptr));
    EXPECT_EQ(writer->format.fpsNum, 30000);
    EXPECT_EQ(writer->format.fpsDen, 1001);
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(avi.Append(*frame));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(100))
        << "appending does not wait for the compressor";
    std::string error;
    EXPECT_TRUE(avi.Close(&error)) << error;
    EXPECT_EQ(avi.FramesWritten(), 4);
    EXPECT_EQ(writer->ptsSeen.back(), 3 * int64_t(1000000000) * 1001 / 30000);

    auto failing = std::make_unique<SlowWriter>();
    failing->failFrom = 1;
    TimelapseAviWriter broken(std::move(failing));
    ASSERT_TRUE(broken.Open("/tmp/y.avi", 16, 8, 24, 30, 1, CodecSettings{}, nullptr));
    broken.Append(*frame);
    broken.Append(*frame);
    EXPECT_FALSE(broken.Close(&error));
    EXPECT_NE(error.find("/tmp/y.avi"), std::string::npos);
    EXPECT_FALSE(broken.Append(*frame)) << "nothing is taken after a failure";
}

// With relay steps each tick starts the relay sequence and its marker step asks for the frame.
// The stop that follows the last frame ends the relay run at once, with its relays off; so does a
// user stop, and a run without steps tells the relay side too (its clock windows end with it).
TEST_F(TimelapseTest, RelayStepsTakeTheFramesAndTheStopSwitchesTheRelaysOffAtOnce) {
    FakeRelaySync relay;
    timelapse_.SetRelaySync(&relay);
    settings_.timelapse = 10000;
    settings_.tlFrames = 2;
    control_.RecStart();
    Run(10);
    EXPECT_EQ(relay.Count("start-tick"), 1);
    EXPECT_EQ(camera_.requests, 0) << "the frame waits for the marker step";
    Run(2000);
    timelapse_.OnRelayFrameMarker();  // ON 2 s before the frame: the marker comes 2 s later
    EXPECT_EQ(camera_.requests, 1);
    EXPECT_EQ(log_.logX.size(), 1u);
    Run(8000);  // the next tick, 10 s after the first
    EXPECT_EQ(relay.Count("start-tick"), 2);
    EXPECT_EQ(timelapse_.framesStored(), 1);
    Run(2000);
    timelapse_.OnRelayFrameMarker();
    Run(20);
    EXPECT_FALSE(run_.isRecording) << "TL_frames stored";
    EXPECT_FALSE(timers_.IsRunning(TimerId::kTimelapse));
    EXPECT_FALSE(countDown_.visible);
    EXPECT_EQ(relay.Count("end-run"), 1);
    EXPECT_EQ(relay.Count("off"), 1);
    timelapse_.OnRelayFrameMarker();  // a marker after the stop takes nothing
    EXPECT_EQ(camera_.requests, 2);

    control_.RecStart();
    Run(10);
    control_.RecStop();
    EXPECT_EQ(relay.Count("end-run"), 2);
    EXPECT_EQ(relay.Count("off"), 2);

    relay.steps = false;
    control_.RecStart();
    Run(10);
    control_.RecStop();
    EXPECT_EQ(relay.Count("end-run"), 3);
    EXPECT_EQ(relay.Count("off"), 2);
    timelapse_.SetRelaySync(nullptr);
}

}  // namespace
}  // namespace tesmira
