// Shared set-up of the settings tests: a fixed date, plenty of free space, existing folders and
// a recorder for the folder messages.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "common/message_recorder.h"
#include "core/check_directory.h"
#include "core/clock.h"
#include "core/profile.h"
#include "core/settings.h"
#include "core/settings_store.h"

namespace tesmira::test {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        video = tmp.path().toStdString() + "/Video";
        log = tmp.path().toStdString() + "/Log";
        work = tmp.path().toStdString() + "/work/";
        for (const auto& d : {video, log, work})
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(d)));
        s.dirVideo = video;
        s.dirLog = log;
        s.tempDrive = work;
    }
    // Today is 2026-01-17 (clock); every folder has freeMb megabytes free.
    FreeSpaceQuery FreeSpace() {
        return [this](const std::string&) { return freeMb; };
    }
    SettingsLoadContext Context() { return {clock, messages, FreeSpace()}; }
    void StoreToday(MemoryProfile& p) {
        p.values["Date year"] = "126";
        p.values["Date month"] = "0";
        p.values["Date day"] = "17";
    }
    // Loads `p` into a fresh copy of the prepared settings and saves it back into `p`.
    Settings LoadSave(MemoryProfile& p) {
        Settings loaded = s;
        LoadSettings(p, loaded, Context());
        EXPECT_TRUE(SaveSettings(p, loaded));
        return loaded;
    }

    FakeClock clock;
    int64_t freeMb = 5000;
    QTemporaryDir tmp;
    std::string video, log, work;
    Settings s;
    MessageRecorder messages;
};

}  // namespace tesmira::test
