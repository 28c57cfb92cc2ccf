#include "core/ui_text.h"

#include <QCoreApplication>

namespace tesmira {

std::string UiText(const char* context, const char* source) {
    if (!QCoreApplication::instance())
        return source;  // tools and tests without an application: no translation loaded
    return QCoreApplication::translate(context, source).toStdString();
}

std::string FillIn(std::string text, const std::string& value) {
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

}  // namespace tesmira
