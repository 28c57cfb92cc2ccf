// The file counters reach the settings file the moment they move, and nothing else does.
#include "core/counter_persistence.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>

#include <stdlib.h>
#include "app/ini_profile.h"
#include "core/settings.h"

namespace tesmira::test {
namespace {

namespace fs = std::filesystem;

QVariant Stored(const std::string& file, const char* key) {
    QSettings ini(QString::fromStdString(file), QSettings::IniFormat);
    return ini.value(QStringLiteral("Settings/") + QString::fromUtf8(key));
}

TEST(CounterPersistence, WritesOnlyTheCountersAndTheirDateIntoTheSettingsFile) {
    char tmpl[] = "/tmp/tesmira-counters-XXXXXX";
    const char* made = mkdtemp(tmpl);
    ASSERT_NE(made, nullptr);
    const std::string dir = made;
    const std::string file = dir + "/Tesmira.conf";
    {
        QSettings ini(QString::fromStdString(file), QSettings::IniFormat);
        ini.setValue("Settings/DirVideo", "/old/video");
        ini.setValue("Settings/Rec No.", 3);
        ini.setValue("Settings/RecTL No.", 2);
    }
    IniProfile profile(file);
    Settings s;
    s.dirVideo = "/changed/but/not/saved/yet";
    s.dateYear = 126;
    s.dateMonth = 0;
    s.dateDay = 17;
    s.recNo = 7;
    s.recTlNo = 4;
    s.stillPhoto = 12;
    CounterPersistence counters(profile, s);
    ASSERT_TRUE(counters.Save());

    EXPECT_EQ(Stored(file, "Rec No.").toInt(), 7);
    EXPECT_EQ(Stored(file, "RecTL No.").toInt(), 4);
    EXPECT_EQ(Stored(file, "StillPhoto").toInt(), 12);
    EXPECT_EQ(Stored(file, "Date day").toInt(), 17);
    EXPECT_EQ(Stored(file, "DirVideo").toString(), "/old/video");

    // A later move is written again over the first.
    s.recNo = 8;
    ASSERT_TRUE(counters.Save());
    EXPECT_EQ(Stored(file, "Rec No.").toInt(), 8);
    fs::remove_all(dir);
}

TEST(CounterPersistence, FailedWriteIsReportedNotThrown) {
    MemoryProfile profile;
    profile.failFlush = true;
    Settings s;
    s.recNo = 5;
    EXPECT_FALSE(CounterPersistence(profile, s).Save());
    EXPECT_EQ(profile.GetInt("Rec No.", 0), 5);  // still there for the write at exit
}

}  // namespace
}  // namespace tesmira::test
