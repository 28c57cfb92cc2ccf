// tesmira-ctl: drives a running Tesmira over the session bus (see tesmira-ctl(1)).
// Exit status: 0 done, 1 Tesmira refused (its error on stderr), 2 wrong command line,
// 3 no Tesmira on the session bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

const QString kService = QStringLiteral("org.corvanesoft.Tesmira");
const QString kPath = QStringLiteral("/org/corvanesoft/Tesmira");
const QString kInterface = QStringLiteral("org.corvanesoft.Tesmira.Workstation");

constexpr int kRefused = 1, kUsage = 2, kNotRunning = 3;

const char kUsageText[] =
    "usage: tesmira-ctl COMMAND [ARGS]\n"
    "  status                 state, position, camera, last file, relays, meter, version\n"
    "  live on|off            live video\n"
    "  still                  take a still photo; prints its file\n"
    "  move DX DY             move the stage by DX, DY micrometres\n"
    "  movez DZ               move the focus by DZ micrometres\n"
    "  record [--seconds N] [--wait]\n"
    "                         start a recording (prints its file); stop it after N seconds;\n"
    "                         wait for its end and print \"file delivered dropped\"\n"
    "  stop                   stop the recording\n"
    "  relay N on|off         switch relay channel N (0..7)\n"
    "  shot                   the relay shot\n"
    "  get KEY                print a setting\n"
    "  set KEY VALUE          change a setting\n"
    "  watch                  print the signals, one a line, until interrupted\n";

void Print(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int Fail(const QDBusError& error) {
    std::fprintf(stderr, "tesmira-ctl: %s: %s\n", error.name().toUtf8().constData(),
                 error.message().toUtf8().constData());
    return kRefused;
}

// A real, a whole number, true/false, or else text.
QVariant ParseValue(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok)
        return n;
    const double d = text.toDouble(&ok);
    if (ok)
        return d;
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return text == QLatin1String("true");
    return text;
}

// A property's text: lists of numbers one after the other, separated by blanks.
QString PropertyText(const char* name, const QVariant& v) {
    if (v.userType() != qMetaTypeId<QDBusArgument>())
        return v.toString().trimmed();
    QStringList parts;
    if (qstrcmp(name, "RelayStates") == 0) {
        for (int n : qdbus_cast<QList<int>>(v))
            parts << QString::number(n);
    } else {
        for (double d : qdbus_cast<QList<double>>(v))
            parts << QString::number(d);
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace

// Receives the workstation's signals.
class Watcher : public QObject {
    Q_OBJECT
public:
    bool printAll = false;
    bool waitingForRecording = false;
    QString finished;

public Q_SLOTS:
    void StateChanged(const QString& state) { Show(QStringLiteral("StateChanged ") + state); }
    void RecordingFinished(const QString& path, int delivered, int dropped) {
        const QString line = QStringLiteral("%1 %2 %3").arg(path).arg(delivered).arg(dropped);
        Show(QStringLiteral("RecordingFinished ") + line);
        if (waitingForRecording) {
            finished = line;
            QCoreApplication::quit();
        }
    }
    void StillWritten(const QString& path) { Show(QStringLiteral("StillWritten ") + path); }
    void TimelapseFrame(const QString& frame) { Show(QStringLiteral("TimelapseFrame ") + frame); }
    void PositionChanged(double x, double y, double z) {
        Show(QStringLiteral("PositionChanged %1 %2 %3").arg(x).arg(y).arg(z));
    }
    void Message(const QString& text) { Show(QStringLiteral("Message ") + text.trimmed()); }

private:
    void Show(const QString& line) {
        if (printAll)
            Print(line);
    }
};

namespace {

bool Connect(QDBusConnection& bus, Watcher& watcher) {
    const auto one = [&](const char* name, const char* slot) {
        return bus.connect(kService, kPath, kInterface, QLatin1String(name), &watcher, slot);
    };
    return one("StateChanged", SLOT(StateChanged(QString))) &&
           one("RecordingFinished", SLOT(RecordingFinished(QString, int, int))) &&
           one("StillWritten", SLOT(StillWritten(QString))) &&
           one("TimelapseFrame", SLOT(TimelapseFrame(QString))) &&
           one("PositionChanged", SLOT(PositionChanged(double, double, double))) &&
           one("Message", SLOT(Message(QString)));
}

int Call(QDBusInterface& tesmira, const char* method, const QVariantList& args = {},
         QVariant* out = nullptr) {
    const QDBusMessage reply =
        tesmira.callWithArgumentList(QDBus::Block, QLatin1String(method), args);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Fail(QDBusError(reply));
    if (out && !reply.arguments().isEmpty())
        *out = reply.arguments().first();
    return 0;
}

int Status(QDBusInterface& tesmira) {
    QDBusInterface props(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                         tesmira.connection());
    const QDBusMessage reply = props.call(QStringLiteral("GetAll"), kInterface);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Fail(QDBusError(reply));
    const QVariantMap all = qdbus_cast<QVariantMap>(reply.arguments().first());
    for (const char* name : {"State", "Position", "Camera", "LastFile", "RelayStates",
                             "MeterReading", "MicroscopeText", "Version"}) {
        Print(QStringLiteral("%1: %2").arg(QLatin1String(name),
                                           PropertyText(name, all.value(QLatin1String(name)))));
    }
    return 0;
}

int Record(QDBusInterface& tesmira, QDBusConnection& bus, const QStringList& args) {
    int seconds = -1;
    bool wait = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--wait")) {
            wait = true;
        } else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            bool ok = false;
            seconds = args[++i].toInt(&ok);
            if (!ok || seconds < 0)
                return kUsage;
        } else {
            return kUsage;
        }
    }
    Watcher watcher;
    watcher.waitingForRecording = wait;
    if (wait && !Connect(bus, watcher))
        return Fail(bus.lastError());
    QVariant path;
    if (const int rc = Call(tesmira, "StartRecording", {}, &path))
        return rc;
    Print(path.toString());
    if (seconds >= 0) {
        QTimer::singleShot(seconds * 1000, &tesmira, [&tesmira, wait] {
            Call(tesmira, "StopRecording");
            if (!wait)
                QCoreApplication::quit();
        });
    }
    if (seconds < 0 && !wait)
        return 0;
    QCoreApplication::exec();
    if (wait)
        Print(watcher.finished);
    return 0;
}

// A number as C reads it: "nan" and "inf" too, so that Tesmira is the one to refuse them.
double Number(const QString& text, bool* ok) {
    const QByteArray bytes = text.toUtf8();
    char* end = nullptr;
    const double v = std::strtod(bytes.constData(), &end);
    *ok = !bytes.isEmpty() && end == bytes.constData() + bytes.size();
    return v;
}

bool OnOff(const QString& text, bool& on) {
    on = text == QLatin1String("on");
    return on || text == QLatin1String("off");
}

int Run(const QStringList& a) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kService)) {
        std::fprintf(stderr, "tesmira-ctl: no Tesmira on the session bus\n");
        return kNotRunning;
    }
    QDBusInterface tesmira(kService, kPath, kInterface, bus);
    const QString command = a.value(0);
    const int n = a.size() - 1;
    bool on = false, ok1 = false, ok2 = false;
    if (command == QLatin1String("status") && n == 0)
        return Status(tesmira);
    if (command == QLatin1String("live") && n == 1 && OnOff(a[1], on))
        return Call(tesmira, on ? "StartLive" : "StopLive");
    if (command == QLatin1String("still") && n == 0) {
        QVariant path;
        const int rc = Call(tesmira, "TakeStill", {}, &path);
        if (rc == 0)
            Print(path.toString());
        return rc;
    }
    if (command == QLatin1String("move") && n == 2) {
        const double dx = Number(a[1], &ok1), dy = Number(a[2], &ok2);
        if (ok1 && ok2)
            return Call(tesmira, "MoveBy", {dx, dy});
    }
    if (command == QLatin1String("movez") && n == 1) {
        const double dz = Number(a[1], &ok1);
        if (ok1)
            return Call(tesmira, "MoveZBy", {dz});
    }
    if (command == QLatin1String("record"))
        return Record(tesmira, bus, a.mid(1));
    if (command == QLatin1String("stop") && n == 0)
        return Call(tesmira, "StopRecording");
    if (command == QLatin1String("relay") && n == 2 && OnOff(a[2], on)) {
        const int channel = a[1].toInt(&ok1);
        if (ok1)
            return Call(tesmira, "SetRelay", {channel, on});
    }
    if (command == QLatin1String("shot") && n == 0)
        return Call(tesmira, "Shot");
    if (command == QLatin1String("get") && n == 1) {
        QVariant value;
        const int rc = Call(tesmira, "GetSetting", {a[1]}, &value);
        if (rc == 0)
            Print(value.value<QDBusVariant>().variant().toString());
        return rc;
    }
    if (command == QLatin1String("set") && n == 2)
        return Call(tesmira, "SetSetting",
                    {a[1], QVariant::fromValue(QDBusVariant(ParseValue(a[2])))});
    if (command == QLatin1String("watch") && n == 0) {
        Watcher watcher;
        watcher.printAll = true;
        if (!Connect(bus, watcher))
            return Fail(bus.lastError());
        return QCoreApplication::exec();
    }
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        std::fputs(kUsageText, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? kUsage : 0;
    }
    const int rc = Run(args);
    if (rc == kUsage)
        std::fputs(kUsageText, stderr);
    return rc;
}

#include "tesmira_ctl.moc"
