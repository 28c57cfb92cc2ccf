// The Z-sync panel (template 141): a floating window created hidden by the main frame. Its radio
// group chooses which event makes a Z fine step up ("Zsync"); every click takes effect at once.
#pragma once

#include <QDialog>

class QButtonGroup;

namespace tesmira {

struct Settings;

class CDlgZsync : public QDialog {
    Q_OBJECT
public:
    // The radios show and set `settings`' "Zsync".
    explicit CDlgZsync(Settings& settings, QWidget* parent = nullptr);

    // Data exchange of the radio group with "Zsync". Reading with no radio checked keeps the value.
    void ReadRadios();
    void WriteRadios();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Settings& settings_;
    QButtonGroup* group_;
};

}  // namespace tesmira
