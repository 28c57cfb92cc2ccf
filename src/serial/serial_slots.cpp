#include "serial/serial_slots.h"

#include "core/notifier.h"
#include "core/settings.h"
#include "core/ui_text.h"

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

bool SerialSlots::Open(int n) {
    if (n < 1 || n > 4)
        return false;
    std::string& name = PortName(n);
    if (name.empty())
        return false;
    LineSettings line;
    line.stopBits = SlotStopBits(n, settings_.xyAxisType, settings_.zAxisType);
    ISerialChannel& ch = Slot(n);
    if (ch.Open(name, line) == open_result::kOk) {
        ch.RaiseControlLines();
        return true;
    }
    const std::string message = SlotFailureMessage(n, name);
    name.clear();
    notifier_.Notify(message, MessageIcon::Exclamation);
    return false;
}

void SerialSlots::Close(int n) {
    if (n >= 1 && n <= 4)
        Slot(n).Close();
}

void SerialSlots::OpenAtStartup() {
    for (int n = 1; n <= 3; ++n)
        Open(n);
    ChooseZChannel();
}

}  // namespace tesmira
