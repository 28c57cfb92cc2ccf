#include "serial/serial_slots.h"

#include <cstdio>

#include "core/notifier.h"
#include "core/settings.h"
#include "serial/serial_channel.h"

namespace tesmira {
namespace {

constexpr int kLepMac5000 = 1;

struct Slots {
    SerialChannel own[4];
    ISerialChannel* installed[4] = {nullptr, nullptr, nullptr, nullptr};
    int zSlot = 2;
};

Slots& TheSlots() {
    static Slots slots;
    return slots;
}

int ClampSlot(int n) {
    return (n < 1 || n > 4) ? 4 : n;
}

}  // namespace

ISerialChannel& SerialSlot(int n) {
    Slots& s = TheSlots();
    n = ClampSlot(n);
    ISerialChannel* ch = s.installed[n - 1];
    return ch ? *ch : s.own[n - 1];
}

ISerialChannel& ZChannel() {
    return SerialSlot(TheSlots().zSlot);
}

void ChooseZChannel() {
    TheSlots().zSlot = settings().useOnePort ? 1 : 2;
}

void InstallSerialSlot(int n, ISerialChannel* channel) {
    if (n >= 1 && n <= 4)
        TheSlots().installed[n - 1] = channel;
}

std::string& SlotPortName(int n) {
    Settings& s = settings();
    switch (ClampSlot(n)) {
        case 1:
            return s.port1;
        case 2:
            return s.port2;
        case 3:
            return s.port3;
        default:
            return s.port4;
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
            head = "ステージコントローラ用シリアルポート初期化失敗！\n";
            tail = "メインメニューから再設定することが出来ます。\n";
            break;
        case 3:
            head = "シャッター用シリアルポート初期化失敗！\n";
            tail = "メインメニューから再設定することが出来ます。\n";
            break;
        default:
            head = "温度・湿度計シリアルポート初期化失敗！\n";
            tail =
                "USB ケーブルの接続を確認してください。\n"
                "メニューの [ポート(P)] → [設定] から再設定することが出来ます。\n";
            break;
    }
    return head + "         COM Port: " + port + "\n" + tail;
}

bool OpenSlot(int n) {
    if (n < 1 || n > 4)
        return false;
    std::string& name = SlotPortName(n);
    if (name.empty())
        return false;
    LineSettings line;
    line.stopBits = SlotStopBits(n, settings().xyAxisType, settings().zAxisType);
    ISerialChannel& ch = SerialSlot(n);
    if (ch.Open(name, line) == open_result::kOk) {
        ch.RaiseControlLines();
        return true;
    }
    const std::string message = SlotFailureMessage(n, name);
    name.clear();
    ShowMessage(message, MessageIcon::Exclamation);
    return false;
}

void CloseSlot(int n) {
    if (n >= 1 && n <= 4)
        SerialSlot(n).Close();
}

void InitSerialSlots() {
    for (int n = 1; n <= 3; ++n)
        OpenSlot(n);
    ChooseZChannel();
}

}  // namespace tesmira
