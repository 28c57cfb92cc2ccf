// The workstation on the session bus: org.corvanesoft.Tesmira, object /org/corvanesoft/Tesmira,
// interface org.corvanesoft.Tesmira.Workstation (org.corvanesoft.Tesmira.Workstation.xml, from
// which the adaptor is generated). Each call is translated to the automation object and its
// refusal to a D-Bus error; nothing else is decided here. Without a session bus, or with the name
// held by another Tesmira, the service stays off and the program runs as ever.
#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

#include "automation/automation_object.h"

namespace tesmira {

inline constexpr char kAutomationService[] = "org.corvanesoft.Tesmira";
inline constexpr char kAutomationPath[] = "/org/corvanesoft/Tesmira";
inline constexpr char kAutomationInterface[] = "org.corvanesoft.Tesmira.Workstation";

class DbusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(QString State READ State)
    Q_PROPERTY(QList<double> Position READ Position)
    Q_PROPERTY(QString Camera READ Camera)
    Q_PROPERTY(QString LastFile READ LastFile)
    Q_PROPERTY(QList<int> RelayStates READ RelayStates)
    Q_PROPERTY(QList<double> MeterReading READ MeterReading)
    Q_PROPERTY(QString MicroscopeText READ MicroscopeText)
    Q_PROPERTY(QString Version READ Version)

public:
    // The message pane's lines of `doc` (may be null) become Message signals.
    DbusService(AutomationPorts ports, QString version, CTesmiraDoc* doc,
                QObject* parent = nullptr);
    ~DbusService() override;

    // Takes the name and exports the object on the session bus; false (and a log line) when
    // there is no bus or the name is taken.
    bool Register();
    AutomationObject& Object() { return *object_; }

    QString State() const;
    QList<double> Position() const;
    QString Camera() const;
    QString LastFile() const;
    QList<int> RelayStates() const;
    QList<double> MeterReading() const;
    QString MicroscopeText() const;
    QString Version() const { return version_; }

public Q_SLOTS:
    void StartLive();
    void StopLive();
    QString StartRecording();
    void StopRecording();
    QString TakeStill();
    void MoveBy(double dx, double dy);
    void MoveZBy(double dz);
    void SetRelay(int channel, bool on);
    void Shot();
    QDBusVariant GetSetting(const QString& key);
    void SetSetting(const QString& key, const QDBusVariant& value);

Q_SIGNALS:
    void StateChanged(const QString& state);
    void RecordingFinished(const QString& path, int delivered, int dropped);
    void StillWritten(const QString& path);
    void TimelapseFrame(const QString& path_or_index);
    void PositionChanged(double x, double y, double z);
    void Message(const QString& text);

private:
    // Sends the refusal as the call's error; false when there was none.
    bool Refuse(const std::optional<Refusal>& refusal);

    QString version_;
    CTesmiraDoc* doc_;
    std::unique_ptr<AutomationObject> object_;
    bool registered_ = false;
};

}  // namespace tesmira
