// The rules of the directory and file-type dialog, apart from its widgets: how a typed folder is
// tidied, which folder the picker starts in, which codec buttons are usable and what OK changes.
#pragma once

#include <string>

#include "core/settings.h"

namespace tesmira {

// A folder as typed or picked: surrounding blanks dropped, a leading "~" expanded to the home
// folder, repeated "/" collapsed and the trailing "/" dropped (except for "/" itself). Empty stays
// empty.
std::string NormaliseFolder(const std::string& text);

// True when both name the same folder once tidied ("/a/b/" and "/a/b").
bool SameFolder(const std::string& a, const std::string& b);

// The folder a picker opens in: the folder itself when it exists, else its nearest existing
// parent, else the home folder.
std::string StartFolder(const std::string& folder);

// Buttons 1049 ("画質設定", choice 2) and 1050 (" VfW Compressor Config", choices 3 and 4).
bool QualityPageUsable(int mediaType);
bool VfwConfigUsable(int mediaType);

// What the dialog edits apart from the codec (which applies at once on its radio click).
struct DirectoryValues {
    std::string dirVideo;   // "DirVideo"
    std::string tempDrive;  // "TempDrive"
    std::string dirLog;     // "DirLog"
    bool useTempDrive = false;
    int logFileType = 0;  // 0 .dat, 1 .txt, 2 .csv
    bool saveLog = false;
};

DirectoryValues ReadDirectoryValues(const Settings& s);

// Which of the three folders OK must refuse: a folder changed from the stored one that is now
// empty (a failed check emptied it, or the user cleared it) would leave recordings or logs with
// nowhere to go. 0 video, 1 work, 2 log; -1 when all may be stored.
int RefusedFolder(const Settings& stored, const DirectoryValues& edited);

// OK: stores the values and tells whether the capture graph must be rebuilt (the video folder, the
// work folder or the RAM-disk option changed; the log settings never need it).
bool ApplyDirectoryValues(Settings& s, const DirectoryValues& edited);

}  // namespace tesmira
