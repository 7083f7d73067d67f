// The application's icon: the logo's target and flight without the lettering, at every size the
// desktop installs, so that every top-level window, task bar and switcher shows the same picture.
#pragma once

#include <QIcon>

namespace velora {

QIcon application_icon();

}  // namespace velora
