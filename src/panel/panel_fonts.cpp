#include "panel/panel_fonts.h"

#include <QStringList>

namespace tesmira {

QFont ReadoutFont() {
    QFont font;
    font.setFamilies({QStringLiteral("CenturyOldst"), QStringLiteral("C059"),
                      QStringLiteral("Century Schoolbook"), QStringLiteral("serif")});
    font.setPixelSize(24);
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace tesmira
