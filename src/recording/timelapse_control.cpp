#include "recording/timelapse_control.h"

#include <cstdio>
#include <ctime>

#include "core/clock.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/text_format.h"
#include "core/ui_text.h"
#include "imaging/dib.h"
#include "imaging/ome_tiff_writer.h"
#include "recording/avi_repair.h"
#include "recording/file_move.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"
#include "recording/relay_sync.h"
#include "recording/timelapse_avi_writer.h"

namespace tesmira {
namespace {

const char* const kStartFailed =
    UI_TEXT_NOOP("Recording",
                 "録画をスタートすることが出来ませんでしたので，ストリームをリセットしました！\n"
                 "録画のスタートをやり直してください。\n");

}  // namespace

TimelapseControl::TimelapseControl(TimelapseDeps deps) : deps_(std::move(deps)) {}

TimelapseControl::~TimelapseControl() = default;

void TimelapseControl::RegisterTimers() {
    deps_.timers.SetHandler(TimerId::kTimelapse, [this] { OnTimelapseTick(); });
}

void TimelapseControl::Tell(const std::string& text) {
    deps_.notifier.Notify(text, MessageIcon::Exclamation);
}

void TimelapseControl::Report(UpdateHint hint, const std::string& text) {
    deps_.doc.UpdateAllViews(nullptr, hint, text);
}

void TimelapseControl::RecStart() {
    Settings& s = deps_.settings;
    TimerMultiplexer& timers = deps_.timers;
    for (TimerId id :
         {TimerId::kRecording, TimerId::kTimelapse, TimerId::kReadyAnswer, TimerId::kCountDown})
        timers.Stop(id);
    if (deps_.run.isRecording)
        return;
    deps_.countDown.SetTitle(UiText("Recording", "タイムラップス　"));
    deps_.countDown.SetTotal(1);
    deps_.countDown.SetRemaining(0);
    if (!deps_.camera.IsBuilt()) {
        deps_.panel.ClearReadyWait();
        return;
    }

    deps_.stage.ResetForRecording();
    // One log per run: positions left from an earlier run never mix into this one.
    deps_.log.Clear();
    frameRows_.clear();
    tlFrameCount_ = 0;
    frameRequested_ = false;
    firstTick_ = true;
    measuredRate_ = 0.0;
    type_ = TimelapseTypeOf(s.timelapseType);
    // Never write into an older series: the number moves on past every name in use.
    seriesNumber_ = FirstFreeTimelapseNumber(s, s.recTlNo);
    if (type_ != TimelapseType::kAvi) {
        s.recTlNo = seriesNumber_ + 1;
        CountersChanged();
    }
    const TimelapseTargetResult made = MakeTimelapseTarget(s, seriesNumber_, type_);
    if (!made.ok) {
        FailStart(made.error);
        return;
    }
    target_ = made.target;
    BeginSeries();

    std::string error;
    if (type_ == TimelapseType::kAvi) {
        int width = 0, height = 0, bitCount = 0;
        if (!deps_.camera.FrameFormat(&width, &height, &bitCount)) {
            FailStart(target_.ActivePath() + ": no frame size to record");
            return;
        }
        const RateFraction rate = ReplayRateFraction(s.fpsAviReplay);
        const CodecSettings codec =
            deps_.codecFor ? deps_.codecFor(s.mediaType) : CodecSettings{s.mediaType};
        avi_ = std::make_unique<TimelapseAviWriter>(deps_.makeWriter ? deps_.makeWriter()
                                                                     : MakeAviWriter());
        if (!avi_->Open(target_.ActivePath(), width, height, bitCount, rate.num, rate.den, codec,
                        &error)) {
            avi_.reset();
            FailStart(error);
            return;
        }
        // Without the room for a reserve the series still goes ahead, only less protected.
        reserve_.Create(ReservePathOf(target_.ActivePath()));
    }

    // The frames come from the live picture: a run started without live video runs the graph.
    if (!deps_.camera.IsRunning() && !deps_.camera.Run(&error)) {
        FailStart(error);
        return;
    }

    runStartTick_ = deps_.clock.TickMs();
    lastRequestTick_ = runStartTick_;
    timers.Start(TimerId::kTimelapse, 10);
    deps_.stage.StartPositionPolling();
    deps_.countDown.Show();
    deps_.camera.SaveGraphFile();
    deps_.run.isRecording = true;
    deps_.panel.UpdateRecordControls();
    deps_.panel.FocusPanel();
    deps_.panel.ClearReadyWait();
}

// The file is made with the first frame, whose size and depth (grey for an 8-bit camera) it
// keeps; a series stopped before its first frame leaves no file.
bool TimelapseControl::OpenOmeTiff(const CDib& first, std::string* error) {
    const Settings& s = deps_.settings;
    OmeTiffOptions options;
    const std::string path = FinalTimelapseName(target_.destPath, s.timelapse);
    options.info.name = path.substr(path.find_last_of('/') + 1);
    options.info.timeIncrementMs = s.timelapse;
    options.info.pixelSizeUm = s.pixelSizeUm;
    options.compression = OmeCompressionOf(s.omeTiffCompression);
    options.expectedFrames = s.tlFrames;
    ome_ = std::make_unique<OmeTiffWriter>();
    dropSaid_ = false;
    if (ome_->Open(target_.ActivePath(), first.Width(), first.Height(), first.BitCount(), options,
                   error))
        return true;
    ome_.reset();
    return false;
}

void TimelapseControl::FailStart(const std::string& reason) {
    deps_.run.isRecording = false;
    deps_.timers.Stop(TimerId::kTimelapse);
    deps_.countDown.Hide();
    // Nothing was stored yet: what the start made is taken away again.
    if (avi_) {
        std::string ignored;
        avi_->Close(&ignored);
        avi_.reset();
        std::remove(target_.ActivePath().c_str());
    } else if (ome_) {
        std::string ignored;
        ome_->Close(&ignored);
        ome_.reset();
        std::remove(target_.ActivePath().c_str());
    } else if (!target_.ActivePath().empty() && target_.ActivePath().back() == '/') {
        std::remove(target_.ActivePath().c_str());
    }
    EndSeries();
    target_ = {};
    if (deps_.rebuildGraph)
        deps_.rebuildGraph();
    if (!reason.empty())
        Tell(reason);
    Tell(UiText("Recording", kStartFailed));
    deps_.panel.UpdateRecordControls();
    deps_.panel.FocusPanel();
    deps_.panel.ClearReadyWait();
}

void TimelapseControl::OnTimelapseTick() {
    TimerMultiplexer& timers = deps_.timers;
    if (!deps_.run.isRecording) {
        timers.Stop(TimerId::kTimelapse);
        return;
    }
    if (firstTick_) {
        firstTick_ = false;
        timers.Start(TimerId::kTimelapse,
                     deps_.settings.timelapse > 0 ? deps_.settings.timelapse : 1);
    }
    if (relay_ && relay_->HasSteps()) {
        relayRunMarked_ = true;
        relay_->StartWithFrameTick();
        return;
    }
    RequestFrame();
}

void TimelapseControl::OnRelayFrameMarker() {
    // Only a sequence this series started takes its frames: a movie's or the shot button's
    // sequences play the same marker step.
    if (deps_.run.isRecording && relayRunMarked_)
        RequestFrame();
}

void TimelapseControl::RequestFrame() {
    frameRequested_ = true;
    deps_.camera.RequestFrame();
    lastRequestTick_ = deps_.clock.TickMs();
    const StageSample stage = deps_.stage.Sample();
    requestSample_ = stage;
    deps_.log.AppendFrame(stage.x, stage.y, stage.z, stage.ready);
}

// The run is over: a sequence still playing is cut short, and what the run switched on goes off
// now, not when a sequence that will take no more frames would have switched it.
void TimelapseControl::EndRelayRun() {
    const bool marked = relayRunMarked_;
    relayRunMarked_ = false;
    if (!relay_)
        return;
    relay_->EndRun();  // also a run without steps: it may have followed the clock windows
    if (marked)
        relay_->SwitchOffSequenceRelays();
}

void TimelapseControl::OnFrameGrabbed() {
    deps_.camera.ClearGrabRequest();
    if (!frameRequested_ || !deps_.run.isRecording)
        return;
    frameRequested_ = false;
    const Settings& s = deps_.settings;
    // The Z/shot synchronisation's one-shot event, before the frame is stored.
    deps_.stage.OneShotGrabbed();

    deps_.panel.SetStatusText(Format("Get %6d / %d  ", tlFrameCount_ + 1, s.tlFrames));
    if (s.timelapse > 2000) {
        deps_.timers.Start(TimerId::kCountDown, 1000);
        waitCountdown_ = s.timelapse / 1000;
        deps_.countDown.SetTotal(waitCountdown_);
        deps_.countDown.SetTitle(Format(UiText("Recording", "タイムラップス  %d / %d").c_str(),
                                        tlFrameCount_ + 1, s.tlFrames));
    }
    std::string error;
    bool dropped = false;
    if (!StoreFrame(&error, &dropped)) {
        StopWithError(error);
        return;
    }
    if (dropped)
        return;  // not stored: the series takes one more
    if (tlFrameCount_ == 0)
        firstStoredTick_ = lastRequestTick_;
    lastStoredTick_ = lastRequestTick_;
    FrameRow row{tlFrameCount_,
                 deps_.clock.UnixMs() - int64_t(uint32_t(deps_.clock.TickMs() - lastRequestTick_)),
                 int64_t(uint32_t(lastRequestTick_ - firstStoredTick_)),
                 requestSample_.x,
                 requestSample_.y,
                 requestSample_.z,
                 requestSample_.ready,
                 {},
                 {},
                 ome_ ? ome_->FramesDropped() : 0};
    const InstrumentTexts texts = deps_.camera.FrameTexts();
    row.temperature = texts.temperature.value_or("");
    row.humidity = texts.humidity.value_or("");
    frameRows_.push_back(std::move(row));
    ++tlFrameCount_;
    if (tlFrameCount_ >= s.tlFrames)
        RecStop();
}

bool TimelapseControl::StoreFrame(std::string* error, bool* dropped) {
    const CDib* picture = deps_.camera.PrepareFrame(type_);
    if (!picture) {
        *error = target_.ActivePath() + ": no frame to store";
        return false;
    }
    deps_.camera.PlayShutter();
    if (type_ == TimelapseType::kAvi) {
        if (avi_ && avi_->Append(*picture))
            return true;
        *error = avi_ ? avi_->Error() : target_.ActivePath();
        return false;
    }
    if (type_ == TimelapseType::kOmeTiff) {
        if (!ome_ && !OpenOmeTiff(*picture, error))
            return false;
        OmePlane plane;
        plane.deltaTMs =
            tlFrameCount_ == 0 ? 0.0 : double(uint32_t(lastRequestTick_ - firstStoredTick_));
        plane.x = requestSample_.x;
        plane.y = requestSample_.y;
        plane.z = requestSample_.z;
        const InstrumentTexts texts = deps_.camera.FrameTexts();
        plane.temperature = texts.temperature.value_or("");
        plane.humidity = texts.humidity.value_or("");
        plane.microscope = texts.microscope.value_or("");
        switch (ome_->Append(*picture, plane)) {
            case OmeAppend::kQueued:
                return true;
            case OmeAppend::kDropped:
                *dropped = true;
                if (!dropSaid_) {
                    dropSaid_ = true;
                    Report(UpdateHint::kAppendBlue,
                           UiText("Recording",
                                  "ディスクへの書き込みが間に合わないため，齣を落としました。\n"));
                }
                return true;
            case OmeAppend::kFailed:
                break;
        }
        *error = ome_->Error().empty() ? target_.ActivePath() : ome_->Error();
        return false;
    }
    const std::string path =
        target_.ActivePath() +
        Format(type_ == TimelapseType::kJpg ? "OneShot%04d.jpg" : "OneShot%04d.bmp", tlFrameCount_);
    // A frame never replaces a file: the folder is the series' own and new.
    const WriteResult written =
        type_ == TimelapseType::kJpg
            ? picture->SaveJpeg(path, picture->Components(), ExistingFile::kKeep)
            : picture->SaveBmp(path, ExistingFile::kKeep);
    if (written.ok())
        return true;
    *error = written.error.empty() ? path : written.error;
    if (written.error.find(path) == std::string::npos)
        *error = path + ": " + *error;
    return false;
}

void TimelapseControl::StopWithError(const std::string& error) {
    RecStop();
    const std::string text =
        UiText("Recording", "タイムラップスの画像を保存できなかったため，停止しました。\n") +
        error + "\n" + UiText("Recording", "ディスクの空き容量と保存先を確認して下さい。\n");
    Report(UpdateHint::kAppendBlue, text);
    Tell(text);
}

void TimelapseControl::OnCountDownTick() {
    --waitCountdown_;
    deps_.panel.SetStatusText(
        Format("Get %6d / %d\n    (%d s)", tlFrameCount_, deps_.settings.tlFrames, waitCountdown_));
    deps_.countDown.SetRemaining(waitCountdown_);
}

void TimelapseControl::RecStop() {
    Settings& s = deps_.settings;
    TimerMultiplexer& timers = deps_.timers;
    for (TimerId id : {TimerId::kRecording, TimerId::kReadyAnswer, TimerId::kCountDown})
        timers.Stop(id);
    timers.Start(TimerId::kSerialReceive, 500);
    if (!deps_.run.isRecording) {
        deps_.panel.ClearReadyWait();
        return;
    }
    timers.Stop(TimerId::kTimelapse);
    deps_.countDown.Hide();
    EndRelayRun();
    deps_.stage.StopPositionPolling();
    frameRequested_ = false;
    deps_.camera.ClearGrabRequest();
    const uint32_t stopTick = deps_.clock.TickMs();

    Report(UpdateHint::kAppendGreen, Format(UiText("Recording", "齣撮 No.%3d\n取得：%6d\n").c_str(),
                                            seriesNumber_, tlFrameCount_));
    std::string savedStatus;
    if (s.useTempDrive == 1) {
        savedStatus = deps_.panel.StatusText();
        deps_.panel.SetStatusText(savedStatus + "\n" + UiText("Recording", "転送中"));
    }

    const std::string problem = FinishSeries();
    WriteFrameRows();

    const double t = double(uint32_t(stopTick - runStartTick_)) * 0.001;
    Report(UpdateHint::kAppendGreen, Format("Rec Time: %8.2lf s \n", t));
    const double span = double(uint32_t(lastStoredTick_ - firstStoredTick_)) * 0.001;
    measuredRate_ = tlFrameCount_ >= 2 && span > 0.0 ? (tlFrameCount_ - 1) / span : 0.0;
    Report(UpdateHint::kAppendGreen,
           Format(UiText("Recording", "実齣速度\n%8.4lf fps\n再生速度\n%8.2lf fps\n\n").c_str(),
                  measuredRate_, s.replayFps));

    deps_.stage.MarkReady();
    deps_.run.isRecording = false;
    deps_.panel.UpdateRecordControls();
    deps_.panel.FocusPanel();
    if (s.useTempDrive == 1)
        deps_.panel.SetStatusText(savedStatus);
    deps_.panel.ClearReadyWait();
    if (!problem.empty()) {
        Report(UpdateHint::kAppendBlue, problem);
        Tell(problem);
    }
}

// Closes the AVI, gives the series its final name and brings it to the video folder. Returns the
// user's message when something could not be done, else an empty text.
std::string TimelapseControl::FinishSeries() {
    Settings& s = deps_.settings;
    std::string problem;
    if (avi_) {
        std::string error;
        // The reserve goes first, so that even on a full disk the index and header fit.
        reserve_.Release();
        if (!avi_->Close(&error)) {
            problem = UiText("Recording", "タイムラップス AVI を最後まで書けませんでした。\n") +
                      error + "\n";
            // A writer that failed leaves its frames without an index: rebuild it from them.
            RepairAvi(target_.ActivePath());
        }
        avi_.reset();
        s.recTlNo = seriesNumber_ + 1;
        CountersChanged();
    }
    if (type_ == TimelapseType::kOmeTiff) {
        bool empty = true;
        if (ome_) {
            std::string error;
            if (!ome_->Close(&error))
                problem = UiText("Recording", "タイムラップスを最後まで書けませんでした。\n") +
                          error + "\n";
            empty = ome_->FramesWritten() == 0;
            if (empty)
                std::remove(target_.ActivePath().c_str());  // a TIFF without pages is no series
            ome_.reset();
        }
        if (empty) {
            lastSeries_.clear();
            EndSeries();
            target_ = {};
            return problem;
        }
    }
    const std::string finalName =
        UnusedTimelapseVariant(FinalTimelapseName(target_.destPath, s.timelapse));
    const bool folder = IsFolderSeries(type_);
    MoveResult moved;
    if (finalName.empty()) {
        moved.error = target_.destPath + ": no free name";
    } else if (!target_.workPath.empty()) {
        moved = folder ? SafeMoveFolder(target_.workPath, finalName)
                       : SafeMoveFile(target_.workPath, finalName);
    } else {
        moved = RenameNoReplace(
            folder ? target_.destPath.substr(0, target_.destPath.size() - 1) : target_.destPath,
            folder ? finalName.substr(0, finalName.size() - 1) : finalName);
    }
    if (moved.ok) {
        lastSeries_ = finalName;
        EndSeries();
    } else {
        lastSeries_ = target_.ActivePath();
        problem += UiText("Recording", "タイムラップスを保存先へ移動できませんでした。\n") +
                   FillIn(UiText("Recording", "タイムラップスは %s にあります。\n"), lastSeries_) +
                   "(" + moved.error + ")\n";
    }
    // A series that could not be moved stays in the journal: the next start tries again.
    journalPath_.clear();
    target_ = {};
    return problem;
}

// Enters the series in the journal before its first frame exists, with the final name it is to
// get: the interval is fixed for the run, so the name is known now.
void TimelapseControl::BeginSeries() {
    journalPath_.clear();
    if (!deps_.journal)
        return;
    const RecordingKind kind = type_ == TimelapseType::kAvi       ? RecordingKind::TimeLapseAvi
                               : type_ == TimelapseType::kOmeTiff ? RecordingKind::OmeTiffSeries
                                                                  : RecordingKind::ImageSeries;
    const JournalResult r = deps_.journal->Begin(
        {target_.ActivePath(), kind, seriesNumber_, int64_t(std::time(nullptr)),
         FinalTimelapseName(target_.destPath, deps_.settings.timelapse)});
    if (!r.Ok()) {
        // The series still runs, only without a second chance after a crash.
        Report(UpdateHint::kAppendBlue, r.text + "\n");
        return;
    }
    journalPath_ = target_.ActivePath();
}

// The series has its final name, or never came to be: nothing is left to finish.
void TimelapseControl::EndSeries() {
    reserve_.Remove();
    if (deps_.journal && !journalPath_.empty())
        deps_.journal->End(journalPath_);
    journalPath_.clear();
}

// The series' frames sidecar in the log folder, named after the series' final name.
void TimelapseControl::WriteFrameRows() {
    const Settings& s = deps_.settings;
    if (s.saveLog != 1 || frameRows_.empty() || lastSeries_.empty() || s.dirLog.empty()) {
        frameRows_.clear();
        return;
    }
    std::string name = lastSeries_;
    if (name.back() == '/')
        name.pop_back();
    name = name.substr(name.find_last_of('/') + 1);
    for (const std::string ext : {".ome.tif", ".avi"}) {
        if (name.size() > ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            name.resize(name.size() - ext.size());
    }
    const std::string folder = s.dirLog.back() == '/' ? s.dirLog : s.dirLog + "/";
    const std::string failed = WriteFramesCsv(folder + name + ".frames.csv", frameRows_);
    if (!failed.empty())
        Report(UpdateHint::kAppendBlue, failed + "\n");
    frameRows_.clear();
}

void TimelapseControl::CountersChanged() {
    if (deps_.countersChanged)
        deps_.countersChanged();
}

}  // namespace tesmira
