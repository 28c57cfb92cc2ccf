#include "automation/automation_object.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/settings.h"
#include "core/timer_multiplexer.h"
#include "core/ui_text.h"

namespace tesmira {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Refusal Refuse(AutomationError error, const char* text) {
    return {error, UiText("Automation", text)};
}

template <class T = Done>
Answer<T> Refused(AutomationError error, const char* text) {
    return {Refuse(error, text), {}};
}

// The number after the first '=' of an overlay text.
double NumberAfterEquals(const std::optional<std::string>& text) {
    if (!text)
        return kNaN;
    const size_t eq = text->find('=');
    if (eq == std::string::npos)
        return kNaN;
    const char* begin = text->c_str() + eq + 1;
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    return end == begin ? kNaN : v;
}

}  // namespace

std::string ErrorName(AutomationError error) {
    static const char* const kNames[] = {"Busy", "NoCamera", "InvalidArgument", "NotConnected",
                                         "Failed"};
    return std::string("org.corvanesoft.Tesmira.Error.") + kNames[static_cast<int>(error)];
}

std::array<double, 2> MeterNumbers(const InstrumentTexts& texts) {
    return {NumberAfterEquals(texts.temperature), NumberAfterEquals(texts.humidity)};
}

std::string StateName(const WorkstationSnapshot& s) {
    if (s.recording)
        return s.recMode == 2 ? "timelapse" : "recording";
    if (s.repeating)
        return "repeat-wait";
    if (s.cycling)
        return "cycling";
    return s.live ? "live" : "idle";
}

AutomationObject::AutomationObject(AutomationPorts ports, AutomationSignals signalSinks)
    : ports_(std::move(ports)), signals_(std::move(signalSinks)) {
    last_ = ports_.snapshot();
    lastState_ = StateName(last_);
}

AutomationObject::~AutomationObject() {
    if (timers_) {
        timers_->Stop(TimerId::kAutomationPoll);
        timers_->SetHandler(TimerId::kAutomationPoll, {});
    }
    // A still still waiting is answered rather than left hanging until the caller's timeout.
    for (PendingStill& still : stills_)
        still.answer({Refuse(AutomationError::kFailed,
                             UI_TEXT_NOOP("Automation", "スチル写真を保存できませんでした。")),
                      {}});
}

void AutomationObject::AttachTimers(TimerMultiplexer& timers) {
    timers_ = &timers;
    timers.SetHandler(TimerId::kAutomationPoll, [this] { Poll(); });
    timers.Start(TimerId::kAutomationPoll, kAutomationPollMs);
}

void AutomationObject::Poll() {
    const WorkstationSnapshot now = ports_.snapshot();
    const std::string state = StateName(now);
    if (state != lastState_) {
        lastState_ = state;
        if (signals_.stateChanged)
            signals_.stateChanged(state);
    }
    if (last_.recording && !now.recording && signals_.recordingFinished)
        signals_.recordingFinished(now.lastRecording, now.delivered, now.dropped);
    if (now.lastStill != last_.lastStill && !now.lastStill.empty() && signals_.stillWritten)
        signals_.stillWritten(now.lastStill);
    // The frames of a series are counted (their files are named only when the series ends).
    if (now.timelapseFrames != last_.timelapseFrames && now.timelapseFrames > 0 &&
        signals_.timelapseFrame)
        signals_.timelapseFrame(std::to_string(now.timelapseFrames));
    if ((now.x != last_.x || now.y != last_.y || now.z != last_.z) && signals_.positionChanged)
        signals_.positionChanged(now.x, now.y, now.z);
    AnswerStills(now);
    last_ = now;
}

void AutomationObject::AnswerStills(const WorkstationSnapshot& now) {
    std::vector<PendingStill> waiting;
    for (PendingStill& still : stills_) {
        if (now.lastStill != still.before && !now.lastStill.empty()) {
            still.answer({std::nullopt, now.lastStill});
        } else if (--still.pollsLeft <= 0 || (!now.stillPending && !now.live)) {
            still.answer({Refuse(AutomationError::kFailed,
                                 UI_TEXT_NOOP("Automation", "スチル写真を保存できませんでした。")),
                          {}});
        } else {
            waiting.push_back(std::move(still));
        }
    }
    stills_ = std::move(waiting);
}

std::string AutomationObject::State() const {
    return StateName(ports_.snapshot());
}

std::array<double, 3> AutomationObject::Position() const {
    const WorkstationSnapshot s = ports_.snapshot();
    return {s.x, s.y, s.z};
}

std::string AutomationObject::Camera() const {
    return ports_.snapshot().camera;
}

std::string AutomationObject::LastFile() const {
    return ports_.snapshot().lastFile;
}

std::vector<int> AutomationObject::RelayStates() const {
    const WorkstationSnapshot s = ports_.snapshot();
    return {s.relays.begin(), s.relays.end()};
}

std::array<double, 2> AutomationObject::MeterReading() const {
    return MeterNumbers(ports_.snapshot().texts);
}

std::string AutomationObject::MicroscopeText() const {
    const std::optional<std::string>& text = ports_.snapshot().texts.microscope;
    return text ? *text : std::string();
}

std::optional<Refusal> AutomationObject::Modal() const {
    if (ports_.modalOpen && ports_.modalOpen())
        return Refuse(AutomationError::kBusy,
                      UI_TEXT_NOOP("Automation", "ダイアログが開いているため実行できません。"));
    return std::nullopt;
}

Answer<Done> AutomationObject::StartLive() {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    if (!s.cameraReady)
        return Refused(AutomationError::kNoCamera,
                       UI_TEXT_NOOP("Automation", "カメラがありません。"));
    if (s.live)
        return {};
    if (!ports_.canStartLive())
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "いまはライブを開始できません。"));
    ports_.startLive();
    if (!ports_.snapshot().live)
        return Refused(AutomationError::kFailed,
                       UI_TEXT_NOOP("Automation", "ライブを開始できませんでした。"));
    return {};
}

Answer<Done> AutomationObject::StopLive() {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    if (!s.live)
        return {};
    if (s.recording || s.repeating || !ports_.canStopLive())
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "録画中はライブを停止できません。"));
    ports_.stopLive();
    return {};
}

Answer<std::string> AutomationObject::StartRecording() {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    if (!s.cameraReady)
        return Refused<std::string>(AutomationError::kNoCamera,
                                    UI_TEXT_NOOP("Automation", "カメラがありません。"));
    if (s.recording || s.repeating)
        return Refused<std::string>(AutomationError::kBusy,
                                    UI_TEXT_NOOP("Automation", "すでに録画中です。"));
    if (!ports_.canStartRecording())
        return Refused<std::string>(AutomationError::kBusy,
                                    UI_TEXT_NOOP("Automation", "いまは録画を開始できません。"));
    ports_.startRecording();
    const WorkstationSnapshot after = ports_.snapshot();
    if (!after.recording && !after.repeating)
        return Refused<std::string>(AutomationError::kFailed,
                                    UI_TEXT_NOOP("Automation", "録画を開始できませんでした。"));
    return {std::nullopt, ports_.recordingPath()};
}

Answer<Done> AutomationObject::StopRecording() {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    if (!s.recording && !s.repeating)
        return Refused(AutomationError::kBusy, UI_TEXT_NOOP("Automation", "録画していません。"));
    if (!ports_.canStopRecording())
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "いまは録画を停止できません。"));
    ports_.stopRecording();
    return {};
}

std::optional<Refusal> AutomationObject::TakeStill(
    std::function<void(const Answer<std::string>&)> answer) {
    if (auto r = Modal())
        return r;
    const WorkstationSnapshot s = ports_.snapshot();
    if (!s.cameraReady)
        return Refuse(AutomationError::kNoCamera,
                      UI_TEXT_NOOP("Automation", "カメラがありません。"));
    if (!s.live)
        return Refuse(AutomationError::kBusy,
                      UI_TEXT_NOOP("Automation", "スチル写真はライブ中に撮影できます。"));
    if (s.recording)
        return Refuse(AutomationError::kBusy,
                      UI_TEXT_NOOP("Automation", "録画中はスチル写真を撮影できません。"));
    // A request already waiting is joined: both callers get the same picture.
    if (!ports_.requestStill() && !s.stillPending)
        return Refuse(AutomationError::kFailed,
                      UI_TEXT_NOOP("Automation", "スチル写真を撮影できませんでした。"));
    stills_.push_back({s.lastStill, kStillAnswerPolls, std::move(answer)});
    return std::nullopt;
}

Answer<Done> AutomationObject::StageAnswer(StageMove move) {
    switch (move) {
        case StageMove::kMoved:
            return {};
        case StageMove::kNotReady:
            return Refused(AutomationError::kBusy,
                           UI_TEXT_NOOP("Automation", "ステージが移動中です。"));
        case StageMove::kNotConnected:
            return Refused(AutomationError::kNotConnected,
                           UI_TEXT_NOOP("Automation", "ステージのポートが開いていません。"));
        case StageMove::kUnsupported:
            return Refused(AutomationError::kFailed,
                           UI_TEXT_NOOP("Automation", "このZ軸コントローラは相対移動できません。"));
        case StageMove::kOutOfRange:
            break;
    }
    return Refused(
        AutomationError::kInvalidArgument,
        UI_TEXT_NOOP("Automation",
                     "移動量は1パルス以上、-500000〜500000 µm の有限の値で指定して下さい。"));
}

Answer<Done> AutomationObject::MoveBy(double dx, double dy) {
    if (auto r = Modal())
        return {r, {}};
    return StageAnswer(ports_.moveBy(dx, dy));
}

Answer<Done> AutomationObject::MoveZBy(double dz) {
    if (auto r = Modal())
        return {r, {}};
    return StageAnswer(ports_.moveZBy(dz));
}

Answer<Done> AutomationObject::SetRelay(int channel, bool on) {
    if (auto r = Modal())
        return {r, {}};
    if (channel < 0 || channel > 7)
        return Refused(AutomationError::kInvalidArgument,
                       UI_TEXT_NOOP("Automation", "リレーの番号は 0〜7 です。"));
    if (!ports_.relayUsable(channel))
        return Refused(AutomationError::kNotConnected,
                       UI_TEXT_NOOP("Automation", "このリレーは接続されていません。"));
    const WorkstationSnapshot s = ports_.snapshot();
    if (s.cycling)
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "リレーのサイクル中は切り替えできません。"));
    if ((s.relays[channel] == 1) != on)
        ports_.toggleRelay(channel);
    if ((ports_.snapshot().relays[channel] == 1) != on)
        return Refused(AutomationError::kFailed,
                       UI_TEXT_NOOP("Automation", "リレーを切り替えできませんでした。"));
    return {};
}

Answer<Done> AutomationObject::Shot() {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    if (s.cycling || s.recording)
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "いまはショットを実行できません。"));
    ports_.shot();
    return {};
}

Answer<SettingValue> AutomationObject::GetSetting(const std::string& key) const {
    std::optional<SettingValue> value = ReadScriptSetting(*ports_.settings, key);
    if (!value) {
        return {Refusal{AutomationError::kInvalidArgument,
                        FillIn(UiText("Automation", "「%s」という設定はありません。"), key)},
                {}};
    }
    return {std::nullopt, *value};
}

Answer<Done> AutomationObject::SetSetting(const std::string& key, const SettingValue& value) {
    if (auto r = Modal())
        return {r, {}};
    const WorkstationSnapshot s = ports_.snapshot();
    // The panel's controls are locked while a recording runs; so are the scripts.
    if (s.recording || s.repeating)
        return Refused(AutomationError::kBusy,
                       UI_TEXT_NOOP("Automation", "録画中は設定を変更できません。"));
    if (std::optional<ScriptSettingRefusal> refusal =
            WriteScriptSetting(*ports_.settings, key, value))
        return {Refusal{AutomationError::kInvalidArgument, refusal->text}, {}};
    if (ports_.settingChanged)
        ports_.settingChanged(key);
    return {};
}

void AutomationObject::OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) {
    if (hint != UpdateHint::kAppendBlue && hint != UpdateHint::kAppendGreen)
        return;
    if (const auto* text = std::get_if<std::string>(&payload); text && signals_.message)
        signals_.message(*text);
}

}  // namespace tesmira
