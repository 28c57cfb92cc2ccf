#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "automation/automation_object.h"
#include "core/settings.h"

namespace tesmira {
namespace {

// The workstation as a script sees it: a snapshot the test sets and the entry points it counts.
struct Rig {
    Rig() {
        now.cameraReady = true;
        AutomationPorts p;
        p.snapshot = [this] { return now; };
        p.modalOpen = [this] { return modal; };
        p.canStartLive = p.canStopLive = [] { return true; };
        p.canStartRecording = [this] { return buttonsAllow; };
        p.canStopRecording = [] { return true; };
        p.startLive = [this] {
            ++calls;
            now.live = true;
        };
        p.stopLive = [this] {
            ++calls;
            now.live = false;
        };
        p.startRecording = [this] {
            ++calls;
            now.recording = recordingStarts;
        };
        p.stopRecording = [this] { ++calls; };
        p.recordingPath = [] { return std::string("/v/001.avi"); };
        p.requestStill = [this] {
            ++calls;
            now.stillPending = true;
            return true;
        };
        p.moveBy = [this](double, double) {
            ++calls;
            return stage;
        };
        p.moveZBy = [this](double) {
            ++calls;
            return stage;
        };
        p.relayUsable = [](int channel) { return channel < 4; };
        p.toggleRelay = [this](int channel) {
            ++calls;
            now.relays[channel] = now.relays[channel] == 1 ? 0 : 1;
        };
        p.shot = [this] { ++calls; };
        p.settings = &settings;
        p.settingChanged = [this](const std::string&) { ++calls; };
        AutomationSignals s;
        s.stateChanged = [this](const std::string& state) { events.push_back("state " + state); };
        s.recordingFinished = [this](const std::string& path, int delivered, int dropped) {
            events.push_back("finished " + path + " " + std::to_string(delivered) + " " +
                             std::to_string(dropped));
        };
        s.stillWritten = [this](const std::string& path) { events.push_back("still " + path); };
        s.positionChanged = [this](double x, double, double) {
            events.push_back("position " + std::to_string(static_cast<int>(x)));
        };
        s.message = [this](const std::string& text) { events.push_back("message " + text); };
        s.timelapseFrame = [this](const std::string& f) { events.push_back("frame " + f); };
        object = std::make_unique<AutomationObject>(std::move(p), std::move(s));
    }

    WorkstationSnapshot now;
    Settings settings;
    bool modal = false;
    bool buttonsAllow = true;
    bool recordingStarts = true;
    StageMove stage = StageMove::kMoved;
    int calls = 0;
    std::vector<std::string> events;
    std::unique_ptr<AutomationObject> object;
};

std::string ErrorOf(const std::optional<Refusal>& r) {
    return r ? ErrorName(r->error).substr(sizeof("org.corvanesoft.Tesmira.Error.") - 1) : "";
}

// Hostile and untimely calls: each gets its error and reaches nothing.
TEST(AutomationCalls, RefusedCallsGetTheirErrorAndChangeNothing) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void(Rig&)> setUp;
        std::function<std::optional<Refusal>(AutomationObject&)> call;
        const char* error;
    };
    const auto live = [](Rig& r) { r.now.live = true; };
    const auto recording = [](Rig& r) { r.now.live = r.now.recording = true; };
    const Case cases[] = {
        {"live while a dialog is open", [](Rig& r) { r.modal = true; },
         [](AutomationObject& o) { return o.StartLive().refusal; }, "Busy"},
        {"move while a dialog is open", [](Rig& r) { r.modal = true; },
         [](AutomationObject& o) { return o.MoveBy(1, 1).refusal; }, "Busy"},
        {"setting while a dialog is open", [](Rig& r) { r.modal = true; },
         [](AutomationObject& o) { return o.SetSetting("RecMode", 1LL).refusal; }, "Busy"},
        {"live without camera", [](Rig& r) { r.now.cameraReady = false; },
         [](AutomationObject& o) { return o.StartLive().refusal; }, "NoCamera"},
        {"second recording", recording,
         [](AutomationObject& o) { return o.StartRecording().refusal; }, "Busy"},
        {"recording while its button is greyed", [](Rig& r) { r.buttonsAllow = false; },
         [](AutomationObject& o) { return o.StartRecording().refusal; }, "Busy"},
        {"recording during a repeat wait", [](Rig& r) { r.now.repeating = true; },
         [](AutomationObject& o) { return o.StartRecording().refusal; }, "Busy"},
        {"live stop during a recording", recording,
         [](AutomationObject& o) { return o.StopLive().refusal; }, "Busy"},
        {"stop with nothing recording", live,
         [](AutomationObject& o) { return o.StopRecording().refusal; }, "Busy"},
        {"still without live video",
         {},
         [](AutomationObject& o) { return o.TakeStill([](auto&) {}); },
         "Busy"},
        {"still during a recording", recording,
         [](AutomationObject& o) { return o.TakeStill([](auto&) {}); }, "Busy"},
        {"setting during a recording", recording,
         [](AutomationObject& o) { return o.SetSetting("RecMode", 1LL).refusal; }, "Busy"},
        {"relay out of range",
         {},
         [](AutomationObject& o) { return o.SetRelay(8, true).refusal; },
         "InvalidArgument"},
        {"relay of an absent module",
         {},
         [](AutomationObject& o) { return o.SetRelay(5, true).refusal; },
         "NotConnected"},
        {"relay during a cycle", [](Rig& r) { r.now.cycling = true; },
         [](AutomationObject& o) { return o.SetRelay(1, true).refusal; }, "Busy"},
        {"shot during a recording", recording, [](AutomationObject& o) { return o.Shot().refusal; },
         "Busy"},
        {"setting out of range",
         {},
         [](AutomationObject& o) { return o.SetSetting("RecMode", 4LL).refusal; },
         "InvalidArgument"},
        {"setting of text type",
         {},
         [](AutomationObject& o) { return o.SetSetting("Move", std::string("10")).refusal; },
         "InvalidArgument"},
        {"setting not a script's",
         {},
         [](AutomationObject& o) { return o.SetSetting("Rec No.", 5LL).refusal; },
         "InvalidArgument"},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.setUp)
            c.setUp(rig);
        const WorkstationSnapshot before = rig.now;
        const Settings settingsBefore = rig.settings;
        const std::optional<Refusal> refusal = c.call(*rig.object);
        EXPECT_EQ(c.error, ErrorOf(refusal)) << c.what;
        EXPECT_TRUE(refusal && !refusal->text.empty()) << c.what;
        EXPECT_EQ(0, rig.calls) << c.what;
        EXPECT_EQ(before.live, rig.now.live) << c.what;
        EXPECT_EQ(before.relays, rig.now.relays) << c.what;
        EXPECT_EQ(settingsBefore.recMode, rig.settings.recMode) << c.what;
        EXPECT_EQ(settingsBefore.move, rig.settings.move) << c.what;
    }
    // The stage's own refusals map to the script's errors.
    const std::pair<StageMove, const char*> stage[] = {
        {StageMove::kNotReady, "Busy"},
        {StageMove::kNotConnected, "NotConnected"},
        {StageMove::kOutOfRange, "InvalidArgument"},
        {StageMove::kUnsupported, "Failed"},
    };
    for (const auto& [move, error] : stage) {
        Rig rig;
        rig.stage = move;
        EXPECT_EQ(error, ErrorOf(rig.object->MoveBy(kNaN, 0).refusal));
        EXPECT_EQ(error, ErrorOf(rig.object->MoveZBy(1).refusal));
    }
}

TEST(AutomationCalls, RecordingReturnsItsPathAndAFailedStartIsAnError) {
    Rig rig;
    rig.now.live = true;
    const Answer<std::string> started = rig.object->StartRecording();
    EXPECT_FALSE(started.refusal);
    EXPECT_EQ("/v/001.avi", started.value);

    Rig failing;
    failing.recordingStarts = false;  // the control said why in a message box
    EXPECT_EQ("Failed", ErrorOf(failing.object->StartRecording().refusal));
}

TEST(AutomationCalls, SetRelaySwitchesOnlyWhenTheStateDiffers) {
    Rig rig;
    EXPECT_FALSE(rig.object->SetRelay(2, true).refusal);
    EXPECT_FALSE(rig.object->SetRelay(2, true).refusal);
    EXPECT_EQ(1, rig.calls);
    EXPECT_EQ(1, rig.now.relays[2]);
    EXPECT_FALSE(rig.object->SetRelay(2, false).refusal);
    EXPECT_EQ(0, rig.now.relays[2]);
}

// The poll: state changes, a finished recording, a still's answer, moves and message lines.
TEST(AutomationPoll, TurnsStateChangesIntoSignalsAndAnswersStills) {
    Rig rig;
    rig.now.live = true;
    rig.object->Poll();
    std::vector<std::string> answers;
    ASSERT_FALSE(rig.object->TakeStill(
        [&](const Answer<std::string>& a) { answers.push_back(a.refusal ? "refused" : a.value); }));
    rig.object->Poll();
    EXPECT_TRUE(answers.empty());  // the file is not written yet
    rig.now.lastStill = "/v/TM_1.bmp";
    rig.now.stillPending = false;
    rig.now.x = 5;
    rig.object->Poll();
    EXPECT_EQ(std::vector<std::string>{"/v/TM_1.bmp"}, answers);

    rig.now.recording = true;
    rig.object->Poll();
    rig.now.recording = false;
    rig.now.lastRecording = "/v/001.avi";
    rig.now.delivered = 60;
    rig.object->Poll();
    rig.now.timelapseFrames = 1;
    rig.object->Poll();
    rig.now.timelapseFrames = 2;
    rig.object->Poll();
    rig.object->OnUpdate(nullptr, UpdateHint::kAppendBlue, std::string("line\n"));
    rig.object->OnUpdate(nullptr, UpdateHint::kSetZoom, 2.0);
    const std::vector<std::string> expected = {
        "state live",      "still /v/TM_1.bmp", "position 5",
        "state recording", "state live",        "finished /v/001.avi 60 0",
        "frame 1",         "frame 2",           "message line\n"};
    EXPECT_EQ(expected, rig.events);

    // A still whose frame never comes is answered with an error, not left hanging.
    ASSERT_FALSE(rig.object->TakeStill(
        [&](const Answer<std::string>& a) { answers.push_back(a.refusal ? "refused" : a.value); }));
    for (int i = 0; i < kStillAnswerPolls; ++i)
        rig.object->Poll();
    EXPECT_EQ("refused", answers.back());
}

TEST(AutomationReadings, StateNamesAndMeterNumbers) {
    WorkstationSnapshot s;
    EXPECT_EQ("idle", StateName(s));
    s.cycling = true;
    EXPECT_EQ("cycling", StateName(s));
    s.repeating = true;
    EXPECT_EQ("repeat-wait", StateName(s));
    s.recording = true;
    EXPECT_EQ("recording", StateName(s));
    s.recMode = 2;
    EXPECT_EQ("timelapse", StateName(s));

    InstrumentTexts texts;
    texts.temperature = "T = 21.85 °C";
    texts.humidity = " H = 45.60 %";
    EXPECT_EQ((std::array<double, 2>{21.85, 45.6}), MeterNumbers(texts));
    texts.humidity = " H = --";
    texts.temperature.reset();
    const std::array<double, 2> off = MeterNumbers(texts);
    EXPECT_TRUE(std::isnan(off[0]) && std::isnan(off[1]));
}

// Settings as scripts write them: the panel's ranges in the stored form, named when refused.
TEST(ScriptSettings, WritesWithinThePanelsRangesAndNamesThemWhenRefused) {
    struct Case {
        int xyKind;
        const char* key;
        ScriptValue value;
        long long stored;          // read back when accepted
        const char* refusedRange;  // nullptr: accepted
    };
    const Case cases[] = {
        {1, "Move", 1LL, 1, nullptr},  // 0.1 µm, the LEP MAC5000's pulse
        {1, "Move", 0LL, 0, "1..5000000"},
        {1, "Page", 5000001LL, 0, "1..5000000"},
        {2, "Page", 500000LL, 500000, nullptr},  // Sigma Koki: 1 µm pulses
        {2, "Move", 2.5, 0, "1..500000"},        // not a whole pulse count
        {1, "DeltaZ", -10000LL, -10000, nullptr},
        {1, "DeltaZ", -10001LL, 0, "-10000..10000"},
        {1, "RecMode", 3.0, 3, nullptr},  // a whole real is a number like any
        {1, "IsTextOutTime", true, 1, nullptr},
        {1, "IsTextOutTime", 2LL, 0, "0..1"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.xyAxisType = c.xyKind;
        const Settings before = s;
        const std::optional<ScriptSettingRefusal> r = WriteScriptSetting(s, c.key, c.value);
        if (!c.refusedRange) {
            EXPECT_FALSE(r) << c.key;
            EXPECT_EQ(ScriptValue(c.stored), ReadScriptSetting(s, c.key)) << c.key;
            continue;
        }
        ASSERT_TRUE(r) << c.key;
        EXPECT_NE(std::string::npos, r->text.find(c.refusedRange)) << c.key << ": " << r->text;
        EXPECT_EQ(before.move, s.move);
        EXPECT_EQ(before.page, s.page);
        EXPECT_EQ(before.deltaZ, s.deltaZ);
        EXPECT_EQ(before.isTextOutTime, s.isTextOutTime);
    }
    Settings s;
    EXPECT_EQ(ScriptValue(std::string("MV-41 Capture..")), ReadScriptSetting(s, "Camera"));
    EXPECT_FALSE(ReadScriptSetting(s, "NoSuchKey"));
}

}  // namespace
}  // namespace tesmira
