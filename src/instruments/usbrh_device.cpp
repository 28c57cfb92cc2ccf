#include "instruments/usbrh_device.h"

#include "instruments/device_libraries.h"

namespace tesmira {

UsbMeterLibrary::UsbMeterLibrary(const LibrarySearch& search) {
    lib_ = SharedLibrary::Open(TESMIRA_USBMETER_LIBRARY, {"FindUSB", "GetTempHumidTrue", "FreeUSB"},
                               search, &loadError_, &absent_);
    if (lib_) {
        find_ = lib_->Symbol("FindUSB");
        read_ = lib_->Symbol("GetTempHumidTrue");
        free_ = lib_->Symbol("FreeUSB");
    }
}

UsbMeterLibrary::~UsbMeterLibrary() {
    Release();
}

bool UsbMeterLibrary::FindNow() {
    if (!lib_)
        return false;
    if (id_)
        return true;
    int index = 0;
    wchar_t* id = reinterpret_cast<TesmiraFindUsbFn>(find_)(&index);
    if (!id || id[0] == 0) {
        // An empty answer is still the library's allocation.
        reinterpret_cast<TesmiraFreeUsbFn>(free_)(id);
        return false;
    }
    id_ = id;
    return true;
}

int UsbMeterLibrary::ReadNow(double& temperature, double& humidity) {
    if (!lib_ || !id_)
        return -1;
    return reinterpret_cast<TesmiraGetTempHumidTrueFn>(read_)(id_, &temperature, &humidity);
}

void UsbMeterLibrary::Read(ReadDone done) {
    double temperature = 0, humidity = 0;
    const int result = ReadNow(temperature, humidity);
    done(result, temperature, humidity);
}

void UsbMeterLibrary::Release() {
    if (id_ && lib_)
        reinterpret_cast<TesmiraFreeUsbFn>(free_)(id_);
    id_ = nullptr;
}

}  // namespace tesmira
