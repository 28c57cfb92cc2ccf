// The instruments on the real control panel: the meter group with its timers and Focus Start,
// the relay rows over the stand-in libsuper4.so with the Z synchronisation, the microscope group
// over a shared-memory block of the test's own, and the overlay texts offered to stored pictures.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <string>
#include <vector>

#include "common/instruments_rig.h"

namespace tesmira {
namespace {

using test::ReadAll;

class InstrumentsOnPanel : public test::InstrumentsRig {};

// ---- meter
// ---------------------------------------------------------------------------------------

TEST_F(InstrumentsOnPanel, SerialMeterReadsOnceASecondWithTheCorrection) {
    settings.trhType = 1;
    settings.tempCorrection = -1.6;
    EXPECT_TRUE(Enabled(1031));
    EXPECT_FALSE(Enabled(1033));
    EXPECT_FALSE(Enabled(1035));

    Click(1031);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(Enabled(1031));
    EXPECT_TRUE(Enabled(1033));
    EXPECT_TRUE(Enabled(1035)) << "Focus Start is usable while a meter is on";
    EXPECT_EQ(1000, backend.PeriodOf(TimerId::kMeterPoll));

    backend.Advance(1000);
    EXPECT_EQ(std::vector<std::string>{"getrh\n"}, meterPort.writes);
    EXPECT_EQ(50, backend.PeriodOf(TimerId::kMeterReply));
    meterPort.input = ":23.45,45.60,\r\n";
    backend.Advance(50);
    EXPECT_EQ(" T: 21.85 °C\n H: 45.60 %", Text(1034));

    // A new correction typed into 1076 counts from the moment the edit is left.
    qobject_cast<QLineEdit*>(panel->Control(1076))->setText("-0.5");
    Q_EMIT panel->editLeft(1076);
    EXPECT_DOUBLE_EQ(-0.5, settings.tempCorrection);
    backend.Advance(950);
    meterPort.input = ":23.45,45.60,\r\n";
    backend.Advance(50);
    EXPECT_EQ(" T: 22.95 °C\n H: 45.60 %", Text(1034));

    qobject_cast<QLineEdit*>(panel->Control(1076))->setText("abc");
    Q_EMIT panel->editLeft(1076);
    EXPECT_DOUBLE_EQ(-0.5, settings.tempCorrection) << "no number keeps the last correction";

    Click(1033);
    EXPECT_EQ(" T: --.- °C\n H: --.-%", Text(1034));
    EXPECT_TRUE(Enabled(1031));
    EXPECT_FALSE(Enabled(1033));
    EXPECT_FALSE(Enabled(1035));
    EXPECT_FALSE(Enabled(1036));
    EXPECT_FALSE(backend.IsRunning(TimerId::kMeterPoll));
    EXPECT_FALSE(backend.IsRunning(TimerId::kMeterReply)) << "the reply poll ends with the meter";
}

TEST_F(InstrumentsOnPanel, MeterThatCannotStartStaysOff) {
    settings.trhType = 1;
    meterPort.open = false;
    slots.PortName(4).clear();  // no port assigned to the meter: slot 4 stays closed
    Click(1031);
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_EQ("USBRH2モジュールが見つかりません！", notifier.messages[0].text);
    EXPECT_TRUE(Enabled(1031));
    EXPECT_FALSE(Enabled(1033));
    EXPECT_FALSE(Enabled(1035));
    EXPECT_FALSE(backend.IsRunning(TimerId::kMeterPoll));

    settings.trhType = 0;
    WriteFile("usbmeter", "absent");
    Click(1031);
    EXPECT_FALSE(Enabled(1031)) << "ON waits for the library to look";
    ASSERT_TRUE(test::PumpUntil([&] { return notifier.messages.size() == 2; }));
    EXPECT_EQ("USBRHモジュールが見つかりません", notifier.messages.back().text);
    EXPECT_TRUE(Enabled(1031));
}

TEST_F(InstrumentsOnPanel, UsbMeterFollowsItsLibraryAndGoesOffWhenAReadingFails) {
    settings.trhType = 0;
    settings.tempCorrection = -1.6;
    WriteFile("usbmeter", "24.00 50.00");
    Click(1031);
    ASSERT_TRUE(test::PumpUntil([&] { return Enabled(1033); }));
    backend.Advance(1000);
    EXPECT_TRUE(test::PumpUntil([&] { return Text(1034) == " T: 22.4 °C\n H: 50.0 %"; }))
        << Text(1034);
    WriteFile("usbmeter", "25.30 48.25");
    backend.Advance(1000);
    EXPECT_TRUE(test::PumpUntil([&] { return Text(1034) == " T: 23.7 °C\n H: 48.2 %"; }));

    WriteFile("usbmeter", "fail");
    backend.Advance(1000);
    EXPECT_TRUE(test::PumpUntil([&] { return Text(1034) == " T: --.- °C\n H: --.-%"; }));
    EXPECT_TRUE(Enabled(1031));
    EXPECT_FALSE(Enabled(1035));
    EXPECT_FALSE(backend.IsRunning(TimerId::kMeterPoll));
    EXPECT_TRUE(notifier.messages.empty()) << "a failed reading switches off without a word";
}

// ---- relay rows
// ------------------------------------------------------------------------------------

TEST_F(InstrumentsOnPanel, RelayRowsStartAllOffAndOnlyTheFoundModuleIsUsable) {
    panel->OnInitialUpdate();
    EXPECT_FALSE(Enabled(1079)) << "usable once the library has listed its modules";
    ASSERT_TRUE(test::PumpUntil([&] { return RelaysSettled(); }));
    EXPECT_EQ("S4A", Text(1087));
    EXPECT_EQ("--------", Text(1088));
    EXPECT_TRUE(Enabled(1079));
    EXPECT_TRUE(Enabled(1082));
    EXPECT_FALSE(Enabled(1083));
    EXPECT_FALSE(Enabled(1086));
    EXPECT_EQ("R1_OFF", Text(1079));
    EXPECT_TRUE(StateIs("S4A 0000\n"));
    EXPECT_NE(std::string::npos, ReadAll(dir / "relays.log").find("SetRelays S4A mask 0x0F off"));
    EXPECT_TRUE(Pane().empty());
}

TEST_F(InstrumentsOnPanel, ZsyncChannelGoingOffMakesOneFineStepUp) {
    settings.zsync = 2;
    panel->OnInitialUpdate();
    ASSERT_TRUE(test::PumpUntil([&] { return RelaysSettled(); }));
    Click(1081);  // relay 3 of module 1 on: no move
    EXPECT_EQ("R3_ON", Text(1081));
    EXPECT_TRUE(z.writes.empty());
    Click(1081);  // ... and off: one fine step up
    EXPECT_EQ("R3_OFF", Text(1081));
    EXPECT_EQ(std::vector<std::string>{"MOVREL b=100\r"}, z.writes);

    Click(1079);  // another relay on and off: no move
    Click(1079);
    EXPECT_EQ(1u, z.writes.size());

    // The schedules switch through the relay switch; the captions follow and the sync holds.
    IRelaySwitch& relays = binder->RelaySwitch();
    relays.SetRelays(0, 0x04, true);
    EXPECT_EQ(1, relays.RelayState(2));
    EXPECT_EQ("R3_ON", Text(1081));
    relays.SetRelays(0, 0x04, false);
    EXPECT_EQ("R3_OFF", Text(1081));
    EXPECT_EQ(2u, z.writes.size());
    relays.SetRelays(0, 0x04, false);  // already off: nothing switches, nothing moves
    EXPECT_EQ(2u, z.writes.size());
    EXPECT_EQ(-1, relays.RelayState(5)) << "module 2 is absent";
}

TEST_F(InstrumentsOnPanel, CloseLeavesTheRelaysAsTheyAreWithoutMovingZ) {
    settings.zsync = 0;
    panel->OnInitialUpdate();
    ASSERT_TRUE(test::PumpUntil([&] { return RelaysSettled(); }));
    Click(1079);
    Click(1080);
    EXPECT_TRUE(StateIs("S4A 1100\n"));
    binder->Shutdown();
    EXPECT_EQ("S4A 1100\n", ReadAll(dir / "relays.state")) << "the lamps stay on";
    EXPECT_TRUE(z.writes.empty()) << "nothing should move while the program ends";
    Click(1079);  // a late click after close does nothing
    EXPECT_EQ("S4A 1100\n", ReadAll(dir / "relays.state"));
}

TEST_F(InstrumentsOnPanel, WithoutTheLibraryTheRelayRowsStayInactive) {
    MakeBinder(dir.string());
    panel->OnInitialUpdate();
    test::PumpUntil([] { return false; }, 300);  // the helper has long said it found nothing
    EXPECT_EQ("--------", Text(1087));
    EXPECT_FALSE(Enabled(1079));
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_TRUE(Pane().empty()) << "a library that is not there is not mentioned";
}

// ---- microscope
// -----------------------------------------------------------------------------------

TEST_F(InstrumentsOnPanel, MicroscopePollsTwiceASecondUntilAReadingFails) {
    PublishBlock("235", 23, true);
    Click(1042);
    EXPECT_EQ(" V: 2.35x10(-5) Pa\n T: 23 °C", Text(1044));
    EXPECT_FALSE(Enabled(1042));
    EXPECT_TRUE(Enabled(1043));
    EXPECT_TRUE(Enabled(1054));
    EXPECT_EQ(500, backend.PeriodOf(TimerId::kVevReadout));

    PublishBlock("410", -5, true);
    backend.Advance(500);
    EXPECT_EQ(" V: 4.10x10(-5) Pa\n T: -5 °C", Text(1044));

    PublishBlock("410", -5, false);
    backend.Advance(500);
    EXPECT_EQ("Sum check\nnot passed! ", Text(1044));
    EXPECT_TRUE(Enabled(1042));
    EXPECT_FALSE(Enabled(1043));
    EXPECT_FALSE(Enabled(1054));
    EXPECT_FALSE(backend.IsRunning(TimerId::kVevReadout));
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(InstrumentsOnPanel, MicroscopeWithoutBlockTellsAndOffShowsNotConnected) {
    Click(1042);
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_EQ(0u, notifier.messages[0].text.rfind("Open mapping file failed, GLE=", 0));
    EXPECT_EQ(" V:  ----\n T:  ----", Text(1044));
    EXPECT_TRUE(Enabled(1042));
    EXPECT_FALSE(backend.IsRunning(TimerId::kVevReadout));

    PublishBlock("235", 23, true);
    Click(1042);
    Click(1043);
    EXPECT_EQ(" VEV Microscope\n not connected!", Text(1044));
    EXPECT_TRUE(Enabled(1042));
    EXPECT_FALSE(Enabled(1054));
    EXPECT_FALSE(backend.IsRunning(TimerId::kVevReadout));
}

// ---- overlay texts
// ---------------------------------------------------------------------------------

TEST_F(InstrumentsOnPanel, OverlayTextsOnlyWhileOnAndTicked) {
    settings.trhType = 1;
    settings.tempCorrection = 0.0;
    const InstrumentTextsProvider texts = binder->TextsProvider();
    Click(1031);
    backend.Advance(1000);
    meterPort.input = ":23.45,45.60,\r\n";
    backend.Advance(50);
    EXPECT_FALSE(texts().temperature) << "temperature box not ticked";

    Click(1057);
    EXPECT_TRUE(settings.isTextOutTemparature);
    EXPECT_EQ("T = 23.45 °C", texts().temperature.value_or("none"));
    EXPECT_EQ(" H = 45.60 %", texts().humidity.value_or("none"));

    PublishBlock("235", 23, true);
    Click(1042);
    EXPECT_FALSE(texts().microscope) << "microscope box not ticked";
    Click(1054);
    EXPECT_EQ("VEV Vacuum: 2.35x10(-5) Pa  Temp: 23 °C\n", texts().microscope.value_or("none"));

    Click(1033);
    Click(1043);
    EXPECT_FALSE(texts().temperature) << "the meter is off";
    EXPECT_FALSE(texts().humidity);
    EXPECT_FALSE(texts().microscope) << "the readout is off";
}

}  // namespace
}  // namespace tesmira
