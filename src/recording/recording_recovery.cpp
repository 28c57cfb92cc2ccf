#include "recording/recording_recovery.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/settings.h"
#include "core/text_format.h"
#include "core/ui_text.h"
#include "recording/avi_rate.h"
#include "recording/avi_repair.h"
#include "recording/file_move.h"
#include "recording/recording_control.h"
#include "recording/recording_paths.h"

namespace tesmira {
namespace {

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string FolderOf(const std::string& path) {
    const std::string p = WithoutTrailingSlash(path);
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::string p = WithoutTrailingSlash(path);
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// Puts a file in place without replacing anything: a rename in its own folder, a safe move (copy,
// flush, rename, delete) into another.
MoveResult PutInPlace(const std::string& from, const std::string& to) {
    if (FolderOf(from) == FolderOf(to))
        return RenameNoReplace(from, to);
    return SafeMoveFile(from, to);
}

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The frames of a series folder, in name order. A frame file of zero bytes is what a cut at the
// moment of creation leaves, and a hidden ".OneShot….tmp" is a picture cut off while it was
// written, before it got its name: both are removed, neither holds a whole picture.
int TidySeriesFrames(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> frames;
    std::vector<std::string> torn;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("OneShot", 0) == 0)
            frames.push_back(name);
        else if (name.rfind(".OneShot", 0) == 0 && EndsWith(name, ".tmp"))
            torn.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : torn) {
        const std::string path = WithTrailingSlash(folder) + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            unlink(path.c_str());
    }
    int count = 0;
    for (const std::string& name : frames) {
        const std::string path = WithTrailingSlash(folder) + name;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
            unlink(path.c_str());
            continue;
        }
        ++count;
    }
    return count;
}

// The space a killed AVI held back beside itself is given back to the disk (a RAM disk holds it
// in memory): the reserve only ever served the recording that was cut.
void DropReserveOf(const std::string& moviePath) {
    const std::string reserve = ReservePathOf(moviePath);
    struct stat st {};
    if (lstat(reserve.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        unlink(reserve.c_str());
}

struct Recovered {
    bool done = false;      // the entry can leave the journal
    bool repaired = false;  // true: the file is whole and final
    std::string text;
};

std::string CannotRepair(const std::string& path, const std::string& why) {
    return UiText("Recording",
                  "録画ファイルを修復できませんでした（ファイルはそのまま残してあります）:\n") +
           path + "\n(" + why + ")\n";
}

// A movie or a time-lapse AVI: repair, measure, rewrite the rate as a stop does, final name.
Recovered RecoverAvi(const Settings& s, const JournalEntry& e) {
    const AviRepairResult r = RepairAvi(e.path);
    if (!r.Ok()) {
        // A file we cannot parse stays as it is for good; an open or write failure (a full
        // disk, say) may pass, so that entry is tried again at the next start.
        const bool forGood =
            r.status == AviRepairStatus::NotAvi || r.status == AviRepairStatus::Unrepairable;
        return {forGood, false, CannotRepair(e.path, r.error)};
    }
    const bool movie = e.kind == RecordingKind::Movie;
    std::string target;
    double headerRate = r.headerRate;
    if (movie) {
        RewriteAviRateAfterRecording(e.path, s.resetFps, s.replayFps, &headerRate, nullptr);
        target = FinalRecordingName(e.finalName.empty() ? e.path : e.finalName, r.streamRate);
    } else {
        target = e.finalName.empty() ? TimelapseFinalName(e.path, s.timelapse) : e.finalName;
    }
    target = UnusedVariantOf(target);
    if (target.empty())
        return {false, false, CannotRepair(e.path, "no free name")};
    if (target != e.path) {
        const MoveResult moved = PutInPlace(e.path, target);
        if (!moved.ok) {
            return {false, false,
                    UiText("Recording", "修復した録画ファイルを保存先へ移せませんでした。\n") +
                        FillIn(UiText("Recording", "録画は %s にあります。\n"), e.path) + "(" +
                        moved.error + ")\n"};
        }
    }
    const double replay = movie && s.resetFps ? s.replayFps : headerRate;
    std::string text = Format(movie ? UiText("Recording", "Movie No.%3d を修復しました\n").c_str()
                                    : UiText("Recording", "齣撮 No.%3d を修復しました\n").c_str(),
                              e.number);
    text += NameOf(target) + "\n";
    text += Format(
        UiText("Recording", "取得：%6lld\n実齣速度\n%8.2lf fps\n再生速度\n%8.2lf fps\n\n").c_str(),
        static_cast<long long>(r.videoFrames), r.streamRate, replay);
    return {true, true, text};
}

Recovered RecoverSeries(const Settings& s, const JournalEntry& e) {
    const std::string folder = WithoutTrailingSlash(e.path);
    const int frames = TidySeriesFrames(folder);
    std::string target = WithoutTrailingSlash(
        e.finalName.empty() ? TimelapseFinalName(e.path, s.timelapse) : e.finalName);
    target = UnusedVariantOf(target);
    if (!target.empty() && target != folder) {
        const MoveResult moved = SafeMoveFolder(folder, target);
        if (!moved.ok) {
            return {false, false,
                    UiText("Recording", "齣撮フォルダの名前を変更できませんでした:\n") + folder +
                        "\n(" + moved.error + ")\n"};
        }
    }
    return {true, true,
            Format(UiText("Recording", "齣撮 No.%3d を修復しました\n").c_str(), e.number) +
                NameOf(target) + "/\n" +
                Format(UiText("Recording", "取得：%6d\n\n").c_str(), frames)};
}

}  // namespace

std::string JournalPathBeside(const std::string& settingsPath) {
    const auto slash = settingsPath.find_last_of('/');
    const auto dot = settingsPath.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? settingsPath.substr(0, dot) : settingsPath) + ".recordings";
}

std::string TimelapseFinalName(const std::string& path, int intervalMs) {
    const std::string suffix = Format("_at_%dm_%ds", intervalMs / 60000, (intervalMs / 1000) % 60);
    const bool folder = !path.empty() && path.back() == '/';
    if (folder)
        return WithoutTrailingSlash(path) + suffix + "/";
    // As at a normal stop: ".avi" is dropped when the name ends with it, then the suffix follows.
    const auto dot = path.find_last_of('.');
    if (dot != std::string::npos && dot > 1 && path.size() >= 4 &&
        path.compare(path.size() - 4, 4, ".avi") == 0)
        return path.substr(0, path.size() - 4) + suffix + ".avi";
    return path + suffix + ".avi";
}

RecoveryOutcome RecoverRecordings(Settings& s, RecordingJournal& journal,
                                  const RecoveryReport& report) {
    RecoveryOutcome out;
    JournalResult read;
    const std::vector<JournalEntry> pending = journal.Pending(&read);
    if (!read.Ok())
        out.journalProblem = read.text;
    for (const JournalEntry& e : pending) {
        // The number was handed out whether or not the file can be saved: never again.
        int& counter = e.kind == RecordingKind::Movie ? s.recNo : s.recTlNo;
        if (counter <= e.number) {
            counter = e.number + 1;
            out.countersMoved = true;
        }
        if (e.kind != RecordingKind::ImageSeries)
            DropReserveOf(e.path);
        if (!PathExists(WithoutTrailingSlash(e.path))) {
            // Final already (cut after the rename) or removed by the user: nothing to repair.
            journal.End(e.path);
            continue;
        }
        const Recovered r =
            e.kind == RecordingKind::ImageSeries ? RecoverSeries(s, e) : RecoverAvi(s, e);
        if (r.done)
            journal.End(e.path);
        if (r.repaired)
            ++out.repaired;
        else
            ++out.failed;
        if (report)
            report(r.repaired, r.text);
    }
    return out;
}

}  // namespace tesmira
