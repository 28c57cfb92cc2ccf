#include "imaging/still_photo_file.h"

#include "core/text_format.h"
#include "imaging/dib.h"

namespace tesmira {

int NextStillPhotoNumber(int number) {
    return number + 1 >= kStillPhotoNumbers || number < 0 ? 0 : number + 1;
}

std::string StillPhotoPath(const std::string& dirVideo, const std::string& datePrefix, int number) {
    std::string folder = dirVideo;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + Format("TM_%s-%04d.bmp", datePrefix.c_str(), number);
}

StillPhotoResult StoreStillPhoto(const std::string& dirVideo, const std::string& datePrefix,
                                 int counter,
                                 const std::function<WriteResult(const std::string&)>& writeNew) {
    StillPhotoResult result;
    result.nextCounter = counter;
    int number = counter >= 0 && counter < kStillPhotoNumbers ? counter : 0;
    // Every number is tried at most once; a full folder of 9999 photos is a failure, not a loop.
    for (int tried = 0; tried < kStillPhotoNumbers;
         ++tried, number = NextStillPhotoNumber(number)) {
        result.path = StillPhotoPath(dirVideo, datePrefix, number);
        result.write = writeNew(result.path);
        if (result.write.code == WriteCode::kExists)
            continue;
        if (result.write.ok()) {
            result.number = number;
            result.nextCounter = NextStillPhotoNumber(number);
        }
        return result;
    }
    result.write = {WriteCode::kFailed,
                    "every still photo number is taken in " + dirVideo + " (" + result.path + ")"};
    return result;
}

StillPhotoResult StoreStillPhoto(const std::string& dirVideo, const std::string& datePrefix,
                                 int counter, const CDib& picture) {
    return StoreStillPhoto(dirVideo, datePrefix, counter, [&](const std::string& path) {
        return picture.SaveBmp(path, ExistingFile::kKeep);
    });
}

}  // namespace tesmira
