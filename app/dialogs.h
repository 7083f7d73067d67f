// The real dialogs behind the program's dialog seam (services/dialog_seam.h).
#pragma once

#include <functional>

#include "services/dialog_seam.h"

class QWidget;

namespace velora {

// The real dialogs, modal over `parent` (which may be null).
Dialogs system_dialogs(std::function<QWidget*()> parent);

// The scale of an image saved at print size, in a small dialog over `parent`: the scale of the
// chart (from 1 to the largest it may have, in halves) with the pixels it gives beside it. False
// when the user cancelled; `scale.scale` holds the choice.
bool ask_image_scale(QWidget* parent, ImageScale& scale);

}  // namespace velora
