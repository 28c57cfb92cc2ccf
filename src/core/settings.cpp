#include "core/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tesmira {

std::string HomeFolder(const std::string& sub) {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0]) {
        home = env;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home + "/" + sub;
}

}  // namespace tesmira
