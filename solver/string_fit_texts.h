// The texts of the fit of a shot string: where each shot's muzzle velocity came from, the shots
// set aside and why, the messages instead of numbers that mean nothing, the verdict on the laws,
// and the whole report as the Fit window and the command line's --text give it. Pure functions;
// velocities and ranges in the units of `u` (solver/fit_texts.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "solver/fit_texts.h"
#include "solver/string_fit.h"

namespace velora {

// "shot 0003", "shots 0003 and 0021", "shots 0003, 0005 and 0021" (their names without the
// repeated word "shot").
std::string shot_names_text(const std::vector<int>& shots, const std::vector<FitShot>& all);

// "its own, 1239.0 Ft/s", "fitted, 1241.3 Ft/s", "the string's mean, 1203.4 Ft/s", "the main
// window's, 785.0 Ft/s"; `flown` the velocity it was flown with.
std::string mv_source_text(MvSource source, float flown, const ShotUnits& u);

// One sentence naming the shots concerned.
std::string fit_message_text(const FitMessage& m, const std::vector<FitShot>& shots, const ShotUnits& u);

// "shot 0021 set aside: its G1 BC 0.0876 lies 3.7 times the scatter (0.0041) from 0.0724, the line
// through the others at its muzzle velocity."
std::string outlier_text(const Outlier& o, const std::vector<FitShot>& shots);

// The verdict line: which laws the data cannot part from the best, by the stated rule, the Mach
// span the shots cover and how far the range would have to grow to part them.
std::string verdict_text(const StringFit& f, const ShotUnits& u);

// "BC spread over 27 shots: SD 0.0040, 0.0881 to 0.1062"; "BC against muzzle velocity: +0.0012
// per 100 Ft/s (−0.0003 to +0.0027)" or that it could not be worked out.
std::string spread_text(const BcSpread& s);
std::string trend_text(const BcTrend& t, const ShotUnits& u);
// "SR0038 0.0953 ± 0.0010, SR0041 0.1262 ± 0.0042 at 1231.0 Ft/s: 7.1 standard errors apart, not
// one BC"; empty when not tested.
std::string shared_text(const SharedBc& s, const std::vector<std::string>& groups, const ShotUnits& u);

// Where a shot's muzzle velocity came from, in a word or two for the Fit window's list of shots:
// "measured", "the radar's" (its extrapolation, flown as recorded), "recorded", "fitted", "the
// string's mean", "the main window's".
std::string mv_origin_text(MvSource source, MvKind kind);

// What set a shot aside or took it back in, for the list of shots: the fit's own figure ("set
// aside: G1 BC 0.0876, 3.7 × the scatter from the line"), else the reader's or the user's marks ("set
// aside: lost track: …", "taken back in despite: …"); empty for a shot in use without a mark.
std::string shot_mark_text(const Outlier* outlier, const Marks& marks);

// One shot of the fit under one law, for the list of shots: the muzzle velocity it was flown with
// (in the velocity unit, without it), where that came from, its own BC with its interval and rms.
struct ShotResultTexts {
    std::string mv;
    std::string origin;
    std::string bc;        // "0.1012", "above 1.2000", or "not flown"
    std::string interval;  // "0.1003 – 0.1021"; empty when it has none
    std::string rms;
};
ShotResultTexts shot_result_texts(const StringFit& f, const std::vector<FitShot>& shots, std::size_t i,
                                  const StringLawFit& law, const ShotUnits& u);

// What the Fit window shows above its list of shots: the verdict line, the messages and the shots
// set aside (one sentence each), and under the chosen law the spread of the shots' own BCs, their
// trend against the muzzle velocity and whether strings fitted together share one BC.
struct FitSummaryTexts {
    std::string verdict;
    std::vector<std::string> notes;
    std::string law;  // "Under G1:"; empty when the law was not fitted
    std::string spread, trend, shared;
};
FitSummaryTexts fit_summary_texts(const StringFit& f, const std::vector<FitShot>& shots, int law,
                                  const std::vector<std::string>& groups, const ShotUnits& u);

// The report: the verdict line first, the messages, the ranked laws with their series BC and
// interval, the shots' spread and trend, then each shot under the best law with where its muzzle
// velocity came from and its own BC.
// With the projectile's sectional density, each law's form factor beside its BC.
std::string string_fit_report(const StringFit& f, const std::vector<FitShot>& shots,
                              const std::vector<std::string>& groups, const ShotUnits& u,
                              std::optional<double> sectional_density = std::nullopt);

}  // namespace velora
