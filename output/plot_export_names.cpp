#include "output/plot_export_names.h"

namespace velora {

const char* plot_file_prefix(int method) {
    switch (method) {
        case DeltaPOI: return "POI_";
        case DeltaT: return "TIME_";
        case DeltaV: return "VELOCITY_";
        default: return "";
    }
}

SaveFileRequest plot_png_request(const CalcState& s) {
    return {PngDialogTitle, s.LastFolder, std::string(plot_file_prefix(s.stateRB)) + "Plot.png", PngFilter};
}

}  // namespace velora
