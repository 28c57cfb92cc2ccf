#include "panel/control_tips.h"

#include <QtGlobal>
#include <iterator>

namespace tesmira {
namespace {

#define TIP(text) QT_TRANSLATE_NOOP("ControlPanel", text)

struct Tip {
    int id;
    const char* text;
};

// The panel's key table, button by button: digits are those of the keypad or the top row.
constexpr Tip kKeyTips[] = {
    {1003, TIP("キー: ← / 4")},
    {1004, TIP("キー: → / 6")},
    {1001, TIP("キー: ↑ / 8")},
    {1002, TIP("キー: ↓ / 2")},
    {1008, TIP("キー: Shift+← / Shift+4")},
    {1007, TIP("キー: Shift+→ / Shift+6")},
    {1005, TIP("キー: Shift+↑ / Shift+8")},
    {1006, TIP("キー: Shift+↓ / Shift+2")},
    {1018, TIP("キー: Home / 7")},
    {1012, TIP("キー: PageUp / 9")},
    {1013, TIP("キー: End / 1")},
    {1014, TIP("キー: PageDown / 3")},
    {1015, TIP("キー: Shift+Home / Shift+7")},
    {1016, TIP("キー: Shift+PageUp / Shift+9")},
    {1017, TIP("キー: Shift+End / Shift+1")},
    {1019, TIP("キー: Shift+PageDown / Shift+3")},
    {1025, TIP("キー: Ctrl+↑ / Ctrl+8")},
    {1026, TIP("キー: Ctrl+↓ / Ctrl+2")},
    {1021, TIP("キー: Shift+Ctrl+↑ / Shift+Ctrl+8")},
    {1028, TIP("キー: Shift+Ctrl+↓ / Shift+Ctrl+2")},
    {1022, TIP("キー: スペース")},
    {1020, TIP("キー: スペース")},
    {1032, TIP("キー: B")},
    {1039, TIP("キー: S（縮小） / Z（拡大）")},
};

constexpr Tip kFixedReasons[] = {
    {1033, TIP("温度・湿度計は ON になっていません。")},
    {1035, TIP("温度・湿度計を ON にすると使えます。")},
    {1036, TIP("温度・湿度計を ON にして Focus Start を押すと使えます。")},
    {1043, TIP("VEV Microscope は ON になっていません。")},
    {1052, TIP("「再生速度を変更する」にチェックすると選べます。")},
};

#undef TIP

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
