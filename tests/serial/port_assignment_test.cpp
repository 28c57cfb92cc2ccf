// The assignment procedure: what is reopened after OK, hints before reopening, labels, the Z
// channel, and a port that vanished before the dialog.
#include <gtest/gtest.h>

#include "common/message_recorder.h"
#include "core/tesmira_doc.h"
#include "serial/port_assignment.h"
#include "serial_test_support.h"

namespace tesmira::test {
namespace {

// A slot channel that writes down every open and close.
class RecordingChannel : public ISerialChannel {
public:
    RecordingChannel(int slot, std::vector<std::string>& events) : slot_(slot), events_(events) {}
    bool IsOpen() const override { return open_; }
    void Write(std::string_view) override {}
    int BytesWaiting() override { return 0; }
    std::string Read(int) override { return {}; }
    int Open(const std::string& port, const LineSettings& line) override {
        open_ = true;
        events_.push_back("open" + std::to_string(slot_) + " " + port + " stop" +
                          std::to_string(line.stopBits));
        return open_result::kOk;
    }
    void Close() override {
        if (open_)
            events_.push_back("close" + std::to_string(slot_));
        open_ = false;
    }

private:
    int slot_;
    bool open_ = false;
    std::vector<std::string>& events_;
};

class HintRecorder : public CUpdateView {
public:
    explicit HintRecorder(std::vector<std::string>& events) : events_(events) {
        CTesmiraDoc::Instance().AddView(this);
    }
    ~HintRecorder() override { CTesmiraDoc::Instance().RemoveView(this); }
    void OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload&) override {
        events_.push_back("hint" + std::to_string(int(hint)));
    }

private:
    std::vector<std::string>& events_;
};

class AssignmentTest : public ::testing::Test {
protected:
    AssignmentTest() {
        for (int n = 0; n < 4; ++n) {
            channels.emplace_back(std::make_unique<RecordingChannel>(n + 1, events));
            InstallSerialSlot(n + 1, channels.back().get());
        }
        // Every name used below is listed, so the dialog's refresh keeps them.
        config.sysClassTty.clear();
        config.serialPath = links.Path();
        for (const char* name : {"p1", "p2", "p3", "p4", "p5"})
            std::filesystem::create_symlink("/dev/null", links.Path() + "/" + name);
        SetPortScanConfig(&config);
        Settings& s = settings();
        s.port1 = Port("p1");
        s.port2 = Port("p2");
        s.port3 = Port("p3");
        s.port4 = "";
        s.xyAxisType = kind::kXyLepMac5000;
        s.zAxisType = kind::kZLepMac5000;
        s.trhType = kind::kMeterUsbrh2;
        s.useOnePort = false;
        InitSerialSlots();
        SetPortLabelsHook([this] { ++labelRefreshes; });
        events.clear();
    }
    ~AssignmentTest() override { SetPortLabelsHook(nullptr); }

    std::string Port(const char* name) const { return links.Path() + "/" + name; }
    // Runs the procedure; `edit` changes the dialog's values and says OK (true) or Cancel.
    void Run(const std::function<bool(PortAssignmentModel&)>& edit) {
        RunPortAssignmentWith([&](PortAssignmentModel& m) {
            events.clear();  // what happened before the dialog is checked separately
            return edit(m);
        });
    }

    SerialStateGuard guard;
    TempDir links;
    PortScanConfig config;
    std::vector<std::string> events;
    std::vector<std::unique_ptr<RecordingChannel>> channels;
    int labelRefreshes = 0;
};

TEST_F(AssignmentTest, BeforeTheDialogEveryOpenSlotIsReopened) {
    RunPortAssignmentWith([&](PortAssignmentModel& m) {
        EXPECT_EQ(m.values.names[0], Port("p1"));
        EXPECT_EQ(m.Available(), (std::vector<std::string>{Port("p4"), Port("p5")}));
        return false;
    });
    EXPECT_EQ(events, (std::vector<std::string>{"close1", "open1 " + Port("p1") + " stop2",
                                                "close2", "open2 " + Port("p2") + " stop2",
                                                "close3", "open3 " + Port("p3") + " stop1"}));
    EXPECT_EQ(labelRefreshes, 0);  // Cancel: nothing more happens
}

TEST_F(AssignmentTest, XyKindChangeRebuildsCommandsBeforeReopeningWithTheNewStopBits) {
    HintRecorder hints(events);
    Run([](PortAssignmentModel& m) {
        m.values.xyKind = kind::kXySigmaKoki;
        return true;
    });
    EXPECT_EQ(events,
              (std::vector<std::string>{"hint202", "close1", "open1 " + Port("p1") + " stop1"}));
    EXPECT_EQ(settings().xyAxisType, kind::kXySigmaKoki);
    EXPECT_EQ(labelRefreshes, 1);
    EXPECT_EQ(CommandSendPortLabel(1), Port("p1") + "\tシグマ光機");
    EXPECT_EQ(CommandSendPortLabel(2), Port("p2") + "\tLEP MAC5000");
}

TEST_F(AssignmentTest, OnlyChangedSlotsAreReopenedInSlotOrder) {
    HintRecorder hints(events);
    Run([&](PortAssignmentModel& m) {
        m.values.zKind = kind::kZChuoSeiki;
        m.values.names[2] = Port("p5");
        m.values.names[3] = Port("p4");
        return true;
    });
    EXPECT_EQ(events, (std::vector<std::string>{
                          "hint203", "close2", "close3", "open2 " + Port("p2") + " stop1",
                          "open3 " + Port("p5") + " stop1", "open4 " + Port("p4") + " stop1"}));
    EXPECT_EQ(settings().port3, Port("p5"));
    EXPECT_EQ(settings().port4, Port("p4"));
    EXPECT_EQ(CommandSendPortLabel(2), Port("p2") + "\t中央精機");
}

TEST_F(AssignmentTest, ReleasedSlotStaysClosedAndItsLabelEmpties) {
    Run([](PortAssignmentModel& m) {
        m.Release(2);
        return true;
    });
    EXPECT_EQ(events, (std::vector<std::string>{"close2"}));
    EXPECT_TRUE(settings().port2.empty());
    EXPECT_FALSE(SerialSlot(2).IsOpen());
    EXPECT_EQ(CommandSendPortLabel(2), "");
}

TEST_F(AssignmentTest, UseOnePortRoutesZToSlotOne) {
    Run([](PortAssignmentModel& m) {
        m.values.useOnePort = true;
        m.ApplyEnablingRule();
        return true;
    });
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(settings().useOnePort);
    EXPECT_EQ(&ZChannel(), &SerialSlot(1));

    Run([](PortAssignmentModel& m) {
        m.values.zKind = kind::kZTe2000e;  // clears the one-port choice
        m.ApplyEnablingRule();
        return true;
    });
    EXPECT_FALSE(settings().useOnePort);
    EXPECT_EQ(&ZChannel(), &SerialSlot(2));
}

TEST_F(AssignmentTest, CancelAfterThePortVanishedKeepsTheSlotCleared) {
    InstallSerialSlot(1, nullptr);  // the real channel on a real pseudo-terminal
    MessageRecorder messages;
    PtyPair pty;
    const std::string link = links.Path() + "/adapter";
    std::filesystem::create_symlink(pty.Path(), link);
    settings().port1 = link;
    ASSERT_TRUE(OpenSlot(1));
    pty.Vanish();  // unplugged while open

    Run([](PortAssignmentModel& m) {
        EXPECT_TRUE(m.values.names[0].empty());
        return false;
    });
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("COM Port: " + link), std::string::npos);
    EXPECT_TRUE(settings().port1.empty());
    EXPECT_FALSE(SerialSlot(1).IsOpen());
}

}  // namespace
}  // namespace tesmira::test
