#include "core/dialog_texts.h"

#include <QCoreApplication>

namespace tesmira {

QString CancelCaption() {
    return QCoreApplication::translate("Dialogs", "キャンセル");
}

}  // namespace tesmira
