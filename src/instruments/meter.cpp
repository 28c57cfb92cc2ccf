#include "instruments/meter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/text_format.h"
#include "core/ui_text.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"
#include "serial/serial_channel_interface.h"

namespace tesmira {
namespace {

bool Within(double value, double lowest, double highest) {
    return std::isfinite(value) && value >= lowest && value <= highest;
}

std::string Figure(double value, double lowest, double highest) {
    return Within(value, lowest, highest) ? Format("%.1f", value) : meter_text::kNoFigure;
}

InstrumentResult UsbrhNotFound() {
    return {InstrumentError::UsbrhNotFound, UiText("Instruments", meter_text::kUsbrhNotFound)};
}

}  // namespace

InstrumentResult Meter::On() {
    InstrumentResult result;
    switch (kind_) {
        case MeterKind::Usbrh: {
            if (usbrh_.Holds())
                break;
            if (finding_)
                return {InstrumentError::Pending, {}};
            finding_ = true;
            foundAtOnce_.reset();
            inCall_ = true;
            usbrh_.Find([this](bool found) {
                if (inCall_)
                    foundAtOnce_ = found;
                else
                    FindDone(found, true);
            });
            inCall_ = false;
            if (!foundAtOnce_)
                return {InstrumentError::Pending, {}};
            return FindDone(*foundAtOnce_, false);
        }
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

InstrumentResult Meter::FindDone(bool found, bool later) {
    const bool asked = finding_;
    finding_ = false;
    if (!asked || kind_ != MeterKind::Usbrh) {
        // OFF (or another kind) came first: a module found meanwhile is not kept.
        if (found)
            usbrh_.Release();
        return {};
    }
    const InstrumentResult result = found ? InstrumentResult{} : UsbrhNotFound();
    if (found)
        on_ = true;
    if (later)
        Tell(found ? MeterNews::SwitchedOn : MeterNews::NotFound, result);
    return result;
}

void Meter::Off() {
    finding_ = false;
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
            // A reading that has not come back yet is not asked for again.
            if (reading_)
                return MeterTick::Nothing;
            reading_ = true;
            readAtOnce_.reset();
            inCall_ = true;
            usbrh_.Read([this](int result, double temperature, double humidity) {
                reading_ = false;
                if (inCall_) {
                    readAtOnce_ = std::make_tuple(result, temperature, humidity);
                    return;
                }
                if (!on_ || kind_ != MeterKind::Usbrh)
                    return;  // switched off meanwhile
                const MeterTick tick = ReadingDone(result, temperature, humidity);
                Tell(tick == MeterTick::SwitchedOff ? MeterNews::SwitchedOff : MeterNews::Shown);
            });
            inCall_ = false;
            if (!readAtOnce_)
                return MeterTick::Nothing;
            const auto [result, temperature, humidity] = *readAtOnce_;
            return ReadingDone(result, temperature, humidity);
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
                const std::string t =
                    Figure(*celsius + correction_, kLowestCelsius, kHighestCelsius);
                display_ = Format(" T: %s °C\n H: %s %%", t.c_str(), meter_text::kNoFigure);
                temperatureOverlay_ = Format("T = %s °C", t.c_str());
                humidityOverlay_ = Format(" H = %s %%", meter_text::kNoFigure);
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

MeterTick Meter::ReadingDone(int result, double temperature, double humidity) {
    if (result != 0) {
        Off();
        return MeterTick::SwitchedOff;
    }
    ShowNumbers(temperature + correction_, humidity);
    return MeterTick::Nothing;
}

void Meter::Tell(MeterNews news, const InstrumentResult& result) {
    if (news_)
        news_(news, result);
}

std::string Meter::FigureOrPlaceholder(const std::string& text, double lowest, double highest) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const bool number = end != text.c_str();
    return number && Within(value, lowest, highest) ? text : meter_text::kNoFigure;
}

// The same texts for every reading; a figure outside its physical range shows "--.-".
void Meter::ShowNumbers(double temperature, double humidity) {
    ShowTexts(Figure(temperature, kLowestCelsius, kHighestCelsius),
              Figure(humidity, kLowestHumidity, kHighestHumidity));
}

void Meter::ShowTexts(const std::string& temperature, const std::string& humidity) {
    const std::string t = FigureOrPlaceholder(temperature, kLowestCelsius, kHighestCelsius);
    const std::string h = FigureOrPlaceholder(humidity, kLowestHumidity, kHighestHumidity);
    display_ = Format(" T: %s °C\n H: %s %%", t.c_str(), h.c_str());
    temperatureOverlay_ = Format("T = %s °C", t.c_str());
    humidityOverlay_ = Format(" H = %s %%", h.c_str());
}

}  // namespace tesmira
