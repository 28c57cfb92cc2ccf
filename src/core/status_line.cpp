#include "core/status_line.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace tesmira {
namespace {

QString T(const char* text) {
    return QCoreApplication::translate("StatusLine", text);
}

// A frame rate as a person reads it: "30", "29.97", "7.5".
QString Rate(double fps) {
    QString s = QString::number(std::round(fps * 100.0) / 100.0, 'f', 2);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

QString Mode(const StatusLineState& s) {
    if (s.recording)
        return s.recMode == 2 ? QCoreApplication::translate("StatusLine", "タイムラップス撮影中")
                              : QCoreApplication::translate("StatusLine", "録画中");
    if (s.repeating)
        return QCoreApplication::translate("StatusLine", "繰り返し録画の待機中");
    if (!s.cameraReady)
        return QCoreApplication::translate("StatusLine", "カメラなし");
    return s.live ? QCoreApplication::translate("StatusLine", "ライブ")
                  : QCoreApplication::translate("StatusLine", "ライブ停止中");
}

QString Timing(const StatusLineState& s) {
    if (s.recording) {
        QString text =
            QCoreApplication::translate("StatusLine", "経過 %1").arg(FormatDuration(s.elapsedMs));
        if (s.recMode == 2)
            return text + QStringLiteral("  ") +
                   QCoreApplication::translate("StatusLine", "%1 齣").arg(s.timelapseFrames);
        if (s.limitMs > 0) {
            const int64_t left = s.limitMs - static_cast<int64_t>(s.elapsedMs);
            text += QStringLiteral("  ") +
                    QCoreApplication::translate("StatusLine", "残り %1").arg(FormatDuration(left));
        }
        return text;
    }
    if (s.repeating && s.secondsToNext >= 0)
        return QCoreApplication::translate("StatusLine", "次の録画まで %1")
            .arg(FormatDuration(int64_t{s.secondsToNext} * 1000));
    return {};
}

QString Stream(const StatusLineState& s) {
    QStringList parts;
    if (s.width > 0 && s.height > 0)
        parts << QStringLiteral("%1×%2").arg(s.width).arg(s.height);
    if (s.fps > 0.0)
        parts << QCoreApplication::translate("StatusLine", "%1 fps").arg(Rate(s.fps));
    parts << T(CodecChoiceCaption(s.mediaType));
    return parts.join(QStringLiteral("  "));
}

QString Keys(KeyTarget target) {
    switch (target) {
        case KeyTarget::kStage:
            return QCoreApplication::translate("StatusLine", "キー → ステージ");
        case KeyTarget::kEdit:
            return QCoreApplication::translate("StatusLine", "キー → 入力欄");
        case KeyTarget::kPicture:
            return QCoreApplication::translate("StatusLine", "キー → 映像");
        case KeyTarget::kElsewhere:
            break;
    }
    return QCoreApplication::translate("StatusLine", "キー → 他のウィンドウ");
}

}  // namespace

QString FormatDuration(int64_t ms) {
    const int64_t total = std::max<int64_t>(ms, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

const char* CodecChoiceCaption(int mediaType) {
    static const char* const kNames[5] = {QT_TRANSLATE_NOOP("StatusLine", "非圧縮"), "MJPG (MS)",
                                          "MJPG (Nikon)", "Cinepak", "MS Video 1"};
    return mediaType >= 0 && mediaType < 5 ? kNames[mediaType] : "?";
}

const std::string& LastWrittenFile::Update(const std::vector<std::string>& latest) {
    seen_.resize(latest.size());
    for (std::size_t i = 0; i < latest.size(); ++i) {
        if (latest[i] != seen_[i]) {
            seen_[i] = latest[i];
            if (!latest[i].empty())
                last_ = latest[i];
        }
    }
    return last_;
}

StatusTexts ComposeStatusLine(const StatusLineState& s) {
    StatusTexts out;
    out.mode = Mode(s);
    out.timing = Timing(s);
    out.stream = Stream(s);
    if (!s.lastFile.empty())
        out.lastFile = QCoreApplication::translate("StatusLine", "保存: %1")
                           .arg(QString::fromStdString(s.lastFile));
    out.stage = QCoreApplication::translate("StatusLine", "X %1  Y %2  Z %3 µm")
                    .arg(s.x, 0, 'f', 2)
                    .arg(s.y, 0, 'f', 2)
                    .arg(s.z, 0, 'f', 2);
    out.keys = Keys(s.keys);
    return out;
}

}  // namespace tesmira
