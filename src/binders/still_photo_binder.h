// Still photos: button 1032 "スチル写真" and the key "B" ask the capture graph for one frame; when
// message 1026 says it is in the frame bitmap, the overlay is stamped, the shutter sounds and the
// picture is stored as "TM_<date prefix>-NNNN.bmp" in the video folder.
//
// One press gives one picture. A press while a request is still waiting for its frame joins that
// request (the frame bitmap must not be refilled while it is being stored), and a 1026 with no
// request waiting stores nothing. A request whose frame never came (live video stopped under it)
// stops blocking new presses after kStaleStillRequestMs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/instrument_texts.h"

namespace tesmira {

class CDib;
class CDlgMain;
class CaptureOwner;
class Clock;
class INotifier;
struct RunState;
struct Settings;

inline constexpr uint32_t kStaleStillRequestMs = 2000;

// What still photos need of the capture graph.
class IStillFrameSource {
public:
    virtual ~IStillFrameSource() = default;
    virtual bool HasGraph() const = 0;
    // Asks the grabber for the next frame, announced by message 1026.
    virtual void RequestStillFrame() = 0;
    // Withdraws a request the grabber has not taken yet.
    virtual void ClearGrabRequest() = 0;
    virtual CDib* FrameBitmap() = 0;
    virtual CDib* GreyBitmap() = 0;  // the 8-bit bitmap, when the graph keeps one
    virtual int RecordBitDepth() const = 0;
};

// The overlay's values that other rooms own. An unset provider, or one answering nothing, leaves
// its part out (meter off, microscope readout not connected or its caption option off).
struct StillOverlaySources {
    std::function<double()> stageZ;
    std::function<std::optional<std::string>()> temperatureText;
    std::function<std::optional<std::string>()> humidityText;
    std::function<std::optional<std::string>()> microscopeText;
};

struct StillPhotoDeps {
    Settings& settings;
    RunState& run;
    Clock& clock;
    INotifier& notifier;
    IStillFrameSource& frames;
    std::function<void(int shutterSound)> playShutter;  // unset: silent
    StillOverlaySources overlay;
    // "StillPhoto" moved on: write it now, so a crash never hands the number out twice.
    std::function<void()> counterChanged;
};

class StillPhotoBinder {
public:
    explicit StillPhotoBinder(StillPhotoDeps deps);

    // Button 1032 or key "B": asks for a frame while live and not recording. False when nothing
    // was asked (not live, recording, no graph, or joined to the request already waiting).
    bool Request();
    // Message 1026, on the UI thread: stores the picture of the waiting request, if any.
    void OnStillFrame();
    bool Pending() const { return pending_; }
    // The last picture stored (full path; empty before the first).
    const std::string& lastPhoto() const { return lastPhoto_; }

    // Connects button 1032 of the panel and marks it attached.
    void AttachButton(CDlgMain& panel);

private:
    void Store();
    const CDib* ChooseBitmap(CDib& frame);

    StillPhotoDeps deps_;
    bool pending_ = false;
    uint32_t requestedAt_ = 0;
    std::string lastPhoto_;
};

// The capture owner's current graph as the still photos' frame source.
class CaptureStillSource : public IStillFrameSource {
public:
    explicit CaptureStillSource(CaptureOwner& owner) : owner_(owner) {}
    bool HasGraph() const override;
    void RequestStillFrame() override;
    void ClearGrabRequest() override;
    CDib* FrameBitmap() override;
    CDib* GreyBitmap() override;
    int RecordBitDepth() const override;

private:
    CaptureOwner& owner_;
};

// Everything still photos need, made and wired in one step by the composition root: the frame
// source, the shutter, the binder on button 1032, and message 1026 from the capture owner.
// The key "B" reaches Binder().Request() through the stage keys' hook.
class StillPhotoWiring {
public:
    StillPhotoWiring(CDlgMain& panel, CaptureOwner& capture, Clock& clock, INotifier& notifier,
                     std::function<double()> stageZ, InstrumentTextsProvider instruments = {},
                     std::function<void()> counterChanged = {});
    ~StillPhotoWiring();
    StillPhotoBinder& Binder() { return *binder_; }
    // The one shutter-sound pipeline, shared with time-lapse frames.
    void PlayShutter(int shutterSound);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    std::unique_ptr<StillPhotoBinder> binder_;
    CaptureOwner& capture_;
};

}  // namespace tesmira
