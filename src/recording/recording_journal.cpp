#include "recording/recording_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace tesmira {
namespace {

constexpr std::string_view kHeader = "tesmira recording journal 1";
constexpr size_t kMaxJournalBytes = 4 << 20;  // thousands of entries; anything bigger is damage

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool Unescape(std::string_view s, std::string* out) {
    out->clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            *out += s[i];
            continue;
        }
        if (++i == s.size())
            return false;
        if (s[i] == '\\')
            *out += '\\';
        else if (s[i] == 'n')
            *out += '\n';
        else if (s[i] == 'r')
            *out += '\r';
        else
            return false;
    }
    return true;
}

template <typename T>
bool ParseNumber(std::string_view s, T* out) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool KindOfName(std::string_view s, RecordingKind* kind) {
    for (RecordingKind k : {RecordingKind::Movie, RecordingKind::TimeLapseAvi,
                            RecordingKind::ImageSeries, RecordingKind::OmeTiffSeries}) {
        if (s == RecordingKindName(k)) {
            *kind = k;
            return true;
        }
    }
    return false;
}

// Writes the whole file beside the journal, flushes it to disk, then renames it over.
bool WriteAtomically(const std::string& path, const std::string& text, std::string* why) {
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *why = temp + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    const bool ok = done == text.size() && fsync(fd) == 0;
    const int err = errno;
    close(fd);
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        *why = path + ": " + std::strerror(ok ? errno : err);
        std::remove(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk when the folder is flushed.
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

}  // namespace

const char* RecordingKindName(RecordingKind kind) {
    switch (kind) {
        case RecordingKind::Movie:
            return "movie";
        case RecordingKind::TimeLapseAvi:
            return "time-lapse";
        case RecordingKind::ImageSeries:
            return "series";
        case RecordingKind::OmeTiffSeries:
            return "ome-tiff";
    }
    return "";
}

std::string FormatJournal(const std::vector<JournalEntry>& entries) {
    std::ostringstream out;
    out << kHeader << '\n';
    for (const JournalEntry& e : entries) {
        out << "begin\n"
            << "path " << Escape(e.path) << '\n'
            << "kind " << RecordingKindName(e.kind) << '\n'
            << "number " << e.number << '\n'
            << "started " << e.startedUnix << '\n'
            << "final " << Escape(e.finalName) << '\n'
            << "end\n";
    }
    return out.str();
}

bool ParseJournal(std::string_view text, std::vector<JournalEntry>* entries, std::string* why) {
    entries->clear();
    size_t lineNo = 0;
    bool inEntry = false, sawHeader = false;
    JournalEntry e;
    auto fail = [&](const char* what) {
        *why = "line " + std::to_string(lineNo) + ": " + what;
        entries->clear();
        return false;
    };
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        if (nl == std::string_view::npos)
            return fail("the last line is cut off");
        const std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl + 1);
        ++lineNo;
        if (!sawHeader) {
            if (line != kHeader)
                return fail("not a recording journal");
            sawHeader = true;
            continue;
        }
        if (line == "begin") {
            if (inEntry)
                return fail("entry not ended");
            inEntry = true;
            e = JournalEntry{};
            continue;
        }
        if (!inEntry)
            return fail("text outside an entry");
        if (line == "end") {
            if (e.path.empty())
                return fail("entry without a path");
            entries->push_back(e);
            inEntry = false;
            continue;
        }
        const size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return fail("line without a value");
        const std::string_view key = line.substr(0, space), value = line.substr(space + 1);
        bool ok = false;
        if (key == "path")
            ok = Unescape(value, &e.path);
        else if (key == "kind")
            ok = KindOfName(value, &e.kind);
        else if (key == "number")
            ok = ParseNumber(value, &e.number);
        else if (key == "started")
            ok = ParseNumber(value, &e.startedUnix);
        else if (key == "final")
            ok = Unescape(value, &e.finalName);
        if (!ok)
            return fail("unreadable line");
    }
    if (!sawHeader)
        return fail("empty");
    if (inEntry)
        return fail("the last entry is cut off");
    return true;
}

JournalResult RecordingJournal::Load(std::vector<JournalEntry>* entries) {
    entries->clear();
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};  // no journal yet: nothing in progress
        return {JournalStatus::ReadFailed, path_ + ": " + std::strerror(errno)};
    }
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            close(fd);
            return {JournalStatus::ReadFailed, path_ + ": " + std::strerror(err)};
        }
        if (n == 0 || text.size() > kMaxJournalBytes)
            break;
        text.append(buf, size_t(n));
    }
    close(fd);
    std::string why;
    if (text.size() <= kMaxJournalBytes && ParseJournal(text, entries, &why))
        return {};
    if (why.empty())
        why = "larger than a journal can be";
    // Kept for a person to look at; the program goes on with an empty journal.
    const std::string aside = path_ + ".damaged";
    if (std::rename(path_.c_str(), aside.c_str()) != 0)
        return {JournalStatus::ReadFailed,
                path_ + ": damaged (" + why + ") and cannot be moved: " + std::strerror(errno)};
    return {JournalStatus::DamagedKeptAside, path_ + ": damaged (" + why + "), kept as " + aside};
}

JournalResult RecordingJournal::Store(const std::vector<JournalEntry>& entries) {
    std::string why;
    if (!WriteAtomically(path_, FormatJournal(entries), &why))
        return {JournalStatus::WriteFailed, why};
    return {};
}

JournalResult RecordingJournal::Begin(const JournalEntry& entry) {
    std::vector<JournalEntry> entries;
    const JournalResult loaded = Load(&entries);
    if (loaded.status == JournalStatus::ReadFailed)
        return loaded;
    std::erase_if(entries, [&](const JournalEntry& e) { return e.path == entry.path; });
    entries.push_back(entry);
    const JournalResult stored = Store(entries);
    return stored.Ok() ? loaded : stored;
}

JournalResult RecordingJournal::End(const std::string& recordingPath) {
    std::vector<JournalEntry> entries;
    const JournalResult loaded = Load(&entries);
    if (loaded.status == JournalStatus::ReadFailed)
        return loaded;
    const size_t removed =
        std::erase_if(entries, [&](const JournalEntry& e) { return e.path == recordingPath; });
    if (removed == 0)
        return loaded;
    const JournalResult stored = Store(entries);
    return stored.Ok() ? loaded : stored;
}

std::vector<JournalEntry> RecordingJournal::Pending(JournalResult* result) {
    std::vector<JournalEntry> entries;
    const JournalResult loaded = Load(&entries);
    if (result)
        *result = loaded;
    return entries;
}

}  // namespace tesmira
