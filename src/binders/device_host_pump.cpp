#include "binders/device_host_pump.h"

#include <QSocketNotifier>

#include "instruments/device_host_client.h"

namespace tesmira {

DeviceHostPump::DeviceHostPump(devhost::DeviceHostClient& host) : host_(host) {
    host_.SetSocketListener([this] { Watch(); });
    tick_.setInterval(kServicePeriodMs);
    QObject::connect(&tick_, &QTimer::timeout, this, [this] { Service(); });
    tick_.start();
    Watch();
}

DeviceHostPump::~DeviceHostPump() {
    host_.SetSocketListener({});
    delete notifier_;
}

void DeviceHostPump::Service() {
    host_.Service();
}

void DeviceHostPump::Watch() {
    if (watched_ == host_.Generation() && (notifier_ != nullptr) == (host_.Fd() >= 0))
        return;
    watched_ = host_.Generation();
    if (notifier_) {
        // It may be the one whose signal is being handled right now.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (host_.Fd() < 0)
        return;
    notifier_ = new QSocketNotifier(host_.Fd(), QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
}

void DeviceHostPump::OnReadable() {
    host_.OnReadable();
}

}  // namespace tesmira
