// The update check and the web links in the window: the connectivity probe waits with the window
// repainting but deaf to the user, the version file arrives with the window at work, the
// messages go through the window's dialogs, and a "Yes" to closing for the download ends the
// program at once. Also the help manual, opened with the desktop's program for PDF documents.
#pragma once

#include "app/app.h"
#include "services/update_check.h"

namespace velora {

// The maker's site, its version file and the probe target as the build set them, with the
// probe's 5-s limit.
WebAddresses built_in_web_addresses();

// Waits `ms` milliseconds with the window at work.
void wait_in_window(int ms);

// Whether the probe target of `app.web` answers, with every click and key given to the program
// meanwhile discarded.
bool window_internet_available(App& app);

// The hooks of the update check for this window: the probe above, the version file, the window's
// message boxes and URL opener, and the preferences saved from the window.
UpdateHooks window_update_hooks(App& app);

}  // namespace velora
