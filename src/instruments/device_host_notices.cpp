#include "instruments/device_host_notices.h"

#include <cstdlib>

#include "core/text_format.h"

namespace tesmira::devhost {
namespace {

struct Texts {
    const char* noAnswer;
    const char* ended;
    const char* nonsense;
    const char* unusable;
    const char* crashedLoading;
    const char* noProgram;
    const char* answersAgain;
    const char* gaveUp;
};

constexpr Texts kRelayTexts{
    UI_TEXT_NOOP("DeviceHost",
                 "リレーモジュールのライブラリ %s が応答しません。リレーはオフラインです"),
    UI_TEXT_NOOP("DeviceHost",
                 "リレーモジュールのライブラリ %s が異常終了しました。リレーはオフラインです"),
    UI_TEXT_NOOP("DeviceHost",
                 "リレーモジュールのライブラリ %s の応答が不正です。リレーはオフラインです"),
    UI_TEXT_NOOP("DeviceHost", "リレーモジュールのライブラリ %s を読み込めません：%s"),
    UI_TEXT_NOOP(
        "DeviceHost",
        "リレーモジュールのライブラリ %s は読み込み中に異常終了しました。リレーは使えません"),
    UI_TEXT_NOOP("DeviceHost", "補助プログラムを起動できません（%s）。リレーは使えません"),
    UI_TEXT_NOOP("DeviceHost", "リレーモジュールのライブラリ %s は再び正常に応答しています"),
    UI_TEXT_NOOP("DeviceHost",
                 "リレーモジュールのライブラリ %s は %d 回続けて失敗したため、再起動しません"),
};

constexpr Texts kMeterTexts{
    UI_TEXT_NOOP("DeviceHost", "温湿度計のライブラリ %s が応答しません。温湿度計はオフラインです"),
    UI_TEXT_NOOP("DeviceHost",
                 "温湿度計のライブラリ %s が異常終了しました。温湿度計はオフラインです"),
    UI_TEXT_NOOP("DeviceHost",
                 "温湿度計のライブラリ %s の応答が不正です。温湿度計はオフラインです"),
    UI_TEXT_NOOP("DeviceHost", "温湿度計のライブラリ %s を読み込めません：%s"),
    UI_TEXT_NOOP("DeviceHost",
                 "温湿度計のライブラリ %s は読み込み中に異常終了しました。温湿度計は使えません"),
    UI_TEXT_NOOP("DeviceHost", "補助プログラムを起動できません（%s）。温湿度計は使えません"),
    UI_TEXT_NOOP("DeviceHost", "温湿度計のライブラリ %s は再び正常に応答しています"),
    UI_TEXT_NOOP("DeviceHost",
                 "温湿度計のライブラリ %s は %d 回続けて失敗したため、再起動しません"),
};

std::string Named(const char* text, DeviceKind kind) {
    return FillIn(UiText("DeviceHost", text), LibraryName(kind));
}

}  // namespace

std::string HostNotices::Text(HostEvent event, const std::string& detail) {
    const Texts& t = kind_ == DeviceKind::kRelays ? kRelayTexts : kMeterTexts;
    // A trouble already told is not told again until the library has answered.
    auto fault = [&](const char* text) {
        if (troubled_)
            return std::string();
        troubled_ = true;
        return Named(text, kind_);
    };
    // A loading failure is told once for each reason.
    auto refusal = [&](std::string text) {
        troubled_ = true;
        if (text == lastRefusal_)
            return std::string();
        lastRefusal_ = text;
        return text;
    };
    switch (event) {
        case HostEvent::kLoaded:
            lastRefusal_.clear();
            return {};
        case HostEvent::kRecovered: {
            const bool wasTroubled = troubled_;
            troubled_ = false;
            return wasTroubled ? Named(t.answersAgain, kind_) : std::string();
        }
        case HostEvent::kMissing:
            return {};
        case HostEvent::kUnusable:
            return refusal(FillIn(Named(t.unusable, kind_), detail));
        case HostEvent::kCrashedLoading:
            return refusal(Named(t.crashedLoading, kind_));
        case HostEvent::kNoProgram:
            return refusal(FillIn(UiText("DeviceHost", t.noProgram), detail));
        case HostEvent::kNoAnswer:
            return fault(t.noAnswer);
        case HostEvent::kEnded:
            return fault(t.ended);
        case HostEvent::kNonsense:
            return fault(t.nonsense);
        case HostEvent::kGaveUp:
            if (gaveUp_)
                return {};
            gaveUp_ = true;
            return Format(UiText("DeviceHost", t.gaveUp).c_str(), LibraryName(kind_),
                          std::atoi(detail.c_str()));
    }
    return {};
}

}  // namespace tesmira::devhost
