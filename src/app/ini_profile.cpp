#include "app/ini_profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cstdlib>

namespace tesmira {
namespace {

const QString kGroup = QStringLiteral("Settings");

QString Key(const std::string& key) {
    return kGroup + '/' + QString::fromStdString(key);
}

}  // namespace

std::string DefaultProfilePath() {
    QString base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {  // the XDG rules ignore a relative value
        base = QString::fromLocal8Bit(xdg);
    } else {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return (base + QStringLiteral("/CorvaneSoft/Tesmira.conf")).toStdString();
}

IniProfile::IniProfile(const std::string& path)
    : path_(path),
      reader_(std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat)) {}

IniProfile::~IniProfile() = default;

int IniProfile::GetInt(const std::string& key, int def) {
    auto it = pending_.find(key);
    const QVariant v = it != pending_.end() ? it->second : reader_->value(Key(key));
    if (!v.isValid())
        return def;
    // A hand-written "1, 2" reads as a list: not a number.
    if (v.typeId() == QMetaType::QStringList)
        return def;
    return ParseStoredInt(v.toString().toStdString()).value_or(def);
}

std::string IniProfile::GetString(const std::string& key, const std::string& def) {
    auto it = pending_.find(key);
    const QVariant v = it != pending_.end() ? it->second : reader_->value(Key(key));
    if (!v.isValid())
        return def;
    // An unquoted value holding commas comes back as a list; the user meant the whole text.
    if (v.typeId() == QMetaType::QStringList) {
        return v.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return v.toString().toStdString();
}

void IniProfile::SetInt(const std::string& key, int value) {
    pending_[key] = value;
}

void IniProfile::SetString(const std::string& key, const std::string& value) {
    pending_[key] = QString::fromStdString(value);
}

void IniProfile::Clear() {
    pending_.clear();
    clear_ = true;
}

bool IniProfile::Flush() {
    const QString path = QString::fromStdString(path_);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    {
        // QSettings keeps what it could parse of a damaged file and would write the rest back
        // around our keys; keep the damaged file aside for the user and start a clean one.
        QSettings probe(path, QSettings::IniFormat);
        if (probe.status() == QSettings::FormatError) {
            const QString aside = path + QStringLiteral(".damaged");
            QFile::remove(aside);
            if (!QFile::rename(path, aside))
                return false;
        }
    }
    QSettings out(path, QSettings::IniFormat);
    if (clear_)
        out.remove(kGroup);
    for (const auto& [key, value] : pending_)
        out.setValue(Key(key), value);
    out.sync();
    if (out.status() != QSettings::NoError)
        return false;
    // QSettings reports a failed atomic save only through status(); make sure the file is there.
    return QFileInfo::exists(path);
}

}  // namespace tesmira
