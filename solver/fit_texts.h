// The texts of the fit from several shots: the shots in the main window's units, what a typed
// shot value means, the ranked laws, the problems of a set of shots and the inputs a fit used.
// Pure functions; the fit window and the command line only put the texts where they belong.
#pragma once

#include <string>
#include <string_view>

#include "state/calc_state.h"
#include "engine/unit_value.h"
#include "engine/units.h"
#include "solver/shot_fit.h"

namespace velora {

// The units the shots are shown and typed in: those the main window shows the target range,
// the velocity at the target, the time of flight, the POI and the drop in (Mach at the
// temperature of the moment).
struct ShotUnits {
    int range = Yard;
    int velocity = FtPerS;
    int time = Second;
    int poi = Inch;
    int drop = Inch;
    float tmp = 15.0f;  // °C, for Mach
};

ShotUnits shot_units(const CalcState& s);
// The units of the command line: yd, ft/s, s, in.
inline constexpr ShotUnits InternalShotUnits{};

Quantity quantity_of(ShotQuantity q);
int unit_of(const ShotUnits& u, ShotQuantity q);

// "Velocity (Ft/s)", "Time (mSec)", "POI (mm)", "Drop (Inch)".
std::string shot_quantity_caption(ShotQuantity q, const ShotUnits& u);

// A range, a value or an uncertainty in the shown unit, with one decimal more than the main
// window's fields show in that unit.
std::string shot_range_text(float yd, const ShotUnits& u);
std::string shot_value_text(ShotQuantity q, float internal, const ShotUnits& u);
// A residual (measured less predicted, in the internal unit) in the shown unit, with one decimal
// more than the main window's fields show in that unit.
std::string shot_residual_text(ShotQuantity q, double residual, const ShotUnits& u);

// A typed range, value or uncertainty: a plain number in the shown unit, or a number with a unit
// suffix (60m, 180m/s, 12ms, -22mm). An uncertainty may also be a percentage of the value ("1%").
UnitValue read_shot_range(std::string_view text, const ShotUnits& u);
UnitValue read_shot_value(std::string_view text, ShotQuantity q, const ShotUnits& u);
UnitValue read_shot_uncertainty(std::string_view text, ShotQuantity q, float value, const ShotUnits& u);

// What is wrong with the shots, in words for the user; `shot_name` names the shot the problem
// belongs to ("Shot 3", "line 4"). Ranges are given in the range unit of `u`.
std::string shot_problem_text(const ShotProblem& problem, const std::string& shot_name, const ShotFitInputs& in,
                              const ShotUnits& u);

// One fitted law as the fit window's table and the command line's text show it.
struct FitRowTexts {
    std::string law;       // "GA2"
    std::string bc;        // "0.0195", or "below 0.0040" / "above 1.2000" when refused
    std::string interval;  // "0.0193 – 0.0197", empty when refused
    std::string rms;       // "0.84"
    std::string mv;        // the fitted muzzle velocity in `mv_unit`, empty unless it was fitted
};
FitRowTexts fit_row_texts(const LawFit& fit, bool fit_mv, int mv_unit, float tmp);

// The inputs of a fit, in the main window's units: "muzzle velocity 785.0 Ft/s, zero 32.0 Yard,
// sight height 1.65 Inch, 23.5 °C, 28.42 "Hg, 32.0 %".
std::string fit_inputs_text(const CalcState& s);

}  // namespace velora
