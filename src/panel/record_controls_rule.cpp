#include "panel/record_controls_rule.h"

#include <QtGlobal>

namespace tesmira {

const char* RecStartCaption(bool recording, bool repeating) {
    return repeating && !recording ? QT_TRANSLATE_NOOP("Panel", "繰返し中")
                                   : QT_TRANSLATE_NOOP("Panel", "録画開始");
}

const char* RecStopCaption(bool recording, bool repeating) {
    return repeating && !recording ? QT_TRANSLATE_NOOP("Panel", "・・・解除")
                                   : QT_TRANSLATE_NOOP("Panel", "停止");
}

std::vector<ControlState> ComputeRecordControls(const RecordControlsInput& in) {
    const bool timelapse = in.recMode == 2;
    const bool idle = !in.recording && !in.repeating;
    const bool camera = in.cameraReady;
    std::vector<ControlState> out;
    auto add = [&out](int id, bool enabled, const char* caption = nullptr) {
        out.push_back({id, enabled, caption});
    };

    // What runs can always be stopped, whatever the mode was switched to meanwhile.
    add(1180, (in.relayStepsPresent && !timelapse) || in.relayShotRunning,
        in.relayShotRunning ? QT_TRANSLATE_NOOP("Panel", "中断")
                            : QT_TRANSLATE_NOOP("Panel", "ショット"));
    add(1181, ((in.relayStepsPresent || in.clockWindowsPresent) && !timelapse) || in.relayCycling,
        in.relayCycling ? QT_TRANSLATE_NOOP("Panel", "中断")
                        : QT_TRANSLATE_NOOP("Panel", "繰り返し"));
    add(1023, camera && !in.live);
    add(1024, camera && in.live);
    add(1022, camera && in.live && idle, RecStartCaption(in.recording, in.repeating));
    // Whatever started a recording or a series (a key, a repeat tick with live video off) can be
    // stopped here.
    add(1020, in.recording || in.repeating, RecStopCaption(in.recording, in.repeating));
    for (int id : {1041, 1040, 1039})
        add(id, camera && in.live);
    add(1048, in.microphoneReady && !timelapse);
    add(1064, idle && timelapse && in.timelapseAviWriterAvailable);
    add(1065, idle && timelapse);
    add(1066, idle && timelapse);
    add(1067, idle && timelapse);
    for (int id = 1072; id <= 1075; ++id)
        add(id, idle);
    add(1032, in.live && !in.recording);
    // The overlay check box follows the microscope readout: it can only be ticked while the
    // readout is connected (tying it to its own value would lock it once cleared).
    add(1054, in.microscopeConnected);
    for (int id = 1079; id <= 1082; ++id)
        add(id, in.relayModule1Present);
    for (int id = 1083; id <= 1086; ++id)
        add(id, in.relayModule2Present);
    return out;
}

namespace {

const char* const kNoCamera =
    QT_TRANSLATE_NOOP("ControlPanel", "カメラがありません（キャプチャー ▸ カメラ選択）。");
const char* const kNotLive =
    QT_TRANSLATE_NOOP("ControlPanel", "LiveStart でライブ映像を始めると使えます。");
const char* const kBusy =
    QT_TRANSLATE_NOOP("ControlPanel", "録画中・繰り返し録画中は変更できません。");
const char* const kNotTimelapse =
    QT_TRANSLATE_NOOP("ControlPanel", "録画モードが「タイムラップス」のときに選べます。");
const char* const kTimelapseMode =
    QT_TRANSLATE_NOOP("ControlPanel", "録画モードが「タイムラップス」の間は使えません。");

// The first unmet condition of each row of the rule, in the order a user can mend them.
const char* Reason(int id, const RecordControlsInput& in) {
    const bool timelapse = in.recMode == 2;
    const bool idle = !in.recording && !in.repeating;
    switch (id) {
        case 1180:
            if (!in.relayStepsPresent)
                return QT_TRANSLATE_NOOP("ControlPanel",
                                         "リレーの手順が設定されていません（詳細）。");
            return timelapse ? kTimelapseMode : nullptr;
        case 1181:
            if (!in.relayStepsPresent && !in.clockWindowsPresent)
                return QT_TRANSLATE_NOOP("ControlPanel",
                                         "リレーの手順も時刻も設定されていません（詳細）。");
            return timelapse ? kTimelapseMode : nullptr;
        case 1023:
            if (!in.cameraReady)
                return kNoCamera;
            return in.live ? QT_TRANSLATE_NOOP("ControlPanel", "ライブ映像は表示中です。")
                           : nullptr;
        case 1024:
            if (!in.cameraReady)
                return kNoCamera;
            return in.live ? nullptr
                           : QT_TRANSLATE_NOOP("ControlPanel", "ライブ映像は止まっています。");
        case 1022:
            if (!in.cameraReady)
                return kNoCamera;
            if (!in.live)
                return kNotLive;
            if (in.recording)
                return QT_TRANSLATE_NOOP("ControlPanel", "録画中です。");
            return in.repeating
                       ? QT_TRANSLATE_NOOP("ControlPanel", "繰り返し録画の途中です（停止で解除）。")
                       : nullptr;
        case 1020:
            return idle ? QT_TRANSLATE_NOOP("ControlPanel", "録画していません。") : nullptr;
        case 1039:
        case 1040:
        case 1041:
            if (!in.cameraReady)
                return kNoCamera;
            return in.live ? nullptr : kNotLive;
        case 1048:
            if (!in.microphoneReady)
                return QT_TRANSLATE_NOOP("ControlPanel",
                                         "マイクがありません（キャプチャー ▸ カメラ選択）。");
            return timelapse ? kTimelapseMode : nullptr;
        case 1064:
            if (!idle)
                return kBusy;
            if (!timelapse)
                return kNotTimelapse;
            return in.timelapseAviWriterAvailable
                       ? nullptr
                       : QT_TRANSLATE_NOOP(
                             "ControlPanel",
                             "タイムラップス AVI を書き出せません（カメラと圧縮の設定）。");
        case 1065:
        case 1066:
        case 1067:
            if (!idle)
                return kBusy;
            return timelapse ? nullptr : kNotTimelapse;
        case 1072:
        case 1073:
        case 1074:
        case 1075:
            return idle ? nullptr : kBusy;
        case 1032:
            if (!in.live)
                return kNotLive;
            return in.recording ? QT_TRANSLATE_NOOP("ControlPanel", "録画中は撮れません。")
                                : nullptr;
        case 1054:
            return in.microscopeConnected
                       ? nullptr
                       : QT_TRANSLATE_NOOP("ControlPanel",
                                           "VEV Microscope の ON で読み取りを始めると使えます。");
        default:
            break;
    }
    if (id >= 1079 && id <= 1082)
        return in.relayModule1Present
                   ? nullptr
                   : QT_TRANSLATE_NOOP("ControlPanel", "リレーモジュール 1 が見つかりません。");
    if (id >= 1083 && id <= 1086)
        return in.relayModule2Present
                   ? nullptr
                   : QT_TRANSLATE_NOOP("ControlPanel", "リレーモジュール 2 が見つかりません。");
    return nullptr;
}
}  // namespace

const char* RecordControlDisabledReason(int id, const RecordControlsInput& in) {
    return Reason(id, in);
}

}  // namespace tesmira
