#include "instruments/meter.h"

#include <cstdio>
#include <cstdlib>

#include "core/text_format.h"
#include "core/ui_text.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"
#include "serial/serial_channel_interface.h"

namespace tesmira {
InstrumentResult Meter::On() {
    InstrumentResult result;
    switch (kind_) {
        case MeterKind::Usbrh:
            if (!usbrh_.Holds() && !usbrh_.Find())
                return {InstrumentError::UsbrhNotFound,
                        UiText("Instruments", meter_text::kUsbrhNotFound)};
            break;
        case MeterKind::Usbrh2:
            if (!port_.IsOpen() && openPort_)
                openPort_();
            if (!port_.IsOpen())
                return {InstrumentError::Usbrh2NotFound,
                        UiText("Instruments", meter_text::kUsbrh2NotFound)};
            replies_.Clear();
            break;
        case MeterKind::Tdsn7200:
            // The kind exists in the settings, but no protocol for it is known: say so and go on.
            result = {InstrumentError::NoReadingMethod,
                      UiText("Instruments", meter_text::kNoReadingMethod)};
            break;
        case MeterKind::OneWire:
            if (w1_.FindDevice().empty())
                return {InstrumentError::W1NotFound,
                        UiText("Instruments", meter_text::kW1NotFound)};
            break;
    }
    on_ = true;
    return result;
}

void Meter::Off() {
    if (usbrh_.Holds())
        usbrh_.Release();
    display_ = meter_text::kOffDisplay;
    on_ = false;
    replies_.Clear();
}

MeterTick Meter::Tick() {
    if (!on_)
        return MeterTick::Nothing;
    switch (kind_) {
        case MeterKind::Usbrh: {
            double temperature = 0, humidity = 0;
            if (usbrh_.Read(temperature, humidity) != 0) {
                Off();
                return MeterTick::SwitchedOff;
            }
            ShowNumbers(temperature + correction_, humidity);
            return MeterTick::Nothing;
        }
        case MeterKind::Usbrh2:
            if (!port_.IsOpen())
                return MeterTick::Nothing;
            port_.Write(meter_text::kQuery);
            replies_.ExpectReply();
            return MeterTick::StartReplyPoll;
        case MeterKind::Tdsn7200:
            return MeterTick::Nothing;
        case MeterKind::OneWire:
            // A bad conversion now and then is normal for these sensors: keep the last values.
            if (const auto celsius = w1_.ReadCelsius()) {
                const double t = *celsius + correction_;
                display_ = Format(" T: %.1f °C\n H: %s %%", t, "--.-");
                temperatureOverlay_ = Format("T = %.1f °C", t);
                humidityOverlay_ = Format(" H = %s %%", "--.-");
            }
            return MeterTick::Nothing;
    }
    return MeterTick::Nothing;
}

void Meter::PollReply() {
    if (!port_.IsOpen())
        return;
    const int waiting = port_.BytesWaiting();
    if (waiting <= 0)
        return;
    const std::string bytes = port_.Read(waiting < kMaxRead ? waiting : kMaxRead);
    // The poll outlives OFF; a late answer must not replace the placeholder.
    if (!on_ || kind_ != MeterKind::Usbrh2) {
        replies_.Clear();
        return;
    }
    replies_.Append(bytes);
    if (const auto reply = replies_.Take())
        ShowTexts(CorrectedUsbrh2Temperature(reply->temperature, correction_), reply->humidity);
}

std::string Meter::CorrectedUsbrh2Temperature(const std::string& text, double correction) {
    if (correction == 0.0)
        return text;
    // The meter's text is read as a single-precision number, as the module reports it.
    const float value = std::strtof(text.c_str(), nullptr);
    return Format("%.2f", value + correction);
}

void Meter::ShowNumbers(double temperature, double humidity) {
    display_ = Format(" T: %.1f °C\n H: %.1f %%", temperature, humidity);
    temperatureOverlay_ = Format("T = %.1f °C", temperature);
    humidityOverlay_ = Format(" H = %.1f %%", humidity);
}

void Meter::ShowTexts(const std::string& temperature, const std::string& humidity) {
    display_ = Format(" T: %s °C\n H: %s %%", temperature.c_str(), humidity.c_str());
    temperatureOverlay_ = Format("T = %s °C", temperature.c_str());
    humidityOverlay_ = Format(" H = %s %%", humidity.c_str());
}

}  // namespace tesmira
