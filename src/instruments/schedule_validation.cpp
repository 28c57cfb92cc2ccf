#include "instruments/schedule_validation.h"

namespace tesmira {

RowVerdict MessageFor(RowFault fault) {
    switch (fault) {
        case RowFault::kNone:
            return {};
        case RowFault::kOnEqualsOff:
            return {fault, kMsgOnEqualsOff};
        case RowFault::kOutsideFrameInterval:
            return {fault, kMsgOutsideFrameInterval};
        case RowFault::kOutsideRecordInterval:
            return {fault, kMsgOutsideRecordInterval};
        case RowFault::kNegativeOutsideTimelapse:
            return {fault, kMsgNegativeOutsideTimelapse};
        case RowFault::kClockOnEqualsOff:
            return {fault, kMsgClockOnEqualsOff};
    }
    return {};
}

RowVerdict ValidateSyncRow(int64_t onMs, int64_t offMs, int recMode, int64_t timelapseMs,
                           int64_t recIntervalMs) {
    if (onMs == offMs)
        return MessageFor(RowFault::kOnEqualsOff);
    if (recMode == 2) {
        if (offMs > timelapseMs || onMs > timelapseMs)
            return MessageFor(RowFault::kOutsideFrameInterval);
        return {};
    }
    // The interval check comes first, so a row beyond the interval gets that message even when
    // it is also negative.
    if (offMs > recIntervalMs || onMs > recIntervalMs)
        return MessageFor(RowFault::kOutsideRecordInterval);
    if (offMs < 0 || onMs < 0)
        return MessageFor(RowFault::kNegativeOutsideTimelapse);
    return {};
}

RowVerdict ValidateClockRow(const ClockTime& on, const ClockTime& off) {
    if (on.h == off.h && on.m == off.m && on.s == off.s)
        return MessageFor(RowFault::kClockOnEqualsOff);
    return {};
}

}  // namespace tesmira
