#include "binders/still_photo_binder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QAbstractButton>

#include <algorithm>

#include "common/message_recorder.h"
#include "core/clock.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "imaging/dib.h"
#include "imaging/imaging_test_util.h"
#include "imaging/still_photo_file.h"
#include "panel/dlg_main.h"
#include "panel/panel_test_support.h"

namespace tesmira {
namespace {

using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

constexpr int kWidth = 320;
constexpr int kHeight = 120;

// A graph whose grabber hands over a mid-grey frame whenever it is asked.
class FakeFrames : public IStillFrameSource {
public:
    FakeFrames() : frame(CDib::Create(kWidth, kHeight, 24)) { Fill(0x60); }
    void Fill(uint8_t value) { std::fill_n(frame->Pixels(), frame->ImageSize(), value); }

    bool HasGraph() const override { return hasGraph; }
    void RequestStillFrame() override { ++requests; }
    void ClearGrabRequest() override { ++clears; }
    CDib* FrameBitmap() override { return frame.get(); }
    CDib* GreyBitmap() override { return grey.get(); }
    int RecordBitDepth() const override { return recordDepth; }

    bool hasGraph = true;
    int requests = 0;
    int clears = 0;
    int recordDepth = 24;
    std::unique_ptr<CDib> frame;
    std::unique_ptr<CDib> grey;
};

struct StillWorld {
    StillWorld() {
        settings.dirVideo = dir.path();
        settings.datePrefix = "26_01_17-";
        run.isLive = true;
    }
    StillPhotoBinder& Binder() {
        if (!binder)
            binder = std::make_unique<StillPhotoBinder>(
                StillPhotoDeps{settings, run, clock, notifier, frames,
                               [this](int index) { sounds.push_back(index); }, overlay,
                               [this] { saved.push_back(settings.stillPhoto); }});
        return *binder;
    }
    std::string PhotoPath(int n) const { return StillPhotoPath(dir.path(), "26_01_17-", n); }
    int Files() const { return static_cast<int>(dir.Entries().size()); }

    ScratchDir dir;
    Settings settings;
    RunState run;
    FakeClock clock;
    test::MessageRecorder notifier;
    FakeFrames frames;
    StillOverlaySources overlay;
    std::vector<int> sounds;
    std::vector<int> saved;  // "StillPhoto" as it was written each time it moved
    std::unique_ptr<StillPhotoBinder> binder;
};

// Little-endian field of a BMP file.
uint32_t Field(const std::vector<uint8_t>& bytes, size_t offset, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size; ++i)
        v |= static_cast<uint32_t>(bytes.at(offset + i)) << (8 * i);
    return v;
}

std::string Text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(StillPhotoRequest, OnlyWhileLiveAndNotRecording) {
    StillWorld w;
    w.run.isLive = false;
    EXPECT_FALSE(w.Binder().Request());
    w.run.isLive = true;
    w.run.isRecording = true;
    EXPECT_FALSE(w.Binder().Request());
    w.run.isRecording = false;
    w.frames.hasGraph = false;
    EXPECT_FALSE(w.Binder().Request());
    EXPECT_EQ(w.frames.requests, 0);
    w.frames.hasGraph = true;
    EXPECT_TRUE(w.Binder().Request());
    EXPECT_EQ(w.frames.requests, 1);
}

TEST(StillPhotoRequest, ButtonFollowsTheEnablingRuleAndAsksForAFrame) {
    test::PanelWorld pw;
    CDlgMain panel(pw.Deps());
    StillWorld w;
    StillPhotoBinder binder(StillPhotoDeps{pw.settings, pw.run, w.clock, w.notifier, w.frames});
    binder.AttachButton(panel);
    panel.Conditions().cameraReady = [] { return true; };
    auto* button = qobject_cast<QAbstractButton*>(panel.Control(1032));
    ASSERT_NE(button, nullptr);

    panel.UpdateRecordControls();
    EXPECT_FALSE(button->isEnabled()) << "not live";
    pw.run.isLive = true;
    panel.UpdateRecordControls();
    EXPECT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(w.frames.requests, 1);
    EXPECT_TRUE(binder.Pending());
    pw.run.isRecording = true;
    panel.UpdateRecordControls();
    EXPECT_FALSE(button->isEnabled()) << "recording";
}

TEST(StillPhotoRequest, OnePicturePerRequest) {
    StillWorld w;
    // A second press while the frame is on its way joins the first request.
    EXPECT_TRUE(w.Binder().Request());
    EXPECT_FALSE(w.Binder().Request());
    EXPECT_EQ(w.frames.requests, 1);

    w.Binder().OnStillFrame();
    w.Binder().OnStillFrame();  // a repeated 1026 stores nothing more
    EXPECT_EQ(w.Files(), 1);
    EXPECT_EQ(w.settings.stillPhoto, 1);
    EXPECT_EQ(w.sounds.size(), 1u);
    EXPECT_FALSE(w.Binder().Pending());

    // A 1026 with no request at all stores nothing either.
    w.Binder().OnStillFrame();
    EXPECT_EQ(w.Files(), 1);

    // The next press is a new picture.
    EXPECT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(w.Files(), 2);
    EXPECT_EQ(w.settings.stillPhoto, 2);
    EXPECT_TRUE(w.notifier.messages.empty());
}

TEST(StillPhotoRequest, ARequestWhoseFrameNeverCameStopsBlocking) {
    StillWorld w;
    ASSERT_TRUE(w.Binder().Request());
    w.clock.Advance(kStaleStillRequestMs - 1);
    EXPECT_FALSE(w.Binder().Request());
    w.clock.Advance(1);
    EXPECT_TRUE(w.Binder().Request());
    EXPECT_EQ(w.frames.requests, 2);
    w.Binder().OnStillFrame();
    EXPECT_EQ(w.Files(), 1);
}

TEST(StillPhotoStore, WritesTheNumberedBmpAndPlaysTheChosenSound) {
    StillWorld w;
    w.settings.stillPhoto = 41;
    w.settings.shutterSound = 2;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();

    const std::vector<uint8_t> bytes = ReadAll(w.PhotoPath(41));
    ASSERT_EQ(bytes.size(), w.frames.frame->BmpFileSize());
    EXPECT_EQ(Text({bytes.begin(), bytes.begin() + 2}), "BM");
    EXPECT_EQ(Field(bytes, 18, 4), static_cast<uint32_t>(kWidth));
    EXPECT_EQ(Field(bytes, 22, 4), static_cast<uint32_t>(kHeight));  // positive: bottom-up
    EXPECT_EQ(Field(bytes, 28, 2), 24u);
    // Every overlay part off: the camera's picture untouched.
    EXPECT_TRUE(std::all_of(bytes.begin() + 54, bytes.end(), [](uint8_t v) { return v == 0x60; }));
    EXPECT_EQ(w.settings.stillPhoto, 42);
    EXPECT_EQ(w.sounds, std::vector<int>{2});
    EXPECT_EQ(w.frames.clears, 1);
}

TEST(StillPhotoStore, CounterWrapsAndNeverTruncatesAnOlderPhoto) {
    StillWorld w;
    ASSERT_TRUE(WriteAll(w.PhotoPath(0), "photo of the last round"));
    w.settings.stillPhoto = 9998;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(w.settings.stillPhoto, 0);
    EXPECT_EQ(ReadAll(w.PhotoPath(9998)).size(), w.frames.frame->BmpFileSize());

    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(Text(ReadAll(w.PhotoPath(0))), "photo of the last round");
    EXPECT_EQ(ReadAll(w.PhotoPath(1)).size(), w.frames.frame->BmpFileSize());
    EXPECT_EQ(w.settings.stillPhoto, 2);
}

TEST(StillPhotoStore, AFileThatCannotBeWrittenIsNamedAndKeepsItsNumber) {
    StillWorld w;
    w.settings.dirVideo = w.dir / "gone";
    w.settings.stillPhoto = 7;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();

    ASSERT_EQ(w.notifier.messages.size(), 1u);
    const std::string expected = StillPhotoPath(w.settings.dirVideo, "26_01_17-", 7);
    EXPECT_EQ(w.notifier.messages[0].text.rfind("write error: cannot create " + expected, 0), 0u)
        << w.notifier.messages[0].text;
    EXPECT_EQ(w.settings.stillPhoto, 7);
    EXPECT_TRUE(w.saved.empty()) << "a number that was not used is not written";
    EXPECT_FALSE(w.Binder().Pending()) << "the next press is not blocked";

    // Once the folder is there the same number is used.
    ASSERT_EQ(::mkdir(w.settings.dirVideo.c_str(), 0700), 0);
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(ReadAll(expected).size(), w.frames.frame->BmpFileSize());
    EXPECT_EQ(w.settings.stillPhoto, 8);
    EXPECT_EQ(w.saved, std::vector<int>{8}) << "written the moment it moved";
}

TEST(StillPhotoStore, TimeOverlayIsStampedWhiteOnBlackFrom25By20) {
    StillWorld w;
    w.settings.isTextOutTime = true;
    w.settings.fontHeight = 24;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();

    const CDib& f = *w.frames.frame;
    int black = 0, white = 0;
    for (int y = 20; y < 44; ++y)
        for (int x = 25; x < kWidth; ++x) {
            const uint8_t v = f.PictureRow(y)[3 * x];
            black += v == 0;
            white += v == 0xFF;
        }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);
    // Above and left of the band the camera's picture stays.
    EXPECT_EQ(f.PictureRow(10)[3 * 10], 0x60);
    EXPECT_EQ(f.PictureRow(30)[3 * 10], 0x60);
    EXPECT_EQ(f.PictureRow(kHeight - 1)[3 * 100], 0x60);
}

TEST(StillPhotoStore, EightBitCameraInGreyTimelapseModeStoresGreyStills) {
    StillWorld w;
    w.frames.recordDepth = 8;
    w.frames.grey = CDib::Create(kWidth, kHeight, 8);
    w.frames.grey->MakeGreyPalette();
    w.settings.timelapseType = 1;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();

    const std::vector<uint8_t> bytes = ReadAll(w.PhotoPath(0));
    ASSERT_EQ(bytes.size(), w.frames.grey->BmpFileSize());
    EXPECT_EQ(Field(bytes, 28, 2), 8u);
    EXPECT_EQ(Field(bytes, 10, 4), 54u + 4 * 256);
    EXPECT_EQ(bytes.at(54 + 4 * 256), 0x60);

    // With AVI time-lapse the frame bitmap itself is stored.
    w.settings.timelapseType = 0;
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(Field(ReadAll(w.PhotoPath(1)), 28, 2), 24u);
}

TEST(StillPhotoStore, MeterAndMicroscopeTextsComeFromTheirProviders) {
    StillWorld w;
    int asked = 0;
    w.overlay.microscopeText = [&asked]() -> std::optional<std::string> {
        ++asked;
        return std::string("VEV Vacuum: 1.0E-5 Pa");
    };
    ASSERT_TRUE(w.Binder().Request());
    w.Binder().OnStillFrame();
    EXPECT_EQ(asked, 1);
    // Only the microscope line is on: it is drawn, so the band is no longer the camera's.
    const CDib& f = *w.frames.frame;
    int changed = 0;
    for (int x = 25; x < kWidth; ++x)
        changed += f.PictureRow(30)[3 * x] != 0x60;
    EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace tesmira
