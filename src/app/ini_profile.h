// The settings file: QSettings in INI format, organisation "CorvaneSoft", application "Tesmira",
// group "Settings", at $XDG_CONFIG_HOME/CorvaneSoft/Tesmira.conf (~/.config when unset).
#pragma once

#include <QVariant>
#include <map>
#include <memory>
#include <string>

#include "core/profile.h"

class QSettings;

namespace tesmira {

std::string DefaultProfilePath();

class IniProfile : public IProfile {
public:
    explicit IniProfile(const std::string& path = DefaultProfilePath());
    ~IniProfile() override;

    int GetInt(const std::string& key, int def) override;
    std::string GetString(const std::string& key, const std::string& def) override;
    void SetInt(const std::string& key, int value) override;
    void SetString(const std::string& key, const std::string& value) override;
    void Clear() override;
    bool Flush() override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<QSettings> reader_;        // the file as found at start
    std::map<std::string, QVariant> pending_;  // values to write at Flush
    bool clear_ = false;
};

}  // namespace tesmira
