#include "relay/libftdi_bus.h"

#include <ftdi.h>

namespace tesmira::drivers {
namespace {

struct Context {
    ftdi_context* ftdi = ftdi_new();
    ~Context() {
        if (ftdi)
            ftdi_free(ftdi);
    }
};

class LibftdiDevice : public FtdiDevice {
public:
    explicit LibftdiDevice(ftdi_context* ftdi) : ftdi_(ftdi) {}
    ~LibftdiDevice() override {
        ftdi_usb_close(ftdi_);
        ftdi_free(ftdi_);
    }
    bool EnterBitBang() override { return ftdi_set_bitmode(ftdi_, 0xFF, BITMODE_BITBANG) == 0; }
    bool ReadPins(uint8_t* pins) override { return ftdi_read_pins(ftdi_, pins) == 0; }
    bool WritePins(uint8_t pins) override { return ftdi_write_data(ftdi_, &pins, 1) == 1; }

private:
    ftdi_context* ftdi_;
};

}  // namespace

std::vector<FtdiDeviceInfo> LibftdiBus::Enumerate(uint16_t vendor, uint16_t product) {
    std::vector<FtdiDeviceInfo> out;
    Context context;
    if (!context.ftdi)
        return out;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(context.ftdi, &list, vendor, product) < 0)
        return out;
    int index = 0;
    for (ftdi_device_list* d = list; d; d = d->next, ++index) {
        // The strings the chip serves come from its EEPROM.
        char productText[128] = {0}, serial[128] = {0};
        if (ftdi_usb_get_strings2(context.ftdi, d->dev, nullptr, 0, productText, sizeof productText,
                                  serial, sizeof serial) < 0)
            continue;
        out.push_back({index, productText, serial});
    }
    ftdi_list_free(&list);
    return out;
}

std::unique_ptr<FtdiDevice> LibftdiBus::Open(uint16_t vendor, uint16_t product, int index) {
    ftdi_context* ftdi = ftdi_new();
    if (!ftdi)
        return nullptr;
    if (ftdi_usb_open_desc_index(ftdi, vendor, product, nullptr, nullptr,
                                 static_cast<unsigned>(index)) < 0) {
        ftdi_free(ftdi);
        return nullptr;
    }
    return std::make_unique<LibftdiDevice>(ftdi);
}

}  // namespace tesmira::drivers
