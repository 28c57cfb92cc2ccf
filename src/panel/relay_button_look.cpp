#include "panel/relay_button_look.h"

#include <QAbstractButton>
#include <QPalette>
#include <QVariant>

namespace tesmira {

void ShowRelayState(QAbstractButton& button, const QString& caption, bool on) {
    button.setText(caption);
    button.setProperty("relayOn", on);
    QPalette palette;  // nothing of its own: the panel's colours
    if (on) {
        palette = button.palette();
        palette.setColor(QPalette::Button, kRelayOnColour);
        palette.setColor(QPalette::ButtonText, Qt::black);
    }
    button.setPalette(palette);
}

}  // namespace tesmira
