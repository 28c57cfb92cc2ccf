// A recording while the device libraries crash in every SetRelays and GetTempHumidTrue: the
// meter is on and its first reading crashes its helper, the relay helper crashes at each restart
// as it tells the modules their states again (and at any click while its rows are usable), and
// the recording still ends at its limit with every frame it delivered in the file and none
// dropped.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <cstdlib>
#include <string>

#include "common/hint_recorder.h"
#include "core/run_state.h"
#include "ffprobe.h"
#include "live_rig.h"

namespace tesmira::test {
namespace {

class RecordingWhileLibrariesCrash : public LiveRig {
protected:
    static void SetUpTestSuite() {
        setenv("TESMIRA_PLUGIN_PATH", TESMIRA_HOSTILE_DIR "/crashing", 1);
        LiveRig::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        LiveRig::TearDownTestSuite();
        unsetenv("TESMIRA_PLUGIN_PATH");
    }
};

TEST_F(RecordingWhileLibrariesCrash, EveryFrameIsRecorded) {
    if (!cameraUp || !FfprobeAvailable())
        GTEST_SKIP() << "no test camera or no ffprobe";
    HintRecorder hints(workstation->Doc());
    Config().trhType = 0;
    Click(1031);  // the meter's reading crashes its helper a second later
    SetLimitMs(4000);
    Click(1022);
    ASSERT_TRUE(Run().isRecording);
    int clicks = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            if (QAbstractButton* relay = Button(1079); relay && relay->isEnabled()) {
                relay->click();  // crashes the relay helper
                ++clicks;
            }
            return !Run().isRecording;
        },
        15000));
    ASSERT_EQ(pane.Summaries(), 1u) << pane.All();
    const int delivered = pane.DeliveredOf(0);
    EXPECT_GT(delivered, 60);
    EXPECT_EQ(pane.DroppedOf(0), 0) << pane.All();
    const ProbedVideo v = ProbeVideo(videoDir + Expected(1));
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.nbFrames, delivered);

    // The relay library's crash is told once, when the rows are made (before this recorder
    // started, or just after it on a slow machine); its later crashes are not told again. The
    // meter's is told once.
    int relay = 0, meter = 0;
    for (const HintRecord& r : hints.Of(102)) {
        const std::string& text = std::get<std::string>(r.payload);
        relay += text.find("libsuper4.so が異常終了") != std::string::npos;
        meter += text.find("libUSBMeter.so が異常終了") != std::string::npos;
    }
    EXPECT_LE(relay, 1);
    EXPECT_EQ(meter, 1);
    RecordProperty("frames", delivered);
    RecordProperty("relayClicks", clicks);
}

}  // namespace
}  // namespace tesmira::test
