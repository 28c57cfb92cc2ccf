// The process-wide settings: one field per stored key, named after the key, holding the value the
// program runs with. Only the settings store (settings_store.*) reads or writes the file; every
// other room reads and changes these fields in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tesmira {

struct PanelRect {  // a floating panel's normal-position rectangle in screen pixels
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsUsable() const { return left < right && top < bottom; }
};

struct ClockTime {
    int h = 0, m = 0, s = 0;
};

// $HOME/<sub> with the home folder expanded (the passwd entry when HOME is unset).
std::string HomeFolder(const std::string& sub);

struct Settings {
    // "Date year" (years since 1900), "Date month" (0 = January), "Date day"
    int dateYear = 0, dateMonth = 0, dateDay = 0;
    int recNo = 1;    // "Rec No."
    int recTlNo = 1;  // "RecTL No."

    int xyAxisType = 1;    // "XYaxis_Type": 0 TE2000E, 1 LEP MAC5000, 2 Sigma Koki
    int zAxisType = 1;     // "Zaxis_Type": 0 TE2000E, 1 LEP MAC5000, 2 Chuo Seiki
    int trhType = 1;       // "TRH_Type": 0 USBRH, 1 USBRH2, 2 TDSN7200, 3 1-Wire
    int shutterSound = 0;  // "ShutterSound"
    int zsync = 9;         // "Zsync": 0-7 relay channel, 8 camera one-shot, 9 none
    int move = 100;        // "Move" (pulses)
    int page = 200;        // "Page"
    int moveY = 100;       // "MoveY" (carried, unused by the jog controls)
    int pageY = 200;       // "PageY"
    int moveZ = 100;       // "MoveZ"
    int pageZ = 500;       // "PageZ"
    int deltaZ = 20;       // "DeltaZ"
    int nRadioFps = 0;     // "nRadio_FPS"

    double deltaT = 0.5;           // "DeltaT" (stored x100, rounded half up)
    double tempCorrection = -1.6;  // "TempCorrection" (stored x100, rounded half up)
    int fontHeight = 24;           // "FontHeight"
    double editFps = 29.97;        // "EditFPS" (stored x10000, rounded half up)
    int fpsAviReplay = 0;          // "FPS_AviReplay" 0..3

    int mediaType = 0;     // "MediaType" 0..4
    int logFileType = 0;   // "LogFileType" 0 .dat, 1 .txt, 2 .csv
    int useTempDrive = 0;  // "UseTempDrive"
    int saveLog = 0;       // "SaveLog"

    std::string port1 = "/dev/ttyS0";                    // "Port_1" XY stage controller
    std::string port2 = "/dev/ttyS1";                    // "Port_2" Z controller
    std::string port3 = "/dev/ttyS2";                    // "Port_3" shutter
    std::string port4 = "/dev/ttyS3";                    // "Port_4" meter
    std::string camera = "MV-41 Capture..";              // "Camera"
    std::string audio;                                   // "Audio" (empty: none)
    std::string dirVideo = HomeFolder("Tesmira/Video");  // "DirVideo"
    std::string dirLog = HomeFolder("Tesmira/Log");      // "DirLog"
    std::string tempDrive = "/dev/shm/";                 // "TempDrive"
    // Not stored: which of Port_1..Port_4 and Camera hold their defaults because the profile had
    // no such key (a fresh profile), so start-up can pass over a default device this machine
    // lacks with a line in the message pane instead of a message box.
    std::array<bool, 4> portFromDefault{};
    bool cameraFromDefault = false;
    // "StreamFormat": the format chosen on the camera's format page, as
    // "camera|width|height|format|fps" (read by the capture room; empty: the camera's default).
    std::string streamFormat;

    int64_t rtStop = 3000000000LL;  // "rtStop_lowerhalf" / "rtStop_upperhalf", 100 ns units

    bool turnOffRelay = true;           // "TurnOff_Relay"
    bool useOnePort = false;            // "UseOnePort"
    bool recAudio = false;              // "RecAudio"
    bool resetFps = false;              // "ResetFPS"
    bool isTextOutTime = false;         // "IsTextOutTime"
    bool isTextOutTemparature = false;  // "IsTextOutTemparature"
    bool isTextOutZValue = false;       // "IsTextOutZVALUE"
    bool setZoom1xOnRec = true;         // "Set zoom 1x on rec"

    int stillPhoto = 0;                 // "StillPhoto"
    int timelapse = 10000;              // "Timelapse" (ms)
    int timelapseType = 1;              // "TimelapseType" 0 AVI, 1 BMP, 2 JPG, 3 OME-TIFF
    int omeTiffCompression = 0;         // "OmeTiffCompression" 0 none, 1 Deflate, 2 LZW
    double pixelSizeUm = 0.0;           // "PixelSize_um" µm per camera pixel, 0: not calibrated
    bool isTextOutScaleBar = false;     // "IsTextOutScaleBar"
    int tlFrames = 1800;                // "TL_frames"
    uint32_t fccHandler = 0x20424944u;  // "fccHandler" ("DIB ")
    int recRepaet = 1;                  // "RecRepaet"
    int recInterval = 30000;            // "RecInterval" (ms, normalised at load)
    int recMode = 0;                    // "RecMode" 0..3

    PanelRect countDownPanel;  // "CountDownPanel left/top/right/bottom"
    PanelRect timelapsePanel;  // "TimelapsePanel ..."
    PanelRect zsyncPanel;      // "ZsyncPanel ..."

    std::array<int, 8> relayMode{};       // "Relay Mode n"
    std::array<double, 8> relaySyncOn{};  // "Relay Sync ON n" (x1000)
    std::array<double, 8> relaySyncOff{1.0, 1.0, 1.0, 1.0,
                                       1.0, 1.0, 1.0, 1.0};  // "Relay Sync OFF n"
    double defaultZoomFactor = 1.0;                          // "Default Zoom Factor" (x1000)
    std::array<ClockTime, 8> clockOn{
        {{6, 0, 0}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}, {6, 0, 0}}};
    std::array<ClockTime, 8> clockOff{{{18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0},
                                       {18, 0, 0}}};

    // Derived while loading (memory only).
    std::string datePrefix;  // "%02d_%02d_%02d-" of today's date
    // (The jog distances in micrometres are stage control's: it converts these pulse counts.)
    double replayFps = 29.97;      // from fpsAviReplay: 29.97, 30.0, 59.94, 60.0
    int64_t recLimitMs = 300100;   // rtStop / 10000 + 100
    int64_t repeatPauseSec = 299;  // interval - limit - 1 (seconds)
};

}  // namespace tesmira
