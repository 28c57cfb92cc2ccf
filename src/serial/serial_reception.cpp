#include "serial/serial_reception.h"

#include <algorithm>

namespace tesmira {

std::optional<std::string> ReceiveReply(ISerialChannel& channel) {
    const int waiting = channel.BytesWaiting();
    if (waiting <= 0)
        return std::nullopt;
    // Every byte is kept, zero bytes included: dropping one would join the digits around it
    // into another number, and the reader takes only replies of exactly the expected form.
    const std::string chunk = channel.Read(std::min(waiting, kReceiveReadMax));
    if (chunk.empty())
        return std::nullopt;

    std::string& accumulator = channel.receiveAccumulator;
    accumulator += chunk;
    if (accumulator.size() > kReceiveAccumulatorCap) {
        accumulator.erase(0, accumulator.size() - kReceiveAccumulatorCap);
    }
    const char last = chunk.back();
    if (last != '\r' && last != '\n')
        return std::nullopt;
    std::string reply;
    reply.swap(accumulator);
    return reply;
}

}  // namespace tesmira
