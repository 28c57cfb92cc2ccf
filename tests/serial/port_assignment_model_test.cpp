// The dialog's rules without widgets: moving names, the enabling rule, the refresh tick.
#include <gtest/gtest.h>

#include "serial/port_assignment_model.h"

namespace tesmira::test {
namespace {

class ModelTest : public ::testing::Test {
protected:
    PortAssignmentModel Make(PortAssignment a) {
        PortAssignmentModel m(std::move(a), [this] {
            ++scans;
            return ports;
        });
        m.Initialise();
        return m;
    }
    std::vector<std::string> ports{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"};
    int scans = 0;
};

TEST_F(ModelTest, AssignAndReleaseMoveTheNameBetweenListAndSlot) {
    PortAssignmentModel m = Make({});
    ASSERT_EQ(m.Available().size(), 4u);
    EXPECT_EQ(m.Selection(), 0);

    m.Select(2);
    m.Assign(1);
    EXPECT_EQ(m.values.names[0], "/dev/ttyUSB1");
    EXPECT_EQ(m.Available(),
              (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB2"}));
    EXPECT_EQ(m.Selection(), 0);

    // Assigning another port to the same slot returns the old one to the list.
    m.Select(1);
    m.Assign(1);
    EXPECT_EQ(m.values.names[0], "/dev/ttyUSB0");
    EXPECT_EQ(m.Available(),
              (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyUSB2"}));

    m.Release(1);
    EXPECT_TRUE(m.values.names[0].empty());
    ASSERT_EQ(m.Available().size(), 4u);
    EXPECT_EQ(m.Available()[m.Selection()], "/dev/ttyUSB0");  // released name is selected
}

TEST_F(ModelTest, AssignWithoutSelectionAndReleaseOfAVanishedPortAreHarmless) {
    PortAssignment a;
    a.names[2] = "/dev/ttyUSB9";  // no longer listed
    PortAssignmentModel m = Make(a);
    m.Select(-1);
    m.Assign(3);
    EXPECT_EQ(m.values.names[2], "/dev/ttyUSB9");
    m.Release(3);
    EXPECT_TRUE(m.values.names[2].empty());
    EXPECT_EQ(m.Selection(), 0);
    ports.clear();
    m.Release(3);
    EXPECT_EQ(m.Selection(), -1);
    m.Assign(3);  // nothing listed, nothing selected
    EXPECT_TRUE(m.values.names[2].empty());
}

TEST_F(ModelTest, UseOnePortOnlyWithALepMac5000ZDrive) {
    PortAssignment a;
    a.zKind = kind::kZLepMac5000;
    a.useOnePort = true;
    a.names[1] = "/dev/ttyUSB2";
    PortAssignmentModel m = Make(a);
    EXPECT_TRUE(m.UseOnePortEnabled());
    EXPECT_TRUE(m.values.useOnePort);
    EXPECT_FALSE(m.SlotButtonsEnabled(2));
    EXPECT_EQ(m.values.names[1], "/dev/ttyUSB2");  // keeps its name while locked
    m.Select(0);
    m.Assign(2);
    m.Release(2);
    EXPECT_EQ(m.values.names[1], "/dev/ttyUSB2");

    for (int z : {kind::kZTe2000e, kind::kZChuoSeiki}) {
        m.values.zKind = z;
        m.values.useOnePort = true;
        m.ApplyEnablingRule();
        EXPECT_FALSE(m.UseOnePortEnabled());
        EXPECT_FALSE(m.values.useOnePort);
        EXPECT_TRUE(m.SlotButtonsEnabled(2));
    }
}

TEST_F(ModelTest, MeterKindsWithoutASerialPortReleaseSlotFour) {
    for (int meter : {kind::kMeterUsbrh, kind::kMeterTdsn7200}) {
        PortAssignment a;
        a.meterKind = kind::kMeterUsbrh2;
        a.names[3] = "/dev/ttyUSB1";
        PortAssignmentModel m = Make(a);
        EXPECT_TRUE(m.SlotButtonsEnabled(4));
        m.values.meterKind = meter;
        m.ApplyEnablingRule();
        EXPECT_TRUE(m.values.names[3].empty());
        EXPECT_FALSE(m.SlotButtonsEnabled(4));
        EXPECT_EQ(m.Available()[m.Selection()], "/dev/ttyUSB1");
        m.values.meterKind = kind::kMeterOneWire;
        m.ApplyEnablingRule();
        EXPECT_TRUE(m.SlotButtonsEnabled(4));
    }
}

TEST_F(ModelTest, RefreshClearsVanishedPortsAndKeepsTheSelectionOfAnUnchangedList) {
    PortAssignment a;
    a.names = {"/dev/ttyUSB0", "/dev/ttyUSB1", "", ""};
    PortAssignmentModel m = Make(a);
    m.Select(1);
    m.RefreshTick();
    EXPECT_EQ(m.Selection(), 1);  // same list: same selection

    ports = {"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyUSB2"};  // ttyUSB0 unplugged
    m.RefreshTick();
    EXPECT_TRUE(m.values.names[0].empty());
    EXPECT_EQ(m.values.names[1], "/dev/ttyUSB1");
    EXPECT_EQ(m.Available(), (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB2"}));
    EXPECT_EQ(m.Selection(), 1);  // same names: the selection stays

    ports = {"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"};
    m.RefreshTick();
    EXPECT_EQ(m.Selection(), 0);  // the list changed: back to the first entry

    ports.clear();
    m.RefreshTick();
    EXPECT_EQ(m.values.names, (std::array<std::string, 4>{}));
    EXPECT_EQ(m.Selection(), -1);
}

}  // namespace
}  // namespace tesmira::test
