// The naming rules of camera and microphone lists, kept apart from GStreamer so that they can be
// checked with any list of present devices.
#pragma once

#include <string>
#include <vector>

namespace tesmira {

// Label under which a camera's own sound input is offered in the microphone list.
extern const char* const kCameraAudioLabel;  // "接続カメラのマイク"

struct CameraChoice {
    std::vector<std::string> names;  // every present camera, sorted ascending
    int bound = -1;                  // index into the *present* list of the device to bind, or -1
};

// The first present camera whose name equals `wanted` exactly is bound.
CameraChoice ChooseCamera(const std::vector<std::string>& present, const std::string& wanted);

struct MicrophoneChoice {
    std::vector<std::string> names;  // listed microphones (the label included), sorted ascending
    bool useCameraAudio = false;     // the camera's own audio is the sound source
    int bound = -1;                  // index into the *present* list of the device to bind, or -1
};

// cameraHasAudio: a camera is bound and it offers its own sound input.
MicrophoneChoice ChooseMicrophone(bool cameraHasAudio, const std::string& cameraName,
                                  const std::vector<std::string>& present,
                                  const std::string& wanted);

// Case-insensitive comparison of ASCII letters (device names the rules skip are ASCII).
bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// Two device bus paths belong to the same USB device when they agree once the interface part
// (the trailing ":<config>.<interface>") is removed.
bool SameUsbDevice(const std::string& busPathA, const std::string& busPathB);

// Lists compare equal only with the same length and the same entries in the same order.
inline bool ListChanged(const std::vector<std::string>& before,
                        const std::vector<std::string>& after) {
    return before != after;
}

// Removes `chosen` from `list` by the dialog's rule: every equal entry goes when the list holds
// it; when a non-empty list does not hold it, the choice is cleared (the device has gone).
// An empty list changes nothing. Returns true when the choice was cleared.
bool RemoveChosen(std::vector<std::string>& list, std::string& chosen);

}  // namespace tesmira
