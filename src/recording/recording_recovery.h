// Recovery at start-up of the recordings the journal says never ended (the program was killed,
// it crashed, the power went). Runs before the capture graph is built, so nothing else touches
// the files: each movie or time-lapse AVI is repaired (frames counted, index and header written),
// its rate measured and written the way a normal stop does, given its final name and moved out
// of the work folder; a BMP/JPG series folder gets its final name. The counters move past every
// number found, so the next recording never takes one of these names.
#pragma once

#include <functional>
#include <string>

#include "recording/recording_journal.h"

namespace tesmira {

struct Settings;

// One line for the message pane: `repaired` true for a file that is whole and final now, false
// for one that could not be repaired or moved (it is left as it was and named in the text).
using RecoveryReport = std::function<void(bool repaired, const std::string& text)>;

struct RecoveryOutcome {
    int repaired = 0;
    int failed = 0;
    bool countersMoved = false;  // "Rec No." or "RecTL No." changed: save them
    std::string journalProblem;  // a damaged or unreadable journal, named (empty when fine)
};

RecoveryOutcome RecoverRecordings(Settings& settings, RecordingJournal& journal,
                                  const RecoveryReport& report);

// "<dir>/Tesmira.recordings" beside "<dir>/Tesmira.conf" (any extension is replaced).
std::string JournalPathBeside(const std::string& settingsPath);

// The final name of a time-lapse AVI or folder: a trailing ".avi" dropped and "_at_%dm_%ds.avi"
// appended; a folder
// ("…_BMP/" or "…_BMP") becomes "…_BMP_at_%dm_%ds/". Minutes and seconds of the frame interval.
std::string TimelapseFinalName(const std::string& path, int intervalMs);

}  // namespace tesmira
