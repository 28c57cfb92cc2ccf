#include "panel/control_tips.h"

#include <QtGlobal>
#include <iterator>

namespace tesmira {
namespace {

struct Tip {
    int id;
    const char* text;
};

// The panel's key table, button by button: digits are those of the keypad or the top row.
constexpr Tip kKeyTips[] = {
    {1003, QT_TRANSLATE_NOOP("ControlPanel", "キー: ← / 4")},
    {1004, QT_TRANSLATE_NOOP("ControlPanel", "キー: → / 6")},
    {1001, QT_TRANSLATE_NOOP("ControlPanel", "キー: ↑ / 8")},
    {1002, QT_TRANSLATE_NOOP("ControlPanel", "キー: ↓ / 2")},
    {1008, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+← / Shift+4")},
    {1007, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+→ / Shift+6")},
    {1005, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+↑ / Shift+8")},
    {1006, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+↓ / Shift+2")},
    {1018, QT_TRANSLATE_NOOP("ControlPanel", "キー: Home / 7")},
    {1012, QT_TRANSLATE_NOOP("ControlPanel", "キー: PageUp / 9")},
    {1013, QT_TRANSLATE_NOOP("ControlPanel", "キー: End / 1")},
    {1014, QT_TRANSLATE_NOOP("ControlPanel", "キー: PageDown / 3")},
    {1015, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+Home / Shift+7")},
    {1016, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+PageUp / Shift+9")},
    {1017, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+End / Shift+1")},
    {1019, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+PageDown / Shift+3")},
    {1025, QT_TRANSLATE_NOOP("ControlPanel", "キー: Ctrl+↑ / Ctrl+8")},
    {1026, QT_TRANSLATE_NOOP("ControlPanel", "キー: Ctrl+↓ / Ctrl+2")},
    {1021, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+Ctrl+↑ / Shift+Ctrl+8")},
    {1028, QT_TRANSLATE_NOOP("ControlPanel", "キー: Shift+Ctrl+↓ / Shift+Ctrl+2")},
    {1022, QT_TRANSLATE_NOOP("ControlPanel", "キー: スペース")},
    {1020, QT_TRANSLATE_NOOP("ControlPanel", "キー: スペース")},
    {1032, QT_TRANSLATE_NOOP("ControlPanel", "キー: B")},
    {1039, QT_TRANSLATE_NOOP("ControlPanel", "キー: S（縮小） / Z（拡大）")},
};

constexpr Tip kFixedReasons[] = {
    {1033, QT_TRANSLATE_NOOP("ControlPanel", "温度・湿度計は ON になっていません。")},
    {1035, QT_TRANSLATE_NOOP("ControlPanel", "温度・湿度計を ON にすると使えます。")},
    {1036,
     QT_TRANSLATE_NOOP("ControlPanel", "温度・湿度計を ON にして Focus Start を押すと使えます。")},
    {1043, QT_TRANSLATE_NOOP("ControlPanel", "VEV Microscope は ON になっていません。")},
    {1052, QT_TRANSLATE_NOOP("ControlPanel", "「再生速度を変更する」にチェックすると選べます。")},
};

const char* Find(const Tip* begin, const Tip* end, int id) {
    for (const Tip* t = begin; t != end; ++t) {
        if (t->id == id)
            return t->text;
    }
    return nullptr;
}

}  // namespace

const char* KeyTipOf(int id) {
    return Find(std::begin(kKeyTips), std::end(kKeyTips), id);
}

const char* FixedDisabledReason(int id) {
    return Find(std::begin(kFixedReasons), std::end(kFixedReasons), id);
}

}  // namespace tesmira
