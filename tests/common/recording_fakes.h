// The small ports recording and time-lapse control talk to (count-down window, control panel,
// stage), as fakes that write down what they were told. Header only: the shared test library links
// just core, and only the test programs that link recording include this.
#pragma once

#include <string>
#include <vector>

#include "recording/recording_control.h"

namespace tesmira::test {

class FakeCountDown : public ICountDown {
public:
    void SetTotal(int s) override { totals.push_back(s); }
    void SetRemaining(int s) override { remaining = s; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    // A title set again unchanged (each tick of a count-down) is written down once.
    void SetTitle(const std::string& t) override {
        if (titles.empty() || titles.back() != t)
            titles.push_back(t);
    }
    std::string Title() const { return titles.empty() ? std::string() : titles.back(); }

    std::vector<int> totals;
    std::vector<std::string> titles;
    int remaining = 0;
    bool visible = false;
};

class FakeRecordPanel : public IRecordPanel {
public:
    void SetStatusText(const std::string& t) override {
        status = t;
        history.push_back(t);
    }
    std::string StatusText() const override { return status; }
    void UpdateRecordControls() override { ++controlUpdates; }
    void FocusPanel() override {}
    double Zoom() const override { return zoom; }
    void SetZoom(double z) override { zoom = z; }
    void SendReadyQuery() override { ++readyQueries; }
    void ClearReadyWait() override {}

    std::string status = "Dropped Frames";
    std::vector<std::string> history;  // every status text, in order
    double zoom = 1.0;
    int controlUpdates = 0;
    int readyQueries = 0;
};

// The stage as recording control sees it: ready flag, position for the log, Z polling.
class FakeStage : public IStagePort {
public:
    void ResetForRecording() override {
        sample = {};
        sample.ready = 1;
        ++resets;
    }
    void MarkReady() override { sample.ready = 1; }
    StageSample Sample() const override { return sample; }
    void StartPositionPolling() override { polling = true; }
    void StopPositionPolling() override { polling = false; }
    void OneShotGrabbed() override { ++oneShots; }

    StageSample sample;
    int resets = 0;
    bool polling = false;
    int oneShots = 0;  // Z/shot synchronisation events of grabbed time-lapse frames
};

}  // namespace tesmira::test
