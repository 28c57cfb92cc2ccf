// The status line's texts for the situations a user meets in a working session.
#include <gtest/gtest.h>

#include "core/status_line.h"

namespace tesmira {
namespace {

StatusLineState LiveCamera() {
    StatusLineState s;
    s.cameraReady = true;
    s.live = true;
    s.width = 1280;
    s.height = 720;
    s.fps = 30.0;
    s.mediaType = 1;
    s.keys = KeyTarget::kStage;
    return s;
}

struct Scenario {
    const char* name;
    StatusLineState state;
    const char* mode;
    const char* timing;
    const char* stream;
};

TEST(StatusLine, ModeTimingAndStreamFollowTheRun) {
    auto with = [](auto change) {
        StatusLineState s = LiveCamera();
        change(s);
        return s;
    };
    const Scenario scenarios[] = {
        {"no camera", StatusLineState{}, "カメラなし", "", "非圧縮"},
        {"camera, live stopped", with([](auto& s) { s.live = false; }), "ライブ停止中", "",
         "1280×720  30 fps  MJPG (MS)"},
        {"live", LiveCamera(), "ライブ", "", "1280×720  30 fps  MJPG (MS)"},
        {"recording with a limit", with([](auto& s) {
             s.recording = true;
             s.elapsedMs = 83'999;  // 1:23 and a bit: seconds are rounded down
             s.limitMs = 300'000;
         }),
         "録画中", "経過 0:01:23  残り 0:03:36", "1280×720  30 fps  MJPG (MS)"},
        {"recording without a limit", with([](auto& s) {
             s.recording = true;
             s.elapsedMs = 3'725'000;
         }),
         "録画中", "経過 1:02:05", "1280×720  30 fps  MJPG (MS)"},
        {"recording past its limit never shows a negative time", with([](auto& s) {
             s.recording = true;
             s.elapsedMs = 301'500;
             s.limitMs = 300'000;
         }),
         "録画中", "経過 0:05:01  残り 0:00:00", "1280×720  30 fps  MJPG (MS)"},
        {"repeat waiting for the next recording", with([](auto& s) {
             s.repeating = true;
             s.secondsToNext = 75;
         }),
         "繰り返し録画の待機中", "次の録画まで 0:01:15", "1280×720  30 fps  MJPG (MS)"},
        {"time-lapse series counts frames, no limit shown", with([](auto& s) {
             s.recording = true;
             s.recMode = 2;
             s.elapsedMs = 20'000;
             s.limitMs = 300'000;
             s.timelapseFrames = 3;
         }),
         "タイムラップス撮影中", "経過 0:00:20  3 齣", "1280×720  30 fps  MJPG (MS)"},
        {"fractional rate, unknown size", with([](auto& s) {
             s.width = 0;
             s.fps = 29.97;
             s.mediaType = 4;
         }),
         "ライブ", "", "29.97 fps  MS Video 1"},
        {"a damaged compressor choice", with([](auto& s) { s.mediaType = 9; }), "ライブ", "",
         "1280×720  30 fps  ?"},
    };
    for (const Scenario& sc : scenarios) {
        SCOPED_TRACE(sc.name);
        const StatusTexts t = ComposeStatusLine(sc.state);
        EXPECT_EQ(QString::fromUtf8(sc.mode), t.mode);
        EXPECT_EQ(QString::fromUtf8(sc.timing), t.timing);
        EXPECT_EQ(QString::fromUtf8(sc.stream), t.stream);
    }
}

TEST(StatusLine, FileStageAndKeys) {
    StatusLineState s = LiveCamera();
    EXPECT_TRUE(ComposeStatusLine(s).lastFile.isEmpty()) << "nothing written yet";
    s.lastFile = "/home/ユーザー/Tesmira/Video/26_12_08-001_Rec_at_30.00fps.avi";
    EXPECT_EQ(
        QString::fromUtf8("保存: /home/ユーザー/Tesmira/Video/26_12_08-001_Rec_at_30.00fps.avi"),
        ComposeStatusLine(s).lastFile)
        << "the full path, not only the name";

    s.x = -20.0;
    s.y = 12.3456;
    s.z = 5050.0;
    EXPECT_EQ(QString::fromUtf8("X -20.00  Y 12.35  Z 5050.00 µm"), ComposeStatusLine(s).stage);

    const std::pair<KeyTarget, const char*> keys[] = {
        {KeyTarget::kStage, "キー → ステージ"},
        {KeyTarget::kEdit, "キー → 入力欄"},
        {KeyTarget::kPicture, "キー → 映像"},
        {KeyTarget::kElsewhere, "キー → 他のウィンドウ"},
    };
    for (const auto& [target, text] : keys) {
        s.keys = target;
        EXPECT_EQ(QString::fromUtf8(text), ComposeStatusLine(s).keys);
    }
}

TEST(StatusLine, DurationsAndCompressorNames) {
    EXPECT_EQ(QStringLiteral("0:00:00"), FormatDuration(-5000));
    EXPECT_EQ(QStringLiteral("0:00:59"), FormatDuration(59'999));
    EXPECT_EQ(QStringLiteral("100:00:00"), FormatDuration(int64_t{360'000'000}));
    EXPECT_STREQ("非圧縮", CodecChoiceCaption(0));
    EXPECT_STREQ("MS Video 1", CodecChoiceCaption(4));
    EXPECT_STREQ("?", CodecChoiceCaption(-1));
}

TEST(StatusLine, TheLastFileIsWhicheverWriterWroteLast) {
    LastWrittenFile last;
    EXPECT_EQ("", last.Update({"", "", ""}));
    EXPECT_EQ("/v/001.avi", last.Update({"/v/001.avi", "", ""}));
    EXPECT_EQ("/v/TM_-0000.bmp", last.Update({"/v/001.avi", "", "/v/TM_-0000.bmp"}));
    // Nothing new: the photo stays the last file although the recording comes first in the list.
    EXPECT_EQ("/v/TM_-0000.bmp", last.Update({"/v/001.avi", "", "/v/TM_-0000.bmp"}));
    EXPECT_EQ("/v/002.avi", last.Update({"/v/002.avi", "", "/v/TM_-0000.bmp"}));
    EXPECT_EQ("/v/s_BMP/", last.Update({"/v/002.avi", "/v/s_BMP/", "/v/TM_-0000.bmp"}));
}

}  // namespace
}  // namespace tesmira
