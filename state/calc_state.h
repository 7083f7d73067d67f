// The one calculator state record of a run.
//
// Every input value is a 32-bit float in its fixed internal unit: velocities in ft/s, ranges in
// yards, sight height, point of impact and drop in inches, time in seconds, temperature in °C,
// pressure in inches of mercury, humidity and tolerances in percent. Field names are the keys
// under which the preferences file stores them.
//
// This header depends on nothing but the standard library; the engine, the solver, the
// services and the window all take the record by reference. Exactly one instance exists per run,
// owned by the application.
#pragma once

#include <cstdint>
#include <string>

namespace velora {

// MeasurementMethod, the value of `stateRB`.
enum MeasurementMethod : int { DeltaPOI = 0, DeltaT = 1, DeltaV = 2, DeltaD = 3 };

// DragLaw, the value of `CURVE` (also the law's column in the drag table).
enum DragLaw : int { G1 = 0, GA = 1, GS = 2, RA4 = 3, G7 = 4, GA2 = 5, SLG0 = 6, SLG1 = 7, WC0 = 8, GL = 9 };

struct CalcState {
    // Input values, internal units.
    float MV = 790.0f;                // muzzle velocity, ft/s
    float ZR = 32.0f;                 // zero range (near or far), yd
    float TR = 50.0f;                 // target range of the active method, yd (copied from TRArray)
    float TRArray[4] = {0, 0, 0, 0};  // target range per method, yd
    float SH = 1.65f;                 // sight height, in
    float TV = 746.3f;                // velocity at target, ft/s
    float POI = -0.41f;               // point of impact below point of aim, in (negative)
    float ET = 0.039f;                // time of flight, s
    float DROP = 0.2f;                // drop below the line of departure, in (negative once checked)
    float BC = 0.02f;                 // ballistic coefficient, lb/in², for the law CURVE
    float MV_TOL = 1.3f;              // muzzle chronograph maximum error, %
    float TV_TOL = 1.3f;              // target chronograph maximum error, %
    float TMP = 20.0f;                // temperature, °C
    float PRES = 29.92f;              // pressure, inHg
    float HUMID = 50.0f;              // relative humidity, %
    float TableStep = 1.0f;           // range step of the table, in table range units

    // Unit selections: positions in each field's unit list.
    int stateMV = 0;    // 0 Ft/s, 1 m/s, 2 Mach
    int stateZR = 1;    // 0 Foot, 1 Yard, 2 Metre
    int stateTR = 1;    // 0 Foot, 1 Yard, 2 Metre
    int stateSH = 0;    // 0 Inch, 1 cm, 2 mm
    int stateTV = 0;    // as stateMV
    int statePOI = 0;   // as stateSH
    int stateET = 1;    // 0 Second, 1 mSec
    int stateTMP = 0;   // 0 °C, 1 °F
    int statePRES = 0;  // 0 "Hg, 1 mmHg, 2 mBar
    int stateDROP = 0;  // as stateSH

    // Selections and options.
    int stateRB = 1;      // MeasurementMethod
    int CURVE = 2;        // DragLaw in use
    int stateBC = 0;      // position of the law in the drag-law list
    int stateBC_VAL = 0;  // 1 = BC shown as a calculated result, 0 = BC typed into its field
    int statePAN = 0;     // output tab: 0 Table, 1 Plot, 2 Confidence
    int mode = 0;         // 1 = output panel shown
    int mpag = 5;         // input field that receives the focus (5..16)
    int ShowTarget = 1;   // plot draws the target marker
    int Gaps = 1;         // range table shows gaps between row groups
    std::uint8_t AutoUpdateCheck = 1;
    std::uint8_t AutoLogoCheck = 1;
    std::uint8_t EnableToolTips = 1;
    int Scheme = 0;        // kept and written back unchanged
    int WinX[2] = {0, 0};  // main window (0) and preferences window (1); -1 = not yet placed
    int WinY[2] = {0, 0};

    // Run-time fields, never stored.
    int ChangeKind = 0;  // 0 redisplay, 1 predict, 2 solve
    int DarkMode = 0;
    int DensityUnit = 1;  // 1 lbm/ft³, 0 kg/m³
    int ShowFarZero = 1;  // 1 the zero field shows the far zero, 0 the near zero
    std::string PrefsFolder;
    std::string HelpFolder;
    std::string HelpFile;
    std::string LastFolder;

    // Layout metrics in pixels, shared by the window builder and the resize.
    int LabelHeight = 20;
    int FieldHeight = 25;
    int ListHeight = 25;
    int RowGap = 1;
    int ColumnWidth = 80;
    int WinW[2] = {400, 830};
    int WinH = 20 + 590;
};

}  // namespace velora
