// The names the PNG export and the plot printout use.
#pragma once

#include <string>

#include "state/calc_state.h"
#include "services/dialog_seam.h"

namespace velora {

inline constexpr const char* PngDialogTitle = "Save Plot as PNG";
// The label "Images (.png)" with its pattern, in the form file dialogs take.
inline constexpr const char* PngFilter = "Images (.png) (*.png)";
inline constexpr const char* PngMessageTitle = "Image:";
// The image the plot printout prints from, in the system's temporary folder. Start-up and
// shut-down remove it.
inline constexpr const char* PrintImageName = "Image.png";

// "POI_" for DeltaPOI, "TIME_" for DeltaT, "VELOCITY_" for DeltaV, nothing for DeltaD.
const char* plot_file_prefix(int method);

// The save dialog of the PNG export: "Save Plot as PNG" in LastFolder, proposing the prefix and
// "Plot.png".
SaveFileRequest plot_png_request(const CalcState& s);

}  // namespace velora
