// The relay schedule as the recordings see it. When the schedule has steps, a recording's first
// frame and every time-lapse tick start the relay sequence, and the run's stop ends it. The
// instruments side implements this; a recording without relay modules passes nullptr.
#pragma once

namespace tesmira {

class IRelaySync {
public:
    virtual ~IRelaySync() = default;
    // The schedule has steps: the run is relay-synchronised.
    virtual bool HasSteps() const = 0;
    // First frame of a recording (modes 0, 1, 3): the sequence's zero is now.
    virtual void StartWithRecording() = 0;
    // A time-lapse tick: a sequence still running from the last tick is cut short with its relays
    // off, and a new one starts; its frame-marker step asks for the frame.
    virtual void StartWithFrameTick() = 0;
    // One recording of a series stopped and the series goes on: what its sequence switched on
    // goes off at once.
    virtual void EndRecording() = 0;
    // A recording, a series or a time-lapse run ended, however it ended: the cycle ends, what the
    // sequence left on goes off at once, and so do the clock-mode relays the run followed.
    virtual void EndRun() = 0;
    // The end of a time-lapse run or of a series of recordings: every relay of the sequence off.
    virtual void SwitchOffSequenceRelays() = 0;
};

}  // namespace tesmira
