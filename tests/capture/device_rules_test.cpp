#include <gtest/gtest.h>

#include "media/device_rules.h"

namespace tesmira {
namespace {

using Names = std::vector<std::string>;

TEST(CameraRules, ListIsSortedAndOnlyAnExactNameBinds) {
    const Names present{"USB Camera", "Analog Capture", "usb camera", "USB Camera"};
    CameraChoice c = ChooseCamera(present, "USB Camera");
    EXPECT_EQ(c.names, (Names{"Analog Capture", "USB Camera", "USB Camera", "usb camera"}));
    EXPECT_EQ(c.bound, 0);  // the first device of that name, in device order
    EXPECT_EQ(ChooseCamera(present, "usb").bound, -1);
    EXPECT_EQ(ChooseCamera(present, "USB CAMERA").bound, -1);
    EXPECT_EQ(ChooseCamera(present, "").bound, -1);
    EXPECT_TRUE(ChooseCamera({}, "USB Camera").names.empty());
}

TEST(MicrophoneRules, CameraAudioLabelJoinsTheSortAndCanBeChosen) {
    const Names present{"Mic B", "Mic A"};
    MicrophoneChoice m = ChooseMicrophone(true, "Cam", present, kCameraAudioLabel);
    EXPECT_TRUE(m.useCameraAudio);
    EXPECT_EQ(m.bound, -1);  // no separate microphone with the camera's own audio
    EXPECT_EQ(m.names, (Names{"Mic A", "Mic B", kCameraAudioLabel}));

    m = ChooseMicrophone(true, "Cam", present, "Mic B");
    EXPECT_FALSE(m.useCameraAudio);
    EXPECT_EQ(m.bound, 0);

    m = ChooseMicrophone(false, "Cam", present, kCameraAudioLabel);
    EXPECT_FALSE(m.useCameraAudio);  // the label only exists for a camera with sound
    EXPECT_EQ(m.names, (Names{"Mic A", "Mic B"}));
}

TEST(MicrophoneRules, SkippedDevices) {
    const Names present{"decklink audio capture", "CY3014 USB, Analog 01 WaveIn", "Mic"};
    EXPECT_EQ(ChooseMicrophone(false, "Other", present, "").names, (Names{"Mic"}));
    // The CY3014 sound input is offered only with its own camera (any letter case).
    EXPECT_EQ(ChooseMicrophone(false, "cy3014 usb, analog 01 capture", present, "").names,
              (Names{"CY3014 USB, Analog 01 WaveIn", "Mic"}));
    // A skipped device is never bound, even when asked for by name.
    EXPECT_EQ(ChooseMicrophone(false, "Other", present, "decklink audio capture").bound, -1);
}

TEST(DeviceRules, SameUsbDeviceIgnoresTheInterface) {
    EXPECT_TRUE(SameUsbDevice("pci-0000:00:14.0-usb-0:1:1.0", "pci-0000:00:14.0-usb-0:1:1.2"));
    EXPECT_FALSE(SameUsbDevice("pci-0000:00:14.0-usb-0:1:1.0", "pci-0000:00:14.0-usb-0:2:1.2"));
    EXPECT_FALSE(SameUsbDevice("", ""));
    EXPECT_FALSE(SameUsbDevice("pci-0000:00:1f.3", "pci-0000:00:1f.3"));  // not USB
}

TEST(DeviceRules, RemovingTheChosenDeviceFromARefreshedList) {
    Names list{"A", "B", "A"};
    std::string chosen = "A";
    EXPECT_FALSE(RemoveChosen(list, chosen));
    EXPECT_EQ(list, (Names{"B"}));
    EXPECT_EQ(chosen, "A");

    chosen = "Gone";
    EXPECT_TRUE(RemoveChosen(list, chosen));  // unplugged: the slot empties
    EXPECT_EQ(chosen, "");

    Names empty;
    chosen = "Kept";
    EXPECT_FALSE(RemoveChosen(empty, chosen));  // an empty list changes nothing
    EXPECT_EQ(chosen, "Kept");

    EXPECT_TRUE(ListChanged({"A", "B"}, {"B", "A"}));
    EXPECT_FALSE(ListChanged({"A"}, {"A"}));
}

}  // namespace
}  // namespace tesmira
