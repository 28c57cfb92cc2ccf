#include "relay/hidapi_bus.h"

#include <hidapi.h>

#include <cstring>

namespace tesmira::drivers {
namespace {

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text && out.size() < 64; ++text)
        out += (*text > 0 && *text < 0x7F) ? static_cast<char>(*text) : '?';
    return out;
}

class HidapiDevice : public HidDevice {
public:
    explicit HidapiDevice(hid_device* device) : device_(device) {}
    ~HidapiDevice() override { hid_close(device_); }

    int GetFeatureReport(uint8_t* data, size_t size) override {
        // Asked for report number 0, the kernel's USB HID layer keeps that number in front of
        // the data; other HID transports give the data alone.
        unsigned char buf[16] = {0};
        const int n = hid_get_feature_report(device_, buf, 9);
        const unsigned char* from = n == 9 ? buf + 1 : buf;
        const int got = n == 9 ? 8 : n;
        if (got <= 0)
            return -1;
        const size_t copy = std::min(static_cast<size_t>(got), size);
        std::memcpy(data, from, copy);
        return static_cast<int>(copy);
    }
    int SendFeatureReport(const uint8_t* report, size_t size) override {
        return hid_send_feature_report(device_, report, size);
    }

private:
    hid_device* device_;
};

}  // namespace

HidapiBus::HidapiBus() : ready_(hid_init() == 0) {}

HidapiBus::~HidapiBus() {
    if (ready_)
        hid_exit();
}

std::vector<HidDeviceInfo> HidapiBus::Enumerate(uint16_t vendor, uint16_t product) {
    std::vector<HidDeviceInfo> out;
    if (!ready_)
        return out;
    hid_device_info* list = hid_enumerate(vendor, product);
    for (hid_device_info* d = list; d; d = d->next) {
        if (d->path)
            out.push_back({d->path, Narrow(d->product_string)});
    }
    hid_free_enumeration(list);
    return out;
}

std::unique_ptr<HidDevice> HidapiBus::Open(const std::string& path) {
    if (!ready_)
        return nullptr;
    hid_device* device = hid_open_path(path.c_str());
    if (!device)
        return nullptr;
    return std::make_unique<HidapiDevice>(device);
}

}  // namespace tesmira::drivers
