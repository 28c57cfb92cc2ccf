#include "dialogs/dlg_timelapse.h"

namespace tesmira {

CDlgTimelapse::CDlgTimelapse(QWidget* parent) : QDialog(parent) {
    setProperty("id", 138);
    setObjectName(QStringLiteral("timelapsePanel"));
    setWindowTitle(
        tr("ビデオの録画時間と回数　および　タイムラップスビデオの撮影間隔と齣数　さ"
           "らに　USBリレー制御　設定"));
}

void CDlgTimelapse::ValidateSchedules() {}

}  // namespace tesmira
