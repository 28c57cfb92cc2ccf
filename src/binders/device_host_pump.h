// Keeps a device library's helper going on the UI thread's event loop without waiting on it:
// a socket notifier hands each answer over as it arrives, and a tick every 100 ms lets the
// client check its deadlines and restart a helper that failed.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace tesmira {

namespace devhost {
class DeviceHostClient;
}

class DeviceHostPump : public QObject {
public:
    static constexpr int kServicePeriodMs = 100;

    explicit DeviceHostPump(devhost::DeviceHostClient& host);
    ~DeviceHostPump() override;

    // The client's periodic service (the tick calls it).
    void Service();

private:
    void Watch();
    void OnReadable();

    devhost::DeviceHostClient& host_;
    QTimer tick_;
    QSocketNotifier* notifier_ = nullptr;
    uint64_t watched_ = 0;  // the client's socket generation the notifier watches
};

}  // namespace tesmira
