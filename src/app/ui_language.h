// The language of the user interface: Japanese as designed, English when the user's locale asks
// for it. Only what is shown changes; files, logs, file names and settings stay as they are.
#pragma once

#include <QString>
#include <QTranslator>
#include <functional>
#include <string>

namespace tesmira {

enum class UiLanguage { Japanese, English };

// The value of an environment variable, or empty when it is not set.
using EnvLookup = std::function<std::string(const char* name)>;

struct UiLanguageChoice {
    UiLanguage language = UiLanguage::Japanese;
    bool asked = false;  // the environment named this language (not just the default)
};

// The language the environment asks for, by the usual order: the locale that governs messages is
// the first set of LC_ALL, LC_MESSAGES and LANG; a C or POSIX locale (or none) keeps Japanese.
// Otherwise the first entry of the colon-separated LANGUAGE list that names English or Japanese
// decides, and failing that the locale itself. Any other language gets the designed Japanese.
UiLanguageChoice ChooseUiLanguage(const EnvLookup& env);

// The process environment.
std::string ProcessEnv(const char* name);

// The program's English translation, and Qt's own texts (its standard dialogs) in the language
// the user asked for, installed into the application for as long as this object lives.
class UiTranslations {
public:
    explicit UiTranslations(UiLanguageChoice choice);
    ~UiTranslations();
    UiTranslations(const UiTranslations&) = delete;
    UiTranslations& operator=(const UiTranslations&) = delete;

    // False when English was asked for but its translation could not be loaded (the Japanese
    // texts are shown then).
    bool Loaded() const { return loaded_; }

private:
    QTranslator own_;
    QTranslator qt_;
    bool ownInstalled_ = false;
    bool qtInstalled_ = false;
    bool loaded_ = true;
};

}  // namespace tesmira
