// Naming and storing still photos: "TM_<date prefix>-NNNN.bmp" in the video folder, numbered by
// the "StillPhoto" counter (0 to 9998, then 0 again). A photo never replaces a file that is
// already there: when the counter's number is taken (after the wrap, or by another program), the
// next free number is used.
#pragma once

#include <functional>
#include <string>

#include "imaging/safe_file.h"

namespace tesmira {

class CDib;

inline constexpr int kStillPhotoNumbers = 9999;  // numbers 0 to 9998

// The counter value after `number`: 9998 is followed by 0.
int NextStillPhotoNumber(int number);

// Folder (with or without a trailing "/") + "TM_%s-%04d.bmp" with the date prefix (which
// already ends with "-") and the number.
std::string StillPhotoPath(const std::string& dirVideo, const std::string& datePrefix, int number);

struct StillPhotoResult {
    WriteResult write;    // kOk, or kFailed with a text naming the file
    std::string path;     // the file written, or the one that failed
    int number = -1;      // the number used (-1 on failure)
    int nextCounter = 0;  // the new "StillPhoto" value: after `number`, or unchanged on failure
};

// Writes one still photo at the first free number from `counter` on. `writeNew(path)` must
// create the file exclusively and answer kExists when the name is taken. A failed write does not
// use up the number.
StillPhotoResult StoreStillPhoto(const std::string& dirVideo, const std::string& datePrefix,
                                 int counter,
                                 const std::function<WriteResult(const std::string&)>& writeNew);

// The same for a frame bitmap written as BMP.
StillPhotoResult StoreStillPhoto(const std::string& dirVideo, const std::string& datePrefix,
                                 int counter, const CDib& picture);

}  // namespace tesmira
