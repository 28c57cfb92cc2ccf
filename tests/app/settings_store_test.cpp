#include <QDir>
#include <QFile>
#include <QSettings>
#include <climits>
#include <cstdint>
#include <map>

#include "app/ini_profile.h"
#include "settings_fixture.h"

namespace tesmira::test {
namespace {

TEST_F(SettingsTest, EmptyProfileWritesEveryKeyWithItsStoredDefault) {
    const QString path = tmp.path() + "/cfg/CorvaneSoft/Tesmira.conf";
    {
        IniProfile profile(path.toStdString());
        Settings loaded = s;
        LoadSettings(profile, loaded, Context());
        ASSERT_TRUE(SaveSettings(profile, loaded));
    }
    QSettings file(path, QSettings::IniFormat);
    EXPECT_EQ(file.childGroups(), QStringList{"Settings"});
    file.beginGroup("Settings");
    EXPECT_EQ(file.childKeys().size(), 142);
    auto num = [&file](const char* key) { return file.value(key).toString().toLongLong(); };
    auto str = [&file](const char* key) { return file.value(key).toString().toStdString(); };
    EXPECT_EQ(num("Date year"), 126);
    EXPECT_EQ(num("Date month"), 0);
    EXPECT_EQ(num("Date day"), 17);
    EXPECT_EQ(num("Rec No."), 1);
    EXPECT_EQ(num("RecTL No."), 1);
    EXPECT_EQ(num("XYaxis_Type"), 1);
    EXPECT_EQ(num("Zsync"), 9);
    EXPECT_EQ(num("PageZ"), 500);
    EXPECT_EQ(num("DeltaT"), 50);
    EXPECT_EQ(num("TempCorrection"), -160);
    EXPECT_EQ(num("EditFPS"), 299700);
    EXPECT_EQ(str("Port_1"), "/dev/ttyS0");
    EXPECT_EQ(str("Port_4"), "/dev/ttyS3");
    EXPECT_EQ(str("Camera"), "MV-41 Capture..");
    EXPECT_EQ(str("Audio"), "");
    EXPECT_EQ(str("DirVideo"), video);
    EXPECT_EQ(str("TempDrive"), work);
    EXPECT_EQ(static_cast<uint32_t>(num("rtStop_lowerhalf")), 3000000000u);
    EXPECT_EQ(num("rtStop_upperhalf"), 0);
    EXPECT_EQ(num("TurnOff_Relay"), 1);
    EXPECT_EQ(num("UseOnePort"), 0);
    EXPECT_EQ(num("Set zoom 1x on rec"), 1);
    EXPECT_EQ(num("fccHandler"), 0x20424944);
    EXPECT_EQ(num("RecInterval"), 600000);  // normalised to twice the 300 s limit
    EXPECT_EQ(num("TL_frames"), 1800);
    EXPECT_EQ(num("CountDownPanel right"), 0);
    EXPECT_EQ(num("Relay Sync ON 8"), 0);
    EXPECT_EQ(num("Relay Sync OFF 1"), 1000);
    EXPECT_EQ(num("Default Zoom Factor"), 1000);
    EXPECT_EQ(num("Clock_ON_H_3"), 6);
    EXPECT_EQ(num("Clock_OFF_H_8"), 18);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(SettingsTest, StoredValuesAreNormalisedOnTheWayThrough) {
    MemoryProfile p;
    p.values = {{"RecInterval", "30000"}, {"FPS_AviReplay", "7"}, {"RecAudio", "2"},
                {"Date year", "125"},     {"Date month", "11"},   {"Date day", "31"},
                {"Rec No.", "42"},        {"RecTL No.", "9"}};
    const Settings loaded = LoadSave(p);
    EXPECT_EQ(p.values["RecInterval"], "600000");
    EXPECT_EQ(loaded.repeatPauseSec, 299);
    EXPECT_EQ(p.values["FPS_AviReplay"], "0");
    EXPECT_DOUBLE_EQ(loaded.replayFps, 29.97);
    EXPECT_EQ(p.values["RecAudio"], "0");
    EXPECT_EQ(p.values["Rec No."], "1");
    EXPECT_EQ(p.values["RecTL No."], "1");
    EXPECT_EQ(p.values["Date year"], "126");
    EXPECT_EQ(p.values["Date month"], "0");
    EXPECT_EQ(p.values["Date day"], "17");
    EXPECT_EQ(loaded.datePrefix, "26_01_17-");
}

TEST_F(SettingsTest, CountersContinueOnlyOnTheStoredDay) {
    MemoryProfile today;
    StoreToday(today);
    today.values["Rec No."] = "42";
    today.values["RecTL No."] = "7";
    Settings a = s;
    LoadSettings(today, a, Context());
    EXPECT_EQ(a.recNo, 42);
    EXPECT_EQ(a.recTlNo, 7);

    for (const char* day : {"16", "18"}) {  // yesterday and a future date both reset
        MemoryProfile other = today;
        other.values["Date day"] = day;
        Settings b = s;
        b.recNo = 5;
        LoadSettings(other, b, Context());
        EXPECT_EQ(b.recNo, 1) << day;
        EXPECT_EQ(b.recTlNo, 1) << day;
        EXPECT_EQ(b.dateDay, 17) << day;
    }
}

TEST_F(SettingsTest, RepeatIntervalIsAtLeastTwiceTheLimit) {
    MemoryProfile p;
    p.values["RecInterval"] = "1000000";
    Settings a = LoadSave(p);
    EXPECT_EQ(a.recInterval, 1000000);
    EXPECT_EQ(a.repeatPauseSec, 699);
    EXPECT_EQ(a.recLimitMs, 300100);

    // Whole seconds: 600999 ms is 600 s, already twice the limit, and stores as 600000.
    p.values = {{"RecInterval", "600999"}};
    a = LoadSave(p);
    EXPECT_EQ(a.recInterval, 600000);
    EXPECT_EQ(a.repeatPauseSec, 299);
}

TEST_F(SettingsTest, ScaledValuesRoundHalfUpOrTruncateAsStored) {
    Settings a = s;
    a.deltaT = 0.125;
    a.tempCorrection = -0.125;  // floor(-12.5 + 0.5) = -12
    a.relaySyncOn[0] = 0.0019;
    a.relaySyncOff[0] = -0.5;
    a.relaySyncOff[1] = 4.007;  // 4006.9999999999995 in binary
    a.defaultZoomFactor = 0.18;
    a.editFps = 59.94;
    a.clockOn[2] = {7, 30, 15};
    MemoryProfile p;
    ASSERT_TRUE(SaveSettings(p, a));
    EXPECT_EQ(p.values["DeltaT"], "13");
    EXPECT_EQ(p.values["TempCorrection"], "-12");
    EXPECT_EQ(p.values["Relay Sync ON 1"], "1");
    EXPECT_EQ(p.values["Relay Sync OFF 1"], "-500");
    EXPECT_EQ(p.values["Relay Sync OFF 2"], "4007");
    EXPECT_EQ(p.values["Default Zoom Factor"], "180");
    EXPECT_EQ(p.values["EditFPS"], "599400");
    EXPECT_EQ(p.values["Clock_ON_H_3"], "7");
    EXPECT_EQ(p.values["Clock_ON_M_3"], "30");
    EXPECT_EQ(p.values["Clock_ON_S_3"], "15");

    Settings b = s;
    LoadSettings(p, b, Context());
    EXPECT_DOUBLE_EQ(b.deltaT, 0.13);
    EXPECT_DOUBLE_EQ(b.relaySyncOn[0], 0.001);
    EXPECT_DOUBLE_EQ(b.relaySyncOff[0], -0.5);
    EXPECT_EQ(b.clockOn[2].h, 7);
    EXPECT_EQ(b.clockOn[2].m, 30);
    EXPECT_EQ(b.clockOn[2].s, 15);
}

// Every stored integer must survive a load and a save unchanged, over the whole 32-bit range:
// densely around zero, where real values live, and with a prime stride everywhere else.
TEST(ScaledRoundTrip, EveryStoredIntegerWritesBackUnchanged) {
    auto check = [](int64_t k64) {
        const int k = static_cast<int>(k64);
        if (StoreThousandthsTruncated(k * 0.001) != k)
            return false;
        if (StoreRoundedHalfUp(k * 0.01, 100) != k)
            return false;
        return StoreRoundedHalfUp(k * 0.0001, 10000) == k;
    };
    int failures = 0;
    int64_t firstFailure = 0;
    auto probe = [&](int64_t k) {
        if (!check(k) && failures++ == 0)
            firstFailure = k;
    };
    for (int64_t k = -3000000; k <= 3000000; ++k)
        probe(k);
    for (int64_t k = INT_MIN; k <= INT_MAX; k += 997)
        probe(k);
    for (int64_t k = INT_MAX - 2000; k <= INT_MAX; ++k)
        probe(k);
    for (int64_t k = INT_MIN; k <= INT_MIN + 2000; ++k)
        probe(k);
    EXPECT_EQ(failures, 0) << "first failing stored value " << firstFailure;
}

TEST_F(SettingsTest, ScaledKeysRoundTripThroughLoadAndSave) {
    MemoryProfile p;
    const char* keys[] = {"DeltaT",          "TempCorrection",   "EditFPS",
                          "Relay Sync ON 3", "Relay Sync OFF 8", "Default Zoom Factor"};
    for (const char* value : {"4007", "1", "2147483647", "299700", "123456789"}) {
        for (const char* key : keys)
            p.values[key] = value;
        LoadSave(p);
        for (const char* key : keys)
            EXPECT_EQ(p.values[key], value) << key;
    }
    for (const char* value : {"-4007", "-2147483648"}) {  // signed keys only
        for (const char* key : {"DeltaT", "TempCorrection", "Relay Sync ON 3"}) {
            p.values[key] = value;
        }
        LoadSave(p);
        for (const char* key : {"DeltaT", "TempCorrection", "Relay Sync ON 3"}) {
            EXPECT_EQ(p.values[key], value) << key;
        }
    }
}

TEST_F(SettingsTest, RecordingLimitJoinsTwoHalvesWithAnUnsignedLowerHalf) {
    for (const char* lower : {"3000000000", "-1294967296"}) {
        MemoryProfile p;
        p.values = {{"rtStop_lowerhalf", lower}, {"rtStop_upperhalf", "0"}};
        const Settings a = LoadSave(p);
        EXPECT_EQ(a.rtStop, 3000000000LL) << lower;
        EXPECT_EQ(a.recLimitMs, 300100);
    }
    MemoryProfile p;
    p.values = {{"rtStop_lowerhalf", "0"}, {"rtStop_upperhalf", "2"}};  // 858.99 s
    const Settings a = LoadSave(p);
    EXPECT_EQ(a.rtStop, 8589934592LL);
    EXPECT_EQ(a.recLimitMs, 858993 + 100);
    EXPECT_EQ(a.recInterval, 2 * 858 * 1000);
    EXPECT_EQ(p.values["rtStop_upperhalf"], "2");
    EXPECT_EQ(p.values["rtStop_lowerhalf"], "0");
}

TEST_F(SettingsTest, DamagedValuesFallBackToDefaultsOrClamps) {
    MemoryProfile p;
    StoreToday(p);
    p.values.insert({{"Rec No.", "-5"},
                     {"RecTL No.", "0"},
                     {"XYaxis_Type", "7"},
                     {"Zaxis_Type", "-1"},
                     {"Move", "twelve"},
                     {"Page", "1.5"},
                     {"PageY", "99999999999"},
                     {"DeltaT", "12abc"},
                     {"FontHeight", ""},
                     {"MediaType", "-1"},
                     {"LogFileType", "3"},
                     {"RecRepaet", "-3"},
                     {"TL_frames", "0"},
                     {"StillPhoto", "-1"},
                     {"RecInterval", "-1"},
                     {"RecMode", "9"},
                     {"rtStop_upperhalf", "-1"},
                     {"Relay Mode 2", "5"},
                     {"Default Zoom Factor", "0"},
                     {"Clock_ON_H_1", "25"},
                     {"Clock_OFF_M_8", "60"},
                     {"UseOnePort", "yes"}});
    const Settings a = LoadSave(p);
    EXPECT_EQ(a.recNo, 1);
    EXPECT_EQ(a.recTlNo, 1);
    EXPECT_EQ(a.xyAxisType, 1);
    EXPECT_EQ(a.zAxisType, 1);
    EXPECT_EQ(a.move, 100);
    EXPECT_EQ(a.page, 200);
    EXPECT_EQ(a.pageY, 200);
    EXPECT_DOUBLE_EQ(a.deltaT, 0.5);
    EXPECT_EQ(a.fontHeight, 24);
    EXPECT_EQ(a.mediaType, 0);
    EXPECT_EQ(a.logFileType, 0);  // only .dat, .txt and .csv exist
    EXPECT_EQ(a.recRepaet, 1);
    EXPECT_EQ(a.tlFrames, 1);
    EXPECT_EQ(a.stillPhoto, 0);
    EXPECT_EQ(a.rtStop, 3000000000LL);
    EXPECT_EQ(a.recInterval, 600000);  // not 4294967 s, which would overflow
    EXPECT_EQ(a.recMode, 0);
    EXPECT_EQ(a.relayMode[1], 0);
    EXPECT_DOUBLE_EQ(a.defaultZoomFactor, 1.0);
    EXPECT_EQ(a.clockOn[0].h, 6);
    EXPECT_EQ(a.clockOff[7].m, 0);
    EXPECT_FALSE(a.useOnePort);
    // The next save writes a clean profile.
    EXPECT_EQ(p.values["Move"], "100");
    EXPECT_EQ(p.values["DeltaT"], "50");
    EXPECT_EQ(p.values["Rec No."], "1");
}

// Step pulses are checked as the panel's edits would show them in micrometres for the stored
// kinds (0.01..500000, ΔZ -100..100); anything else takes its default rather than reaching a
// controller.
TEST_F(SettingsTest, StepSizesOutsideThePanelsRangesTakeTheirDefaults) {
    const struct {
        const char* xyKind;
        const char* zKind;
        const char* key;
        const char* stored;
        int loaded;
    } cases[] = {
        {"0", "0", "Move", "2147483647", 100},
        {"0", "0", "Move", "5000000", 5000000},
        {"2", "2", "Move", "500001", 100},
        {"2", "2", "Move", "500000", 500000},
        {"1", "1", "Page", "-2147483648", 200},
        {"1", "1", "Page", "0", 200},
        {"1", "1", "Page", "1", 1},
        {"0", "0", "MoveZ", "10000001", 100},
        {"0", "0", "MoveZ", "10000000", 10000000},
        {"1", "1", "MoveZ", "50000000", 50000000},
        {"1", "1", "PageZ", "2147483647", 500},
        {"2", "2", "PageZ", "-1", 500},
        {"1", "1", "DeltaZ", "-10000", -10000},
        {"1", "1", "DeltaZ", "10001", 20},
        {"2", "2", "DeltaZ", "-101", 20},
    };
    for (const auto& c : cases) {
        MemoryProfile p;
        StoreToday(p);
        p.values.insert({{"XYaxis_Type", c.xyKind}, {"Zaxis_Type", c.zKind}, {c.key, c.stored}});
        const Settings a = LoadSave(p);
        const std::string key = c.key;
        const int loaded = key == "Move"    ? a.move
                           : key == "Page"  ? a.page
                           : key == "MoveZ" ? a.moveZ
                           : key == "PageZ" ? a.pageZ
                                            : a.deltaZ;
        EXPECT_EQ(loaded, c.loaded) << c.key << "=" << c.stored << " kinds " << c.xyKind;
    }
}

TEST_F(SettingsTest, LongLimitIsCutSoTheDoubledIntervalStillFits) {
    MemoryProfile p;
    p.values = {{"rtStop_upperhalf", "2147483647"}, {"rtStop_lowerhalf", "-1"}};
    const Settings a = LoadSave(p);
    EXPECT_GT(a.recInterval, 0);
    EXPECT_EQ(a.recInterval, 2 * (a.rtStop / 10000000) * 1000);
    EXPECT_EQ(a.repeatPauseSec, a.rtStop / 10000000 - 1);
}

TEST_F(SettingsTest, MissingFoldersAreReportedEmptiedAndSwitchTheirFeatureOff) {
    MemoryProfile p;
    p.values = {{"DirLog", tmp.path().toStdString() + "/nolog"},
                {"TempDrive", "/nonexistent-work/"},
                {"SaveLog", "1"},
                {"UseTempDrive", "1"}};
    const Settings a = LoadSave(p);
    EXPECT_EQ(a.saveLog, 0);
    EXPECT_EQ(a.useTempDrive, 0);
    EXPECT_EQ(p.values["DirLog"], "");
    EXPECT_EQ(p.values["TempDrive"], "");
    EXPECT_EQ(p.values["DirVideo"], video);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].text,
              "ディレクトリー </nonexistent-work/> "
              "は存在しません！\nメニュー［キャプチャー］→［保存先とタイプ］"
              "でディレクトリーの再設定をして下さい。");
}

// Tesmira's own default folders (~/Tesmira/Video, ~/Tesmira/Log) are made on a first start; a
// folder the user chose that has vanished still gets its message. Missing keys are remembered
// for the quiet start of ports and camera.
TEST_F(SettingsTest, OwnDefaultFoldersAreMadeChosenOnesAreReported) {
    const std::string home = tmp.path().toStdString() + "/home";
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home));
    struct Case {
        const char* what;
        std::map<std::string, std::string> values;
        size_t messages;
    };
    const Case cases[] = {
        {"fresh profile", {}, 0},
        {"defaults stored with a slash", {{"DirVideo", home + "/Tesmira/Video/"}}, 0},
        {"chosen folders vanished",
         {{"DirVideo", home + "/mine/Video"}, {"DirLog", home + "/mine/Log"}},
         2},
    };
    for (const Case& c : cases) {
        QDir(QString::fromStdString(home)).removeRecursively();
        MemoryProfile p;
        p.values = c.values;
        p.values["Port_2"] = "/dev/ttyUSB0";
        Settings loaded;
        messages.messages.clear();
        SettingsLoadContext context = Context();
        context.makeOwnFolders = true;
        LoadSettings(p, loaded, context);
        EXPECT_EQ(messages.messages.size(), c.messages) << c.what;
        EXPECT_EQ(QDir(QString::fromStdString(home + "/Tesmira/Video")).exists(), c.messages == 0)
            << c.what;
        EXPECT_EQ(loaded.portFromDefault, (std::array<bool, 4>{true, false, true, true}));
        EXPECT_TRUE(loaded.cameraFromDefault);
    }
    EXPECT_FALSE(QDir(QString::fromStdString(home + "/mine")).exists());
    qputenv("HOME", oldHome);
}

TEST_F(SettingsTest, FreeSpaceMustExceed119Megabytes) {
    freeMb = 120;
    std::string path = video;
    EXPECT_TRUE(CheckDirectory(path, messages, FreeSpace()));
    EXPECT_EQ(path, video);
    EXPECT_TRUE(messages.messages.empty());

    freeMb = 119;
    EXPECT_FALSE(CheckDirectory(path, messages, FreeSpace()));
    EXPECT_EQ(path, "");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "ディレクトリー <" + video +
                  "> の空き容量は 119 MB "
                  "です！\nメニュー［キャプチャー］→［保存先とタイプ］でディレクトリーの"
                  "再設定をして下さい。");
}

TEST(StoredInt, AcceptsThirtyTwoBitNumbersOnly) {
    EXPECT_EQ(ParseStoredInt(" 42 "), 42);
    EXPECT_EQ(ParseStoredInt("+7"), 7);
    EXPECT_EQ(ParseStoredInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseStoredInt("4294967295"), -1);  // an unsigned spelling of the same word
    for (const char* bad :
         {"", " ", "abc", "12abc", "1.5", "4294967296", "-2147483649", "0x10", "--1", "+"}) {
        EXPECT_FALSE(ParseStoredInt(bad).has_value()) << '"' << bad << '"';
    }
}

TEST_F(SettingsTest, DamagedFileIsKeptAsideAndReplacedByACleanOne) {
    const QString dir = tmp.path() + "/cfg";
    QDir().mkpath(dir);
    const QString path = dir + "/Tesmira.conf";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            "[Settings]\nMove=12\nPage=\"unterminated\n\x01\x02garbage\nRec%20No.=zz\n[Other\n");
    }
    IniProfile profile(path.toStdString());
    Settings a = s;
    LoadSettings(profile, a, Context());
    ASSERT_TRUE(SaveSettings(profile, a));
    QSettings clean(path, QSettings::IniFormat);
    EXPECT_EQ(clean.status(), QSettings::NoError);
    EXPECT_EQ(clean.childGroups(), QStringList{"Settings"});
    clean.beginGroup("Settings");
    EXPECT_EQ(clean.childKeys().size(), 142);
    EXPECT_EQ(clean.value("Rec No.").toInt(), 1);
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_FALSE(raw.readAll().contains("garbage"));
}

TEST_F(SettingsTest, UnwritableProfileReportsFailure) {
    QFile blocker(tmp.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A regular file where the folder should be: no user, not even root, can write there.
    IniProfile profile((tmp.path() + "/blocker/CorvaneSoft/Tesmira.conf").toStdString());
    Settings a = s;
    LoadSettings(profile, a, Context());
    EXPECT_FALSE(SaveSettings(profile, a));
}

TEST(ProfilePath, FollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(DefaultProfilePath(), "/tmp/xdg-test/CorvaneSoft/Tesmira.conf");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // ignored, as the XDG rules say
    EXPECT_EQ(DefaultProfilePath(),
              QDir::homePath().toStdString() + "/.config/CorvaneSoft/Tesmira.conf");
    if (old) {
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

}  // namespace
}  // namespace tesmira::test
