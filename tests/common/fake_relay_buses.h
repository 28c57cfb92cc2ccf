// Fake HID and FTDI buses for the relay driver: boards described by their USB strings and
// feature report, every report and pin write kept so tests can check the exact bytes.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "relay/relay_transport.h"

namespace tesmira::drivers {

struct FakeHidBoard {
    std::string product;
    std::vector<uint8_t> feature;  // what GetFeatureReport returns
    std::vector<std::vector<uint8_t>> sent;
    bool failSend = false;
};

class FakeHidBus : public HidBus {
public:
    std::map<std::string, FakeHidBoard> boards;  // by path
    std::vector<std::pair<uint16_t, uint16_t>> enumerated;

    std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override {
        enumerated.emplace_back(vendor, product);
        std::vector<HidDeviceInfo> out;
        for (const auto& [path, board] : boards)
            out.push_back({path, board.product});
        return out;
    }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        auto it = boards.find(path);
        return it == boards.end() ? nullptr : std::make_unique<Device>(it->second);
    }

private:
    struct Device : HidDevice {
        explicit Device(FakeHidBoard& b) : board(b) {}
        int GetFeatureReport(uint8_t* data, size_t size) override {
            if (board.feature.empty())
                return -1;
            const size_t n = std::min(size, board.feature.size());
            std::memcpy(data, board.feature.data(), n);
            return static_cast<int>(n);
        }
        int SendFeatureReport(const uint8_t* report, size_t size) override {
            if (board.failSend)
                return -1;
            board.sent.emplace_back(report, report + size);
            return static_cast<int>(size);
        }
        FakeHidBoard& board;
    };
};

struct FakeFtdiBoard {
    std::string product;
    std::string serial;
    uint8_t pins = 0;
    bool bitBang = false;
    std::vector<uint8_t> written;
};

class FakeFtdiBus : public FtdiBus {
public:
    std::vector<FakeFtdiBoard> boards;

    std::vector<FtdiDeviceInfo> Enumerate(uint16_t, uint16_t) override {
        std::vector<FtdiDeviceInfo> out;
        for (size_t i = 0; i < boards.size(); ++i)
            out.push_back({static_cast<int>(i), boards[i].product, boards[i].serial});
        return out;
    }
    std::unique_ptr<FtdiDevice> Open(uint16_t, uint16_t, int index) override {
        if (index < 0 || index >= static_cast<int>(boards.size()))
            return nullptr;
        return std::make_unique<Device>(boards[index]);
    }

private:
    struct Device : FtdiDevice {
        explicit Device(FakeFtdiBoard& b) : board(b) {}
        bool EnterBitBang() override { return board.bitBang = true; }
        bool ReadPins(uint8_t* pins) override {
            *pins = board.pins;
            return true;
        }
        bool WritePins(uint8_t pins) override {
            if (!board.bitBang)
                return false;
            board.written.push_back(pins);
            board.pins = pins;
            return true;
        }
        FakeFtdiBoard& board;
    };
};

}  // namespace tesmira::drivers
