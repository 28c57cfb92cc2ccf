#include <gtest/gtest.h>

#include <QListWidget>

#include "capture/camera_dialogs.h"
#include "capture/camera_select_model.h"
#include "capture/capture_owner.h"
#include "capture/capture_rig.h"
#include "capture/fake_catalog.h"
#include "common/message_recorder.h"
#include "core/settings.h"
#include "media/capture_graph.h"
#include "media/device_rules.h"

namespace tesmira {
namespace {

using Names = std::vector<std::string>;

class CameraSelect : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = std::make_shared<test::FakeCatalog>();
        catalog->cameras = {
            {"Cam B", "", ""}, {"Cam A", "", ""}, {"Cam S", "usb-1:1.0", "Cam S Mic"}};
        catalog->microphones = {{"Mic 1", "", ""}, {"Cam S Mic", "usb-1:1.2", ""}};
        rig.catalog = catalog;
    }
    std::shared_ptr<test::FakeCatalog> catalog;
    test::CaptureRig rig;
};

TEST_F(CameraSelect, OpeningLeavesTheChosenDevicesOutOfTheLists) {
    CameraSelectModel m(*catalog);
    m.Open("Cam A", "Mic 1");
    EXPECT_EQ(m.Cameras(), (Names{"Cam B", "Cam S"}));
    EXPECT_EQ(m.Microphones(), (Names{"Cam S Mic"}));
    EXPECT_EQ(m.ChosenCamera(), "Cam A");
}

TEST_F(CameraSelect, RefreshNoticesDevicesPluggedInAndOut) {
    CameraSelectModel m(*catalog);
    m.Open("Cam A", "Mic 1");
    EXPECT_FALSE(m.Refresh().cameras);  // nothing changed

    catalog->cameras.push_back({"Cam C", "", ""});
    auto changes = m.Refresh();
    EXPECT_TRUE(changes.cameras);
    EXPECT_FALSE(changes.microphones);
    EXPECT_EQ(m.Cameras(), (Names{"Cam B", "Cam C", "Cam S"}));

    // The chosen camera is unplugged: its slot empties at the next refresh.
    catalog->cameras.erase(catalog->cameras.begin() + 1);
    changes = m.Refresh();
    EXPECT_TRUE(changes.chosenCleared);
    EXPECT_EQ(m.ChosenCamera(), "");
    EXPECT_EQ(m.ChosenMicrophone(), "Mic 1");
}

TEST_F(CameraSelect, ChoosingACameraWithSoundOffersItsMicrophoneLabel) {
    CameraSelectModel m(*catalog);
    m.Open("", "");
    auto changes = m.TakeCamera("Cam S");
    EXPECT_TRUE(changes.microphones);
    EXPECT_EQ(m.Microphones(), (Names{"Cam S Mic", "Mic 1", kCameraAudioLabel}));
    m.TakeMicrophone(kCameraAudioLabel);
    EXPECT_EQ(m.Microphones(), (Names{"Cam S Mic", "Mic 1"}));
    // Dropping the camera takes the label away, and with it the chosen camera audio.
    m.ClearCamera();
    EXPECT_EQ(m.ChosenMicrophone(), "");
    EXPECT_EQ(m.Cameras(), (Names{"Cam A", "Cam B", "Cam S"}));
}

TEST_F(CameraSelect, DialogShowsTheListsAndRefreshesOnItsTimer) {
    CDlgCameraSelect dialog(*catalog, "Cam A", "", nullptr);
    auto* cams = dialog.findChild<QListWidget*>(QStringLiteral("cameraList"));
    ASSERT_TRUE(cams);
    EXPECT_EQ(cams->count(), 2);
    EXPECT_TRUE(dialog.RefreshTimer().isActive());
    EXPECT_EQ(dialog.RefreshTimer().interval(), 5000);
    catalog->cameras.clear();
    catalog->cameras.push_back({"Cam Z", "", ""});
    dialog.OnRefreshTimer();
    EXPECT_EQ(cams->count(), 1);
    EXPECT_EQ(dialog.ChosenCamera(), "");
    dialog.reject();
    EXPECT_FALSE(dialog.RefreshTimer().isActive());
}

TEST_F(CameraSelect, OkWithoutChangeKeepsTheGraphAndAChangeRebuildsIt) {
    auto& messages = rig.messages;
    rig.settings.camera = "Cam A";
    rig.settings.audio = "";
    rig.settings.dirVideo = "/tmp";
    rig.settings.datePrefix = "26_12_08-";
    rig.Owner().Rebuild();
    CCaptureGraph* before = rig.Owner().Graph();
    ASSERT_TRUE(before);
    EXPECT_TRUE(before->CameraReady());
    const int queries = catalog->cameraQueries;
    const uint64_t generation = before->Generation();

    EXPECT_FALSE(rig.Owner().ApplyCameraChoice("Cam A", ""));
    EXPECT_EQ(rig.Owner().Graph(), before);
    EXPECT_EQ(catalog->cameraQueries, queries);  // not even enumerated again

    EXPECT_TRUE(rig.Owner().ApplyCameraChoice("Cam B", ""));
    EXPECT_EQ(rig.settings.camera, "Cam B");
    ASSERT_TRUE(rig.Owner().Graph());
    EXPECT_GT(rig.Owner().Graph()->Generation(), generation);
    EXPECT_EQ(rig.Owner().Graph()->BoundCameraName(), "Cam B");
    EXPECT_TRUE(messages.messages.empty());

    // An empty choice is stored; the new graph has no camera and nothing can go live.
    EXPECT_TRUE(rig.Owner().ApplyCameraChoice("", ""));
    EXPECT_EQ(rig.settings.camera, "");
    EXPECT_FALSE(rig.Owner().CameraReady());
}

}  // namespace
}  // namespace tesmira
