// Captions every dialog shares, so the same button reads the same everywhere.
#pragma once

#include <QString>

namespace tesmira {

// The caption of every dialog's Cancel button.
QString CancelCaption();

}  // namespace tesmira
