// The fixed numbers by which the program names every control of the main window, every menu item
// and every keyboard shortcut. The window builder registers each widget under its number, the
// dispatcher and the keyboard navigation are written in these numbers, and the field numbers are
// stored in the preferences ("mpag").
#pragma once

#include "solver/fields.h"

namespace velora {

enum ControlId : int {
    NoControl = 0,

    // Input fields: their numbers are the fields' own (solver/fields.h).
    FieldMV = static_cast<int>(FieldId::MV),
    FieldZR = static_cast<int>(FieldId::ZR),
    FieldTR = static_cast<int>(FieldId::TR),
    FieldSH = static_cast<int>(FieldId::SH),
    FieldTV = static_cast<int>(FieldId::TV),
    FieldPOI = static_cast<int>(FieldId::POI),
    FieldET = static_cast<int>(FieldId::ET),
    FieldDROP = static_cast<int>(FieldId::DROP),
    FieldBC = static_cast<int>(FieldId::BC),
    FieldTMP = static_cast<int>(FieldId::TMP),
    FieldPRES = static_cast<int>(FieldId::PRES),
    FieldHUMID = static_cast<int>(FieldId::HUMID),
    FieldMVTol = static_cast<int>(FieldId::MV_TOL),
    FieldTVTol = static_cast<int>(FieldId::TV_TOL),

    // The Confidence page.
    CaptionMVTol = 19,
    CaptionTVTol = 20,
    PlusMinusMV = 21,
    PlusMinusTV = 22,

    // Unit markers "●" beside the unit lists whose quantity the table or plot shows.
    MarkerMV = 23,
    MarkerPOI = 24,
    MarkerTR = 25,
    MarkerET = 26,
    MarkerDROP = 27,

    ConfidenceMethod = 28,
    MaxBcCaption = 29,
    MaxBcValue = 30,
    NaiveBcCaption = 31,
    NaiveBcValue = 32,
    MeanBcCaption = 33,
    MeanBcValue = 34,
    MinBcCaption = 35,
    MinBcValue = 36,
    ConfidenceDragLaw = 37,

    // Unit lists.
    UnitMV = 48,
    UnitZR = 49,
    UnitTR = 50,
    UnitSH = 51,
    UnitTV = 52,
    UnitPOI = 53,
    UnitDROP = 54,
    UnitET = 55,
    DragLawList = 56,

    // Captions of the field groups.
    CaptionMV = 57,
    CaptionZR = 58,
    CaptionTR = 59,
    CaptionSH = 60,
    CaptionTV = 61,
    CaptionPOI = 62,
    CaptionDROP = 63,
    CaptionET = 64,
    CaptionBC = 65,
    BcResult = 66,
    DragLawDescription = 67,

    // The four measuring set-ups: captions and option buttons.
    MethodCaptionPOI = 68,
    MethodCaptionT = 69,
    MethodCaptionV = 70,
    MethodCaptionD = 71,
    MethodButtonPOI = 72,
    MethodButtonT = 73,
    MethodButtonV = 74,
    MethodButtonD = 75,

    CaptionTMP = 76,
    UnitTMP = 77,
    CaptionPRES = 78,
    UnitPRES = 79,
    CaptionHUMID = 80,
    DensityLine = 81,

    // Transparent click areas laid over captions.
    ClickMethodPOI = 83,
    ClickMethodT = 84,
    ClickMethodV = 85,
    ClickMethodD = 86,
    ClickBC = 87,
    ClickZero = 88,
    ClickDensity = 89,

    // Menu items.
    MenuHelpTopics = 91,
    MenuWebsite = 92,
    MenuPreferences = 93,
    MenuAbout = 94,
    MenuCheckUpdates = 95,
    MenuQuit = 96,

    // The output panel.
    OutputPanel = 97,
    TableRows = 98,
    TableHeader = 99,
    PlotSurface = 100,
    ConfidenceBox = 101,

    // The table's context menu.
    TableMenu = 102,
    TableStep1 = 103,
    TableStep5 = 104,
    TableStep10 = 105,
    TableStep25 = 106,
    TableGaps = 107,
    PrintTable = 108,
    SaveTableCsv = 109,

    // The plot's context menu.
    PlotMenu = 110,
    PlotTargetMarker = 111,
    PrintImage = 112,
    SaveImage = 113,

    PanelButton = 114,
    MenuTogglePanel = 115,
    MenuTablePanel = 116,
    MenuPlotPanel = 117,
    MenuConfidence = 118,
    MenuFitShots = 119,  // "Fit from Shots…"

    // Added to the popup menus and the Utility menu: the spreadsheet table, the print-size image
    // and the report.
    SaveTableSpreadsheet = 140,
    SaveImagePrintSize = 141,
    MenuSaveReport = 142,
};

// The numbers the keyboard shortcuts deliver as menu events.
enum ShortcutNumber : int {
    KeyReturn = 1,
    KeyQuit = 2,   // Escape, Ctrl+Q
    KeyHelp = 3,   // F1, Ctrl+H
    KeyAbout = 4,  // F2, Ctrl+A
    KeyTab = 15,
    KeyBacktab = 16,  // Shift+Tab
};

// Tabs of the output panel, the value of statePAN.
enum PanelTab : int { TabTable = 0, TabPlot = 1, TabConfidence = 2 };

inline constexpr bool is_input_field(int id) { return id >= FirstFieldId && id <= LastFieldId; }

// The last field of the inputs area; the two after it are on the Confidence page.
inline constexpr int LastInputsAreaField = FieldHUMID;

// The caption over each input field and its unit list (NoControl for a field without one), in the
// order of the fields.
struct FieldControls {
    int field, caption, unit_list;
};
inline constexpr FieldControls ControlsOfFields[] = {
    {FieldMV, CaptionMV, UnitMV},          {FieldZR, CaptionZR, UnitZR},          {FieldTR, CaptionTR, UnitTR},
    {FieldSH, CaptionSH, UnitSH},          {FieldTV, CaptionTV, UnitTV},          {FieldPOI, CaptionPOI, UnitPOI},
    {FieldET, CaptionET, UnitET},          {FieldDROP, CaptionDROP, UnitDROP},    {FieldBC, CaptionBC, NoControl},
    {FieldTMP, CaptionTMP, UnitTMP},       {FieldPRES, CaptionPRES, UnitPRES},    {FieldHUMID, CaptionHUMID, NoControl},
    {FieldMVTol, CaptionMVTol, NoControl}, {FieldTVTol, CaptionTVTol, NoControl},
};

static_assert(
    [] {
        int field = FirstFieldId;
        for (const FieldControls& c : ControlsOfFields)
            if (c.field != field++) return false;
        return field == LastFieldId + 1;
    }(),
    "one entry per field, in their order");

// The controls of a field, whose number `field` is.
constexpr const FieldControls& controls_of_field(int field) {
    for (const FieldControls& c : ControlsOfFields)
        if (c.field == field) return c;
    return ControlsOfFields[0];
}

}  // namespace velora
