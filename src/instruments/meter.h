// The temperature/humidity meter: switching on and off, the once-a-second reading of each kind,
// the USBRH2 reply poll, the correction, and the display and overlay texts. The panel owns the
// buttons and the timers (1005 every second, 1014 every 50 ms) and calls in here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "core/ui_text.h"
#include "instruments/instrument_result.h"
#include "instruments/usbrh2_reply.h"

namespace tesmira {

class ISerialChannel;
class IUsbrhDevice;
class W1Thermometer;

enum class MeterKind { Usbrh = 0, Usbrh2 = 1, Tdsn7200 = 2, OneWire = 3 };

// What a meter tick asks of the panel.
enum class MeterTick {
    Nothing,
    StartReplyPoll,  // (re)start timer 1014 with 50 ms
    SwitchedOff,     // a USBRH reading failed and the meter went off: refresh the buttons
};

// What the meter did on its own when the USBRH device answered after the call that asked.
enum class MeterNews {
    SwitchedOn,   // ON found a module: enable OFF and Focus Start, start timer 1005
    NotFound,     // ON found none: the result carries the message
    Shown,        // a reading is shown
    SwitchedOff,  // a reading failed and the meter went off: refresh the buttons
};

// The physical ranges of the figures shown: anything outside (or not a number) shows "--.-".
inline constexpr double kLowestCelsius = -100.0;
inline constexpr double kHighestCelsius = 200.0;
inline constexpr double kLowestHumidity = 0.0;
inline constexpr double kHighestHumidity = 100.0;

namespace meter_text {
inline constexpr const char* kInitialDisplay = "  T: --.- °C\n  H: --.- %";
inline constexpr const char* kOffDisplay = " T: --.- °C\n H: --.-%";
inline constexpr const char* kQuery = "getrh\n";
inline constexpr const char* kNoFigure = "--.-";
inline constexpr const char* kUsbrhNotFound =
    UI_TEXT_NOOP("Instruments", "USBRHモジュールが見つかりません");
inline constexpr const char* kUsbrh2NotFound =
    UI_TEXT_NOOP("Instruments", "USBRH2モジュールが見つかりません！");
inline constexpr const char* kNoReadingMethod =
    UI_TEXT_NOOP("Instruments", "TDSN7200 TD は読み取りに対応していません。表示は更新されません");
inline constexpr const char* kW1NotFound =
    UI_TEXT_NOOP("Instruments", "1-Wire温度計が見つかりません");
}  // namespace meter_text

class Meter {
public:
    // Most bytes taken from the port in one poll.
    static constexpr int kMaxRead = 4095;

    Meter(ISerialChannel& port, IUsbrhDevice& usbrh, const W1Thermometer& w1)
        : port_(port), usbrh_(usbrh), w1_(w1) {}

    void SetKind(MeterKind kind) { kind_ = kind; }
    MeterKind Kind() const { return kind_; }
    // "TempCorrection", added to every temperature before display and overlay.
    void SetCorrection(double degrees) { correction_ = degrees; }
    double Correction() const { return correction_; }
    // Called by ON for the USBRH2 when the meter port is not open (the serial room opens it).
    void SetPortOpener(std::function<void()> opener) { openPort_ = std::move(opener); }

    // Told what the meter did when the USBRH device answered later than the call.
    void SetNewsListener(std::function<void(MeterNews, const InstrumentResult&)> listener) {
        news_ = std::move(listener);
    }

    // Button "ON". On failure the meter stays off and the result carries the message. With the
    // USBRH the answer may come later: the result is then Pending, and the news tells the rest.
    InstrumentResult On();
    // ON is waiting for the USBRH device to say whether it found a module.
    bool Finding() const { return finding_; }
    // Button "OFF" (also taken when a USBRH reading fails).
    void Off();
    // Timer 1005.
    MeterTick Tick();
    // Timer 1014: takes what the meter port has and shows the newest whole reply.
    void PollReply();

    bool IsOn() const { return on_; }
    const std::string& Display() const { return display_; }
    const std::string& TemperatureOverlay() const { return temperatureOverlay_; }
    const std::string& HumidityOverlay() const { return humidityOverlay_; }

    // The USBRH2 temperature text after the correction: as sent when the correction is exactly
    // 0, otherwise the sum with two decimals.
    static std::string CorrectedUsbrh2Temperature(const std::string& text, double correction);
    // `text` when it reads as a number within lowest..highest, else "--.-".
    static std::string FigureOrPlaceholder(const std::string& text, double lowest, double highest);

private:
    InstrumentResult FindDone(bool found, bool later);
    MeterTick ReadingDone(int result, double temperature, double humidity);
    void Tell(MeterNews news, const InstrumentResult& result = {});
    void ShowNumbers(double temperature, double humidity);
    void ShowTexts(const std::string& temperature, const std::string& humidity);

    ISerialChannel& port_;
    IUsbrhDevice& usbrh_;
    const W1Thermometer& w1_;
    std::function<void()> openPort_;
    MeterKind kind_ = MeterKind::Usbrh2;
    double correction_ = -1.6;
    bool on_ = false;
    bool finding_ = false;  // a Find has not answered yet
    bool reading_ = false;  // a Read has not answered yet: the next tick asks nothing
    // While the device is being called: an answer given at once lands here instead of the news.
    bool inCall_ = false;
    std::optional<bool> foundAtOnce_;
    std::optional<std::tuple<int, double, double>> readAtOnce_;
    std::function<void(MeterNews, const InstrumentResult&)> news_;
    Usbrh2ReplyParser replies_;
    std::string display_ = meter_text::kInitialDisplay;
    std::string temperatureOverlay_;
    std::string humidityOverlay_;
};

}  // namespace tesmira
