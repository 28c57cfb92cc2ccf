#include "app/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <cstdlib>

namespace tesmira {
namespace {

// "en", "en_US.UTF-8", "en@quot" name English; "eng" or "enx" do not.
bool Names(const std::string& locale, const char* language) {
    const std::string code(language);
    if (locale.compare(0, code.size(), code) != 0)
        return false;
    if (locale.size() == code.size())
        return true;
    const char next = locale[code.size()];
    return next == '_' || next == '.' || next == '@' || next == '-';
}

bool IsPlainC(const std::string& locale) {
    return locale.empty() || locale == "C" || locale == "POSIX" || Names(locale, "C");
}

}  // namespace

UiLanguageChoice ChooseUiLanguage(const EnvLookup& env) {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = env(name);
        if (!locale.empty())
            break;
    }
    if (IsPlainC(locale))
        return {};
    const std::string list = env("LANGUAGE");
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t end = list.find(':', begin);
        if (end == std::string::npos)
            end = list.size();
        const std::string entry = list.substr(begin, end - begin);
        if (Names(entry, "en"))
            return {UiLanguage::English, true};
        if (Names(entry, "ja"))
            return {UiLanguage::Japanese, true};
        begin = end + 1;
    }
    if (Names(locale, "en"))
        return {UiLanguage::English, true};
    return {UiLanguage::Japanese, Names(locale, "ja")};
}

std::string ProcessEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

namespace {
// Where the program's English translation lives (a compiled-in resource).
QString EnglishTranslationPath() {
    return QStringLiteral(":/i18n/tesmira_en.qm");
}
}  // namespace

UiTranslations::UiTranslations(UiLanguageChoice choice) {
    if (choice.language == UiLanguage::English) {
        loaded_ = own_.load(EnglishTranslationPath());
        if (loaded_)
            ownInstalled_ = QCoreApplication::installTranslator(&own_);
        return;  // Qt's own texts are English already
    }
    // A user who asked for Japanese gets Qt's standard dialogs in Japanese too (when the Qt
    // translations are installed); a C locale leaves them as they are.
    if (choice.asked &&
        qt_.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        qtInstalled_ = QCoreApplication::installTranslator(&qt_);
}

UiTranslations::~UiTranslations() {
    if (qtInstalled_)
        QCoreApplication::removeTranslator(&qt_);
    if (ownInstalled_)
        QCoreApplication::removeTranslator(&own_);
}

}  // namespace tesmira
