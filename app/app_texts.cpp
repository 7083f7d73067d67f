#include "app/app_texts.h"

#include "app/control_ids.h"
#include "engine/drag_laws.h"
#include "solver/display_texts.h"

namespace velora {

std::vector<std::pair<int, std::string>> fixed_tooltips() {
    const char* velocity_units = "Units: Ft/s, m/s or Mach";
    const char* range_units = "Units: Foot, Yard or Metre";
    const char* small_units = "Units: Inch, cm or mm";
    return {
        {CaptionMV, "Projectile Velocity @ Muzzle"},
        {UnitMV, velocity_units},
        {CaptionZR, "Click to toggle between Near and Far Zero"},
        {ClickDensity, "Click to toggle Metric/Imperial Units"},
        {UnitZR, range_units},
        {CaptionTR, "Distance between Muzzle and Target"},
        {UnitTR, range_units},
        {CaptionSH, "Distance between Line-of-Sight and Line-of-Departure @ Muzzle"},
        {UnitSH, small_units},
        {CaptionTV, "Projectile Velocity @ Target"},
        {UnitTV, velocity_units},
        {CaptionPOI, "Point of Impact below Point of Aim @ Target"},
        {UnitPOI, small_units},
        {UnitDROP, small_units},
        {CaptionET, "Elapsed Time to Target"},
        {UnitET, "Units: Seconds or milliseconds"},
        {CaptionBC, "Ballistic Coefficient. Double-click to toggle data entry"},
        {DragLawList, "Drag Law: " + drag_law_names_in_list_order()},
        {FieldBC, bc_field_tooltip()},
        {BcResult, "Calculated Ballistic Coefficient"},
        {CaptionTMP, "Ambient Air Temperature"},
        {UnitTMP, "Units: °C or °F"},
        {CaptionPRES, "Ambient Air Pressure"},
        {UnitPRES, "Units: \"Hg, mmHg or mBar"},
        {CaptionHUMID, "Relative Humidity (%)"},
        {MethodButtonPOI, "Single Chronograph at the Muzzle"},
        {MethodButtonT, "Single Chronograph at the Muzzle plus time-of-flight timer"},
        {MethodButtonV, "One Chronograph at the Muzzle, another at the Target"},
        {MethodButtonD, "One Chronograph at the Muzzle measuring deflection from LoD"},
        {MethodCaptionPOI, "Single Chronograph at the Muzzle"},
        {MethodCaptionT, "Single Chronograph at the Muzzle plus time-of-flight timer"},
        {MethodCaptionV, "One Chronograph at the Muzzle, another at the Target"},
        {MethodCaptionD, "One Chronograph at the Muzzle measuring deflection from LoD"},
        {TableRows, "Right-click for context menu"},
        {TableHeader, "Right-click for context menu"},
        {PlotSurface, "Right-click for context menu"},
    };
}

int click_area_over(int caption_id) {
    switch (caption_id) {
        case CaptionZR: return ClickZero;
        case CaptionBC: return ClickBC;
        case MethodCaptionPOI: return ClickMethodPOI;
        case MethodCaptionT: return ClickMethodT;
        case MethodCaptionV: return ClickMethodV;
        case MethodCaptionD: return ClickMethodD;
        default: return NoControl;
    }
}

std::string about_text() {
    const std::string r = "\r";
    std::string t;
    t += r;
    t += ProgramBuild + r;
    t += r;
    t += "For Windows, macOS and Linux" + r;
    t += r;
    t += "An attempt at a universal Ballistic Coefficient calculator ..." + r;
    t += "one that works from what a shooter can measure at the range:" + r;
    t += "a chronograph, a timer, a second chronograph or a bore sighter." + r;
    t += r;
    t += "Acknowledgements:" + r;
    t += "The air-gun shooters who shared their range logs and chronograph strings," + r;
    t += "and the testers who checked every set-up against paper at the target." + r;
    t += "Built with the Qt toolkit; text set in the Liberation fonts." + r;
    t += r;
    t += "Version history:" + r;
    t += "1.2.2  Confidence page shows the target chronograph only where it is used." + r;
    t += "1.2.0  Drop from the line of departure as a fourth set-up; ten drag laws." + r;
    t += "1.1.0  Confidence limits from the chronographs' stated errors." + r;
    t += "1.0.0  First release: point of impact, time of flight and two chronographs." + r;
    t += r;
    t += "Copyright (c) 2024-2026 The Velora developers." + r;
    t += "Free software under the MIT License; its text comes with the program (LICENSE)." + r;
    t += r;
    t += "Questions, range data and bug reports are welcome through the Tarvo website.";
    return t;
}

std::string message_display_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool caption_emphasised(int method, int caption_id) {
    switch (method) {
        case DeltaPOI: return caption_id == MethodCaptionPOI || caption_id == CaptionPOI;
        case DeltaT: return caption_id == MethodCaptionT || caption_id == CaptionET;
        case DeltaV: return caption_id == MethodCaptionV || caption_id == CaptionTV;
        case DeltaD: return caption_id == MethodCaptionD || caption_id == CaptionDROP;
        default: return false;
    }
}

bool unit_marker_shown(const CalcState& s, int marker) {
    if (s.mode != 1) return false;
    switch (s.statePAN) {
        case TabTable: return marker >= MarkerMV && marker <= MarkerDROP;
        case TabPlot:
            if (marker == MarkerTR) return true;
            switch (s.stateRB) {
                case DeltaPOI: return marker == MarkerPOI;
                case DeltaT: return marker == MarkerET || marker == MarkerMV;
                case DeltaV: return marker == MarkerMV;
                case DeltaD: return marker == MarkerDROP;
                default: return false;
            }
        default: return false;
    }
}

const char* gaps_item_text(int gaps) { return gaps == 1 ? "Hide Table Gaps" : "Show Table Gaps"; }

const char* target_marker_item_text(int show_target) {
    return show_target == 1 ? "Hide Target Marker" : "Show Target Marker";
}

int table_step_item(float table_step) {
    if (table_step == 1.0f) return TableStep1;
    if (table_step == 5.0f) return TableStep5;
    if (table_step == 10.0f) return TableStep10;
    if (table_step == 25.0f) return TableStep25;
    return 0;
}

std::string preferences_save_failure_text(const std::string& path, const std::string& reason) {
    return "\rThe preferences could not be saved as:\r" + path + "\r(" + reason + ")";
}

std::string preferences_unreadable_text(const std::string& path, const std::string& reason) {
    return "\rThe preferences could not be read from:\r" + path + "\r(" + reason +
           ")\rVelora works with its first-run values, and changes will not be saved in that file in this run.";
}

std::string preferences_changed_question(const std::string& path) {
    return "\rThe preferences file was changed by another program since Velora read it:\r" + path +
           "\rReplace it with the settings of this window?\r(No keeps the file as it is; the settings of this "
           "window are then not saved in this run.)";
}

std::string already_running_text(const std::string& prefs_folder) {
    return "Velora is already running with the preferences in " + prefs_folder +
           ", and its window could not be reached.";
}

std::string help_write_failure_text(const std::string& path, const std::string& reason) {
    return "\rThe help document could not be written as:\r" + path + "\r(" + reason + ")";
}

std::string no_pdf_viewer_text(const std::string& path) {
    return "\rNo program to show PDF documents was found.\rThe manual is at:\r" + path;
}

std::string message_log_line(std::string_view text) {
    std::string line;
    for (const char c : text) {
        const bool blank = c == '\r' || c == '\n' || c == ' ';
        if (blank) {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += c;
        }
    }
    if (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace velora
