// Start-up recovery of recordings cut short: a child process records with the real AVI writer and
// is killed with SIGKILL mid-recording; the journal it left says what to repair. Checked on the
// files with ffprobe, as a user would find them after the restart.
#include "recording/recording_recovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/settings.h"
#include "recording/file_move.h"
#include "recording/log_row_spool.h"
#include "recording/recording_control.h"
#include "recording/recording_paths.h"
#include "recovery_util.h"

namespace tesmira::test {
namespace {

namespace fs = std::filesystem;

struct Line {
    bool repaired;
    std::string text;
};

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshDir();
        s_.datePrefix = "26_01_17-";
        s_.dirVideo = dir_ + "/video";
        s_.dirLog = dir_ + "/log";
        s_.tempDrive = dir_ + "/work";
        s_.useTempDrive = 0;
        s_.recNo = 1;
        s_.recTlNo = 1;
        s_.timelapse = 10000;
        s_.resetFps = false;
        for (const auto& d : {s_.dirVideo, s_.dirLog, s_.tempDrive})
            fs::create_directories(d);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        fs::remove_all(fs::path(journal_.Path()).parent_path());
    }

    RecoveryOutcome Recover() {
        return RecoverRecordings(s_, journal_, [this](bool repaired, const std::string& text) {
            lines_.push_back({repaired, text});
        });
    }
    void Begin(const std::string& path, RecordingKind kind, int number,
               const std::string& finalName) {
        ASSERT_TRUE(journal_.Begin({path, kind, number, 1768600000, finalName}).Ok());
    }
    std::vector<std::string> Names(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir_;
    Settings s_;
    RecordingJournal journal_{FreshDir() + "/Tesmira.recordings"};
    std::vector<Line> lines_;
};

// The whole road for a movie killed in the video folder: repaired in place, named by its rate,
// one green line, and the next recording takes the number after it.
TEST_F(RecoveryTest, KilledMovieInTheVideoFolderIsRepairedNamedAndCountedPast) {
    const std::string cut = s_.dirVideo + "/26_01_17-005.avi";
    Begin(cut, RecordingKind::Movie, 5, cut);
    ASSERT_TRUE(RecordAndKill(cut, {0, false, 17}));
    const ProbeCount before = ProbeVideoFrames(cut);
    EXPECT_NE(before.headerFrames, 17) << "the killed file should not be whole yet";

    const RecoveryOutcome out = Recover();
    EXPECT_EQ(out.repaired, 1);
    EXPECT_EQ(out.failed, 0);
    const std::string final = s_.dirVideo + "/26_01_17-005_Rec_at_30.00fps.avi";
    ASSERT_EQ(Names(s_.dirVideo), std::vector<std::string>{fs::path(final).filename()});
    const ProbeCount after = ProbeVideoFrames(final);
    EXPECT_EQ(after.readFrames, after.headerFrames);
    // The last frame may have been torn by the kill; never more than that is lost.
    EXPECT_GE(after.headerFrames, 16);
    EXPECT_LE(after.headerFrames, 17);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_TRUE(lines_[0].repaired);
    EXPECT_NE(lines_[0].text.find("26_01_17-005_Rec_at_30.00fps.avi"), std::string::npos);

    EXPECT_TRUE(out.countersMoved);
    EXPECT_EQ(s_.recNo, 6);
    RecordingPaths paths;
    EXPECT_EQ(MakeNextRecordingPath(paths, s_, FirstFreeRecordingNumber(s_, s_.recNo)),
              s_.dirVideo + "/26_01_17-006.avi");
    EXPECT_TRUE(journal_.Pending().empty());
    // A second start finds nothing more to do.
    lines_.clear();
    EXPECT_EQ(Recover().repaired, 0);
    EXPECT_TRUE(lines_.empty());
}

// The rows kept beside a killed movie become its log, marked as cut short; without them the
// message pane says why there is no log.
TEST_F(RecoveryTest, KilledMovieGetsTheLogOfWhatWasKnown) {
    s_.saveLog = 1;
    const std::string model = dir_ + "/killed.avi";
    ASSERT_TRUE(RecordAndKill(model, {0, false, 8}));
    enum class Kept { ThreeRows, Nothing, NoRows, Damaged };
    struct Case {
        Kept kept;
        int logType;
        const char* logName;  // nullptr: no log
        const char* mark;
        const char* said;  // in the message
    };
    const Case cases[] = {
        {Kept::ThreeRows, 2, "26_01_17-%03d.csv", "cut short\r\n", "切れた所までの行"},
        {Kept::ThreeRows, 0, "26_01_17-%03d.dat", "<cut short>[0]=1\r\n", "切れた所までの行"},
        {Kept::Nothing, 2, nullptr, nullptr, "行は残っていませんでした"},
        {Kept::NoRows, 2, nullptr, nullptr, "最初の駒より前"},
        {Kept::Damaged, 2, nullptr, nullptr, "読めませんでした"},
    };
    int number = 10;
    for (const Case& c : cases) {
        ++number;
        SCOPED_TRACE(number);
        lines_.clear();
        char name[64];
        std::snprintf(name, sizeof name, "/26_01_17-%03d.avi", number);
        const std::string cut = s_.dirVideo + name;
        fs::copy_file(model, cut);
        Begin(cut, RecordingKind::Movie, number, cut);
        char log[64];
        std::snprintf(log, sizeof log, c.logName ? c.logName : "26_01_17-%03d.csv", number);
        const std::string logPath = s_.dirLog + "/" + log;
        if (c.kept == Kept::Damaged) {
            std::ofstream(LogSpoolPathOf(cut)) << "not rows\n";
        } else if (c.kept != Kept::Nothing) {
            LogRowSpool spool;
            ASSERT_TRUE(spool.Open(LogSpoolPathOf(cut), {logPath, c.logType}));
            for (int row = 0; c.kept == Kept::ThreeRows && row < 3; ++row)
                spool.Append(row, row / 2, 1.5 * row, -2.0, 0.0, 1);
        }  // left behind as a kill leaves it

        ASSERT_EQ(Recover().repaired, 1);
        ASSERT_EQ(lines_.size(), 1u);
        EXPECT_NE(lines_[0].text.find(c.said), std::string::npos) << lines_[0].text;
        EXPECT_FALSE(PathExists(LogSpoolPathOf(cut))) << "the kept rows stay behind";
        if (!c.logName) {
            EXPECT_FALSE(PathExists(logPath));
            continue;
        }
        const std::vector<uint8_t> bytes = ReadAll(logPath);
        const std::string written(bytes.begin(), bytes.end());
        EXPECT_NE(lines_[0].text.find(log), std::string::npos);
        const std::string mark = c.mark;
        ASSERT_GE(written.size(), mark.size());
        EXPECT_EQ(written.substr(written.size() - mark.size()), mark);
        if (c.logType == 2) {
            EXPECT_EQ(written.rfind("N,Dropped,X,Y,Ready,actual fps,replay fps\r\n"
                                    "0,0,    0.00,   -2.00,1,   30.00,   30.00\r\n"
                                    "1,0,    1.50,   -2.00,1\r\n2,1,    3.00,   -2.00,1\r\n",
                                    0),
                      0u)
                << written;
        }
    }
}

TEST_F(RecoveryTest, KilledMovieInTheWorkFolderArrivesInTheVideoFolder) {
    s_.useTempDrive = 1;
    const std::string cut = s_.tempDrive + "/26_01_17-002.avi";
    Begin(cut, RecordingKind::Movie, 2, s_.dirVideo + "/26_01_17-002.avi");
    ASSERT_TRUE(RecordAndKill(cut, {1, false, 12}));              // MJPEG
    WriteAll(ReservePathOf(cut), std::vector<uint8_t>(4096, 0));  // held back beside it

    EXPECT_EQ(Recover().repaired, 1);
    EXPECT_TRUE(Names(s_.tempDrive).empty()) << "neither the movie nor its reserve stay behind";
    const std::string final = s_.dirVideo + "/26_01_17-002_Rec_at_30.00fps.avi";
    ASSERT_TRUE(PathExists(final));
    const ProbeCount after = ProbeVideoFrames(final);
    EXPECT_EQ(after.readFrames, after.headerFrames);
    EXPECT_GE(after.headerFrames, 11);
    EXPECT_EQ(s_.recNo, 3);
}

// A counter already past the entry stays where it is; a clash with an existing final name gets
// a name beside it instead of replacing the file.
TEST_F(RecoveryTest, ExistingFinalNameIsNeverReplaced) {
    s_.recNo = 9;
    const std::string cut = s_.dirVideo + "/26_01_17-003.avi";
    const std::string taken = s_.dirVideo + "/26_01_17-003_Rec_at_30.00fps.avi";
    std::ofstream(taken) << "somebody's file";
    Begin(cut, RecordingKind::Movie, 3, cut);
    ASSERT_TRUE(RecordAndKill(cut, {0, false, 5}));

    const RecoveryOutcome out = Recover();
    EXPECT_EQ(out.repaired, 1);
    EXPECT_FALSE(out.countersMoved);
    EXPECT_EQ(s_.recNo, 9);
    EXPECT_EQ(ReadAll(taken).size(), std::string("somebody's file").size());
    EXPECT_TRUE(PathExists(s_.dirVideo + "/26_01_17-003_Rec_at_30.00fps(2).avi"));
}

TEST_F(RecoveryTest, UnreadableFileIsLeftAloneAndNamedInTheMessage) {
    const std::string cut = s_.dirVideo + "/26_01_17-004.avi";
    const std::vector<uint8_t> junk(5000, 0x5A);
    WriteAll(cut, junk);
    Begin(cut, RecordingKind::Movie, 4, cut);

    const RecoveryOutcome out = Recover();
    EXPECT_EQ(out.failed, 1);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_FALSE(lines_[0].repaired);
    EXPECT_NE(lines_[0].text.find(cut), std::string::npos);
    EXPECT_EQ(ReadAll(cut), junk);
    EXPECT_EQ(s_.recNo, 5) << "the number was handed out even though its file is lost";
    EXPECT_TRUE(journal_.Pending().empty()) << "nothing will ever parse it: asked once only";
}

TEST_F(RecoveryTest, EntryWhoseFileIsGoneIsDroppedQuietly) {
    Begin(s_.dirVideo + "/26_01_17-007.avi", RecordingKind::Movie, 7, "");
    WriteAll(ReservePathOf(s_.dirVideo + "/26_01_17-007.avi"), std::vector<uint8_t>(4096, 0));
    EXPECT_EQ(Recover().repaired, 0);
    EXPECT_TRUE(Names(s_.dirVideo).empty()) << "the reserve went with its recording";
    EXPECT_TRUE(lines_.empty());
    EXPECT_TRUE(journal_.Pending().empty());
    EXPECT_EQ(s_.recNo, 8);
}

TEST_F(RecoveryTest, TimeLapseAviAndSeriesFolderGetTheirIntervalNames) {
    s_.timelapse = 90000;
    const std::string avi = s_.dirVideo + "/26_01_17-001_TL.avi";
    Begin(avi, RecordingKind::TimeLapseAvi, 1, "");
    ASSERT_TRUE(RecordAndKill(avi, {0, false, 6}));
    WriteAll(ReservePathOf(avi), std::vector<uint8_t>(4096, 0));  // held back beside it
    const std::string series = s_.dirVideo + "/26_01_17-002_JPG/";
    fs::create_directories(series);
    std::ofstream(series + "OneShot0000.jpg") << "frame";
    std::ofstream(series + "OneShot0001.jpg") << "frame";
    std::ofstream(series + "OneShot0002.jpg");  // created, never written: the cut came here
    Begin(series, RecordingKind::ImageSeries, 2, "");

    const RecoveryOutcome out = Recover();
    EXPECT_EQ(out.repaired, 2);
    const std::string finalAvi = s_.dirVideo + "/26_01_17-001_TL_at_1m_30s.avi";
    const std::string finalSeries = s_.dirVideo + "/26_01_17-002_JPG_at_1m_30s";
    EXPECT_EQ(Names(s_.dirVideo), (std::vector<std::string>{fs::path(finalAvi).filename(),
                                                            fs::path(finalSeries).filename()}));
    const ProbeCount tl = ProbeVideoFrames(finalAvi);
    EXPECT_EQ(tl.readFrames, tl.headerFrames);
    EXPECT_EQ(Names(finalSeries), (std::vector<std::string>{"OneShot0000.jpg", "OneShot0001.jpg"}));
    EXPECT_EQ(s_.recTlNo, 3);
    EXPECT_EQ(s_.recNo, 1);
}

TEST(RecoveryNames, IntervalNamesAndTheJournalBesideTheSettings) {
    EXPECT_EQ(TimelapseFinalName("/v/26_01_17-001_TL.avi", 90000),
              "/v/26_01_17-001_TL_at_1m_30s.avi");
    EXPECT_EQ(TimelapseFinalName("/v/26_01_17-001_BMP/", 10000), "/v/26_01_17-001_BMP_at_0m_10s/");
    EXPECT_EQ(TimelapseFinalName("/v/x.mov", 1000), "/v/x.mov_at_0m_1s.avi");
    EXPECT_EQ(JournalPathBeside("/h/.config/CorvaneSoft/Tesmira.conf"),
              "/h/.config/CorvaneSoft/Tesmira.recordings");
    EXPECT_EQ(JournalPathBeside("/h/a.b/conf"), "/h/a.b/conf.recordings");
}

}  // namespace
}  // namespace tesmira::test
