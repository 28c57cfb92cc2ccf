// The format chosen on the camera's format page: how it is shown and remembered, and that it is
// asked of the camera again at every rebuild and after a restart.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "capture/capture_rig.h"
#include "capture/fake_catalog.h"
#include "core/clock.h"
#include "core/profile.h"
#include "core/settings_store.h"
#include "media/capture_graph.h"
#include "media/stream_format.h"

namespace tesmira {
namespace {

TEST(StreamFormatText, CapsBecomeOneReadableLineOrNothing) {
    struct Row {
        const char* caps;
        const char* label;  // nullptr: not a fixed format, left off the page
    };
    const Row rows[] = {
        {"video/x-raw,format=BGR,width=1280,height=720,framerate=30/1", "1280×720  BGR  30 fps"},
        {"video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
         "pixel-aspect-ratio=(fraction)1/1, framerate=(fraction)30000/1001",
         "640×480  YUY2  29.97 fps"},
        {"video/x-raw,format=GRAY8,width=320,height=240,framerate={ 15/1, 5/1 }",
         "320×240  GRAY8  15 fps"},
        {"image/jpeg,width=1920,height=1080,framerate=60/1", "1920×1080  MJPG  60 fps"},
        {"video/x-bayer,format=bggr,width=512,height=512,framerate=25/1",
         "512×512  BayerBG8  25 fps"},
        {"video/x-raw,format=BGR,width=640,height=480", "640×480  BGR"},
        {"ANY", nullptr},
        {"video/x-raw,format=BGR,width=[ 1, 4096 ],height=480", nullptr},
        {"video/x-raw,width=640,height=480", nullptr},
        {"not caps at all", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caps);
        const auto format = StreamFormatFromCaps(row.caps);
        ASSERT_EQ(format.has_value(), row.label != nullptr);
        if (!format)
            continue;
        EXPECT_EQ(format->Label(), row.label);
        EXPECT_EQ(StreamFormatFromCaps(format->Caps()), format) << "asking for it gives it back";
    }
}

TEST(StreamFormatText, RememberedValuesReadBackAndDamagedOnesAreRefused) {
    const StreamFormat hd{1280, 720, "BGR", "video/x-raw", 30, 1};
    const StreamFormat jpeg{1920, 1080, "", "image/jpeg", 60, 1};
    for (const auto& [camera, format] :
         {std::pair{std::string("Cam"), hd}, std::pair{std::string("USB|Cam 2"), jpeg}}) {
        const auto back = ParseRememberedFormat(RememberFormat(camera, format));
        ASSERT_TRUE(back) << camera;
        EXPECT_EQ(back->camera, camera);
        EXPECT_EQ(back->format, format);
    }
    for (const char* damaged :
         {"", "Cam", "Cam|1280|720|BGR", "Cam|wide|720|BGR|30/1", "Cam|1280|720|BGR|30",
          "Cam|-4|720|BGR|30/1", "Cam|1280|720|BGR|30/0", "|1280|720|BGR|30/1",
          "Cam|1280|720||30/1", "Cam|99999|720|BGR|30/1"})
        EXPECT_FALSE(ParseRememberedFormat(damaged)) << damaged;
}

// The test camera offers 640x480, 1280x720 and 1920x1080; its default is 640x480.
class RememberedStreamFormat : public ::testing::Test {
protected:
    void Prepare(test::CaptureRig& rig) {
        auto catalog = std::make_shared<test::FakeCatalog>();
        catalog->cameras = {{kTestCameraName, "", ""}};
        catalog->caps = "video/x-raw,format=BGR,width=640,height=480,framerate=30/1";
        rig.catalog = catalog;
        rig.settings.camera = kTestCameraName;
        rig.settings.dirVideo = rig.settings.dirLog = dir.path().toStdString();
        rig.settings.tempDrive = dir.path().toStdString() + "/";
        rig.settings.datePrefix = "00_00_00-";  // a graph is built only with a file-name prefix
    }
    static int Width(test::CaptureRig& rig) {
        return rig.Owner().Graph() ? rig.Owner().Graph()->FrameWidth() : 0;
    }
    QTemporaryDir dir;
};

TEST_F(RememberedStreamFormat, ChoiceSurvivesRebuildAndRestartDamageGivesTheDefault) {
    MemoryProfile profile;
    {
        test::CaptureRig rig;
        Prepare(rig);
        rig.Owner().Rebuild();
        ASSERT_EQ(Width(rig), 640)
            << (rig.messages.messages.empty() ? std::string() : rig.messages.messages[0].text);
        ASSERT_TRUE(rig.Owner().ApplyStreamFormat(
            StreamFormat{1280, 720, "BGR", "video/x-raw", 30, 1}.Caps()));
        EXPECT_EQ(rig.settings.streamFormat, std::string(kTestCameraName) + "|1280|720|BGR|30/1");

        rig.Owner().Rebuild();
        EXPECT_EQ(Width(rig), 1280) << "a rebuild keeps the chosen format";
        const auto inUse = rig.Owner().Graph()->InUseFormat();
        ASSERT_TRUE(inUse);
        EXPECT_EQ(inUse->Label(), "1280×720  BGR  30 fps");
        ASSERT_TRUE(SaveSettings(profile, rig.settings));
    }
    {
        test::CaptureRig restarted;
        Prepare(restarted);
        FakeClock clock;
        LoadSettings(profile, restarted.settings, {clock, restarted.messages, {}});
        restarted.Owner().Rebuild();
        EXPECT_EQ(Width(restarted), 1280) << "a restart keeps the chosen format";
    }
    struct Stored {
        const char* value;
        const char* why;
    };
    const std::string other = "Another Camera|1280|720|BGR|30/1";
    const std::string unoffered = std::string(kTestCameraName) + "|800|600|BGR|30/1";
    for (const Stored& stored :
         {Stored{"Tesmira Test Camera|1280|7", "damaged"},
          Stored{other.c_str(), "another camera's"}, Stored{unoffered.c_str(), "not offered"}}) {
        test::CaptureRig rig;
        Prepare(rig);
        rig.settings.streamFormat = stored.value;
        rig.Owner().Rebuild();
        EXPECT_EQ(Width(rig), 640) << stored.why;
        EXPECT_TRUE(rig.messages.messages.empty()) << stored.why;
    }
}

}  // namespace
}  // namespace tesmira
