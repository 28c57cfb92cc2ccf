#include "automation/dbus_service.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QMetaType>
#include <climits>

#include "core/log.h"
#include "core/ui_text.h"
#include "workstation_adaptor.h"

namespace tesmira {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A D-Bus variant as a settings value: booleans, whole numbers of any width, reals and text.
std::optional<SettingValue> FromVariant(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Bool:
            return SettingValue(v.toBool());
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::UChar:
            return SettingValue(v.toLongLong());
        case QMetaType::ULongLong:
            if (v.toULongLong() > static_cast<qulonglong>(LLONG_MAX))
                return std::nullopt;
            return SettingValue(v.toLongLong());
        case QMetaType::Double:
            return SettingValue(v.toDouble());
        case QMetaType::QString:
            return SettingValue(v.toString().toStdString());
        default:
            return std::nullopt;
    }
}

QVariant ToVariant(const SettingValue& v) {
    if (const auto* b = std::get_if<bool>(&v))
        return *b;
    if (const auto* n = std::get_if<long long>(&v)) {
        // Stored numbers are 32-bit: sent as D-Bus "i" so every client reads them plainly.
        return static_cast<int>(*n);
    }
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    return Q(std::get<std::string>(v));
}

}  // namespace

DbusService::DbusService(AutomationPorts ports, QString version, CTesmiraDoc* doc, QObject* parent)
    : QObject(parent), version_(std::move(version)), doc_(doc) {
    AutomationSignals sinks;
    sinks.stateChanged = [this](const std::string& s) { Q_EMIT StateChanged(Q(s)); };
    sinks.recordingFinished = [this](const std::string& path, int delivered, int dropped) {
        Q_EMIT RecordingFinished(Q(path), delivered, dropped);
    };
    sinks.stillWritten = [this](const std::string& path) { Q_EMIT StillWritten(Q(path)); };
    sinks.timelapseFrame = [this](const std::string& f) { Q_EMIT TimelapseFrame(Q(f)); };
    sinks.positionChanged = [this](double x, double y, double z) {
        Q_EMIT PositionChanged(x, y, z);
    };
    sinks.message = [this](const std::string& text) { Q_EMIT Message(Q(text)); };
    object_ = std::make_unique<AutomationObject>(std::move(ports), std::move(sinks));
    new WorkstationAdaptor(this);  // a child: it relays this object's signals itself
    if (doc_)
        doc_->AddView(object_.get());
}

DbusService::~DbusService() {
    if (doc_)
        doc_->RemoveView(object_.get());
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QLatin1String(kAutomationPath));
        bus.unregisterService(QLatin1String(kAutomationService));
    }
}

// A session bus the desktop announced. Without one the bus library would launch a bus daemon of
// its own on the X display, which nobody could reach and which would outlive the program.
static bool SessionBusAnnounced() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool DbusService::Register() {
    if (!SessionBusAnnounced()) {
        qCInfo(lcAutomation, "automation: no session bus, scripts cannot reach this Tesmira");
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcAutomation, "automation: no session bus, scripts cannot reach this Tesmira");
        return false;
    }
    if (!bus.registerObject(QLatin1String(kAutomationPath), this)) {
        qCWarning(lcAutomation, "automation: the object path is taken");
        return false;
    }
    // Another Tesmira of the same user keeps the name: this one is not reachable.
    if (!bus.registerService(QLatin1String(kAutomationService))) {
        qCWarning(lcAutomation, "automation: %s is held by another program", kAutomationService);
        bus.unregisterObject(QLatin1String(kAutomationPath));
        return false;
    }
    registered_ = true;
    return true;
}

bool DbusService::Refuse(const std::optional<Refusal>& refusal) {
    if (!refusal)
        return false;
    if (calledFromDBus())
        sendErrorReply(Q(ErrorName(refusal->error)), Q(refusal->text));
    return true;
}

QString DbusService::State() const {
    return Q(object_->State());
}

QList<double> DbusService::Position() const {
    const std::array<double, 3> p = object_->Position();
    return {p[0], p[1], p[2]};
}

QString DbusService::Camera() const {
    return Q(object_->Camera());
}

QString DbusService::LastFile() const {
    return Q(object_->LastFile());
}

QList<int> DbusService::RelayStates() const {
    const std::vector<int> states = object_->RelayStates();
    return {states.begin(), states.end()};
}

QList<double> DbusService::MeterReading() const {
    const std::array<double, 2> m = object_->MeterReading();
    return {m[0], m[1]};
}

QString DbusService::MicroscopeText() const {
    return Q(object_->MicroscopeText());
}

void DbusService::StartLive() {
    Refuse(object_->StartLive().refusal);
}

void DbusService::StopLive() {
    Refuse(object_->StopLive().refusal);
}

QString DbusService::StartRecording() {
    const Answer<std::string> a = object_->StartRecording();
    return Refuse(a.refusal) ? QString() : Q(a.value);
}

void DbusService::StopRecording() {
    Refuse(object_->StopRecording().refusal);
}

QString DbusService::TakeStill() {
    if (!calledFromDBus())
        return {};
    // The answer goes out once the picture is written, from a later poll.
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    const std::optional<Refusal> refusal =
        object_->TakeStill([call, bus](const Answer<std::string>& answer) mutable {
            if (answer.refusal)
                bus.send(call.createErrorReply(Q(ErrorName(answer.refusal->error)),
                                               Q(answer.refusal->text)));
            else
                bus.send(call.createReply(Q(answer.value)));
        });
    if (!Refuse(refusal))
        setDelayedReply(true);
    return {};
}

void DbusService::MoveBy(double dx, double dy) {
    Refuse(object_->MoveBy(dx, dy).refusal);
}

void DbusService::MoveZBy(double dz) {
    Refuse(object_->MoveZBy(dz).refusal);
}

void DbusService::SetRelay(int channel, bool on) {
    Refuse(object_->SetRelay(channel, on).refusal);
}

void DbusService::Shot() {
    Refuse(object_->Shot().refusal);
}

QDBusVariant DbusService::GetSetting(const QString& key) {
    const Answer<SettingValue> a = object_->GetSetting(key.toStdString());
    if (Refuse(a.refusal))
        return QDBusVariant(QVariant(0));
    return QDBusVariant(ToVariant(a.value));
}

void DbusService::SetSetting(const QString& key, const QDBusVariant& value) {
    const std::optional<SettingValue> v = FromVariant(value.variant());
    if (!v) {
        Refuse(Refusal{AutomationError::kInvalidArgument,
                       UiText("Automation", "値の型が違います（数値・真偽値・文字列）。")});
        return;
    }
    Refuse(object_->SetSetting(key.toStdString(), *v).refusal);
}

}  // namespace tesmira
