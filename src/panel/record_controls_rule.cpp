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
    add(1020, camera && in.live && (in.recording || in.repeating),
        RecStopCaption(in.recording, in.repeating));
    for (int id : {1041, 1040, 1039})
        add(id, camera && in.live);
    add(1048, in.microphoneReady && !timelapse);
    add(1064, idle && timelapse && in.timelapseAviWriterAvailable);
    add(1065, idle && timelapse);
    add(1066, idle && timelapse);
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

}  // namespace tesmira
