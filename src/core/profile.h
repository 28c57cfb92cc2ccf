// The per-user key/value store behind the settings: integers and strings under one section.
// Values are kept as text so that a hand-edited or damaged file can be recognised: a value that
// is not a whole number in the 32-bit range reads as the caller's default.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace tesmira {

class IProfile {
public:
    virtual ~IProfile() = default;
    // A 32-bit number; 0x80000000..0xFFFFFFFF written unsigned read back as their two's complement.
    // Missing key, text, fractions and numbers beyond 32 bits give `def`.
    virtual int GetInt(const std::string& key, int def) = 0;
    virtual std::string GetString(const std::string& key, const std::string& def) = 0;
    virtual void SetInt(const std::string& key, int value) = 0;
    virtual void SetString(const std::string& key, const std::string& value) = 0;
    // Drops every key of the section (so that a save leaves no stale or damaged entries).
    virtual void Clear() = 0;
    // Makes the values durable; false when the store cannot be written.
    virtual bool Flush() = 0;
};

// Parses a stored integer the way GetInt describes; nullopt for anything else.
std::optional<int> ParseStoredInt(const std::string& text);

// A profile held in memory (tests, and a fallback when no file can be used).
class MemoryProfile : public IProfile {
public:
    int GetInt(const std::string& key, int def) override;
    std::string GetString(const std::string& key, const std::string& def) override;
    void SetInt(const std::string& key, int value) override;
    void SetString(const std::string& key, const std::string& value) override;
    void Clear() override { values.clear(); }
    bool Flush() override { return !failFlush; }

    std::map<std::string, std::string> values;  // raw text per key, as a file would hold it
    bool failFlush = false;                     // lets tests simulate a full or read-only disk
};

}  // namespace tesmira
