// A serial channel without a port: what is written is kept, what the test puts in `input` is
// read back, and opens and closes can be written down in an event list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_channel_interface.h"

namespace tesmira::test {

class FakeSerialChannel : public ISerialChannel {
public:
    FakeSerialChannel() = default;
    // Writes "open<slot> <port> stop<n>" and "close<slot>" into `events`.
    FakeSerialChannel(int slot, std::vector<std::string>* events) : slot_(slot), events_(events) {
        open = false;
    }

    bool IsOpen() const override { return open; }
    void Write(std::string_view text) override {
        if (open)
            writes.emplace_back(text);
    }
    int BytesWaiting() override { return open ? static_cast<int>(input.size()) : 0; }
    std::string Read(int n) override {
        ++reads;
        std::string out = input.substr(0, static_cast<std::size_t>(n < 0 ? 0 : n));
        input.erase(0, out.size());
        return out;
    }
    int Open(const std::string& port, const LineSettings& line) override {
        if (openResult != open_result::kOk)
            return openResult;
        open = true;
        if (events_)
            events_->push_back("open" + std::to_string(slot_) + " " + port + " stop" +
                               std::to_string(line.stopBits));
        return open_result::kOk;
    }
    void Close() override {
        if (open && events_)
            events_->push_back("close" + std::to_string(slot_));
        open = false;
    }

    // Everything written, in order, as one text.
    std::string All() const {
        std::string all;
        for (const auto& w : writes)
            all += w;
        return all;
    }

    bool open = true;
    int openResult = open_result::kOk;
    std::vector<std::string> writes;
    std::string input;
    int reads = 0;

private:
    int slot_ = 0;
    std::vector<std::string>* events_ = nullptr;
};

}  // namespace tesmira::test
