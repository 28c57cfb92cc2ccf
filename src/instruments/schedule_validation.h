// The checks one relay row must pass before it joins the schedule, each failure with the text the
// settings dialog shows. A failed row is reset to "なし" by the dialog; the other rows still count.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/settings.h"
#include "core/ui_text.h"

namespace tesmira {

enum class RowFault {
    kNone,
    kOnEqualsOff,            // ON and OFF offsets equal (to the millisecond)
    kOutsideFrameInterval,   // time-lapse: an offset beyond the frame interval
    kOutsideRecordInterval,  // other modes: an offset beyond the recording interval
    kNegativeOutsideTimelapse,
    kClockOnEqualsOff,  // clock row with equal ON and OFF times
};

// The messages are in the program's own language; whoever shows one looks it up with
// UiText("Instruments", …).
inline constexpr std::string_view kMsgOnEqualsOff =
    UI_TEXT_NOOP("Instruments", "オンとオフを同じにすることは出来ません！\n");
inline constexpr std::string_view kMsgOutsideFrameInterval =
    UI_TEXT_NOOP("Instruments", "オンとオフは，コマ間隔内に納める必要があります！\n");
inline constexpr std::string_view kMsgOutsideRecordInterval =
    UI_TEXT_NOOP("Instruments", "オンとオフは，録画間隔内に納める必要があります！\n");
inline constexpr std::string_view kMsgNegativeOutsideTimelapse = UI_TEXT_NOOP(
    "Instruments", "タイムラップスモード以外では，オンもオフもマイナスの値にはできません！\n");
inline constexpr std::string_view kMsgClockOnEqualsOff =
    UI_TEXT_NOOP("Instruments", "オン時刻とオフ時刻を同じにすることは出来ません！\n");
// Shown only by the shot button when there is nothing to play.
inline constexpr std::string_view kMsgNoTimetable =
    UI_TEXT_NOOP("Instruments",
                 "USB リレー・モジュールのタイムテーブルが設定されていません!\n [詳細] "
                 "でリレーのON/OFFのタイミングを設定してください。\n");

struct RowVerdict {
    RowFault fault = RowFault::kNone;
    std::string_view message;  // empty when ok
    bool ok() const { return fault == RowFault::kNone; }
};

RowVerdict MessageFor(RowFault fault);

// A "録画/ショット" row with its offsets already in whole milliseconds. Time-lapse (recMode 2)
// allows negative offsets, to switch a relay before the frame is taken.
RowVerdict ValidateSyncRow(int64_t onMs, int64_t offMs, int recMode, int64_t timelapseMs,
                           int64_t recIntervalMs);

// A "時刻" row.
RowVerdict ValidateClockRow(const ClockTime& on, const ClockTime& off);

}  // namespace tesmira
