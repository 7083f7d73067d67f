// The fixed texts of the main window and the pure rules behind what it shows: the title, the
// tooltips, the About box, the menu item texts, which captions stand out and which unit markers
// are shown. No window is needed to build any of them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "state/calc_state.h"
#include "velora_version.h"

namespace velora {

inline constexpr const char* ProgramBuild = VELORA_VERSION " (Build:" VELORA_BUILD_NUMBER ")";
inline constexpr const char* WindowTitle = "Velora | " VELORA_VERSION;
inline constexpr const char* AboutTitle = "About Velora";

// The tooltips that do not depend on the values, in the order they are attached.
std::vector<std::pair<int, std::string>> fixed_tooltips();

// The transparent click area that lies over a caption and takes its clicks (the zero caption's,
// the BC caption's and the four set-up captions'), or 0 for a caption without one. The area
// shows the caption's tooltip, as the mouse over the caption is over the area.
int click_area_over(int caption_id);

// The text of the About box, lines separated by carriage returns.
std::string about_text();

// A message text as a message box shows it: every carriage return (alone or before a line feed)
// starts a new line.
std::string message_display_text(std::string_view text);

// The caption of the set-up `method` and the caption of its measurement field stand out in the
// bold caption font; the six other set-up and measurement captions use the regular one.
bool caption_emphasised(int method, int caption_id);
inline constexpr int SetUpCaptions[8] = {68, 69, 70, 71, 62, 64, 61, 63};

// Whether a unit marker (23..27) is shown: only with the output panel; on the Table page all
// five, on the Plot page the target range's and those of the set-up's plotted quantities, on the
// Confidence page none.
bool unit_marker_shown(const CalcState& s, int marker);

// Texts of the context-menu items that switch.
const char* gaps_item_text(int gaps);
const char* target_marker_item_text(int show_target);

// What the program tells when a file of its own cannot be written, or the manual not shown.
inline constexpr const char* PreferencesSaveTitle = "Velora Preferences";
inline constexpr const char* HelpTitle = "Velora Help";
std::string preferences_save_failure_text(const std::string& path, const std::string& reason);
// A file kept for the user that exists but could not be read: said once at start, naming the file
// and the system's reason, and that this run leaves it as it is.
std::string preferences_unreadable_text(const std::string& path, const std::string& reason);
// Another program saved the preferences since this run read them: asked before writing over them.
std::string preferences_changed_question(const std::string& path);
// A later start that could not reach the program running with the same preferences folder.
std::string already_running_text(const std::string& prefs_folder);
std::string help_write_failure_text(const std::string& path, const std::string& reason);
std::string no_pdf_viewer_text(const std::string& path);

// A message as one line for standard error: its line breaks become blanks.
std::string message_log_line(std::string_view text);

// The table-step item (103..106) that carries the tick for a step; 0 for any other step.
int table_step_item(float table_step);

}  // namespace velora
