#include "core/settings_store.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/check_directory.h"
#include "core/clock.h"
#include "core/controller_kinds.h"
#include "core/notifier.h"

namespace tesmira {
namespace {

// Built-in defaults, the fall-back of every clamp below.
const Settings& Defaults() {
    static const Settings d;
    return d;
}

int ClampToInt(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(x);
}

// A value outside lo..hi (a hand-edited or damaged file) takes `fallback`.
int InRangeOr(int v, int lo, int hi, int fallback) {
    return v < lo || v > hi ? fallback : v;
}

std::string Numbered(const char* stem, int n) {
    return stem + std::to_string(n);
}

std::string ClockKey(const char* onOff, char part, int n) {
    return std::string("Clock_") + onOff + "_" + part + "_" + std::to_string(n);
}

// The longest recording limit whose doubled repeat interval still fits "RecInterval" in
// milliseconds (2 x 1073741 s x 1000 < 2^31): about 12 days.
constexpr int64_t kMaxLimitSeconds = INT_MAX / 2000;
constexpr int64_t kHundredNsPerSecond = 10000000;

}  // namespace

double PixelSizeOf(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && *begin == ' ')
        ++begin;
    double v = 0.0;
    const auto [rest, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || rest == begin || !std::isfinite(v) || v <= 0.0 || v > 1000.0)
        return 0.0;
    for (const char* p = rest; p < end; ++p) {
        if (*p != ' ')
            return 0.0;
    }
    return v;
}

std::string FormatPixelSize(double micrometres) {
    if (!(micrometres > 0.0) || micrometres > 1000.0)
        return "0";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", micrometres);
    return text;
}

int StoreRoundedHalfUp(double value, double scale) {
    return ClampToInt(std::floor(value * scale + 0.5));
}

int StoreThousandthsTruncated(double value) {
    const double y = value * 1000.0;
    const double nearest = std::nearbyint(y);
    // 4.007 s is 4006.9999999999995 ms in binary: snap to the nearest 1e-9 before truncating, and
    // always give back the integer a loaded value came from, however large.
    if (std::fabs(y - nearest) < 0.5e-9 || nearest * 0.001 == value)
        return ClampToInt(nearest);
    return ClampToInt(std::trunc(y));
}

void LoadSettings(IProfile& p, Settings& s, const SettingsLoadContext& context) {
    const Settings& d = Defaults();
    auto flag = [&p](const char* key, bool current) {
        return p.GetInt(key, current ? 1 : 0) == 1;  // only exactly 1 sets a flag
    };

    // 1-3: the stored date decides whether today's file counters continue.
    const int year = p.GetInt("Date year", s.dateYear);
    const int month = p.GetInt("Date month", s.dateMonth);
    const int day = p.GetInt("Date day", s.dateDay);
    const std::tm now = context.clock.LocalTime();
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "%02d_%02d_%02d-", now.tm_year - 100, now.tm_mon + 1,
                  now.tm_mday);
    s.datePrefix = prefix;
    if (year == now.tm_year && month == now.tm_mon && day == now.tm_mday) {
        s.dateYear = year;
        s.dateMonth = month;
        s.dateDay = day;
        // A recording number below 1 cannot have been handed out: start the day again at 1.
        s.recNo = std::max(1, p.GetInt("Rec No.", s.recNo));
        s.recTlNo = std::max(1, p.GetInt("RecTL No.", s.recTlNo));
    } else {
        s.dateYear = now.tm_year;
        s.dateMonth = now.tm_mon;
        s.dateDay = now.tm_mday;
        s.recNo = 1;
        s.recTlNo = 1;
    }

    // 4: controller kinds index the micrometre tables; an unknown kind takes the default kind.
    s.xyAxisType = InRangeOr(p.GetInt("XYaxis_Type", s.xyAxisType), 0, 2, d.xyAxisType);
    s.zAxisType = InRangeOr(p.GetInt("Zaxis_Type", s.zAxisType), 0, 2, d.zAxisType);
    s.trhType = InRangeOr(p.GetInt("TRH_Type", s.trhType), 0, 3, d.trhType);
    s.shutterSound = InRangeOr(p.GetInt("ShutterSound", s.shutterSound), 0, 4, d.shutterSound);
    s.zsync = InRangeOr(p.GetInt("Zsync", s.zsync), 0, 9, d.zsync);
    // Step sizes are pulses of the kinds just read; one the panel's edit would refuse (outside
    // 0.01..500000 um, ΔZ outside -100..100 um) takes its default, so no stored value can make
    // a controller command carry more than the panel allows.
    auto step = [&p](const char* key, int current, double umPerPulse, double lo, double hi,
                     int fallback) {
        const int v = p.GetInt(key, current);
        return PulsesWithinUm(v, umPerPulse, lo, hi) ? v : fallback;
    };
    const double xyUm = XyUmPerPulse(s.xyAxisType);
    const double zUm = ZUmPerPulse(s.zAxisType);
    s.move = step("Move", s.move, xyUm, kStepMinimumUm, kStepMaximumUm, d.move);
    s.page = step("Page", s.page, xyUm, kStepMinimumUm, kStepMaximumUm, d.page);
    s.moveY = p.GetInt("MoveY", s.moveY);
    s.pageY = p.GetInt("PageY", s.pageY);
    s.moveZ = step("MoveZ", s.moveZ, zUm, kStepMinimumUm, kStepMaximumUm, d.moveZ);
    s.pageZ = step("PageZ", s.pageZ, zUm, kStepMinimumUm, kStepMaximumUm, d.pageZ);
    s.deltaZ = step("DeltaZ", s.deltaZ, zUm, kDeltaZMinimumUm, kDeltaZMaximumUm, d.deltaZ);
    s.nRadioFps = InRangeOr(p.GetInt("nRadio_FPS", s.nRadioFps), 0, 4, d.nRadioFps);

    // 5
    s.deltaT = p.GetInt("DeltaT", StoreRoundedHalfUp(s.deltaT, 100)) * 0.01;
    s.tempCorrection = p.GetInt("TempCorrection", StoreRoundedHalfUp(s.tempCorrection, 100)) * 0.01;
    s.fontHeight = InRangeOr(p.GetInt("FontHeight", s.fontHeight), 0, 1024, d.fontHeight);
    s.editFps = p.GetInt("EditFPS", StoreRoundedHalfUp(s.editFps, 10000)) * 0.0001;
    if (!(s.editFps > 0))
        s.editFps = d.editFps;  // a frame rate must be positive
    s.fpsAviReplay = p.GetInt("FPS_AviReplay", s.fpsAviReplay);
    if (s.fpsAviReplay < 0 || s.fpsAviReplay >= 4)
        s.fpsAviReplay = 0;
    static const double kReplayFps[4] = {29.97, 30.0, 59.94, 60.0};
    s.replayFps = kReplayFps[s.fpsAviReplay];

    // 6, 7
    s.mediaType = p.GetInt("MediaType", s.mediaType);
    s.logFileType = p.GetInt("LogFileType", s.logFileType);
    s.useTempDrive = p.GetInt("UseTempDrive", s.useTempDrive);
    s.saveLog = p.GetInt("SaveLog", s.saveLog);
    // A key the profile lacks reads back as this, which no stored value can be.
    const std::string absent(1, '\0');
    const char* portKeys[4] = {"Port_1", "Port_2", "Port_3", "Port_4"};
    for (int i = 0; i < 4; ++i)
        s.portFromDefault[i] = p.GetString(portKeys[i], absent) == absent;
    s.cameraFromDefault = p.GetString("Camera", absent) == absent;
    s.port1 = p.GetString("Port_1", s.port1);
    s.port2 = p.GetString("Port_2", s.port2);
    s.port3 = p.GetString("Port_3", s.port3);
    s.port4 = p.GetString("Port_4", s.port4);
    s.camera = p.GetString("Camera", s.camera);
    s.audio = p.GetString("Audio", s.audio);
    s.streamFormat = p.GetString("StreamFormat", s.streamFormat);

    // 8: the video folder's result is not used; the others switch their feature off.
    // Tesmira's own default folders are made when missing; a folder the user chose is not.
    auto ownDefault = [&context](const std::string& path, const char* sub) {
        if (context.makeOwnFolders && FolderNamesMatch(path, HomeFolder(sub)))
            MakeFolder(path);
    };
    s.dirVideo = p.GetString("DirVideo", s.dirVideo);
    ownDefault(s.dirVideo, "Tesmira/Video");
    CheckDirectory(s.dirVideo, context.notifier, context.freeSpace);
    s.dirLog = p.GetString("DirLog", s.dirLog);
    ownDefault(s.dirLog, "Tesmira/Log");
    if (!CheckDirectory(s.dirLog, context.notifier, context.freeSpace))
        s.saveLog = 0;
    s.tempDrive = p.GetString("TempDrive", s.tempDrive);
    if (!CheckDirectory(s.tempDrive, context.notifier, context.freeSpace))
        s.useTempDrive = 0;

    // 9: there are three log types (0..2); a stored 3 would name no extension.
    if (s.mediaType < 0 || s.mediaType > 4)
        s.mediaType = 0;
    if (s.logFileType < 0 || s.logFileType > 2)
        s.logFileType = 0;

    // 10: the two halves of the 100 ns limit; the lower half is unsigned.
    const auto lower = static_cast<uint32_t>(
        p.GetInt("rtStop_lowerhalf", static_cast<int>(static_cast<uint32_t>(s.rtStop))));
    const auto upper = static_cast<uint32_t>(
        p.GetInt("rtStop_upperhalf", static_cast<int>(static_cast<uint64_t>(s.rtStop) >> 32)));
    s.rtStop = static_cast<int64_t>((static_cast<uint64_t>(upper) << 32) | lower);
    // A negative limit is damage; a longer one than the repeat interval can hold is cut to it.
    if (s.rtStop < 0)
        s.rtStop = d.rtStop;
    if (s.rtStop > kMaxLimitSeconds * kHundredNsPerSecond) {
        s.rtStop = kMaxLimitSeconds * kHundredNsPerSecond;
    }
    s.recLimitMs = s.rtStop / 10000 + 100;

    // 11
    s.turnOffRelay = flag("TurnOff_Relay", s.turnOffRelay);
    s.useOnePort = flag("UseOnePort", s.useOnePort);
    s.recAudio = flag("RecAudio", s.recAudio);
    s.resetFps = flag("ResetFPS", s.resetFps);
    s.isTextOutTime = flag("IsTextOutTime", s.isTextOutTime);
    s.isTextOutTemparature = flag("IsTextOutTemparature", s.isTextOutTemparature);
    s.isTextOutZValue = flag("IsTextOutZVALUE", s.isTextOutZValue);
    s.setZoom1xOnRec = flag("Set zoom 1x on rec", s.setZoom1xOnRec);

    // 12: counts are at least 1, the still number runs 0..9998.
    s.stillPhoto = InRangeOr(p.GetInt("StillPhoto", s.stillPhoto), 0, 9998, 0);
    s.timelapse = p.GetInt("Timelapse", s.timelapse);
    if (s.timelapse < 0)
        s.timelapse = d.timelapse;  // an interval cannot be negative
    s.timelapseType = InRangeOr(p.GetInt("TimelapseType", s.timelapseType), 0, 3, d.timelapseType);
    s.omeTiffCompression = InRangeOr(p.GetInt("OmeTiffCompression", s.omeTiffCompression), 0, 2, 0);
    s.pixelSizeUm = PixelSizeOf(p.GetString("PixelSize_um", FormatPixelSize(s.pixelSizeUm)));
    s.isTextOutScaleBar = flag("IsTextOutScaleBar", s.isTextOutScaleBar);
    s.tlFrames = std::clamp(p.GetInt("TL_frames", s.tlFrames), 1, 1000000);
    s.fccHandler = static_cast<uint32_t>(p.GetInt("fccHandler", static_cast<int>(s.fccHandler)));
    s.recRepaet = std::clamp(p.GetInt("RecRepaet", s.recRepaet), 1, 1000000);
    s.recInterval = p.GetInt("RecInterval", s.recInterval);

    // 13: the repeat interval is at least twice the limit. A negative stored interval read as
    // unsigned would be 49 days and overflow on the way back; it counts as 0.
    int64_t interval = s.recInterval < 0 ? 0 : s.recInterval / 1000;
    const int64_t limit = s.rtStop / kHundredNsPerSecond;
    if (interval < 2 * limit)
        interval = 2 * limit;
    s.repeatPauseSec = interval - limit - 1;
    s.recInterval = static_cast<int>(interval * 1000);

    // 14, 15
    s.recMode = InRangeOr(p.GetInt("RecMode", s.recMode), 0, 3, d.recMode);
    auto rect = [&p](const char* stem, PanelRect& r) {
        const std::string base = stem;
        r.left = p.GetInt(base + " left", r.left);
        r.top = p.GetInt(base + " top", r.top);
        r.right = p.GetInt(base + " right", r.right);
        r.bottom = p.GetInt(base + " bottom", r.bottom);
    };
    rect("CountDownPanel", s.countDownPanel);
    rect("TimelapsePanel", s.timelapsePanel);
    rect("ZsyncPanel", s.zsyncPanel);

    // 16, 17
    for (int n = 1; n <= 8; ++n) {
        s.relayMode[n - 1] =
            InRangeOr(p.GetInt(Numbered("Relay Mode ", n), s.relayMode[n - 1]), 0, 2, 0);
    }
    for (int n = 1; n <= 8; ++n) {
        double& v = s.relaySyncOn[n - 1];
        v = p.GetInt(Numbered("Relay Sync ON ", n), StoreThousandthsTruncated(v)) * 0.001;
    }
    for (int n = 1; n <= 8; ++n) {
        double& v = s.relaySyncOff[n - 1];
        v = p.GetInt(Numbered("Relay Sync OFF ", n), StoreThousandthsTruncated(v)) * 0.001;
    }
    s.defaultZoomFactor =
        p.GetInt("Default Zoom Factor", StoreThousandthsTruncated(s.defaultZoomFactor)) * 0.001;
    if (!(s.defaultZoomFactor > 0))
        s.defaultZoomFactor = d.defaultZoomFactor;

    // 18: hours 0..23, minutes and seconds 0..59; a time outside takes the default field.
    auto clock = [&p](const char* onOff, int n, ClockTime& t, const ClockTime& def) {
        t.h = InRangeOr(p.GetInt(ClockKey(onOff, 'H', n), t.h), 0, 23, def.h);
        t.m = InRangeOr(p.GetInt(ClockKey(onOff, 'M', n), t.m), 0, 59, def.m);
        t.s = InRangeOr(p.GetInt(ClockKey(onOff, 'S', n), t.s), 0, 59, def.s);
    };
    for (int n = 1; n <= 8; ++n)
        clock("ON", n, s.clockOn[n - 1], d.clockOn[n - 1]);
    for (int n = 1; n <= 8; ++n)
        clock("OFF", n, s.clockOff[n - 1], d.clockOff[n - 1]);
}

bool SaveSettings(IProfile& p, const Settings& s, const std::function<void(IProfile&)>& more) {
    p.Clear();
    p.SetInt("Date year", s.dateYear);
    p.SetInt("Date month", s.dateMonth);
    p.SetInt("Date day", s.dateDay);
    p.SetInt("Rec No.", s.recNo);
    p.SetInt("RecTL No.", s.recTlNo);
    p.SetInt("XYaxis_Type", s.xyAxisType);
    p.SetInt("Zaxis_Type", s.zAxisType);
    p.SetInt("TRH_Type", s.trhType);
    p.SetInt("ShutterSound", s.shutterSound);
    p.SetInt("Zsync", s.zsync);
    p.SetInt("Move", s.move);
    p.SetInt("Page", s.page);
    p.SetInt("MoveY", s.moveY);
    p.SetInt("PageY", s.pageY);
    p.SetInt("MoveZ", s.moveZ);
    p.SetInt("PageZ", s.pageZ);
    p.SetInt("DeltaZ", s.deltaZ);
    p.SetInt("nRadio_FPS", s.nRadioFps);
    p.SetInt("DeltaT", StoreRoundedHalfUp(s.deltaT, 100));
    p.SetInt("TempCorrection", StoreRoundedHalfUp(s.tempCorrection, 100));
    p.SetInt("FontHeight", s.fontHeight);
    p.SetInt("EditFPS", StoreRoundedHalfUp(s.editFps, 10000));
    p.SetInt("FPS_AviReplay", s.fpsAviReplay);
    p.SetInt("MediaType", s.mediaType);
    p.SetInt("LogFileType", s.logFileType);
    p.SetInt("UseTempDrive", s.useTempDrive);
    p.SetInt("SaveLog", s.saveLog);
    p.SetString("Port_1", s.port1);
    p.SetString("Port_2", s.port2);
    p.SetString("Port_3", s.port3);
    p.SetString("Port_4", s.port4);
    p.SetString("Camera", s.camera);
    p.SetString("Audio", s.audio);
    if (!s.streamFormat.empty())  // written only once a format has been chosen
        p.SetString("StreamFormat", s.streamFormat);
    p.SetString("DirVideo", s.dirVideo);
    p.SetString("DirLog", s.dirLog);
    p.SetString("TempDrive", s.tempDrive);
    const auto rt = static_cast<uint64_t>(s.rtStop);
    p.SetInt("rtStop_lowerhalf", static_cast<int>(static_cast<uint32_t>(rt)));
    p.SetInt("rtStop_upperhalf", static_cast<int>(static_cast<uint32_t>(rt >> 32)));
    p.SetInt("TurnOff_Relay", s.turnOffRelay ? 1 : 0);
    p.SetInt("UseOnePort", s.useOnePort ? 1 : 0);
    p.SetInt("RecAudio", s.recAudio ? 1 : 0);
    p.SetInt("ResetFPS", s.resetFps ? 1 : 0);
    p.SetInt("IsTextOutTime", s.isTextOutTime ? 1 : 0);
    p.SetInt("IsTextOutTemparature", s.isTextOutTemparature ? 1 : 0);
    p.SetInt("IsTextOutZVALUE", s.isTextOutZValue ? 1 : 0);
    p.SetInt("Set zoom 1x on rec", s.setZoom1xOnRec ? 1 : 0);
    p.SetInt("StillPhoto", s.stillPhoto);
    p.SetInt("Timelapse", s.timelapse);
    p.SetInt("TimelapseType", s.timelapseType);
    p.SetInt("TL_frames", s.tlFrames);
    p.SetInt("OmeTiffCompression", s.omeTiffCompression);
    p.SetString("PixelSize_um", FormatPixelSize(s.pixelSizeUm));
    p.SetInt("IsTextOutScaleBar", s.isTextOutScaleBar ? 1 : 0);
    p.SetInt("fccHandler", static_cast<int>(s.fccHandler));
    p.SetInt("RecRepaet", s.recRepaet);
    p.SetInt("RecInterval", s.recInterval);
    p.SetInt("RecMode", s.recMode);
    auto rect = [&p](const char* stem, const PanelRect& r) {
        const std::string base = stem;
        p.SetInt(base + " left", r.left);
        p.SetInt(base + " top", r.top);
        p.SetInt(base + " right", r.right);
        p.SetInt(base + " bottom", r.bottom);
    };
    rect("CountDownPanel", s.countDownPanel);
    rect("TimelapsePanel", s.timelapsePanel);
    rect("ZsyncPanel", s.zsyncPanel);
    for (int n = 1; n <= 8; ++n)
        p.SetInt(Numbered("Relay Mode ", n), s.relayMode[n - 1]);
    for (int n = 1; n <= 8; ++n) {
        p.SetInt(Numbered("Relay Sync ON ", n), StoreThousandthsTruncated(s.relaySyncOn[n - 1]));
    }
    for (int n = 1; n <= 8; ++n) {
        p.SetInt(Numbered("Relay Sync OFF ", n), StoreThousandthsTruncated(s.relaySyncOff[n - 1]));
    }
    p.SetInt("Default Zoom Factor", StoreThousandthsTruncated(s.defaultZoomFactor));
    auto clock = [&p](const char* onOff, int n, const ClockTime& t) {
        p.SetInt(ClockKey(onOff, 'H', n), t.h);
        p.SetInt(ClockKey(onOff, 'M', n), t.m);
        p.SetInt(ClockKey(onOff, 'S', n), t.s);
    };
    for (int n = 1; n <= 8; ++n)
        clock("ON", n, s.clockOn[n - 1]);
    for (int n = 1; n <= 8; ++n)
        clock("OFF", n, s.clockOff[n - 1]);
    if (more)
        more(p);
    return p.Flush();
}

}  // namespace tesmira
