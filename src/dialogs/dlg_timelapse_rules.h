// The rules of the recording/time-lapse/relay settings panel apart from its widgets: the fields'
// ranges and messages, the fields as the stored settings give them, and the apply that
// normalises the video and time-lapse fields, stores them and compiles the relay schedules.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "dialogs/dlg_time_limit_rules.h"
#include "dialogs/field_text.h"
#include "instruments/relay_schedule.h"
#include "instruments/schedule_arithmetic.h"

namespace tesmira {

// The panel's fields and their ranges. Minutes of the video length and interval take the caps of
// the capture time-limit dialog.
inline constexpr Range64 kVideoLengthMinutes = kLengthMinutes;
inline constexpr Range64 kVideoIntervalMinutes = kIntervalMinutes;
inline constexpr Range64 kFieldSeconds{0, 86400};
inline constexpr Range64 kRecCount{1, 1000000};
inline constexpr Range64 kFrameIntervalMinutes{0, 10080};
inline constexpr Range64 kFrames{1, 1000000};
inline constexpr Range64 kTotalHours{0, 2147483647};
inline constexpr Range64 kFontHeight{0, 1024};
inline constexpr Range64 kClockHours{0, 23};
inline constexpr Range64 kClockMinutes{0, 59};
// Relay offsets in seconds: a week either way is far beyond any interval the rows may use.
inline constexpr RangeReal kRelayOffset{-604800.0, 604800.0};
// µm per camera pixel (0: not calibrated), and the known length of a calibration line.
inline constexpr RangeReal kPixelSizeUm{0.0, 1000.0};
inline constexpr RangeReal kKnownLengthUm{0.0, 1000000.0};

struct RecordingPanelFields {
    VideoFields video;          // 1025..1028
    int64_t recCount = 1;       // 57640
    TimelapseFields timelapse;  // 1054, 1055, 1057, 1058..1060
    std::array<RelayRow, kRelayChannels> rows{};
    bool textTime = false, textTemperature = false, textZ = false;  // 1070, 1069, 1071
    int64_t fontHeight = 24;                                        // 1077
    int shutterSound = 0;                                           // 1184..1188
    bool clockOffDuringShot = true;                                 // 1183
    bool textScaleBar = false;                                      // 1207
    double pixelSizeUm = 0.0;                                       // 1206
};

// Length from the 100-ns limit, interval from "RecInterval", frame interval from "Timelapse",
// total time from the frame count.
RecordingPanelFields PanelFieldsFromSettings(const Settings& s);

struct PanelApply {
    RecordingPanelFields fields;  // normalised; rejected rows are back at "なし"
    std::string replayText;       // static 1056
    CompiledSchedule schedule;
    std::vector<std::string_view> messages;  // one per rejected row, in row order
};

// The apply of the panel: stores every field in the settings, normalised, and compiles the relay
// schedules from scratch (rows of an absent module are ignored). `fromTotalTime`: the user edited
// the total time, so the frame count follows it.
PanelApply ApplyRecordingPanel(Settings& s, const RecordingPanelFields& f, bool fromTotalTime,
                               std::array<bool, kRelayModules> modulePresent);

}  // namespace tesmira
