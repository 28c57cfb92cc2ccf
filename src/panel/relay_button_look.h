// A relay button tells its relay's state by colour as well as by caption: an ON relay's button is
// green, an OFF or never switched one has the panel's own colours. The property "relayOn" says the
// same to style sheets and tests.
#pragma once

#include <QColor>
#include <QString>

class QAbstractButton;

namespace tesmira {

inline const QColor kRelayOnColour{0x4c, 0xaf, 0x50};

void ShowRelayState(QAbstractButton& button, const QString& caption, bool on);

}  // namespace tesmira
