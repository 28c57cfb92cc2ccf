// The journal of recordings in progress: entries survive a restart, end when told, keep odd paths
// intact, and a damaged journal is put aside instead of stopping the program.
#include "recording/recording_journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "recovery_util.h"

namespace tesmira {
namespace {

using namespace test;

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshDir();
        path_ = dir_ + "/recording-journal";
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_, path_;
};

JournalEntry Entry(const std::string& path, RecordingKind kind, int number) {
    return {path, kind, number, 1765180800 + number, "Rec{No:04}_{date}.avi"};
}

TEST_F(JournalTest, EntriesLastUntilTheirRecordingEnds) {
    RecordingJournal journal(path_);
    JournalResult result;
    EXPECT_TRUE(journal.Pending(&result).empty());
    EXPECT_TRUE(result.Ok());

    const JournalEntry movie = Entry("/data/rec 0007.avi", RecordingKind::Movie, 7);
    const JournalEntry lapse = Entry("/data/tl\\odd\nname.avi", RecordingKind::TimeLapseAvi, 3);
    const JournalEntry series = Entry("/data/series-12", RecordingKind::ImageSeries, 12);
    ASSERT_TRUE(journal.Begin(movie).Ok());
    ASSERT_TRUE(journal.Begin(lapse).Ok());
    ASSERT_TRUE(journal.Begin(series).Ok());

    // As a program started afresh reads it.
    RecordingJournal reopened(path_);
    EXPECT_EQ(reopened.Pending(), (std::vector<JournalEntry>{movie, lapse, series}));

    EXPECT_TRUE(reopened.End(lapse.path).Ok());
    EXPECT_TRUE(reopened.End("/never/started.avi").Ok());
    EXPECT_EQ(journal.Pending(), (std::vector<JournalEntry>{movie, series}));

    // Starting the same file again replaces its entry.
    JournalEntry again = movie;
    again.number = 8;
    ASSERT_TRUE(journal.Begin(again).Ok());
    EXPECT_EQ(journal.Pending(), (std::vector<JournalEntry>{series, again}));

    EXPECT_TRUE(journal.End(series.path).Ok());
    EXPECT_TRUE(journal.End(again.path).Ok());
    EXPECT_TRUE(journal.Pending().empty());
    struct stat st {};
    EXPECT_NE(stat((path_ + ".tmp").c_str(), &st), 0) << "the temporary file is left behind";
}

TEST_F(JournalTest, DamagedJournalIsKeptAsideAndReported) {
    RecordingJournal journal(path_);
    ASSERT_TRUE(journal.Begin(Entry("/data/a.avi", RecordingKind::Movie, 1)).Ok());
    std::string text = FormatJournal({Entry("/data/a.avi", RecordingKind::Movie, 1)});
    const std::vector<std::string> damages = {
        "",                                                                  // empty file
        text.substr(0, text.size() - 5),                                     // cut off mid-entry
        "garbage\n",                                                         // not a journal
        text + "begin\npath /x\nnumber 1e9\nend\n",                          // unreadable number
        text + "begin\nkind movie\nend\n",                                   // entry without a path
        std::string("tesmira recording journal 1\nbegin\npath \\q\nend\n"),  // bad escape
    };
    for (const std::string& damage : damages) {
        SCOPED_TRACE(damage);
        WriteAll(path_, std::vector<uint8_t>(damage.begin(), damage.end()));
        JournalResult result;
        EXPECT_TRUE(journal.Pending(&result).empty());
        EXPECT_EQ(result.status, JournalStatus::DamagedKeptAside);
        EXPECT_NE(result.text.find(path_), std::string::npos) << result.text;
        const std::vector<uint8_t> kept = ReadAll(path_ + ".damaged");
        EXPECT_EQ(std::string(kept.begin(), kept.end()), damage);
        // The program goes on with a fresh journal.
        EXPECT_TRUE(journal.Begin(Entry("/data/b.avi", RecordingKind::Movie, 2)).Ok());
        EXPECT_EQ(journal.Pending().size(), 1u);
    }
}

TEST_F(JournalTest, UnwritableFolderIsReportedNotFatal) {
    RecordingJournal journal(dir_ + "/no/such/folder/journal");
    const JournalResult r = journal.Begin(Entry("/data/a.avi", RecordingKind::Movie, 1));
    EXPECT_EQ(r.status, JournalStatus::WriteFailed);
    EXPECT_NE(r.text.find("journal"), std::string::npos);
}

}  // namespace
}  // namespace tesmira
