#include "solver/table_fit.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

constexpr int ScanPoints = 9;
constexpr double MinimumTolerance = 1e-5;  // in ln BC: the BC to one part in 100,000
constexpr double IntervalTolerance = 1e-4;
constexpr double Golden = 0.3819660112501051;  // (3 − √5) / 2

struct Evaluation {
    double S = 0;
    std::vector<double> residuals;
};

struct Objective {
    const std::vector<Shot>* shots;
    const ShotFitInputs* in;
    DragCurve table;

    static float bc_at(double u) { return std::clamp(static_cast<float>(std::exp(u)), MinBC, MaxBC); }

    Evaluation operator()(double u) const {
        const std::vector<float> predicted = predict_shots(*shots, in->MV, bc_at(u), table, *in);
        Evaluation e;
        for (std::size_t i = 0; i < shots->size(); ++i) {
            const Shot& shot = (*shots)[i];
            const double r = static_cast<double>(shot.value) - static_cast<double>(predicted[i]);
            const double w = r / static_cast<double>(uncertainty_of(shot));
            e.S += w * w;
            e.residuals.push_back(r);
        }
        return e;
    }
};

// Where S crosses `level` between `inside` (below it) and `end`; the end where it stays below.
double crossing(const Objective& f, double inside, double end, double level) {
    if (f(end).S <= level) return end;
    double lo = inside, hi = end;
    while (std::fabs(hi - lo) > IntervalTolerance) {
        const double mid = (lo + hi) / 2;
        (f(mid).S <= level ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

}  // namespace

LawFit fit_table(const std::vector<Shot>& shots, const ShotFitInputs& in, const DragCurve& table) {
    const Objective f{&shots, &in, table};
    const double lowest = std::log(static_cast<double>(MinBC)), highest = std::log(static_cast<double>(MaxBC));
    // A scan over the whole range brackets the least sum; golden sections close in on it.
    std::vector<double> us;
    std::vector<Evaluation> scan;
    int least = 0;
    for (int k = 0; k < ScanPoints; ++k) {
        us.push_back(k == ScanPoints - 1 ? highest : lowest + (highest - lowest) * k / (ScanPoints - 1));
        scan.push_back(f(us.back()));
        if (scan.back().S < scan[static_cast<std::size_t>(least)].S) least = k;
    }
    double a = us[static_cast<std::size_t>(std::max(least - 1, 0))];
    double b = us[static_cast<std::size_t>(std::min(least + 1, ScanPoints - 1))];
    double x1 = a + Golden * (b - a), x2 = b - Golden * (b - a);
    Evaluation f1 = f(x1), f2 = f(x2);
    while (b - a > MinimumTolerance) {
        if (f1.S <= f2.S) {
            b = x2;
            x2 = x1;
            f2 = std::move(f1);
            x1 = a + Golden * (b - a);
            f1 = f(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = std::move(f2);
            x2 = b - Golden * (b - a);
            f2 = f(x2);
        }
    }
    double best_u = f1.S <= f2.S ? x1 : x2;
    Evaluation best = f1.S <= f2.S ? std::move(f1) : std::move(f2);
    if (scan[static_cast<std::size_t>(least)].S < best.S) {
        best_u = us[static_cast<std::size_t>(least)];
        best = scan[static_cast<std::size_t>(least)];
    }

    LawFit fit;
    fit.law = DragTableLaw;
    fit.MV = in.MV;
    // An end of the range that explains the shots as well as the best inside it: the BC lies beyond.
    if (scan.front().S <= best.S) {
        fit.outcome = FitOutcome::BelowRange;
        best_u = lowest;
        best = scan.front();
    } else if (scan.back().S <= best.S) {
        fit.outcome = FitOutcome::AboveRange;
        best_u = highest;
        best = scan.back();
    }
    fit.BC = Objective::bc_at(best_u);
    fit.chi_square = best.S;
    fit.rms = std::sqrt(best.S / static_cast<double>(shots.size()));
    fit.residuals = std::move(best.residuals);
    if (fit.outcome != FitOutcome::Fitted) {
        fit.BC_low = fit.BC_high = fit.BC;
        return fit;
    }
    const int freedom = static_cast<int>(shots.size()) - 1;
    const double level = fit.chi_square + (freedom > 0 ? std::max(1.0, fit.chi_square / freedom) : 1.0);
    fit.BC_low = Objective::bc_at(crossing(f, best_u, lowest, level));
    fit.BC_high = Objective::bc_at(crossing(f, best_u, highest, level));
    return fit;
}

bool leaves_table_span(const std::vector<Shot>& shots, FlightInputs flown, const DragCurve& table, double first_mach,
                       double last_mach) {
    float farthest = 0;
    for (const Shot& shot : shots) farthest = std::max(farthest, shot.range);
    flown.law = table;
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(flown, *tr);
    const double c = speed_of_sound(flown.TMP);
    return flown.MV / c > last_mach || velocity_at(*tr, farthest) / c < first_mach ||
           tr->LastSample < static_cast<int>(farthest);
}

std::string table_heading(const std::string& name, const std::string& file_name, int points, double first_mach,
                          double last_mach) {
    return "Drag table " + name + " (" + file_name + ", " + std::to_string(points) + " points, Mach " +
           format_fixed(first_mach, 3) + " to " + format_fixed(last_mach, 3) + ")";
}

std::string table_note(const std::string& heading, bool fitted, bool beyond) {
    if (!fitted) return heading + " in use: Fit ranks it beside the ten laws, its form factor fitted.";
    return heading +
           " in use: ranked beside the ten laws, its form factor fitted; an imported string's measurements are "
           "fitted together, flown from its mean muzzle velocity." +
           (beyond ? " " + std::string(BeyondTableSpanText) + "." : std::string());
}

std::vector<LawFit> ranked_with(std::vector<LawFit> fits, const LawFit& table_fit) {
    fits.push_back(table_fit);
    std::stable_sort(fits.begin(), fits.end(), ranks_before);
    return fits;
}

}  // namespace velora
