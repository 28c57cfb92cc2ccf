#include "recording/recording_recovery.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/settings.h"
#include "core/text_format.h"
#include "core/ui_text.h"
#include "imaging/ome_tiff_file.h"
#include "recording/avi_rate.h"
#include "recording/avi_repair.h"
#include "recording/file_move.h"
#include "recording/log_row_spool.h"
#include "recording/recording_control.h"
#include "recording/recording_paths.h"
#include "recording/timelapse_paths.h"

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

// A spool holds a few dozen bytes a frame; anything this big is not one.
constexpr std::streamsize kMaxSpoolBytes = 256 << 20;

bool ReadSmallFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamsize size = in.tellg();
    if (size < 0 || size > kMaxSpoolBytes)
        return false;
    in.seekg(0);
    text->assign(static_cast<size_t>(size), '\0');
    return static_cast<bool>(in.read(text->data(), size));
}

// Writes `text` to a new file at `path` (never over an existing one), flushed to disk.
bool WriteNewFile(const std::string& path, const std::string& text, std::string* error) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        ok = put > 0;
        if (ok)
            done += static_cast<size_t>(put);
    }
    ok = ok && (fsync(fd) == 0 || errno == EINVAL);
    if (!ok)
        *error = std::strerror(errno);
    ok = close(fd) == 0 && ok;
    if (!ok)
        unlink(path.c_str());
    return ok;
}

// The log of a movie cut short, written from the rows kept beside it with the rates the repair
// found, and marked as cut short; the message pane is told what became of it. The kept rows go
// in every case.
std::string RecoverMovieLog(const Settings& s, const std::string& moviePath, double actualFps,
                            double replayFps) {
    const std::string spool = LogSpoolPathOf(moviePath);
    std::string text;
    if (!PathExists(spool)) {
        return s.saveLog == 1 ? UiText("Recording", "ログ：この録画の行は残っていませんでした。\n")
                              : std::string();
    }
    SpooledLog kept;
    std::string why = "too large";
    const bool read = ReadSmallFile(spool, &text) && ParseLogSpool(text, &kept, &why);
    unlink(spool.c_str());
    if (!read)
        return FillIn(UiText("Recording", "ログ：残っていた行を読めませんでした (%s)。\n"), why);
    if (kept.rows.logN.empty())
        return UiText("Recording", "ログ：最初の駒より前に切れたため，行がありません。\n");
    const std::string logText =
        FormatRecordingLog(kept.rows, kept.header.logType, actualFps, replayFps);
    const std::string path = UnusedVariantOf(kept.header.logPath);
    std::string error = "no free name";
    if (path.empty() || !WriteNewFile(path, logText + CutShortMark(kept.header.logType), &error)) {
        return FillIn(UiText("Recording", "ログを書けませんでした：%s\n"), kept.header.logPath) +
               "(" + error + ")\n";
    }
    return FillIn(UiText("Recording", "ログ：%s（切れた所までの行）\n"), NameOf(path));
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
// Moves a repaired file to its free final name (empty: none was free); the text of what went
// wrong, or nothing once the file is there.
std::string MoveRepaired(const std::string& path, const std::string& target) {
    if (target.empty())
        return CannotRepair(path, "no free name");
    if (target == path)
        return {};
    const MoveResult moved = PutInPlace(path, target);
    if (moved.ok)
        return {};
    return UiText("Recording", "修復した録画ファイルを保存先へ移せませんでした。\n") +
           FillIn(UiText("Recording", "録画は %s にあります。\n"), path) + "(" + moved.error +
           ")\n";
}

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
    if (const std::string failed = MoveRepaired(e.path, target); !failed.empty())
        return {false, false, failed};
    const double replay = movie && s.resetFps ? s.replayFps : headerRate;
    std::string text = Format(movie ? UiText("Recording", "Movie No.%3d を修復しました\n").c_str()
                                    : UiText("Recording", "齣撮 No.%3d を修復しました\n").c_str(),
                              e.number);
    text += NameOf(target) + "\n";
    if (movie)
        text += RecoverMovieLog(s, e.path, r.streamRate, replay);
    text += Format(
        UiText("Recording", "取得：%6lld\n実齣速度\n%8.2lf fps\n再生速度\n%8.2lf fps\n\n").c_str(),
        static_cast<long long>(r.videoFrames), r.streamRate, replay);
    return {true, true, text};
}

// An OME-TIFF series: the page chain cut after the last whole page, its XML told the count.
Recovered RecoverOmeTiff(const Settings& s, const JournalEntry& e) {
    struct stat st {};
    if (stat(e.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= 16) {
        // Cut before its first frame: nothing but the file's header to keep.
        unlink(e.path.c_str());
        return {true, true,
                Format(UiText("Recording", "齣撮 No.%3d を修復しました\n").c_str(), e.number) +
                    Format(UiText("Recording", "取得：%6d\n\n").c_str(), 0)};
    }
    const OmeRepairResult r = RepairOmeTiff(e.path);
    if (!r.Ok())
        return {r.status == OmeRepairStatus::kNotOmeTiff, false, CannotRepair(e.path, r.error)};
    const std::string target = UnusedVariantOf(
        e.finalName.empty() ? FinalTimelapseName(e.path, s.timelapse) : e.finalName);
    if (const std::string failed = MoveRepaired(e.path, target); !failed.empty())
        return {false, false, failed};
    return {true, true,
            Format(UiText("Recording", "齣撮 No.%3d を修復しました\n").c_str(), e.number) +
                NameOf(target) + "\n" +
                Format(UiText("Recording", "取得：%6d\n\n").c_str(), int(r.frames))};
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
        if (e.kind == RecordingKind::Movie || e.kind == RecordingKind::TimeLapseAvi)
            DropReserveOf(e.path);
        if (e.kind == RecordingKind::Movie && !PathExists(WithoutTrailingSlash(e.path)))
            unlink(LogSpoolPathOf(e.path).c_str());  // final already: its log was written
        if (!PathExists(WithoutTrailingSlash(e.path))) {
            // Final already (cut after the rename) or removed by the user: nothing to repair.
            journal.End(e.path);
            continue;
        }
        const Recovered r = e.kind == RecordingKind::ImageSeries     ? RecoverSeries(s, e)
                            : e.kind == RecordingKind::OmeTiffSeries ? RecoverOmeTiff(s, e)
                                                                     : RecoverAvi(s, e);
        if (r.done) {
            journal.End(e.path);
            if (e.kind == RecordingKind::Movie)
                unlink(LogSpoolPathOf(e.path).c_str());  // nothing will read the rows any more
        }
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
