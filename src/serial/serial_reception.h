// Reception on a serial channel during the panel's 500 ms tick: read what has arrived, add it to
// the channel's receive accumulator, and hand out the whole accumulated text once a chunk ends a
// line. Accumulation is by chunk end, not by line: two replies that arrive together form one
// text, and a reply split over two ticks is handed out once, whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "serial/serial_channel_interface.h"

namespace tesmira {

// Most bytes taken from the input queue in one read.
constexpr int kReceiveReadMax = 4095;
// A device that never ends a line must not eat the memory of a long run: the accumulator keeps
// only its newest bytes.
constexpr std::size_t kReceiveAccumulatorCap = 64 * 1024;

// One reception step on `channel` (which must be open): nullopt while no complete reply is there.
std::optional<std::string> ReceiveReply(ISerialChannel& channel);

}  // namespace tesmira
