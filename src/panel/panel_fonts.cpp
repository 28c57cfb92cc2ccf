#include "panel/panel_fonts.h"

#include <QStringList>

namespace tesmira {

QFont ReadoutFont() {
    QFont font;
    font.setFamilies({QStringLiteral("CenturyOldst"), QStringLiteral("Century Schoolbook"),
                      QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
    font.setPixelSize(20);  // a 24-pixel character cell
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace tesmira
