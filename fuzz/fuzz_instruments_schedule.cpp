// The relay schedule compiler on any rows (modes, offsets, clock times, recording mode): it never
// crashes, its steps come in time order, and validation answers every row.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "instruments/relay_schedule.h"
#include "instruments/schedule_validation.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    template <typename T>
    T Take() {
        T value{};
        if (at + sizeof(T) <= size)
            std::memcpy(&value, data + at, sizeof(T));
        at += sizeof(T);
        return value;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    tesmira::ScheduleInputs inputs;
    for (auto& row : inputs.rows) {
        row.mode = static_cast<tesmira::RowMode>(in.Take<uint8_t>() % 3);
        row.onSec = in.Take<int32_t>() / 1000.0;
        row.offSec = in.Take<int32_t>() / 1000.0;
        row.on = {in.Take<uint8_t>() % 30, in.Take<uint8_t>() % 70, in.Take<uint8_t>() % 70};
        row.off = {in.Take<uint8_t>() % 30, in.Take<uint8_t>() % 70, in.Take<uint8_t>() % 70};
    }
    inputs.modulePresent = {(in.Take<uint8_t>() & 1) != 0, (in.Take<uint8_t>() & 1) != 0};
    inputs.recMode = in.Take<uint8_t>() % 4;
    inputs.timelapseMs = in.Take<uint32_t>();
    inputs.recIntervalMs = in.Take<uint32_t>();
    const tesmira::CompileResult result = tesmira::CompileSchedule(inputs);
    const auto& steps = result.schedule.steps;
    for (size_t i = 1; i < steps.size(); ++i) {
        if (steps[i].atMs < steps[i - 1].atMs)
            __builtin_trap();
    }
    for (const auto& row : inputs.rows) {
        (void)tesmira::ValidateSyncRow(tesmira::OffsetMs(row.onSec), tesmira::OffsetMs(row.offSec),
                                       inputs.recMode, inputs.timelapseMs, inputs.recIntervalMs);
        (void)tesmira::ValidateClockRow(row.on, row.off);
    }
    return 0;
}
