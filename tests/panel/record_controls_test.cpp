// The enabling rule row by row for the run states the panel meets, and its caption swap, both as
// computed and as applied to the form.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <map>

#include "panel/control_tips.h"
#include "panel/dlg_main.h"
#include "panel/record_controls_rule.h"
#include "panel_test_support.h"

namespace tesmira {
namespace {

std::map<int, bool> Enabled(const RecordControlsInput& in) {
    std::map<int, bool> out;
    for (const ControlState& s : ComputeRecordControls(in))
        out[s.id] = s.enabled;
    return out;
}

RecordControlsInput LiveCamera() {
    RecordControlsInput in;
    in.cameraReady = true;
    in.microphoneReady = true;
    in.live = true;
    return in;
}

// Every input the rule can see: a greyed control always has a reason, an enabled one never.
TEST(RecordControlsRule, EveryGreyedControlSaysWhyAndNoEnabledOneDoes) {
    for (int bits = 0; bits < (1 << 11); ++bits) {
        for (int mode = 0; mode < 4; ++mode) {
            RecordControlsInput in;
            bool* flags[] = {&in.cameraReady,
                             &in.microphoneReady,
                             &in.timelapseAviWriterAvailable,
                             &in.live,
                             &in.recording,
                             &in.repeating,
                             &in.relayStepsPresent,
                             &in.clockWindowsPresent,
                             &in.relayModule1Present,
                             &in.relayModule2Present,
                             &in.microscopeConnected};
            for (int i = 0; i < 11; ++i)
                *flags[i] = bits & (1 << i);
            in.recMode = mode;
            for (const ControlState& s : ComputeRecordControls(in)) {
                const char* reason = RecordControlDisabledReason(s.id, in);
                ASSERT_EQ(s.enabled, reason == nullptr)
                    << "control " << s.id << " mode " << mode << " flags " << bits
                    << (reason ? " reason " : "") << (reason ? reason : "");
            }
        }
    }
}

TEST(RecordControlsRule, ReasonsNameTheFirstThingToMend) {
    RecordControlsInput in;
    EXPECT_STREQ("カメラがありません（キャプチャー ▸ カメラ選択）。",
                 RecordControlDisabledReason(1022, in));
    in.cameraReady = true;
    EXPECT_STREQ("LiveStart でライブ映像を始めると使えます。",
                 RecordControlDisabledReason(1022, in));
    in.live = true;
    in.recording = true;
    EXPECT_STREQ("録画中です。", RecordControlDisabledReason(1022, in));
    EXPECT_STREQ("録画中・繰り返し録画中は変更できません。", RecordControlDisabledReason(1065, in));
    in.recording = false;
    EXPECT_STREQ("録画モードが「タイムラップス」のときに選べます。",
                 RecordControlDisabledReason(1065, in));
    EXPECT_EQ(nullptr, RecordControlDisabledReason(1001, in)) << "jog buttons are not the rule's";
}

TEST(RecordControlsRule, WithoutACameraOnlyTheDeviceControlsRemain) {
    RecordControlsInput in;
    in.relayModule1Present = true;
    in.relayStepsPresent = true;
    auto e = Enabled(in);
    for (int id : {1022, 1020, 1023, 1024, 1039, 1040, 1041, 1048, 1032}) {
        EXPECT_FALSE(e[id]) << id;
    }
    for (int id : {1180, 1181, 1079, 1082, 1072, 1075})
        EXPECT_TRUE(e[id]) << id;
    EXPECT_FALSE(e[1083]) << "module 2 absent";
}

TEST(RecordControlsRule, CameraReadyButNotLive) {
    RecordControlsInput in = LiveCamera();
    in.live = false;
    auto e = Enabled(in);
    EXPECT_TRUE(e[1023]);
    EXPECT_FALSE(e[1024]);
    EXPECT_FALSE(e[1022]);
    EXPECT_FALSE(e[1039]);
    EXPECT_FALSE(e[1032]);
    EXPECT_TRUE(e[1048]) << "the microphone option does not need live video";
}

TEST(RecordControlsRule, LiveAndIdle) {
    auto e = Enabled(LiveCamera());
    EXPECT_FALSE(e[1023]);
    EXPECT_TRUE(e[1024]);
    EXPECT_TRUE(e[1022]);
    EXPECT_FALSE(e[1020]);
    for (int id : {1039, 1040, 1041, 1032, 1072, 1073, 1074, 1075})
        EXPECT_TRUE(e[id]) << id;
    for (int id : {1064, 1065, 1066, 1067})
        EXPECT_FALSE(e[id]) << id << " only for time-lapse";
}

TEST(RecordControlsRule, Recording) {
    RecordControlsInput in = LiveCamera();
    in.recording = true;
    auto e = Enabled(in);
    EXPECT_FALSE(e[1022]);
    EXPECT_TRUE(e[1020]);
    EXPECT_FALSE(e[1032]) << "no still photo while recording";
    for (int id = 1072; id <= 1075; ++id)
        EXPECT_FALSE(e[id]) << id;
    EXPECT_TRUE(e[1039]);
}

// 停止 stops whatever runs, also with live video off (a series whose repeat tick came after
// LiveStop) or the camera gone; with nothing running it stays greyed.
TEST(RecordControlsRule, StopFollowsWhatRunsNotTheLiveVideo) {
    struct Case {
        bool camera, live, recording, repeating, stop;
    };
    const Case cases[] = {
        {true, false, true, false, true},   {true, false, false, true, true},
        {false, false, true, true, true},   {true, true, false, false, false},
        {true, false, false, false, false},
    };
    for (const Case& c : cases) {
        RecordControlsInput in;
        in.cameraReady = c.camera;
        in.live = c.live;
        in.recording = c.recording;
        in.repeating = c.repeating;
        EXPECT_EQ(Enabled(in)[1020], c.stop) << c.camera << c.live << c.recording << c.repeating;
        EXPECT_EQ(Enabled(in)[1022], c.camera && c.live && !c.recording && !c.repeating);
    }
}

TEST(RecordControlsRule, RepeatingBetweenRecordingsSwapsTheCaptions) {
    RecordControlsInput in = LiveCamera();
    in.repeating = true;
    std::map<int, std::string> caption;
    std::map<int, bool> e;
    for (const ControlState& s : ComputeRecordControls(in)) {
        e[s.id] = s.enabled;
        if (s.caption)
            caption[s.id] = s.caption;
    }
    EXPECT_FALSE(e[1022]);
    EXPECT_TRUE(e[1020]) << "pressing it ends the repetition";
    EXPECT_EQ(caption[1022], "繰返し中");
    EXPECT_EQ(caption[1020], "・・・解除");
    EXPECT_TRUE(e[1032]) << "a still photo between recordings is allowed";
    for (int id = 1072; id <= 1075; ++id)
        EXPECT_FALSE(e[id]) << id;

    EXPECT_EQ(RecStartCaption(true, true), std::string("録画開始"));
    EXPECT_EQ(RecStopCaption(true, true), std::string("停止"));
    EXPECT_EQ(RecStartCaption(false, false), std::string("録画開始"));
}

TEST(RecordControlsRule, TimelapseModeWithAndWithoutTheAviWriter) {
    RecordControlsInput in = LiveCamera();
    in.recMode = 2;
    in.relayStepsPresent = true;
    in.clockWindowsPresent = true;
    auto e = Enabled(in);
    EXPECT_FALSE(e[1180]);
    EXPECT_FALSE(e[1181]);
    EXPECT_FALSE(e[1048]);
    EXPECT_FALSE(e[1064]) << "no writer for time-lapse AVI files";
    EXPECT_TRUE(e[1065]);
    EXPECT_TRUE(e[1066]);
    EXPECT_TRUE(e[1067]);
    in.timelapseAviWriterAvailable = true;
    EXPECT_TRUE(Enabled(in)[1064]);
    in.recording = true;
    e = Enabled(in);
    for (int id : {1064, 1065, 1066, 1067})
        EXPECT_FALSE(e[id]) << id;
}

// What runs can be stopped even after the mode was switched to time-lapse, and the buttons say
// so.
TEST(RecordControlsRule, RunningRelayShotsAndCyclesStayStoppable) {
    struct Case {
        bool shot, cycle;
        bool shotEnabled, cycleEnabled;
        const char *shotCaption, *cycleCaption;
    };
    const Case cases[] = {
        {false, false, false, false, "ショット", "繰り返し"},
        {true, false, true, false, "中断", "繰り返し"},
        {false, true, false, true, "ショット", "中断"},
        {true, true, true, true, "中断", "中断"},
    };
    for (const Case& c : cases) {
        RecordControlsInput in = LiveCamera();
        in.recMode = 2;
        in.relayStepsPresent = true;
        in.relayShotRunning = c.shot;
        in.relayCycling = c.cycle;
        for (const ControlState& s : ComputeRecordControls(in)) {
            if (s.id == 1180) {
                EXPECT_EQ(s.enabled, c.shotEnabled);
                EXPECT_STREQ(s.caption, c.shotCaption);
            } else if (s.id == 1181) {
                EXPECT_EQ(s.enabled, c.cycleEnabled);
                EXPECT_STREQ(s.caption, c.cycleCaption);
            }
        }
    }
}

TEST(RecordControlsRule, RelayButtonsFollowTheirListsAndModules) {
    RecordControlsInput in;
    auto e = Enabled(in);
    EXPECT_FALSE(e[1180]);
    EXPECT_FALSE(e[1181]);
    in.clockWindowsPresent = true;
    e = Enabled(in);
    EXPECT_FALSE(e[1180]) << "a shot needs steps";
    EXPECT_TRUE(e[1181]) << "a cycle runs on clock windows alone";
    in.relayModule2Present = true;
    e = Enabled(in);
    for (int id = 1079; id <= 1082; ++id)
        EXPECT_FALSE(e[id]) << id;
    for (int id = 1083; id <= 1086; ++id)
        EXPECT_TRUE(e[id]) << id;
}

TEST(RecordControlsRule, MicroscopeOverlayFollowsTheConnection) {
    RecordControlsInput in;
    EXPECT_FALSE(Enabled(in)[1054]);
    in.microscopeConnected = true;
    EXPECT_TRUE(Enabled(in)[1054]);
}

// ---- the rule applied to the form -------------------------------------------------------------

class PanelRuleTest : public ::testing::Test {
protected:
    PanelRuleTest() {
        for (int id = 1001; id <= 1194; ++id)
            panel.MarkAttached({id});
        panel.Conditions().cameraReady = [this] { return camera; };
        panel.Conditions().microphoneReady = [] { return true; };
        panel.Conditions().relayModuleName = [this](int module) {
            return module == 1 ? module1 : std::string();
        };
    }
    bool On(int id) { return panel.Control(id)->isEnabled(); }
    QString Caption(int id) { return qobject_cast<QAbstractButton*>(panel.Control(id))->text(); }

    test::PanelWorld world;
    CDlgMain panel{world.Deps()};
    bool camera = true;
    std::string module1;
};

TEST_F(PanelRuleTest, RepeatCycleCaptionsComeAndGo) {
    world.run.isLive = true;
    world.run.isRepeating = true;
    panel.UpdateRecordControls();
    EXPECT_EQ(Caption(1022), QString::fromUtf8("繰返し中"));
    EXPECT_EQ(Caption(1020), QString::fromUtf8("・・・解除"));
    EXPECT_FALSE(On(1022));
    EXPECT_TRUE(On(1020));
    world.run.isRecording = true;
    panel.UpdateRecordControls();
    EXPECT_EQ(Caption(1022), QString::fromUtf8("録画開始"));
    EXPECT_EQ(Caption(1020), QString::fromUtf8("停止"));
    world.run = RunState{};
    world.run.isLive = true;
    world.doc.UpdateAllViews(nullptr,
                             UpdateHint::kRefreshControls);  // the refresh hint runs the rule
    EXPECT_EQ(Caption(1020), QString::fromUtf8("停止"));
    EXPECT_TRUE(On(1022));
    EXPECT_FALSE(On(1020));
}

TEST_F(PanelRuleTest, NoCameraLeavesTheDeviceControlsUsable) {
    camera = false;
    world.run.isLive = true;  // stale flag: without a camera nothing of video is offered
    panel.UpdateRecordControls();
    for (int id : {1022, 1020, 1023, 1024, 1039, 1040, 1041})
        EXPECT_FALSE(On(id)) << id;
    for (int id : {1001, 1009, 1025, 1029, 1031, 1042, 1045})
        EXPECT_TRUE(On(id)) << id;
}

TEST_F(PanelRuleTest, RelayModulesAndTheirCaptions) {
    module1 = "A1B2C3D4";
    panel.Conditions().relayCaption = [](int channel) {
        return channel == 2 ? std::string("R3_ON")
                            : std::string("R") + std::to_string(channel % 4 + 1) + "_OFF";
    };
    panel.UpdateRecordControls();
    EXPECT_TRUE(On(1079));
    EXPECT_FALSE(On(1083));
    EXPECT_EQ(Caption(1081), QStringLiteral("R3_ON"));
    EXPECT_EQ(Caption(1085), QStringLiteral("R3_OFF"));
}

TEST_F(PanelRuleTest, TipsGiveTheKeysAndWhyAControlIsGreyed) {
    const QString keys = QString::fromUtf8("キー: スペース");
    world.run = RunState{};
    panel.UpdateRecordControls();
    EXPECT_EQ(keys + "\n" + QString::fromUtf8("LiveStart でライブ映像を始めると使えます。"),
              panel.Control(1022)->toolTip());
    world.run.isLive = true;
    panel.UpdateRecordControls();
    EXPECT_EQ(keys, panel.Control(1022)->toolTip()) << "enabled: the keys only";
    world.run.isRecording = true;
    panel.UpdateRecordControls();
    EXPECT_EQ(keys + "\n" + QString::fromUtf8("録画中です。"), panel.Control(1022)->toolTip())
        << "still greyed, for another reason";

    EXPECT_EQ(QString::fromUtf8("キー: Shift+Ctrl+↑ / Shift+Ctrl+8"),
              panel.Control(1021)->toolTip());
    EXPECT_EQ(QString::fromUtf8("キー: Shift+PageDown / Shift+3"), panel.Control(1019)->toolTip());
    // Greyed outside the rule: the meter's OFF button until the meter is on.
    panel.Control(1033)->setEnabled(false);
    EXPECT_EQ(QString::fromUtf8("温度・湿度計は ON になっていません。"),
              panel.Control(1033)->toolTip());
    panel.Control(1033)->setEnabled(true);
    EXPECT_TRUE(panel.Control(1033)->toolTip().isEmpty());
}

TEST(ControlTips, EveryJogAndZButtonNamesItsKeys) {
    for (int id : {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1012, 1013,
                   1014, 1015, 1016, 1017, 1018, 1019, 1021, 1025, 1026, 1028}) {
        const char* tip = KeyTipOf(id);
        ASSERT_NE(nullptr, tip) << id;
        EXPECT_EQ(0, std::string(tip).rfind("キー: ", 0)) << id;
    }
    EXPECT_EQ(nullptr, KeyTipOf(1011)) << "centring has no key";
}

TEST_F(PanelRuleTest, UnattachedControlsStayOffWhateverTheRuleSays) {
    CDlgMain bare{world.Deps()};
    bare.Conditions().cameraReady = [] { return true; };
    world.run.isLive = true;
    bare.UpdateRecordControls();
    EXPECT_FALSE(bare.Control(1022)->isEnabled()) << "no recording room yet";
    EXPECT_TRUE(bare.Control(1039)->isEnabled()) << "zoom is the panel's own";
    bare.MarkAttached({1022});
    EXPECT_TRUE(bare.Control(1022)->isEnabled());
}

}  // namespace
}  // namespace tesmira
