// The real dialogs behind the program's dialog seam (services/dialog_seam.h).
#pragma once

#include <functional>

#include "services/dialog_seam.h"

class QWidget;

namespace velora {

// The real dialogs, modal over `parent` (which may be null).
Dialogs system_dialogs(std::function<QWidget*()> parent);

}  // namespace velora
