// The relay schedule as a recording sees it, counting each call, for the tests of the recording
// hooks.
#pragma once

#include <string>
#include <vector>

#include "recording/relay_sync.h"

namespace tesmira {

class FakeRelaySync : public IRelaySync {
public:
    bool HasSteps() const override { return steps; }
    void StartWithRecording() override { calls.push_back("start-recording"); }
    void StartWithFrameTick() override { calls.push_back("start-tick"); }
    void EndRecording() override { calls.push_back("end-recording"); }
    void EndRun() override { calls.push_back("end-run"); }
    void SwitchOffSequenceRelays() override { calls.push_back("off"); }

    int Count(const std::string& call) const {
        int n = 0;
        for (const std::string& c : calls)
            n += c == call;
        return n;
    }

    bool steps = true;
    std::vector<std::string> calls;
};

}  // namespace tesmira
