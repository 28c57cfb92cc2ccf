#include "app/settings.h"

namespace tesmira {

Settings& settings() {
    static Settings instance;
    return instance;
}

}  // namespace tesmira
