// The narrow seams between the relay driver and the USB libraries: the driver's logic speaks to
// these interfaces only, so its exact bytes can be checked without a board attached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tesmira::drivers {

// ---- HID relay boards (hidapi, hidraw back-end)

struct HidDeviceInfo {
    std::string path;     // what Open takes
    std::string product;  // the product string the board reports, e.g. "USBRelay4"
};

class HidDevice {
public:
    virtual ~HidDevice() = default;
    // The data bytes of the board's (unnumbered) feature report, without a report number:
    // the number of bytes written to `data`, or -1.
    virtual int GetFeatureReport(uint8_t* data, size_t size) = 0;
    // Sends `report`, whose first byte is the report number (0). Bytes sent, or -1.
    virtual int SendFeatureReport(const uint8_t* report, size_t size) = 0;
};

class HidBus {
public:
    virtual ~HidBus() = default;
    // The devices with the given USB vendor and product id.
    virtual std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) = 0;
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
};

// ---- FTDI bit-bang relay boards (libftdi1)

struct FtdiDeviceInfo {
    int index = 0;        // position in the enumeration, what Open takes
    std::string product;  // product string from the chip's EEPROM, e.g. "FT245R USB FIFO"
    std::string serial;   // serial number from the chip's EEPROM
};

class FtdiDevice {
public:
    virtual ~FtdiDevice() = default;
    // Puts all eight data pins into synchronous-free bit-bang output mode. False on failure.
    virtual bool EnterBitBang() = 0;
    // The pins' present levels; false on failure.
    virtual bool ReadPins(uint8_t* pins) = 0;
    // Drives the eight pins; false on failure.
    virtual bool WritePins(uint8_t pins) = 0;
};

class FtdiBus {
public:
    virtual ~FtdiBus() = default;
    virtual std::vector<FtdiDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) = 0;
    virtual std::unique_ptr<FtdiDevice> Open(uint16_t vendor, uint16_t product, int index) = 0;
};

}  // namespace tesmira::drivers
