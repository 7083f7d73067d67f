// A projectile's own drag curve, measured: the drag coefficient against the Mach number fitted to
// the velocities of a string's shots along their radar tracks (or at several ranges), each shot's
// muzzle velocity fitted as in the string fit.
//
// The model. Gravity aside (it changes a .22 LR's speed over 60 m by some 0.01 ft/s), a projectile
// slows as dv/dx = −k Cd(v/c) v with k = ρπ / (1152 SD) per foot. Written for the range at which it
// has slowed to a Mach number m, with h(M) = 1 / (k Cd(M)) its "slowness" (ft):
//
//     x(m) = H(m) − a,   H(m) = ∫_m^top h(M) / M dM,   a = H(muzzle Mach)
//
// With h piecewise linear on knots, H is linear in the knots' values; and a is one number a shot,
// where its muzzle velocity hides. So the range at which each track sample was measured is linear
// in the curve and in each shot's offset, and the fit is a weighted linear least squares: no flight
// is flown, and each shot's muzzle velocity (its offset) is profiled out exactly by centring its
// samples. A velocity's error σ becomes a range error of σ h / v; the weights follow the curve, a
// few rounds. Written so, though, the measured Mach number of each sample stands among the
// regressors, and its noise flattens the fitted slowness: at a radar's few ft/s that put Cd a
// percent or more too high where the tracks end. So the fit then takes a few Gauss–Newton rounds
// on the velocities themselves, which keep the same linear form: each sample moves to the Mach
// number the curve gives at its range, and what it measured beyond that goes into its range. The
// residuals reported are velocities: each sample's speed measured less the speed the curve gives at
// its range, from the shot's fitted muzzle velocity.
//
// Why this form: the curve must come out smooth, positive where there are data, with a band, and
// quickly; a linear fit gives all four (the band from the covariance, the smoothness from a penalty
// on the second differences of h, the comparisons with the laws by removing a shot's share of the
// normal equations). Cd = 1 / (k h) is then written as a table every half knot spacing, linear
// between its points as every drag curve is flown: between them it departs from the fitted 1 / h by
// less than a thousandth of a percent.
//
// The span. The curve holds where three shots or more slowed through: from the third lowest of the
// shots' slowest Mach numbers to the third highest of their fastest. Beyond it one shot's first or
// last few velocities are all there is, and that shot's muzzle velocity takes up most of what they
// say. The table covers that span only; a flight beyond it holds the end values and says so.
//
// The knots lie evenly over the Mach span the samples cover, CurveKnotSpacing apart (at least three
// intervals). The penalty's weight is the one under which the samples are likeliest (restricted
// maximum likelihood, the penalty read as a prior on the curve's bends), among a fixed ladder and
// among those that leave the curve three effective parameters or more, so more than a straight
// slowness. Leaving shots out to choose it was tried first: with thirty shots its score is flat and
// noisy, and on some strings it chose a curve of fifteen parameters that wandered by 10 % where
// the tracks end, on others a line through a transonic rise. The likelihood chooses steadily, and its
// band then holds the true curve at about its stated rate (strings made from a known curve at a
// radar's scatter: 68 %). The band is one standard error either side (about 68 %, as the BC's
// interval), from the penalised fit's covariance σ² (XᵀWX + λP)⁻¹, which takes the smoothing's bias
// into account on average, widened by √(χ²/ν) when the samples scatter more than their uncertainties
// say (ν is the samples less the shots' offsets and the curve's effective parameters).
//
// A radar's track is no set of independent velocities: the device smooths it, and the residuals of
// neighbouring samples run together. As in the string fit, a track of n samples whose residuals
// under the curve have the lag-1 autocorrelation ρ counts as n (1 − ρ) / (1 + ρ) samples: the
// likelihood that chooses the penalty counts them so, and the band is widened by the root of the
// samples over what they count as (SR0038's 1,992 count as about 960).
//
// Leaving each shot out (or ten folds of shots, for more than 40) measures how well the curve
// explains shots it has not seen.
//
// The laws are fitted in the same way with their shape held and one scale, their form factor, fitted;
// they and the curve are compared by the rms of the velocities of shots each fitted without them.
#pragma once

#include <string>
#include <vector>

#include "engine/drag.h"
#include "solver/string_fit.h"

namespace velora {

inline constexpr double CurveKnotSpacing = 0.01;  // Mach
inline constexpr int LeastCurveIntervals = 3;
inline constexpr int MostCurveIntervals = 100;
inline constexpr double LeastCurveSpan = 0.03;  // Mach: narrower, and the data hold one coefficient, not a curve
inline constexpr int LeastCurveShots = 3;       // each with LeastMeasurementsForMv velocities downrange
inline constexpr int LeastCurveParameters = 3;  // effective: the penalty may smooth the curve no further

// The air and the projectile: the speed of sound (ft/s), the air's density (lbm/ft³) and the
// sectional density (lb/in²).
struct CurveFitInputs {
    double speed_of_sound = 0;
    double air_density = 0;
    double sectional_density = 0;

    double k() const;  // ρπ / (1152 SD), per foot
};
CurveFitInputs curve_fit_inputs(const AirState& air, double sectional_density);

// A published curve to set beside the fitted one.
struct ComparedCurve {
    std::string name;
    DragCurve curve;  // must outlive the fit
};

struct CurveFitOptions {
    std::vector<int> laws;  // the laws to compare with; empty: the ten
    std::vector<ComparedCurve> tables;
    bool set_aside_outliers = true;
};

struct CurvePoint {
    double mach = 0;
    double cd = 0, cd_low = 0, cd_high = 0;  // the band: one standard error either side
};

// A law or a table flown with its form factor fitted.
struct CurveCandidate {
    int law = -1;  // the built-in law, or -1 for a table
    std::string name;
    double form_factor = 0;  // against the law (or the table)
    double bc = 0;           // the sectional density over the form factor
    double rms = 0;          // ft/s, the velocities of the shots in the fit
    double cv_rms = 0;       // ft/s, each shot's velocities from a fit without it
    // A table against the fitted curve over the Mach both cover, at form factor 1: the mean and the
    // largest (in size) of (table − fitted) / fitted; no overlap where low ≥ high.
    double overlap_low = 0, overlap_high = 0;
    double mean_difference = 0, largest_difference = 0;
};

struct CurveShot {
    std::string name;
    int samples = 0;       // velocities in the fit
    bool used = false;     // in the fit
    bool outlier = false;  // set aside: its rms stands far above the others'
    double mv = 0;         // ft/s, fitted
    double rms = 0;        // ft/s
};

enum class CurveRefusal : int {
    None = 0,
    TooFewShots,    // fewer than three shots with three velocities downrange
    SpanTooNarrow,  // their Mach span is narrower than LeastCurveSpan
    NoDrag,         // the fit gives no positive drag somewhere: the data hold no curve
};

struct CurveFit {
    CurveRefusal refusal = CurveRefusal::None;
    int usable_shots = 0;
    double mach_low = 0, mach_high = 0;  // the span where three shots or more slowed through: the curve holds there
    std::vector<double> knots;           // Mach
    std::vector<double> slowness;        // h at the knots, ft
    std::vector<double> covariance;      // of the slowness, knots × knots
    double k = 0;                        // per ft
    double lambda = 0;                   // the penalty's weight chosen
    double edf = 0;                      // the curve's effective number of parameters
    double chi_square = 0;               // Σ (velocity residual / σ)²
    int samples = 0;
    double freedom = 0;
    double scale = 1;                  // max(1, χ² / ν)
    double effective_samples = 0;      // what the samples count as, their run along each track allowed for
    double correlation = 1;            // samples / effective_samples: the band is widened by its root
    double rms = 0;                    // ft/s
    double cv_rms = 0;                 // ft/s
    std::vector<CurvePoint> points;    // the table over the span, every half knot spacing
    std::vector<CurveCandidate> laws;  // by cross-validated rms, best first
    std::vector<CurveCandidate> tables;
    std::vector<CurveShot> shots;  // one a shot given

    bool refused() const { return refusal != CurveRefusal::None; }
    bool inside(double mach) const { return mach >= mach_low && mach <= mach_high; }
    // The curve and its band at a Mach number inside the span.
    CurvePoint at(double mach) const;
};

// Fits the curve to the velocities of `shots` (their measurements of other quantities are passed over).
CurveFit fit_drag_curve(const std::vector<FitShot>& shots, const CurveFitInputs& in,
                        const CurveFitOptions& options = {});

// Why a fit was refused, in one line: "the shots cover Mach 0.951 to 0.962 only, and a curve needs 0.03".
std::string curve_refusal_text(const CurveFit& fit);

// The closing note: the span, and the fitted curve's cross-validated rms beside the best law's.
std::string curve_fit_note(const CurveFit& fit);

}  // namespace velora
