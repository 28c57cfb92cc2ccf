#include "media/device_rules.h"

#include <algorithm>
#include <cctype>

#include "core/ui_text.h"

namespace tesmira {

// Stored in the settings as it is: only the list the user sees translates it.
const char* const kCameraAudioLabel = UI_TEXT_NOOP("Media", "接続カメラのマイク");

namespace {
const char kDecklinkAudio[] = "Decklink Audio Capture";
const char kCy3014Audio[] = "CY3014 USB, Analog 01 WaveIn";
const char kCy3014Camera[] = "CY3014 USB, Analog 01 Capture";

std::string StripInterface(const std::string& path) {
    // "pci-0000:00:14.0-usb-0:1:1.0" -> "pci-0000:00:14.0-usb-0:1"
    const size_t colon = path.rfind(':');
    if (colon == std::string::npos)
        return path;
    const std::string tail = path.substr(colon + 1);
    const bool looksLikeInterface =
        !tail.empty() && tail.find('.') != std::string::npos &&
        std::all_of(tail.begin(), tail.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; });
    return looksLikeInterface ? path.substr(0, colon) : path;
}
}  // namespace

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool SameUsbDevice(const std::string& busPathA, const std::string& busPathB) {
    if (busPathA.empty() || busPathB.empty())
        return false;
    if (busPathA.find("usb") == std::string::npos)
        return false;
    return StripInterface(busPathA) == StripInterface(busPathB);
}

CameraChoice ChooseCamera(const std::vector<std::string>& present, const std::string& wanted) {
    CameraChoice choice;
    for (size_t i = 0; i < present.size(); ++i) {
        if (choice.bound < 0 && !wanted.empty() && present[i] == wanted)
            choice.bound = static_cast<int>(i);
        choice.names.push_back(present[i]);
    }
    std::sort(choice.names.begin(), choice.names.end());
    return choice;
}

MicrophoneChoice ChooseMicrophone(bool cameraHasAudio, const std::string& cameraName,
                                  const std::vector<std::string>& present,
                                  const std::string& wanted) {
    MicrophoneChoice choice;
    if (cameraHasAudio) {
        if (wanted == kCameraAudioLabel)
            choice.useCameraAudio = true;
        choice.names.push_back(kCameraAudioLabel);
    }
    for (size_t i = 0; i < present.size(); ++i) {
        const std::string& name = present[i];
        if (EqualsIgnoringCase(name, kDecklinkAudio))
            continue;
        if (EqualsIgnoringCase(name, kCy3014Audio) &&
            !EqualsIgnoringCase(cameraName, kCy3014Camera))
            continue;
        if (!wanted.empty() && name == wanted && !choice.useCameraAudio && choice.bound < 0)
            choice.bound = static_cast<int>(i);
        choice.names.push_back(name);
    }
    std::sort(choice.names.begin(), choice.names.end());
    return choice;
}

bool RemoveChosen(std::vector<std::string>& list, std::string& chosen) {
    if (list.empty())
        return false;
    const auto it = std::remove(list.begin(), list.end(), chosen);
    if (it != list.end()) {
        list.erase(it, list.end());
        return false;
    }
    if (chosen.empty())
        return false;
    chosen.clear();
    return true;
}

}  // namespace tesmira
