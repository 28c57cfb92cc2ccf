#include "stage/stage_control.h"

#include <cmath>

#include "core/controller_kinds.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/settings.h"
#include "core/timer_multiplexer.h"
#include "core/ui_text.h"
#include "serial/serial_slots.h"
#include "stage/jog_table.h"
#include "stage/stage_state.h"
#include "stage/z_reply.h"

namespace tesmira {
namespace {

using T = StageText;

constexpr int kDelayedZMs = 30;
constexpr int kZPollMs = 2000;

void WriteIfOpen(ISerialChannel& channel, const std::string& text) {
    if (!text.empty() && channel.IsOpen())
        channel.Write(text);
}

}  // namespace

StageControl::StageControl(Settings& settings, SerialSlots& slots, StageState& state,
                           INotifier& notifier)
    : settings_(settings), slots_(slots), state_(state), notifier_(notifier) {}

void StageControl::LoadStepsFromSettings() {
    const Settings& s = settings_;
    const double xy = XyUmPerPulse(s.xyAxisType);
    const double z = ZUmPerPulse(s.zAxisType);
    steps_.xyFine = UmFromPulses(s.move, xy);
    steps_.xyCoarse = UmFromPulses(s.page, xy);
    steps_.xyFineY = UmFromPulses(s.moveY, xy);
    steps_.xyCoarseY = UmFromPulses(s.pageY, xy);
    steps_.zFine = UmFromPulses(s.moveZ, z);
    steps_.zCoarse = UmFromPulses(s.pageZ, z);
    steps_.deltaZ = UmFromPulses(s.deltaZ, z);
}

void StageControl::BuildAtStartup() {
    BuildXyFine();
    BuildXyCoarse();
    BuildXyUtility();
    BuildZFine();
    BuildZCoarse();
}

void StageControl::RebuildXyCommands() {
    BuildXyFine();
    BuildXyCoarse();
    BuildXyUtility();
}

void StageControl::RebuildZCommands() {
    BuildZFine();
    BuildZCoarse();
    BuildDeltaZ();
}

void StageControl::BuildXyFine() {
    Settings& s = settings_;
    s.move = PulsesFromUm(steps_.xyFine, XyPulsesPerUm(s.xyAxisType));
    BuildXyFineTexts(texts_, s.xyAxisType, s.move);
}

void StageControl::BuildXyCoarse() {
    Settings& s = settings_;
    s.page = PulsesFromUm(steps_.xyCoarse, XyPulsesPerUm(s.xyAxisType));
    BuildXyCoarseTexts(texts_, s.xyAxisType, s.page);
}

void StageControl::BuildXyUtility() {
    const int kind = NormaliseKind(settings_.xyAxisType);
    BuildXyUtilityTexts(texts_, kind);
    if (kind != stage_kind::kMac5000) {
        if (readyWaitReset_)
            readyWaitReset_();
        editHasFocus = false;
    }
}

void StageControl::BuildZFine() {
    Settings& s = settings_;
    s.moveZ = PulsesFromUm(steps_.zFine, ZPulsesPerUm(s.zAxisType));
    BuildZPairTexts(texts_, T::kZFineUp, T::kZFineDown, s.zAxisType, s.moveZ);
}

void StageControl::BuildZCoarse() {
    Settings& s = settings_;
    s.pageZ = PulsesFromUm(steps_.zCoarse, ZPulsesPerUm(s.zAxisType));
    BuildZPairTexts(texts_, T::kZCoarseUp, T::kZCoarseDown, s.zAxisType, s.pageZ);
}

void StageControl::BuildDeltaZ() {
    Settings& s = settings_;
    s.deltaZ = PulsesFromUm(steps_.deltaZ, ZPulsesPerUm(s.zAxisType));
    BuildZPairTexts(texts_, T::kDeltaZUp, T::kDeltaZDown, s.zAxisType, s.deltaZ);
}

void StageControl::PressJogButton(int id) {
    const JogButton* b = FindJogButton(id);
    if (!b)
        return;
    const double step = b->coarse ? steps_.xyCoarse : steps_.xyFine;
    SendXyJog(texts_[b->text], b->dxSign * step, b->dySign * step);
}

void StageControl::SendXyJog(const std::string& text, double dx, double dy) {
    StageState& st = state_;
    if (st.stageReady != 1)
        return;  // busy controller: the press is dropped, no bookkeeping
    WriteIfOpen(slots_.Slot(1), text);
    st.stageX += dx;
    st.stageY += dy;
}

void StageControl::SendZStep(const std::string& text, double dz) {
    StageState& st = state_;
    if (st.stageReady != 1)
        return;
    WriteIfOpen(slots_.ZChannel(), text);
    st.stageZ += dz;
}

namespace {

// Pulses for a scripted distance; nullopt when the panel's edits would refuse it.
std::optional<long long> ScriptedPulses(double um, double pulsesPerUm) {
    if (!std::isfinite(um) || std::fabs(um) > kStepMaximumUm)
        return std::nullopt;
    return PulsesFromUm(um, pulsesPerUm);
}

}  // namespace

StageMove StageControl::MoveXyBy(double dxUm, double dyUm) {
    const int kind = settings_.xyAxisType;
    const std::optional<long long> x = ScriptedPulses(dxUm, XyPulsesPerUm(kind));
    const std::optional<long long> y = ScriptedPulses(dyUm, XyPulsesPerUm(kind));
    if (!x || !y || (*x == 0 && *y == 0 && (dxUm != 0.0 || dyUm != 0.0)))
        return StageMove::kOutOfRange;
    if (state_.stageReady != 1)
        return StageMove::kNotReady;
    ISerialChannel& port = slots_.Slot(1);
    if (!port.IsOpen())
        return StageMove::kNotConnected;
    const std::string text = XyMoveText(kind, *x, *y);
    if (text.empty())
        return StageMove::kMoved;  // 0, 0
    port.Write(text);
    state_.stageX += UmFromPulses(static_cast<int>(*x), XyUmPerPulse(kind));
    state_.stageY += UmFromPulses(static_cast<int>(*y), XyUmPerPulse(kind));
    return StageMove::kMoved;
}

StageMove StageControl::MoveZBy(double dzUm) {
    const int kind = settings_.zAxisType;
    const std::optional<long long> z = ScriptedPulses(dzUm, ZPulsesPerUm(kind));
    if (!z || (*z == 0 && dzUm != 0.0))
        return StageMove::kOutOfRange;
    if (NormaliseKind(kind) == stage_kind::kTe2000e)
        return StageMove::kUnsupported;
    if (state_.stageReady != 1)
        return StageMove::kNotReady;
    ISerialChannel& port = slots_.ZChannel();
    if (!port.IsOpen())
        return StageMove::kNotConnected;
    const std::string text = ZMoveText(kind, *z);
    if (text.empty())
        return StageMove::kMoved;
    port.Write(text);
    state_.stageZ += UmFromPulses(static_cast<int>(*z), ZUmPerPulse(kind));
    return StageMove::kMoved;
}

void StageControl::CentreStage() {
    ISerialChannel& xy = slots_.Slot(1);
    if (NormaliseKind(settings_.xyAxisType) == stage_kind::kMac5000) {
        WriteIfOpen(xy, texts_[T::kCentring]);
        return;
    }
    WriteIfOpen(xy, texts_[T::kStatusQuery]);
    WriteIfOpen(xy, texts_[T::kOriginSearch]);
    // The origin search runs for a while; the move to the centre must wait until it has ended,
    // which only the user can see.
    notifier_.Notify(UiText("Stage",
                            "機械原点を検出しています。\nステージの動きが止まってから [ OK ] "
                            "をクリックして下さい。\n"),
                     MessageIcon::None);
    WriteIfOpen(xy, texts_[T::kCentring]);
}

void StageControl::PressZButton(int id, bool autoRepeat) {
    switch (id) {
        case z_button::kFineUp:
            ZStep(+1, false, autoRepeat);
            break;
        case z_button::kFineDown:
            ZStep(-1, false, autoRepeat);
            break;
        case z_button::kCoarseUp:
            ZStep(+1, true, autoRepeat);
            break;
        case z_button::kCoarseDown:
            ZStep(-1, true, autoRepeat);
            break;
        default:
            break;
    }
}

void StageControl::ZStep(int direction, bool coarse, bool autoRepeat) {
    if (NormaliseKind(settings_.zAxisType) == stage_kind::kTe2000e) {
        // No relative move: ask for the position; the reply carries out every step pressed
        // meanwhile. A held key adds nothing while its step still waits, so auto-repeat keeps
        // moving one step an exchange instead of running ahead of the drive.
        WriteIfOpen(slots_.ZChannel(), texts_[T::kZPositionQuery]);
        int& pending = coarse ? pendingCoarse_ : pendingFine_;
        if (!(autoRepeat && pending != 0))
            pending += direction;
        return;
    }
    const double um = coarse ? steps_.zCoarse : steps_.zFine;
    StageText text;
    if (coarse) {
        text = direction > 0 ? T::kZCoarseUp : T::kZCoarseDown;
    } else {
        text = direction > 0 ? T::kZFineUp : T::kZFineDown;
    }
    SendZStep(texts_[text], direction * um);
}

void StageControl::ZSyncEvent(int source) {
    if (source < 0 || source > kZsyncOneShot)
        return;
    if (source == settings_.zsync)
        ZFineUp();
}

void StageControl::OnZReply(std::string_view reply) {
    // Only a line in exactly the drive's form is a position: noise, a cut line or a number out
    // of range is logged and treated like no reply at all, so a pending step stays pending
    // rather than moving from a wrong position.
    std::optional<int> position;
    for (const std::string_view line : ReplyLines(reply)) {
        const std::optional<int> parsed = ParseZPositionLine(line);
        if (!parsed) {
            qCWarning(lcStage, "Z drive reply ignored: \"%s\"", EscapedForLog(line).c_str());
        } else if (!position) {
            position = parsed;
        }
    }
    if (!position)
        return;
    lastZPosition_ = *position;

    StageState& st = state_;
    const Settings& s = settings_;
    if (commandedTarget_ && *commandedTarget_ == lastZPosition_)
        commandedTarget_.reset();  // the drive has arrived
    if (pendingFine_ != 0 || pendingCoarse_ != 0) {
        const long long base = commandedTarget_.value_or(lastZPosition_);
        const long long target = base + static_cast<long long>(pendingFine_) * s.moveZ +
                                 static_cast<long long>(pendingCoarse_) * s.pageZ;
        const int fine = pendingFine_;
        const int coarse = pendingCoarse_;
        pendingFine_ = 0;
        pendingCoarse_ = 0;
        const std::string move = Te2000eZMoveText(target);
        if (move.empty()) {
            // A target the drive cannot hold is not sent, and Z stays where it is.
            qCWarning(lcStage, "Z move to %lld refused: beyond the drive's range", target);
            commandedTarget_.reset();
            return;
        }
        texts_[T::kPendingZCommand] = move;
        st.stageZ += fine * steps_.zFine + coarse * steps_.zCoarse;
        commandedTarget_ = target;
        if (timers_) {
            timers_->Start(TimerId::kDelayedZ, kDelayedZMs);
        } else {
            OnDelayedZTick();  // no timers attached: write at once rather than never
        }
        return;
    }
    commandedTarget_.reset();
    // A position report.
    if (zeroOnNextReply_) {
        zeroOnNextReply_ = false;
        zReference_ = lastZPosition_;
        st.stageZ = 0.0;
    } else {
        const long long delta = static_cast<long long>(lastZPosition_) - zReference_;
        st.stageZ = static_cast<double>(delta) * ZUmPerPulse(stage_kind::kTe2000e);
    }
}

void StageControl::OnDelayedZTick() {
    std::string& pendingCommand = texts_[T::kPendingZCommand];
    if (!pendingCommand.empty()) {
        WriteIfOpen(slots_.ZChannel(), pendingCommand);
        pendingCommand.clear();
    }
    if (timers_)
        timers_->Stop(TimerId::kDelayedZ);
}

void StageControl::OnZPollTick() {
    if (NormaliseKind(settings_.zAxisType) != stage_kind::kTe2000e)
        return;
    WriteIfOpen(slots_.ZChannel(), texts_[T::kZPositionQuery]);
    pendingFine_ = 0;
    pendingCoarse_ = 0;
    commandedTarget_.reset();
}

void StageControl::StartTimelapseZPoll() {
    if (NormaliseKind(settings_.zAxisType) != stage_kind::kTe2000e)
        return;
    zeroOnNextReply_ = true;
    if (timers_)
        timers_->Start(TimerId::kZPositionPoll, kZPollMs);
}

void StageControl::StopTimelapseZPoll() {
    if (timers_)
        timers_->Stop(TimerId::kZPositionPoll);
    zeroOnNextReply_ = false;
}

void StageControl::AttachTimers(TimerMultiplexer& timers) {
    timers_ = &timers;
    timers.SetHandler(TimerId::kDelayedZ, [this] { OnDelayedZTick(); });
    timers.SetHandler(TimerId::kZPositionPoll, [this] { OnZPollTick(); });
}

}  // namespace tesmira
