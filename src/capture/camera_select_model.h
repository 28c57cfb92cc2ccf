// What the camera and microphone dialog shows and keeps: the present devices minus the chosen
// ones, and the refresh that notices devices plugged in or out. It asks the device catalogue
// directly, so the graph's bound camera is never touched while the dialog is open.
#pragma once

#include <string>
#include <vector>

#include "media/device_catalog.h"

namespace tesmira {

class CameraSelectModel {
public:
    explicit CameraSelectModel(IDeviceCatalog& catalog) : catalog_(catalog) {}

    // Opening: the chosen names are the stored ones; the lists leave them out.
    void Open(const std::string& camera, const std::string& audio);

    struct Changes {
        bool cameras = false;
        bool microphones = false;
        bool chosenCleared = false;  // a chosen device has gone
    };
    Changes Refresh();

    // Buttons ">>" and "<<"; each refreshes afterwards.
    Changes TakeCamera(const std::string& selected);
    Changes ClearCamera();
    Changes TakeMicrophone(const std::string& selected);
    Changes ClearMicrophone();

    const std::vector<std::string>& Cameras() const { return cameras_; }
    const std::vector<std::string>& Microphones() const { return microphones_; }
    const std::string& ChosenCamera() const { return chosenCamera_; }
    const std::string& ChosenMicrophone() const { return chosenMicrophone_; }

private:
    std::vector<std::string> ListCameras();
    std::vector<std::string> ListMicrophones(const std::string& camera);

    IDeviceCatalog& catalog_;
    std::vector<std::string> cameras_;
    std::vector<std::string> microphones_;
    std::string chosenCamera_;
    std::string chosenMicrophone_;
};

}  // namespace tesmira
