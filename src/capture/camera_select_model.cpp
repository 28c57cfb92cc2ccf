#include "capture/camera_select_model.h"

#include <algorithm>

#include "media/device_rules.h"

namespace tesmira {

std::vector<std::string> CameraSelectModel::ListCameras() {
    std::vector<std::string> names;
    if (const auto cams = catalog_.Cameras())
        for (const CaptureDevice& d : *cams)
            names.push_back(d.name);
    return ChooseCamera(names, {}).names;
}

std::vector<std::string> CameraSelectModel::ListMicrophones(const std::string& camera) {
    bool cameraHasAudio = false;
    if (const auto cams = catalog_.Cameras())
        for (const CaptureDevice& d : *cams)
            if (!camera.empty() && d.name == camera && !d.ownAudioName.empty())
                cameraHasAudio = true;
    std::vector<std::string> names;
    if (const auto mics = catalog_.Microphones())
        for (const CaptureDevice& d : *mics)
            names.push_back(d.name);
    return ChooseMicrophone(cameraHasAudio, camera, names, {}).names;
}

void CameraSelectModel::Open(const std::string& camera, const std::string& audio) {
    chosenCamera_ = camera;
    chosenMicrophone_ = audio;
    cameras_ = ListCameras();
    cameras_.erase(std::remove(cameras_.begin(), cameras_.end(), chosenCamera_), cameras_.end());
    microphones_ = ListMicrophones(chosenCamera_);
    microphones_.erase(std::remove(microphones_.begin(), microphones_.end(), chosenMicrophone_),
                       microphones_.end());
}

CameraSelectModel::Changes CameraSelectModel::Refresh() {
    Changes changes;
    std::vector<std::string> cams = ListCameras();
    changes.chosenCleared |= RemoveChosen(cams, chosenCamera_);
    changes.cameras = ListChanged(cameras_, cams);
    cameras_ = std::move(cams);

    std::vector<std::string> mics = ListMicrophones(chosenCamera_);
    changes.chosenCleared |= RemoveChosen(mics, chosenMicrophone_);
    changes.microphones = ListChanged(microphones_, mics);
    microphones_ = std::move(mics);
    return changes;
}

CameraSelectModel::Changes CameraSelectModel::TakeCamera(const std::string& selected) {
    if (!selected.empty())
        chosenCamera_ = selected;
    return Refresh();
}

CameraSelectModel::Changes CameraSelectModel::ClearCamera() {
    chosenCamera_.clear();
    return Refresh();
}

CameraSelectModel::Changes CameraSelectModel::TakeMicrophone(const std::string& selected) {
    if (!selected.empty())
        chosenMicrophone_ = selected;
    return Refresh();
}

CameraSelectModel::Changes CameraSelectModel::ClearMicrophone() {
    chosenMicrophone_.clear();
    return Refresh();
}

}  // namespace tesmira
