// The USBRH module (meter kind 0) behind libUSBMeter.so, and the small interface the meter uses
// so tests can stand in for it. The program reaches the library through its helper process, so
// the interface answers later: every call's `done` runs exactly once, at once or when the answer
// comes (unless the device is destroyed first).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "instruments/library_loader.h"

namespace tesmira {

class IUsbrhDevice {
public:
    using FindDone = std::function<void(bool found)>;
    // `result` is the library's own: 0 on success, non-zero on failure.
    using ReadDone = std::function<void(int result, double temperature, double humidity)>;

    virtual ~IUsbrhDevice() = default;
    // Looks for the first module and holds its identifier; false when none (or no library).
    virtual void Find(FindDone done) = 0;
    virtual bool Holds() const = 0;
    virtual void Read(ReadDone done) = 0;
    // Gives the identifier back to the library.
    virtual void Release() = 0;
};

// libUSBMeter.so, loaded once in this process; without the library (or one of its three entry
// points) every Find fails. The helper process uses it directly; it answers at once.
class UsbMeterLibrary : public IUsbrhDevice {
public:
    explicit UsbMeterLibrary(const LibrarySearch& search);
    ~UsbMeterLibrary() override;

    bool Loaded() const { return lib_ != nullptr; }
    const std::string& LoadError() const { return loadError_; }
    // Not loaded because no such file is there (rather than a file that cannot be used).
    bool Absent() const { return absent_; }

    bool FindNow();
    int ReadNow(double& temperature, double& humidity);

    void Find(FindDone done) override { done(FindNow()); }
    bool Holds() const override { return id_ != nullptr; }
    void Read(ReadDone done) override;
    void Release() override;

private:
    std::unique_ptr<SharedLibrary> lib_;
    std::string loadError_;
    bool absent_ = false;
    void* find_ = nullptr;
    void* read_ = nullptr;
    void* free_ = nullptr;
    wchar_t* id_ = nullptr;
};

}  // namespace tesmira
