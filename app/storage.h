// Where the program keeps its files: the preferences folder, the help folder, the folder of the
// last export and a private folder for the temporary plot image.
#pragma once

#include <string>

#include "state/calc_state.h"

namespace velora {

inline constexpr const char* HelpFileName = "VeloraHelp.pdf";
inline constexpr const char* TemporaryImageName = "Image.png";

// True when `path` names an existing file of any size (0 bytes too); false when nothing is there
// or when it names a folder.
bool file_exists(const std::string& path);

// The folders of a run. Each ends with the separator.
struct StorageFolders {
    std::string prefs;  // the preferences file lives here
    std::string help;   // the help document is written out here
};

// The storage folders from the environment: on Linux $XDG_CONFIG_HOME/Velora/ and
// $XDG_DATA_HOME/Velora/Help/, each variable taken only when it holds an absolute path, else
// ~/.config and ~/.local/share. `home` is the home folder.
StorageFolders storage_folders_for(const char* xdg_config_home, const char* xdg_data_home, const std::string& home);

// The storage folders of this run (on Windows the program's folders on the drive of the current
// directory), created when missing; a folder that cannot be made is not reported. Fills
// PrefsFolder, HelpFolder and HelpFile.
void set_up_storage_folders(CalcState& s);

// The user's desktop folder (the home folder when there is none), ending with the separator.
std::string desktop_folder();

// A folder that only this user can enter, for the temporary plot image: the session's runtime
// folder when there is one, else a folder of the user's own in the temporary folder. Created
// when missing; a folder of that name that belongs to someone else or is open to others is not
// used (a fresh private folder is made instead). Ends with the separator.
std::string private_temporary_folder();

// The temporary plot image, and its removal (a folder of that name is left alone).
std::string temporary_image_path(const std::string& private_folder);
void delete_temporary_image(const std::string& private_folder);

}  // namespace velora
