#include "ffprobe.h"

#include <QProcess>
#include <QStringList>
#include <map>

namespace tesmira::test {
namespace {

// Runs ffprobe with a bounded wait; false when it could not start or did not finish.
bool RunFfprobe(const QStringList& args, QString* out, QString* err) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"), args);
    if (!p.waitForStarted(5000))
        return false;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    *out = QString::fromUtf8(p.readAllStandardOutput());
    *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

bool FfprobeAvailable() {
    QString out, err;
    return RunFfprobe({QStringLiteral("-version")}, &out, &err);
}

long long CountDecodedFrames(const std::string& path, std::string* complaints) {
    QString out, err;
    const bool ran =
        RunFfprobe({QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                    QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                    QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_frames"),
                    QStringLiteral("-of"), QStringLiteral("csv=p=0"), QString::fromStdString(path)},
                   &out, &err);
    if (complaints)
        *complaints = err.toStdString();
    bool ok = false;
    const long long n = out.trimmed().toLongLong(&ok);
    return ran && ok ? n : -1;
}

ProbedVideo ProbeVideo(const std::string& path) {
    ProbedVideo v;
    QString out, err;
    const QStringList args = {
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-show_entries"),
        QStringLiteral("stream=index,codec_type,codec_name,r_frame_rate,avg_frame_rate,nb_frames,"
                       "width,height"),
        QStringLiteral("-of"),
        QStringLiteral("default=noprint_wrappers=0"),
        QString::fromStdString(path)};
    if (!RunFfprobe(args, &out, &err)) {
        v.error = err.isEmpty() ? std::string("ffprobe did not run") : err.toStdString();
        return v;
    }
    // One [STREAM] ... [/STREAM] block per stream, keys in ffprobe's order (the codec's name
    // comes before its type): collect a block, then keep the first video block.
    std::map<QString, QString> block;
    bool videoSeen = false;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QString l = line.trimmed();
        if (l == QLatin1String("[STREAM]")) {
            ++v.streams;
            block.clear();
            continue;
        }
        if (l == QLatin1String("[/STREAM]")) {
            if (!videoSeen && block[QStringLiteral("codec_type")] == QLatin1String("video")) {
                videoSeen = true;
                v.codecName = block[QStringLiteral("codec_name")].toStdString();
                v.rFrameRate = block[QStringLiteral("r_frame_rate")].toStdString();
                v.avgFrameRate = block[QStringLiteral("avg_frame_rate")].toStdString();
                bool ok = false;
                const long long n = block[QStringLiteral("nb_frames")].toLongLong(&ok);
                v.nbFrames = ok ? n : -1;
                v.width = block[QStringLiteral("width")].toInt();
                v.height = block[QStringLiteral("height")].toInt();
            }
            continue;
        }
        const qsizetype eq = l.indexOf('=');
        if (eq > 0)
            block[l.left(eq)] = l.mid(eq + 1);
    }
    v.ok = videoSeen;
    if (!v.ok)
        v.error = "no video stream in " + path;
    return v;
}

double RateOf(const std::string& fraction) {
    const QString f = QString::fromStdString(fraction);
    const qsizetype slash = f.indexOf('/');
    bool okNum = false, okDen = false;
    const double num = f.left(slash).toDouble(&okNum);
    const double den = slash < 0 ? 1.0 : f.mid(slash + 1).toDouble(&okDen);
    if (!okNum || (slash >= 0 && !okDen) || den == 0.0)
        return 0.0;
    return num / den;
}

}  // namespace tesmira::test
