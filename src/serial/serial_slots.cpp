#include "serial/serial_slots.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "core/notifier.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "serial/port_list.h"

namespace tesmira {
namespace {

constexpr int kLepMac5000 = 1;

int ClampSlot(int n) {
    return (n < 1 || n > 4) ? 4 : n;
}

}  // namespace

SerialSlots::SerialSlots(Settings& settings, INotifier& notifier)
    : settings_(settings), notifier_(notifier) {}

ISerialChannel& SerialSlots::Slot(int n) {
    n = ClampSlot(n);
    ISerialChannel* ch = installed_[n - 1];
    return ch ? *ch : own_[n - 1];
}

const ISerialChannel& SerialSlots::Slot(int n) const {
    n = ClampSlot(n);
    const ISerialChannel* ch = installed_[n - 1];
    return ch ? *ch : own_[n - 1];
}

void SerialSlots::ChooseZChannel() {
    zSlot_ = settings_.useOnePort ? 1 : 2;
}

void SerialSlots::Install(int n, ISerialChannel* channel) {
    if (n >= 1 && n <= 4)
        installed_[n - 1] = channel;
}

std::string& SerialSlots::PortName(int n) {
    return NameRef(n);
}

const std::string& SerialSlots::PortName(int n) const {
    return NameRef(n);
}

std::string& SerialSlots::NameRef(int n) const {
    switch (ClampSlot(n)) {
        case 1:
            return settings_.port1;
        case 2:
            return settings_.port2;
        case 3:
            return settings_.port3;
        default:
            return settings_.port4;
    }
}

int SlotStopBits(int n, int xyKind, int zKind) {
    if (n == 1)
        return xyKind == kLepMac5000 ? 2 : 1;
    if (n == 2)
        return zKind == kLepMac5000 ? 2 : 1;
    return 1;
}

std::string SlotFailureMessage(int n, const std::string& port) {
    std::string head, tail;
    switch (ClampSlot(n)) {
        case 1:
        case 2:
            head = UiText("Serial", "ステージコントローラ用シリアルポート初期化失敗！\n");
            tail = UiText("Serial", "メインメニューから再設定することが出来ます。\n");
            break;
        case 3:
            head = UiText("Serial", "シャッター用シリアルポート初期化失敗！\n");
            tail = UiText("Serial", "メインメニューから再設定することが出来ます。\n");
            break;
        default:
            head = UiText("Serial", "温度・湿度計シリアルポート初期化失敗！\n");
            tail = UiText("Serial",
                          "USB ケーブルの接続を確認してください。\n"
                          "メニューの [ポート(P)] → [設定] から再設定することが出来ます。\n");
            break;
    }
    return head + "         COM Port: " + port + "\n" + tail;
}

std::string SlotGoneMessage(int n, const std::string& port) {
    switch (ClampSlot(n)) {
        case 1:
        case 2:
            return FillIn(UiText("Serial", "ステージコントローラ %s との接続が切れました。\n"),
                          port);
        case 3:
            return FillIn(UiText("Serial", "シャッター %s との接続が切れました。\n"), port);
        default:
            return FillIn(UiText("Serial", "温度・湿度計 %s との接続が切れました。\n"), port);
    }
}

std::string SlotBackMessage(int n, const std::string& port) {
    switch (ClampSlot(n)) {
        case 1:
        case 2:
            return FillIn(UiText("Serial", "ステージコントローラ %s に再接続しました。\n"), port);
        case 3:
            return FillIn(UiText("Serial", "シャッター %s に再接続しました。\n"), port);
        default:
            return FillIn(UiText("Serial", "温度・湿度計 %s に再接続しました。\n"), port);
    }
}

LineSettings SerialSlots::SlotLine(int n) const {
    LineSettings line;
    line.stopBits = SlotStopBits(n, settings_.xyAxisType, settings_.zAxisType);
    return line;
}

bool SerialSlots::Open(int n) {
    if (n < 1 || n > 4)
        return false;
    lost_[n - 1].clear();
    std::string& name = PortName(n);
    if (name.empty())
        return false;
    ISerialChannel& ch = Slot(n);
    if (ch.Open(name, SlotLine(n)) == open_result::kOk) {
        ch.RaiseControlLines();
        return true;
    }
    const std::string message = SlotFailureMessage(n, name);
    name.clear();
    notifier_.Notify(message, MessageIcon::Exclamation);
    return false;
}

void SerialSlots::Close(int n) {
    if (n < 1 || n > 4)
        return;
    lost_[n - 1].clear();
    Slot(n).Close();
}

void SerialSlots::MarkLost(int n) {
    if (n < 1 || n > 4)
        return;
    Slot(n).Close();
    lost_[n - 1] = PortName(n);
}

bool SerialSlots::Lost(int n) const {
    if (n < 1 || n > 4)
        return false;
    const std::string& lost = lost_[n - 1];
    return !lost.empty() && lost == PortName(n);
}

bool SerialSlots::Reopen(int n) {
    if (!Lost(n))
        return false;
    const std::string& name = lost_[n - 1];
    // A stat is all an absent device costs; only a path that is there again is opened.
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0)
        return false;
    ISerialChannel& ch = Slot(n);
    if (ch.Open(name, SlotLine(n)) != open_result::kOk)
        return false;
    ch.RaiseControlLines();
    lost_[n - 1].clear();
    return true;
}

std::string SerialSlots::AbsentDefaultPortsLine(const std::string& ports) {
    return FillIn(UiText("Serial",
                         "既定のシリアルポート %s はこの PC にないため、割り当てていません。"
                         "メニューの [ポート(P)] → [設定] から割り当てることが出来ます。\n"),
                  ports);
}

void SerialSlots::OpenAtStartup() {
    std::string absent;
    auto passOver = [&](int n) {
        absent += (absent.empty() ? "" : ", ") + PortName(n);
        PortName(n).clear();
    };
    for (int n = 1; n <= 4; ++n) {
        bool& fresh = settings_.portFromDefault[n - 1];
        const bool quiet = fresh && !PortName(n).empty();
        fresh = false;
        if (n == 4) {
            // The meter's port opens when the meter is switched on; here it is only looked up.
            if (quiet) {
                const std::vector<std::string> ports = ScanPorts(SystemPortScanConfig());
                if (std::find(ports.begin(), ports.end(), PortName(4)) == ports.end())
                    passOver(4);
            }
            continue;
        }
        if (!quiet) {
            Open(n);
            continue;
        }
        lost_[n - 1].clear();
        ISerialChannel& ch = Slot(n);
        if (ch.Open(PortName(n), SlotLine(n)) == open_result::kOk)
            ch.RaiseControlLines();
        else
            passOver(n);
    }
    if (!absent.empty() && paneLine_)
        paneLine_(AbsentDefaultPortsLine(absent));
    ChooseZChannel();
}

}  // namespace tesmira
