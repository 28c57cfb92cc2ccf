#include "stage/dlg_zsync.h"

namespace tesmira {

CDlgZsync::CDlgZsync(QWidget* parent) : QDialog(parent) {
    setProperty("id", 141);
    setObjectName(QStringLiteral("zsyncPanel"));
    setWindowTitle(QString::fromUtf8("Z-軸移動 [↑] とカメラショットの同期"));
}

}  // namespace tesmira
