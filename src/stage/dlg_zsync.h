// The Z-sync panel (template 141): a floating window created hidden by the main frame.
#pragma once

#include <QDialog>

namespace tesmira {

class CDlgZsync : public QDialog {
    Q_OBJECT
public:
    explicit CDlgZsync(QWidget* parent = nullptr);
};

}  // namespace tesmira
