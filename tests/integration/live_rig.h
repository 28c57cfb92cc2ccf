// The program as it ships, minus the serial ports: the main frame with its panel and count-down
// window, every room wired to them, the capture graph on the test camera and the real AVI writer.
// Recordings are started and stopped the way a user does (space key, panel buttons) and waited for
// with the panel's own timers running on the event loop.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/workstation.h"
#include "common/message_recorder.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"

class QAbstractButton;

namespace tesmira {
class CMainFrame;
class CDlgMain;
class CDlgCountDown;
}  // namespace tesmira

namespace tesmira::test {

// The names in a folder, sorted (empty when it cannot be read).
std::vector<std::string> NamesIn(const std::string& dir);

// Collects the texts recording control appends to the message pane (hint 101).
class PaneTexts : public CUpdateView {
public:
    explicit PaneTexts(CTesmiraDoc& doc);
    ~PaneTexts() override;
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;
    // The count after "取得：" in the n-th "Movie No." summary; -1 when there is none.
    int DeliveredOf(size_t n) const;
    // The count after "駒落：" (dropped frames) in the n-th summary; -1 when there is none.
    int DroppedOf(size_t n) const;
    size_t Summaries() const;
    std::string All() const;

private:
    int CountOf(size_t n, const std::string& key) const;
    CTesmiraDoc& doc_;
    std::vector<std::string> texts_;
};

class LiveRig : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs the event loop until cond holds or timeoutMs passed; returns cond's final answer.
    static bool WaitFor(const std::function<bool()>& cond, int timeoutMs);
    static void Pause(int ms);
    // The space key as the panel receives it.
    void PressSpace();
    QAbstractButton* Button(int id) const;
    // Clicks a panel button, which must be enabled at that moment.
    void Click(int id);
    // Recording limit of `ms` milliseconds, stored the way the time-limit dialog stores it.
    static void SetLimitMs(int64_t ms);
    // Starts with button 1022 and waits until the limit ends the recording.
    void RecordUntilLimit(int timeoutMs = 8000);

    std::vector<std::string> VideoFiles() const;  // names in the video folder, sorted
    std::vector<std::string> WorkFiles() const;   // names in the work folder, sorted
    std::string Expected(int n, const char* rate = "30.00") const;

    // The rig's own workstation: the program's objects, with the messages going to the running
    // test's recorder.
    static Workstation* workstation;
    static Settings& Config() { return workstation->Config(); }
    static RunState& Run() { return workstation->Run(); }

    static CMainFrame* frame;
    static CDlgMain* panel;
    static CDlgCountDown* countDown;
    static bool cameraUp;

    QTemporaryDir tmp;
    std::string videoDir, logDir, workDir;
    PaneTexts pane{workstation->Doc()};
    MessageRecorder messages;
};

}  // namespace tesmira::test
