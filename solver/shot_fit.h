// The fit from several shots: for each drag law, the BC (and, when asked, the muzzle velocity)
// under which the solver's flight model best explains a set of measurements taken at several
// ranges, with an interval for the BC, and the laws ranked by how well they explain the shots.
//
// A shot is one measured quantity at one range, with a standard uncertainty. For a BC the fit
// minimises the weighted sum of squares
//
//     S(BC) = Σ ((measured − predicted) / uncertainty)²
//
// where `predicted` comes from the same flight model that the window's solver bisects over
// (predict_measurement), with the window's muzzle velocity, zero range, sight height and air. A
// single shot is thus fitted to the BC the window solves from it.
//
// The BC interval is where S rises by Δ above its minimum, Δ = max(1, S_min / ν) with ν the shots
// less the fitted parameters (Δ = 1 when ν is 0). With correct uncertainties and Δ = 1 it would
// hold the true BC in about 68 % of fits (one standard error); when the shots scatter more than
// their uncertainties say (S_min / ν above one), the interval widens by the square root of the
// reduced chi-square, so that uncertainties given too small do not give too narrow an interval.
// With the muzzle velocity fitted as well, S is minimised over the velocity at every BC (the
// profile), and the interval is taken on that profile.
//
// Everything here is a pure, deterministic function of its arguments.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solver/bc_solver.h"
#include "solver/fit_search.h"
#include "state/calc_state.h"

namespace velora {

enum class ShotQuantity : int { Velocity = 0, Time = 1, Poi = 2, Drop = 3 };
inline constexpr int ShotQuantityCount = 4;

// "velocity", "time", "poi", "drop", as the shots file names them.
const char* shot_quantity_name(ShotQuantity q);
std::optional<ShotQuantity> shot_quantity_named(std::string_view name);

// The solver's measuring set-up that measures the quantity (DeltaV, DeltaT, DeltaPOI, DeltaD).
int method_of(ShotQuantity q);

struct Shot {
    float range = 0;  // yd
    ShotQuantity quantity = ShotQuantity::Velocity;
    // In the internal unit: velocity ft/s, time of flight s, POI in (relative to the point of
    // aim, below negative), drop in (below the bore axis, negative).
    float value = 0;
    std::optional<float> uncertainty;  // standard uncertainty in the value's unit; nothing: the default
};

// The default standard uncertainties: 0.5 % of a velocity, 0.5 ms of a time, 0.1 inch of a POI
// or a drop.
inline constexpr float DefaultVelocityUncertainty = 0.005f;  // of the value
inline constexpr float DefaultTimeUncertainty = 0.0005f;     // s
inline constexpr float DefaultLengthUncertainty = 0.1f;      // in
float default_uncertainty(ShotQuantity q, float value);
float uncertainty_of(const Shot& shot);

// What the shots are flown with: the window's inputs that the BC does not replace.
struct ShotFitInputs {
    float MV = 0;  // ft/s; the start of the search when the velocity is fitted
    float ZR = 0;  // yd
    float SH = 0;  // in
    AirState air;
    float MaxRange = 0;  // yd: the farthest a shot may lie, the window's largest target range
};

// The window's inputs, the range limit being twice max_target_range(s) as for the target range.
ShotFitInputs shot_fit_inputs(const CalcState& s);

// Why a set of shots cannot be fitted, and which shot (its index, or -1 for the whole set).
enum class ShotProblemKind {
    NoShot,            // there is no shot
    TooFewToFitMv,     // fitting the muzzle velocity as well needs two shots
    RangeNotPositive,  // a range of 0 or less (or not a number)
    RangeBeyondLimit,  // beyond MaxRange
    ValueNotANumber,
    ValueNotPositive,        // a velocity or a time of 0 or less
    UncertaintyNotPositive,  // a given or default uncertainty of 0, or too small to weigh a shot by
    TooManyShots,            // more than MostFitShots
};

// The most shots one fit takes: the fit of that many, under all ten laws and with the muzzle
// velocity fitted too, stays within 2 s and 200 MB on a desktop machine (bench_fit_limits).
inline constexpr std::size_t MostFitShots = 40000;

struct ShotProblem {
    int shot = -1;
    ShotProblemKind kind = ShotProblemKind::NoShot;
};

// The first problem of the shots, or nothing: at least one shot (two to fit the velocity as
// well) and at most MostFitShots; each range above 0 and at most MaxRange; each value finite, a
// velocity or time above 0; its uncertainty, given or the default, finite and at least the
// smallest normal float (a zero or subnormal one would weigh the shot without bound).
std::optional<ShotProblem> check_shots(const std::vector<Shot>& shots, const ShotFitInputs& in, bool fit_mv);

// The fit under one law.
enum class FitOutcome {
    Fitted,
    BelowRange,  // the best BC lies below 0.004: refused, as the window's solver refuses it
    AboveRange,  // above 1.2
};

struct LawFit {
    int law = 0;  // DragLaw
    FitOutcome outcome = FitOutcome::Fitted;
    float BC = 0;      // the best BC (for a refused fit: the end of the range it ran into)
    float BC_low = 0;  // the interval; an end may stop at 0.004 or 1.2
    float BC_high = 0;
    float MV = 0;                   // the muzzle velocity of the fit (the given one unless it was fitted)
    double chi_square = 0;          // S at the best BC
    double rms = 0;                 // √(S / shots): 1 when the shots scatter as their uncertainties say
    std::vector<double> residuals;  // measured − predicted, per shot in the given order, in the value's unit
};

struct ShotFitOptions {
    bool fit_mv = false;    // fit the muzzle velocity together with the BC
    std::vector<int> laws;  // the laws to fit; empty: all ten
};

// Whether `x` ranks before `y`: a fitted law before a refused one, then the smaller rms.
bool ranks_before(const LawFit& x, const LawFit& y);

// How a fit that runs beside the window is stopped and followed. Either may be empty.
struct FitControl {
    // Asked between the steps of the searches (milliseconds apart, a tenth of a second at most with
    // the largest fit): true ends the fit at once, without a result.
    std::function<bool()> cancelled;
    // Told after each step how much of the fit is done, from 0 to 1.
    std::function<void(double)> progress;
};

// Fits every law (the shots must have passed check_shots) and returns the fits best first: the
// fitted laws by rising rms, then the refused ones by rising rms; equal rms keep the law order.
// Nothing when `control.cancelled` ended it.
std::vector<LawFit> fit_shots(const std::vector<Shot>& shots, const ShotFitInputs& in,
                              const ShotFitOptions& options = {}, const FitControl& control = {});

// The measurements the flight model predicts for every shot (in the given order) for one BC,
// law and muzzle velocity, from one flight out to the farthest shot. Each prediction is bit for
// bit what predict_measurement gives for that shot alone; a POI shot short of the zero range
// takes the line of sight through the path at the zero range all the same. A flight that cannot
// reach a shot gives it predict_measurement's value for an unreached target.
std::vector<float> predict_shots(const std::vector<Shot>& shots, float mv, float bc, int law, const ShotFitInputs& in);
std::vector<float> predict_shots(const std::vector<Shot>& shots, float mv, float bc, const DragCurve& law,
                                 const ShotFitInputs& in);

// The fit's objective for a search of a caller's own (the shots of a string that have a POI or a
// drop, which are flown one by one): the shots as one flight, with the given muzzle velocity or
// with the velocity that fits them best at each BC when `fit_mv`. The shots must have passed
// check_shots.
struct ShotsObjective;
std::shared_ptr<const ShotsObjective> shots_objective(const std::vector<Shot>& shots, const ShotFitInputs& in,
                                                      bool fit_mv);
// The weighted sum of squares at BC exp(u) under `law`, with its muzzle velocity (searched from
// `mv_hint` when fitted) and its residuals.
fit_search::Trial evaluate_shots(const ShotsObjective& objective, int law, double u, float mv_hint);

}  // namespace velora
