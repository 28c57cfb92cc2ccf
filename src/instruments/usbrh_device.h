// The USBRH module (meter kind 0) behind libUSBMeter.so, and the small interface the meter uses
// so tests can stand in for it.
#pragma once

#include <memory>
#include <string>

#include "instruments/library_loader.h"

namespace tesmira {

class IUsbrhDevice {
public:
    virtual ~IUsbrhDevice() = default;
    // Looks for the first module and holds its identifier; false when none (or no library).
    virtual bool Find() = 0;
    virtual bool Holds() const = 0;
    // 0 on success, non-zero on failure (the library's own result).
    virtual int Read(double& temperature, double& humidity) = 0;
    // Gives the identifier back to the library.
    virtual void Release() = 0;
};

// libUSBMeter.so, loaded once; without the library (or one of its three entry points) every
// Find fails.
class UsbMeterLibrary : public IUsbrhDevice {
public:
    explicit UsbMeterLibrary(const LibrarySearch& search);
    ~UsbMeterLibrary() override;

    bool Loaded() const { return lib_ != nullptr; }
    const std::string& LoadError() const { return loadError_; }

    bool Find() override;
    bool Holds() const override { return id_ != nullptr; }
    int Read(double& temperature, double& humidity) override;
    void Release() override;

private:
    std::unique_ptr<SharedLibrary> lib_;
    std::string loadError_;
    void* find_ = nullptr;
    void* read_ = nullptr;
    void* free_ = nullptr;
    wchar_t* id_ = nullptr;
};

}  // namespace tesmira
