// The About box (dialog 100): the application icon, the version text (static 1012) and OK.
#pragma once

#include <QDialog>

namespace tesmira {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QString& version, QWidget* parent = nullptr);
};

}  // namespace tesmira
