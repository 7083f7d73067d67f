// The fit of a shot string: each shot flown from its own muzzle velocity, one BC for the series
// under each drag law, each shot's own BC with their spread and their trend against the muzzle
// velocity, shots that do not belong set aside by a stated rule, and a verdict on which laws the
// data can tell apart.
//
// The model. Shot i has measurements y_ij at ranges r_ij with standard uncertainties σ_ij. Under
// a law with a BC, the shot is flown from its muzzle velocity MV_i: its own (as recorded), the
// string's mean or the main window's where it has none, or fitted as a parameter of its own where
// it has three measurements or more downrange (the default for a radar's track, whose muzzle
// velocity the device extrapolated back). Its weighted sum of squares is
//
//     S_i(BC, MV_i) = Σ_j ((y_ij − predicted_ij) / σ_ij)²
//
// The series BC minimises S(BC) = Σ_i S_i(BC, MV_i), each fitted MV_i taken at its best for
// that BC (the profile). Its interval is where S rises by Δ = max(1, S_min / ν) above its minimum,
// ν the measurements less the fitted parameters (the BC and the fitted velocities): the rule of
// the fit of several shots. Each shot's own BC minimises S_i alone, with its interval by the same
// rule on its own measurements.
//
// Shots set aside. A shot whose own fit stands apart from the others is left out of the series:
// its BC lies more than OutlierLimit robust standard deviations (1.4826 × the median absolute
// deviation, or its own BC's standard error where that is larger) from the line through the shots'
// BCs against their muzzle velocities (Theil–Sen: the median of the pairwise slopes), or its residuals' rms lies that
// far above the median rms and is half as large again as it (a track with junk in it, not a shot a little off the law);
// or its own BC runs out of the range. The rule is judged under the law that explains the shots best one by one (the
// least Σ S_i at their own BCs), within each string when several are fitted together, and only among five shots or
// more.
//
// The verdict. The laws are ranked by the series' weighted sum of squares. A law cannot be told
// from the best when its sum exceeds the best one's by less than VerdictThreshold × max(1, S_best
// / ν_best): a difference of 4 is a likelihood ratio of e² ≈ 7.4 between two laws with the same
// number of parameters; when the shots scatter more than their uncertainties say, the sums are
// compared in the units of that scatter.
//
// A radar's track is not a set of independent measurements: the residuals of neighbouring samples
// run together (the device smooths its track, and the shot's own flight strays from any law
// slowly), so a track of 80 samples holds far less evidence than 80 independent velocities, and a
// difference of sums of squares between laws overstates it by as much. For each shot with
// LeastSamplesForCorrelation measurements or more, ρ is the lag-1 autocorrelation of its
// standardised residuals under the best law, in the order of their ranges, and its n measurements
// count as n (1 − ρ) / (1 + ρ) independent ones (ρ below 0 taken as 0); the others count as they
// are. The verdict's threshold grows by the measurements over what they count as.
//
// Everything here is a pure, deterministic function of its arguments; the caller may stop it
// between its steps and is told how far it has come.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "solver/shot_fit.h"
#include "solver/shot_string.h"

namespace velora {

inline constexpr double OutlierLimit = 3.5;       // robust standard deviations
inline constexpr double OutlierRmsRatio = 1.5;    // an rms set aside is also half as large again as the median
inline constexpr int LeastShotsForOutliers = 5;   // in one string
inline constexpr double VerdictThreshold = 4.0;   // Δχ², in units of the reduced χ² where it exceeds 1
inline constexpr double SharedBcLimit = 3.0;      // standard errors between two strings' BCs at one muzzle velocity
inline constexpr int LeastMeasurementsForMv = 3;  // downrange, to fit a shot's own muzzle velocity
inline constexpr int LeastTypedShotsForMv = 2;    // the typed shots' one muzzle velocity, as ever
inline constexpr int LeastSamplesForCorrelation = 10;  // in one shot, to judge how its residuals run together

// Σ (e_k − ē)(e_k+1 − ē) / Σ (e_k − ē)² over a run of residuals in their order; 0 for fewer than
// three or for a run without scatter.
double lag1_autocorrelation(const std::vector<double>& e);

// What n serially correlated values with lag-1 autocorrelation ρ are worth as independent ones:
// n (1 − ρ) / (1 + ρ), ρ below 0 taken as 0, at least 1 (n itself when n < 1).
double effective_count(int n, double rho);

// Where a shot's muzzle velocity comes from.
enum class MvSource : int {
    Own = 0,     // its own, as recorded
    Fitted,      // fitted, a parameter of its own
    StringMean,  // it has none: the mean of the string's shots
    Window,      // the main window's (the typed shots; a string without any)
};
const char* mv_source_name(MvSource source);  // "own", "fitted", "string_mean", "window"

// Which shots have their muzzle velocity fitted.
enum class MvChoice : int {
    Extrapolated = 0,  // those whose recorded velocity the device extrapolated (a radar's)
    All,               // every shot with enough measurements, the typed shots too
    None,              // none: each flown from its own, the string's or the window's
};

// One shot of the fit: what it measured and its muzzle velocity as recorded.
struct FitShot {
    std::string name;                 // "shot 0001", "the typed shots"
    int group = 0;                    // the string it came from, when several are fitted together
    int string_index = -1;            // its place among the string's shots; -1 for the typed shots
    bool typed = false;               // the typed shots: one flight, the main window's muzzle velocity
    std::vector<Shot> measurements;   // downrange, in use
    std::vector<std::string> labels;  // one a measurement: "V10", "track sample 12"
    std::optional<float> mv;          // its own muzzle velocity (ft/s)
    MvKind mv_kind = MvKind::Unknown;
    bool may_be_outlier = true;  // false once the user took it back in after the fit set it aside
};

// The standard uncertainty of a radar's track sample: 20 ft/s × 10^(−SNR / 20), the scatter the
// LabRadar tracks of .22 LR in the corpus show about smooth curves at each SNR (from 6.5 ft/s at
// 10 dB to 1 ft/s at 27 dB), at least 0.5 ft/s; without an SNR the default of a velocity.
float track_sample_uncertainty(const TrackSample& t);

// The shots of a string as the fit takes them, in the string's order: each shot in use that has a
// measurement or a track sample in use downrange. With `tracks` a shot that has a radar track in
// use gives its samples (velocities at their ranges) and not its gates; else its measurements, and
// only a shot with none gives its track.
std::vector<FitShot> string_fit_shots(const ShotString& s, bool tracks, int group = 0);

// The typed shots as one shot of the fit.
FitShot typed_fit_shot(const std::vector<Shot>& shots);

struct StringFitOptions {
    MvChoice mv = MvChoice::Extrapolated;
    std::vector<int> laws;            // the laws to fit; empty: all ten
    bool set_aside_outliers = true;   // apply the rule at all
    std::vector<std::string> groups;  // the names of the strings, by group, when several are fitted together
    // Asked between the steps of the fit: true stops it (StringFit::cancelled).
    std::function<bool()> cancelled;
    // Told how far the fit has come, 0 to 1.
    std::function<void(double)> progress;
};

// What the fit did with a shot.
struct ShotPlan {
    MvSource source = MvSource::Own;
    float mv = 0;                    // ft/s it is flown with, or where the fit of its velocity started
    int measurements = 0;            // in the fit
    bool too_few_to_fit_mv = false;  // its velocity would have been fitted, but it has too few measurements
    bool flown_one_by_one = false;   // it has a POI or a drop
};

// One shot under one law: its own BC.
struct ShotFit {
    bool flown = true;  // false for a shot that cannot be flown (the fit's messages say why)
    FitOutcome outcome = FitOutcome::Fitted;
    float BC = 0, BC_low = 0, BC_high = 0;
    float MV = 0;  // flown with (fitted where its velocity is fitted)
    double chi_square = 0;
    double rms = 0;
    int freedom = 0;
};

// The spread of the shots' own BCs (those in the series with a BC of their own).
struct BcSpread {
    int count = 0;
    double mean = 0, sd = 0;  // sd with n − 1; 0 for one shot
    double low = 0, high = 0;
};

// The shots' BCs against their muzzle velocities, by weighted least squares (weights from their
// intervals): BC(mv) = at_mean + slope × (mv − mean_mv). The slope's interval is one standard
// error either side, widened by the square root of the scatter per degree of freedom where it
// exceeds 1, as the BC's. Needs three shots with different velocities.
struct BcTrend {
    bool valid = false;
    int count = 0;
    double mean_mv = 0;                               // ft/s
    double at_mean = 0;                               // BC at mean_mv
    double slope = 0, slope_low = 0, slope_high = 0;  // BC per ft/s
    double at(double mv) const { return at_mean + slope * (mv - mean_mv); }
};

// Whether strings fitted together share one BC: their BCs at one muzzle velocity (a line of a
// common slope through each string's shots), and the largest difference in standard errors.
struct GroupBc {
    int group = 0;
    int count = 0;
    double bc = 0, se = 0;
};
struct SharedBc {
    bool tested = false;  // two strings or more, each with two shots or more
    double at_mv = 0;     // ft/s
    std::vector<GroupBc> groups;
    double separation = 0;  // the largest |BC_a − BC_b| / √(se_a² + se_b²)
    bool shared() const { return !tested || separation <= SharedBcLimit; }
};

struct StringLawFit {
    // The series fit with the members of the fit of several shots: law, outcome, BC and its
    // interval, MV (the mean of the velocities the shots in the series were flown with),
    // chi_square, rms and the residuals of the series' measurements, shot after shot.
    LawFit series;
    int freedom = 0;                             // ν of the series
    std::vector<float> mv;                       // per shot: flown with in the series (its own fit's when set aside)
    std::vector<std::vector<double>> residuals;  // per shot and measurement, under the series BC
    std::vector<ShotFit> shots;                  // per shot: its own BC
    BcSpread spread;
    BcTrend trend;
    SharedBc shared;
};

enum class OutlierFigure : int {
    Bc = 0,   // its BC, far from the line through the others
    Rms,      // its residuals' rms, far above the others'
    AtLimit,  // no BC of the range explains it: its own runs out at 0.004 or 1.2
};

struct Outlier {
    int shot = 0;
    int law = 0;  // the law the rule was judged under
    OutlierFigure figure = OutlierFigure::Bc;
    double value = 0;       // its BC or rms
    double expected = 0;    // the line's BC at its velocity, or the median rms
    double robust_sd = 0;   // the scale: the robust SD (for a BC, at least the shot's own standard error)
    double deviations = 0;  // |value − expected| / robust_sd
};

struct Verdict {
    std::vector<int> inseparable;  // the laws the data cannot tell from the best, the best first
    double threshold = VerdictThreshold;
    double scale = 1;  // max(1, S_best / ν_best)
    // The measurements of the series and what they count as, their residuals' serial correlation
    // allowed for; the threshold is also multiplied by `correlation` = samples / effective.
    int samples = 0;
    double effective = 0;
    double correlation = 1;
    int freedom = 0;
    double mach_high = 0, mach_low = 0;  // the Mach span the shots cover
    double range_now = 0;                // yd, the farthest measurement
    std::optional<double> range_needed;  // yd, where the laws would part; nothing when not worked out
    bool beyond_reach = false;           // they would not part within the flight's limit
    double reach = 0;                    // yd, that limit
};

enum class FitMessageKind : int {
    FasterThanMuzzle = 0,  // shots with velocities above the muzzle velocity they are flown with
    NothingToFit,          // no shot with a measurement downrange
    TooFewToFitMv,         // shots whose velocity would have been fitted, flown from their own instead
    BeyondFlight,          // shots beyond what the flight reaches in this air
    ZeroBeyondFlight,      // a POI needs the zero, which lies beyond what the flight reaches
    EveryBcAtLimit,        // no law fits: every BC at 0.004 or 1.2
    NotShared,             // strings fitted together do not share one BC
};

struct FitMessage {
    FitMessageKind kind = FitMessageKind::NothingToFit;
    std::vector<int> shots;  // the shots concerned
    double value = 0;        // the muzzle velocity, the limit or the range the message names
};

struct StringFit {
    std::vector<ShotPlan> plan;      // per shot
    std::vector<bool> in_series;     // per shot: in the series fit (not set aside, with a measurement)
    std::vector<StringLawFit> laws;  // best first; empty when the fit was refused
    std::vector<Outlier> outliers;
    Verdict verdict;
    std::vector<FitMessage> messages;
    bool refused = false;  // nothing fitted: the messages say why
    bool cancelled = false;

    const StringLawFit* law(int drag_law) const;
};

// Fits the shots under each law. `in` gives the zero, sight height, air, range limit and the
// main window's muzzle velocity.
StringFit fit_string(const std::vector<FitShot>& shots, const ShotFitInputs& in, const StringFitOptions& options = {});

// The values the flight of a shot gives under one law and BC from `mv`, at `ranges` (yd), for
// the quantity `q`: the curves drawn through its measurements.
std::vector<float> flown_values(float mv, float bc, int law, ShotQuantity q, const std::vector<float>& ranges,
                                const ShotFitInputs& in);

}  // namespace velora
