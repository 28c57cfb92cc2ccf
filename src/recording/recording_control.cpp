#include "recording/recording_control.h"

#include <cstdio>
#include <filesystem>

#include <ctime>

#include "core/clock.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/text_format.h"
#include "core/ui_text.h"
#include "recording/avi_rate.h"
#include "recording/avi_repair.h"
#include "recording/file_move.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"
#include "recording/relay_sync.h"
#include "recording/timelapse_control.h"

namespace tesmira {
namespace {

const char* const kStartFailed =
    UI_TEXT_NOOP("Recording",
                 "録画をスタートすることが出来ませんでしたので，ストリームをリセットしました！\n"
                 "録画のスタートをやり直してください。\n");

std::string MissingFolderMessage(const std::string& folder) {
    return UiText("Recording", "録画の保存先フォルダーが見つかりません。\n") + folder + "\n\n" +
           UiText("Recording",
                  "メニュー「キャプチャー」の「保存先と動画圧縮コーデック」で"
                  "別のフォルダーを選んでから，録画をスタートしてください。\n");
}

}  // namespace

std::string ReservePathOf(const std::string& sink) {
    // Hidden, so the folder the user watches shows only the recording.
    const auto slash = sink.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : sink.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? sink : sink.substr(slash + 1);
    return folder + "." + name + ".reserve";
}

RecordingControl::RecordingControl(RecordingDeps deps) : deps_(std::move(deps)) {}

double RecordingControl::replayRate() const {
    return deps_.settings->replayFps;
}

void RecordingControl::RegisterTimers() {
    TimerMultiplexer& t = *deps_.timers;
    t.SetHandler(TimerId::kRecording, [this] { OnRecordingTick(); });
    t.SetHandler(TimerId::kRepeatGap, [this] { OnRepeatTick(); });
    t.SetHandler(TimerId::kCountDown, [this] { OnCountDownTick(); });
}

void RecordingControl::Tell(const std::string& text) {
    deps_.notifier->Notify(text, MessageIcon::Exclamation);
}

void RecordingControl::Report(UpdateHint hint, const std::string& text) {
    deps_.doc->UpdateAllViews(nullptr, hint, text);
}

std::string RecordingControl::RepeatStatus(const char* extraFormat, int extra) const {
    const int total = deps_.settings->recRepaet;
    const int current = total - repeatsLeft_ + 1;
    std::string text = Format("Get %6d   Drop %d\n    %d of %d", counts_.delivered, counts_.dropped,
                              current, total);
    if (extraFormat)
        text += Format(extraFormat, extra);
    return text;
}

void RecordingControl::RecStart() {
    Settings& s = *deps_.settings;
    RunState& run = *deps_.run;
    TimerMultiplexer& timers = *deps_.timers;
    if (s.recMode == 2) {
        if (timelapse_)
            timelapse_->RecStart();
        return;
    }

    // Without a record chain (no camera, or it was lost before a repeat tick) nothing starts, so
    // serial reception and the zoom stay as they are: nothing would bring them back.
    const bool chain = deps_.graph && deps_.graph->IsBuilt();
    if (chain)
        timers.Stop(TimerId::kSerialReceive);
    for (TimerId id :
         {TimerId::kRecording, TimerId::kTimelapse, TimerId::kReadyAnswer, TimerId::kCountDown}) {
        timers.Stop(id);
    }
    if (!run.isRepeating) {
        deps_.countDown->SetTitle(UiText("Recording", "録画中"));
        if (chain && s.setZoom1xOnRec && deps_.panel->Zoom() != 1.0) {
            zoomBeforeRecording_ = deps_.panel->Zoom();
            deps_.panel->SetZoom(1.0);
            deps_.doc->UpdateAllViews(nullptr, UpdateHint::kZoomAboutCentre, 1.0);
            zoomWasChanged_ = true;
        }
    }
    deps_.countDown->SetTotal(1);
    deps_.countDown->SetRemaining(0);

    if (chain) {
        timers.Start(TimerId::kRecording, 1);
        if (s.recMode == 1 && !run.isRepeating && s.recRepaet > 1) {
            run.isRepeating = true;
            repeatsLeft_ = s.recRepaet;
            deps_.countDown->Show();
            timers.Start(TimerId::kRepeatGap, s.recInterval);
            nextRepeatTick_ =
                deps_.clock->TickMs() + uint32_t(timers.PeriodOf(TimerId::kRepeatGap));
        }
        deps_.stage->ResetForRecording();

        // One log per recording: rows left from an unsaved run never mix into this one.
        deps_.log->Clear();
        frameRows_.clear();
        // Never record over an existing file: the counter moves on to the first free number.
        const int wanted = s.recNo;
        s.recNo = FirstFreeRecordingNumber(s, s.recNo);
        if (s.recNo != wanted)
            CountersChanged();
        const std::string sink = MakeNextRecordingPath(*deps_.paths, s, s.recNo);
        BeginFile(sink);
        std::string reason;
        const std::string folder = std::filesystem::path(sink).parent_path().string();
        if (!folder.empty() && !std::filesystem::is_directory(folder)) {
            // Said once and plainly: the writer's system error and the stream-reset advice would
            // both send the user the wrong way.
            EndFile();
            FailStart(MissingFolderMessage(folder), /*streamTouched=*/false);
        } else if (!deps_.graph->StartRecording(sink, &reason)) {
            EndFile();
            FailStart(reason);
        } else {
            loggedFrames_ = 0;
            counts_ = FrameCounts{};
            recStartTick_ = deps_.clock->TickMs();
            lastTick_ = recStartTick_;
            deps_.graph->SaveGraphFile();
            run.isRecording = true;
            deps_.panel->UpdateRecordControls();
            deps_.panel->FocusPanel();
        }
    }
    deps_.panel->ClearReadyWait();
}

void RecordingControl::FailStart(const std::string& reason, bool streamTouched) {
    RunState& run = *deps_.run;
    TimerMultiplexer& timers = *deps_.timers;
    run.isRecording = false;
    spool_.Remove();
    if (streamTouched && deps_.rebuildGraph)
        deps_.rebuildGraph();
    timers.Stop(TimerId::kRecording);
    // A failed start ends a series that was just begun and brings serial reception back;
    // otherwise the panel would wait for a series that cannot record and the ports go unread.
    if (run.isRepeating) {
        run.isRepeating = false;
        timers.Stop(TimerId::kRepeatGap);
        deps_.countDown->Hide();
        if (relay_)
            relay_->EndRun();
    }
    timers.Start(TimerId::kSerialReceive, 500);
    if (zoomWasChanged_) {
        deps_.panel->SetZoom(zoomBeforeRecording_);
        deps_.doc->UpdateAllViews(nullptr, UpdateHint::kZoomAboutCentre, zoomBeforeRecording_);
        zoomWasChanged_ = false;
    }
    if (!reason.empty())
        Tell(reason);
    if (streamTouched)
        Tell(UiText("Recording", kStartFailed));
    deps_.panel->UpdateRecordControls();
    deps_.panel->FocusPanel();
}

void RecordingControl::RecStop() {
    Settings& s = *deps_.settings;
    RunState& run = *deps_.run;
    TimerMultiplexer& timers = *deps_.timers;
    if (s.recMode == 2) {
        if (timelapse_)
            timelapse_->RecStop();
        return;
    }

    for (TimerId id : {TimerId::kRecording, TimerId::kReadyAnswer, TimerId::kCountDown})
        timers.Stop(id);
    timers.Start(TimerId::kSerialReceive, 500);

    if (run.isRepeating) {
        if (repeatsLeft_ != 1 && run.isRecording) {
            // Whatever stopped this recording (limit, button, stream end), its sequence ends here
            // and the series goes on.
            EndRelayRun(/*runEnds=*/false);
            timers.Start(TimerId::kCountDown, 1000);
            // The wait the repeat timer really keeps: however early or late this recording
            // ended, the next one starts one interval after this one started.
            const int32_t leftMs = int32_t(nextRepeatTick_ - deps_.clock->TickMs());
            waitCountdown_ = leftMs > 0 ? leftMs / 1000 : 0;
            deps_.countDown->SetTotal(waitCountdown_);
            deps_.countDown->Show();
            deps_.panel->SetStatusText(RepeatStatus());
            const int total = s.recRepaet;
            deps_.countDown->SetTitle(Format(UiText("Recording", "録画再開待ち  %d / %d").c_str(),
                                             total - repeatsLeft_ + 1, total));
        } else {
            EndSeries();
        }
    } else if (run.isRecording) {
        EndRelayRun(/*runEnds=*/true);
    }
    if (!run.isRecording) {
        deps_.panel->ClearReadyWait();
        return;
    }

    if (zoomWasChanged_) {
        deps_.panel->SetZoom(zoomBeforeRecording_);
        deps_.doc->UpdateAllViews(nullptr, UpdateHint::kZoomAboutCentre, zoomBeforeRecording_);
        zoomWasChanged_ = false;
    }
    // The file is closed before it is counted: a frame still being encoded when the stop came
    // ends up in the file, so it belongs in the summary and the log.
    if (IRecordGraph* graph = deps_.graph) {
        // The reserve goes first, so that even on a full disk the index and header fit.
        reserve_.Release();
        graph->StopRecording();
        counts_ = graph->ReadFrameCounts();
        streamRate_ = graph->MeasureStreamRate();
        // A writer that failed leaves the frames without an index: rebuild it now rather than
        // at the next start. When even that fails the journal entry stays for the next start.
        if (!graph->CloseError().empty() || !graph->WriteError().empty())
            RepairAvi(sinkPath_);
    }
    Report(UpdateHint::kAppendGreen,
           Format(UiText("Recording", "Movie No.%3d\n取得：%6d\n駒落：%d\n").c_str(), s.recNo,
                  counts_.delivered, counts_.dropped));
    std::string savedStatus;
    if (s.useTempDrive == 1) {
        savedStatus = deps_.panel->StatusText();
        deps_.panel->SetStatusText(savedStatus + "\n" + UiText("Recording", "転送中"));
    }

    FinishFile();

    const double t = double(uint32_t(lastTick_ - recStartTick_)) * 0.001;
    Report(UpdateHint::kAppendGreen, Format("Rec Time: %8.2lf s \n", t));
    Report(UpdateHint::kAppendGreen,
           Format(UiText("Recording", "実齣速度\n%8.2lf fps\n再生速度\n%8.2lf fps\n\n").c_str(),
                  streamRate_, s.resetFps ? s.replayFps : headerRate_));

    deps_.stage->MarkReady();
    run.isRecording = false;
    deps_.panel->UpdateRecordControls();
    deps_.panel->FocusPanel();
    if (s.useTempDrive == 1)
        deps_.panel->SetStatusText(savedStatus);
    deps_.panel->ClearReadyWait();

    // A writer that failed (disk full, folder gone) is reported once the file is safe.
    const std::string writeError = deps_.graph ? deps_.graph->WriteError() : std::string();
    if (!writeError.empty()) {
        Tell(UiText("Recording", "録画ファイルに書き込めなくなったため，録画を停止しました。\n") +
             writeError + "\n" +
             FillIn(UiText("Recording", "記録できた部分は %s に保存しました。\n"), lastRecording_) +
             UiText("Recording", "ディスクの空き容量と保存先を確認して下さい。\n"));
    }
}

// Steps of the stop that concern the closed file: the header rewrite, the final name, the log and
// the move out of the work folder.
void RecordingControl::FinishFile() {
    Settings& s = *deps_.settings;
    RecordingPaths& paths = *deps_.paths;

    const std::string finalName = FinalRecordingName(paths.recDestPath, streamRate_);
    std::string workPath, destPath;
    headerRate_ = 0.0;
    if (s.useTempDrive == 1 && !paths.recWorkPath.empty()) {
        RewriteAviRateAfterRecording(paths.recWorkPath, s.resetFps, s.replayFps, &headerRate_,
                                     nullptr);
        workPath = paths.recWorkPath;
        destPath = UnusedVariantOf(finalName);
        lastRecording_ = workPath;
    } else {
        RewriteAviRateAfterRecording(paths.recDestPath, s.resetFps, s.replayFps, &headerRate_,
                                     nullptr);
        lastRecording_ = paths.recDestPath;
        // Never replace a file: a clash gets a "(2)" name beside it.
        const std::string target = UnusedVariantOf(finalName);
        if (finalName == paths.recDestPath)
            EndFile();  // a name without ".avi" is final as it is
        if (!target.empty() && target != paths.recDestPath) {
            const MoveResult renamed = RenameNoReplace(paths.recDestPath, target);
            if (renamed.ok) {
                lastRecording_ = target;
                EndFile();
            } else if (PathExists(paths.recDestPath)) {
                Report(UpdateHint::kAppendBlue,
                       UiText("Recording", "ファイル名を変更できませんでした: ") + renamed.error +
                           "\n");
            }
        }
    }

    MakeLogPath(paths, s, s.recNo, s.logFileType);
    s.recNo += 1;
    CountersChanged();
    MakeNextRecordingPath(*deps_.paths, s, s.recNo);

    if (s.saveLog == 1) {
        WriteRecordingLog(paths.logPath, *deps_.log, s.logFileType, streamRate_,
                          s.resetFps ? s.replayFps : headerRate_, *deps_.notifier,
                          deps_.waitCursor);
        const std::string failed = WriteFramesCsv(FramesCsvPathOf(paths.logPath), frameRows_);
        if (!failed.empty())
            Report(UpdateHint::kAppendBlue, failed + "\n");
    }
    frameRows_.clear();
    spool_.Remove();  // the log is written (or "SaveLog" is off): the rows are not needed
    if (!workPath.empty() && !destPath.empty()) {
        const MoveResult moved = SafeMoveFile(workPath, destPath);
        if (moved.ok) {
            lastRecording_ = destPath;
            EndFile();
        } else {
            const std::string text =
                UiText("Recording", "録画ファイルを保存先へ移動できませんでした。\n") +
                FillIn(UiText("Recording", "録画は %s にあります。\n"), workPath) + "(" +
                moved.error + ")\n";
            Report(UpdateHint::kAppendBlue, text);
            Tell(text);
        }
    }
}

// The journal entry and the reserve of a recording about to be written to `sink`.
void RecordingControl::BeginFile(const std::string& sink) {
    sinkPath_ = sink;
    if (deps_.journal) {
        // The destination stands in for the final name; the rate is only known at the stop.
        const JournalResult r =
            deps_.journal->Begin({sink, RecordingKind::Movie, deps_.settings->recNo,
                                  int64_t(std::time(nullptr)), deps_.paths->recDestPath});
        if (!r.Ok())
            Report(UpdateHint::kAppendBlue, r.text + "\n");
    }
    // Without the room for a reserve the recording still goes ahead, only less protected.
    reserve_.Create(ReservePathOf(sink));
    // The log's rows are kept beside the file too, so a repair after a crash can write the log.
    const Settings& s = *deps_.settings;
    if (deps_.journal && s.saveLog == 1) {
        RecordingPaths scratch;
        spool_.Open(LogSpoolPathOf(sink),
                    {MakeLogPath(scratch, s, s.recNo, s.logFileType), s.logFileType});
    }
}

// The file has its final name (or never came to be): nothing left to repair.
void RecordingControl::EndFile() {
    reserve_.Remove();
    if (deps_.journal && !sinkPath_.empty())
        deps_.journal->End(sinkPath_);
    sinkPath_.clear();
}

// `runEnds`: the recording, or its whole series, is over; otherwise one recording of a series
// that goes on.
void RecordingControl::EndRelayRun(bool runEnds) {
    const bool marked = relayRunMarked_;
    relayRunMarked_ = false;
    if (!relay_)
        return;
    if (runEnds)
        relay_->EndRun();  // also a run without steps: it may have followed the clock windows
    else if (marked)
        relay_->EndRecording();
}

// The last recording of a series stopped or the series was called off: the relays of the
// sequence go off, whichever of the two ends it.
void RecordingControl::EndSeries() {
    RunState& run = *deps_.run;
    run.isRepeating = false;
    deps_.timers->Stop(TimerId::kRepeatGap);
    deps_.countDown->Hide();
    EndRelayRun(/*runEnds=*/true);
    if (relay_ && relay_->HasSteps())
        relay_->SwitchOffSequenceRelays();
    deps_.panel->UpdateRecordControls();
}

void RecordingControl::CountersChanged() {
    if (deps_.countersChanged)
        deps_.countersChanged();
}

void RecordingControl::OnRecordingTick() {
    RunState& run = *deps_.run;
    if (!run.isRecording || !deps_.graph)
        return;
    const Settings& s = *deps_.settings;
    counts_ = deps_.graph->ReadFrameCounts();
    if (!deps_.graph->WriteError().empty()) {
        RecStop();
        return;
    }
    const uint32_t now = deps_.clock->TickMs();
    if (loggedFrames_ < counts_.delivered + counts_.dropped) {
        // The first frame is the relay sequence's zero; the count-down shows the recording.
        if (loggedFrames_ == 0 && relay_ && relay_->HasSteps()) {
            relayRunMarked_ = true;
            relay_->StartWithRecording();
            deps_.timers->Start(TimerId::kCountDown, 1000);
            recCountdown_ = int(s.rtStop / 10000000);
            deps_.countDown->SetTotal(recCountdown_);
            deps_.countDown->SetRemaining(recCountdown_);
        }
        const StageSample stage = deps_.stage->Sample();
        deps_.log->AppendRow(loggedFrames_, counts_.dropped, stage.x, stage.y, stage.z,
                             stage.ready);
        spool_.Append(loggedFrames_, counts_.dropped, stage.x, stage.y, stage.z, stage.ready);
        FrameRow row{loggedFrames_,
                     deps_.clock->UnixMs(),
                     int64_t(uint32_t(now - recStartTick_)),
                     stage.x,
                     stage.y,
                     stage.z,
                     stage.ready,
                     {},
                     {},
                     counts_.dropped};
        if (deps_.instrumentTexts) {
            const InstrumentTexts texts = deps_.instrumentTexts();
            row.temperature = texts.temperature.value_or("");
            row.humidity = texts.humidity.value_or("");
        }
        frameRows_.push_back(std::move(row));
        ++loggedFrames_;
        lastTick_ = now;
    }
    // The limit is checked on every tick, so a camera that stopped delivering still ends.
    if (uint32_t(now - recStartTick_) > uint32_t(s.recLimitMs)) {
        RecStop();
        return;
    }
    deps_.panel->SendReadyQuery();
    if (run.isRepeating) {
        deps_.panel->SetStatusText(RepeatStatus());
        const int total = s.recRepaet;
        deps_.countDown->SetTitle(Format(UiText("Recording", "録画中  %d / %d").c_str(),
                                         total - repeatsLeft_ + 1, total));
    } else {
        deps_.panel->SetStatusText(Format("Get %6d   Drop %d", counts_.delivered, counts_.dropped));
    }
}

void RecordingControl::OnRepeatTick() {
    RunState& run = *deps_.run;
    if (!run.isRepeating)
        return;
    if (repeatsLeft_ < 2) {
        EndSeries();
        return;
    }
    --repeatsLeft_;
    nextRepeatTick_ += uint32_t(deps_.timers->PeriodOf(TimerId::kRepeatGap));
    RecStart();
}

void RecordingControl::OnCountDownTick() {
    const Settings& s = *deps_.settings;
    const RunState& run = *deps_.run;
    if (s.recMode == 2) {
        if (timelapse_)
            timelapse_->OnCountDownTick();
        return;
    }
    if (s.recMode == 1) {
        --waitCountdown_;
        deps_.panel->SetStatusText(RepeatStatus(" (%d s)", waitCountdown_));
    } else if (s.recMode == 3) {
        --waitCountdown_;
    }
    // A synchronised recording counts its own seconds down, in a series or not.
    if (run.isRecording && (run.isRepeating || relayRunMarked_)) {
        recCountdown_ -= 1;
        deps_.countDown->SetRemaining(recCountdown_);
    } else {
        deps_.countDown->SetRemaining(waitCountdown_);
    }
}

void RecordingControl::OnStreamStopped() {
    if (deps_.run->isRecording)
        RecStop();
}

bool RecordingControl::OnSpaceKey() {
    const RunState& run = *deps_.run;
    if (run.isRecording || run.isRepeating) {
        if (deps_.panel->CanStop())
            RecStop();
    } else if (deps_.panel->CanStart()) {
        RecStart();
    }
    return true;
}

bool RecordingControl::OnResetFpsChanged(bool on) {
    deps_.settings->resetFps = on;
    return on;
}

void RecordingControl::OnReplayRateSelected(int index) {
    if (index < 0 || index > 3)
        return;
    deps_.settings->fpsAviReplay = index;
    deps_.settings->replayFps = ReplayRateOfIndex(index);
}

}  // namespace tesmira
