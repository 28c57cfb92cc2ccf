// The bold readout font of the meter and microscope displays.
#pragma once

#include <QFont>

namespace tesmira {

// Face "CenturyOldst" (a Century-style serif where that face is missing), a 24-pixel character
// cell, bold.
QFont ReadoutFont();

}  // namespace tesmira
