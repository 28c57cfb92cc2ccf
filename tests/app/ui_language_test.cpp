// Which language the environment asks for: a table of environments as users and tests have them.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/ui_language.h"

namespace tesmira::test {
namespace {

struct Scenario {
    const char* what;
    std::map<std::string, std::string> env;
    UiLanguageChoice expected;
};

constexpr UiLanguageChoice kEnglish{UiLanguage::English, true};
constexpr UiLanguageChoice kJapaneseAsked{UiLanguage::Japanese, true};
constexpr UiLanguageChoice kJapaneseDefault{UiLanguage::Japanese, false};

const Scenario kScenarios[] = {
    {"nothing set (a bare service)", {}, kJapaneseDefault},
    {"C locale (the tests)", {{"LANG", "C"}}, kJapaneseDefault},
    {"C.UTF-8 locale", {{"LANG", "C.UTF-8"}}, kJapaneseDefault},
    {"POSIX locale", {{"LC_ALL", "POSIX"}}, kJapaneseDefault},
    {"LANGUAGE alone is ignored under the C locale",
     {{"LANGUAGE", "en_US:en"}, {"LANG", "C"}},
     kJapaneseDefault},
    {"LANGUAGE without any locale", {{"LANGUAGE", "en"}}, kJapaneseDefault},
    {"American English", {{"LANG", "en_US.UTF-8"}}, kEnglish},
    {"British English with a modifier", {{"LANG", "en_GB@euro"}}, kEnglish},
    {"bare en", {{"LANG", "en"}}, kEnglish},
    {"Japanese locale", {{"LANG", "ja_JP.UTF-8"}}, kJapaneseAsked},
    {"German locale keeps the designed Japanese", {{"LANG", "de_DE.UTF-8"}}, kJapaneseDefault},
    {"a language code that only starts with en", {{"LANG", "eng_XX"}}, kJapaneseDefault},
    {"LC_ALL wins over LANG", {{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}, kJapaneseAsked},
    {"LC_MESSAGES wins over LANG",
     {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}},
     kEnglish},
    {"LC_ALL=C wins over an English LANG",
     {{"LC_ALL", "C"}, {"LANG", "en_US.UTF-8"}},
     kJapaneseDefault},
    {"LANGUAGE first, over a Japanese locale",
     {{"LANGUAGE", "en_US:ja"}, {"LANG", "ja_JP.UTF-8"}},
     kEnglish},
    {"LANGUAGE first, over an English locale",
     {{"LANGUAGE", "ja:en"}, {"LANG", "en_US.UTF-8"}},
     kJapaneseAsked},
    {"LANGUAGE entries without a translation are passed over",
     {{"LANGUAGE", "de:fr:en"}, {"LANG", "de_DE.UTF-8"}},
     kEnglish},
    {"LANGUAGE with empty entries", {{"LANGUAGE", "::en:"}, {"LANG", "de_DE.UTF-8"}}, kEnglish},
    {"LANGUAGE naming nothing known falls back to the locale",
     {{"LANGUAGE", "de:fr"}, {"LANG", "en_US.UTF-8"}},
     kEnglish},
    {"empty LANGUAGE falls back to the locale",
     {{"LANGUAGE", ""}, {"LANG", "en_AU.UTF-8"}},
     kEnglish},
    {"an empty LC_ALL does not count", {{"LC_ALL", ""}, {"LANG", "en_US.UTF-8"}}, kEnglish},
};

TEST(UiLanguage, EnvironmentScenarios) {
    for (const Scenario& s : kScenarios) {
        const UiLanguageChoice got = ChooseUiLanguage([&s](const char* name) {
            const auto it = s.env.find(name);
            return it == s.env.end() ? std::string() : it->second;
        });
        EXPECT_EQ(got.language, s.expected.language) << s.what;
        EXPECT_EQ(got.asked, s.expected.asked) << s.what;
    }
}

}  // namespace
}  // namespace tesmira::test
