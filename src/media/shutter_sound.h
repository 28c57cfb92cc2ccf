// The camera shutter sound played when a still photo or a time-lapse frame is stored. Sounds
// play asynchronously through one GStreamer pipeline that is kept and reused; a machine without
// a sound device stays silent without a message.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;

namespace tesmira {

// The resource name for a "ShutterSound" index: "D5000_SHUTTER", "KISSX2_SHUTTER",
// "50D_SHUTTER", "ALPHA77_SHUTTER"; empty for 4 (no sound) and any other index.
std::string ShutterSoundName(int index);

// The WAVE file of that sound from the program's resources; empty when there is none.
std::vector<uint8_t> ShutterSoundBytes(int index);

class ShutterSoundPlayer {
public:
    // `sink` is a GStreamer sink description; tests use one that needs no sound device.
    explicit ShutterSoundPlayer(std::string sink = "autoaudiosink");
    ~ShutterSoundPlayer();
    ShutterSoundPlayer(const ShutterSoundPlayer&) = delete;
    ShutterSoundPlayer& operator=(const ShutterSoundPlayer&) = delete;

    // Starts the sound of a "ShutterSound" index and returns at once; index 4 plays nothing.
    void Play(int index);
    // Starts a WAVE file held in memory; a sound still playing is cut short. Empty: nothing.
    void Play(std::span<const uint8_t> wave);

    // Waits at most `timeoutMs` for the sound started last to play to its end; false when it
    // failed (no device, not a WAVE file) or is still playing. Mainly for tests.
    bool WaitUntilPlayed(int timeoutMs);

private:
    bool Build();
    void DropOldMessages();

    std::string sink_;
    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    bool buildFailed_ = false;
    bool started_ = false;
    std::vector<uint8_t> cached_[4];  // resource bytes, read once per sound
};

}  // namespace tesmira
