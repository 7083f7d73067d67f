#include "solver/shot_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "solver/fit_search.h"
#include "solver/flight.h"
#include "solver/input_limits.h"

namespace velora {

const char* shot_quantity_name(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return "velocity";
        case ShotQuantity::Time: return "time";
        case ShotQuantity::Poi: return "poi";
        case ShotQuantity::Drop: return "drop";
    }
    return "";
}

std::optional<ShotQuantity> shot_quantity_named(std::string_view name) {
    for (int q = 0; q < ShotQuantityCount; ++q) {
        if (name == shot_quantity_name(static_cast<ShotQuantity>(q))) return static_cast<ShotQuantity>(q);
    }
    return std::nullopt;
}

int method_of(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return DeltaV;
        case ShotQuantity::Time: return DeltaT;
        case ShotQuantity::Poi: return DeltaPOI;
        case ShotQuantity::Drop: return DeltaD;
    }
    return DeltaV;
}

float default_uncertainty(ShotQuantity q, float value) {
    switch (q) {
        case ShotQuantity::Velocity: return DefaultVelocityUncertainty * std::fabs(value);
        case ShotQuantity::Time: return DefaultTimeUncertainty;
        default: return DefaultLengthUncertainty;
    }
}

float uncertainty_of(const Shot& shot) {
    return shot.uncertainty ? *shot.uncertainty : default_uncertainty(shot.quantity, shot.value);
}

ShotFitInputs shot_fit_inputs(const CalcState& s) {
    ShotFitInputs in;
    in.MV = s.MV;
    in.ZR = s.ZR;
    in.SH = s.SH;
    in.air = air_state(s);
    in.MaxRange = 2.0f * max_target_range(s);
    return in;
}

std::optional<ShotProblem> check_shots(const std::vector<Shot>& shots, const ShotFitInputs& in, bool fit_mv) {
    using K = ShotProblemKind;
    if (shots.empty()) return ShotProblem{-1, K::NoShot};
    if (fit_mv && shots.size() < 2) return ShotProblem{-1, K::TooFewToFitMv};
    if (shots.size() > MostFitShots) return ShotProblem{-1, K::TooManyShots};
    for (std::size_t i = 0; i < shots.size(); ++i) {
        const Shot& shot = shots[i];
        const int index = static_cast<int>(i);
        if (!(shot.range > 0.0f) || !std::isfinite(shot.range)) return ShotProblem{index, K::RangeNotPositive};
        if (shot.range > in.MaxRange) return ShotProblem{index, K::RangeBeyondLimit};
        if (!std::isfinite(shot.value)) return ShotProblem{index, K::ValueNotANumber};
        if ((shot.quantity == ShotQuantity::Velocity || shot.quantity == ShotQuantity::Time) && !(shot.value > 0.0f))
            return ShotProblem{index, K::ValueNotPositive};
        // The default too: 0.5 % of a velocity of 1e-45 ft/s is 0.
        const float uncertainty = uncertainty_of(shot);
        if (!(std::isfinite(uncertainty) && uncertainty >= std::numeric_limits<float>::min()))
            return ShotProblem{index, K::UncertaintyNotPositive};
    }
    return std::nullopt;
}

namespace {

using namespace fit_search;

// ---------------------------------------------------------------------------------------------
// The flights: the solver's flight model (solver/flight.h), flown once past every shot. Each
// shot's quantity is read off at the step where predict_measurement would end a flight to that
// shot alone.

// Flies the flights side by side, three at a time: nothing in a flight changes.
void fly(const FlightCourse& f, std::vector<Flight>& flights) {
    for (std::size_t first = 0; first < flights.size(); first += 3) {
        const std::size_t count = std::min<std::size_t>(3, flights.size() - first);
        Flight& a = flights[first];
        Flight& b = flights[first + (count > 1 ? 1 : 0)];
        Flight& c = flights[first + (count > 2 ? 2 : 0)];
        fly_side_by_side(f, a, b, c, static_cast<int>(count));
    }
}

// ---------------------------------------------------------------------------------------------
// The weighted sum of squares.

struct Problem {
    FlightCourse course;                   // its marks are the shots' distinct ranges
    std::vector<std::size_t> range_index;  // per shot, into course.marks
    std::vector<float> range, measured;
    std::vector<int> method;
    std::vector<double> sigma;
    float mv = 0;  // the given muzzle velocity
    bool fit_mv = false;
};

Problem make_problem(const std::vector<Shot>& shots, const ShotFitInputs& in, bool fit_mv) {
    Problem p;
    FlightCourse& f = p.course;
    std::vector<float> ranges;
    for (const Shot& shot : shots) ranges.push_back(shot.range);
    std::sort(ranges.begin(), ranges.end());
    ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
    f.marks.insert(f.marks.begin(), ranges.begin(), ranges.end());
    f.zr = in.ZR;
    f.sh = in.SH;
    f.c = speed_of_sound(in.air.TMP);
    f.rho = static_cast<float>(air_density(in.air.TMP, in.air.PRES, in.air.HUMID));
    for (const Shot& shot : shots) {
        p.range_index.push_back(
            static_cast<std::size_t>(std::lower_bound(ranges.begin(), ranges.end(), shot.range) - ranges.begin()));
        p.range.push_back(shot.range);
        const int method = method_of(shot.quantity);
        p.method.push_back(method);
        if (method == DeltaPOI) f.needs_zero = true;
        // A drop lies below the bore, whatever sign it was given with.
        p.measured.push_back(shot.quantity == ShotQuantity::Drop ? -std::fabs(shot.value) : shot.value);
        p.sigma.push_back(uncertainty_of(shot));
    }
    p.mv = in.MV;
    p.fit_mv = fit_mv;
    return p;
}

std::vector<float> predictions(const Problem& p, const Flight& flight) {
    std::vector<float> out;
    for (std::size_t i = 0; i < p.range.size(); ++i)
        out.push_back(flight.measurement(p.course, static_cast<int>(p.range_index[i]), p.range[i], p.method[i]));
    return out;
}

Trial trial_of(const Problem& p, const Flight& flight) {
    Trial trial;
    trial.mv = flight.mv;
    const std::vector<float> predicted = predictions(p, flight);
    for (std::size_t i = 0; i < predicted.size(); ++i) {
        const double r = static_cast<double>(p.measured[i]) - static_cast<double>(predicted[i]);
        const double z = r / p.sigma[i];
        trial.residuals.push_back(r);
        trial.S += z * z;
    }
    return trial;
}

// What a search asks for: the objective at u under a law, the velocity's search (when it is
// fitted) starting from `mv_hint`.
struct Request {
    int law = 0;
    double u = 0;
    float mv_hint = 0;
};

// A flight to make: its law, muzzle velocity and BC.
struct Launch {
    int law;
    float mv, bc;
};

std::vector<Trial> flown(const Problem& p, const std::vector<Launch>& launches) {
    const auto marks = static_cast<std::size_t>(p.course.mark_count());
    std::vector<FlightReading> readings(launches.size() * marks);
    std::vector<Flight> flights;
    flights.reserve(launches.size());
    for (std::size_t i = 0; i < launches.size(); ++i) {
        const Launch& l = launches[i];
        flights.emplace_back(p.course, drag_law_curve(l.law), l.mv, l.bc, readings.data() + i * marks);
    }
    fly(p.course, flights);
    std::vector<Trial> out;
    for (const Flight& flight : flights) out.push_back(trial_of(p, flight));
    return out;
}

// With the muzzle velocity fitted: for each request the least S over the velocity at its BC, by
// Gauss-Newton steps from the hint with the slope taken once by a difference of 1 ft/s (the
// predictions are nearly linear in the muzzle velocity over the few ft/s the steps move). The
// velocity stays within the window's limits. All requests step together, their flights side by
// side.
std::vector<Trial> profiles(const Problem& p, const std::vector<Request>& requests) {
    constexpr float Difference = 1.0f;
    constexpr int MostSteps = 8;
    const std::size_t n = requests.size(), shots = p.range.size();

    std::vector<Launch> pairs;
    for (const Request& r : requests) {
        const float mv0 = std::clamp(r.mv_hint, MinMV, MaxMV);
        const float mv1 = mv0 + Difference <= MaxMV ? mv0 + Difference : mv0 - Difference;
        pairs.push_back({r.law, mv0, bc_at(r.u)});
        pairs.push_back({r.law, mv1, bc_at(r.u)});
    }
    const std::vector<Trial> first = flown(p, pairs);

    std::vector<Trial> best(n), last(n);
    std::vector<std::vector<double>> slope(n, std::vector<double>(shots));
    std::vector<double> jj(n, 0.0);
    std::vector<bool> active(n, true);
    for (std::size_t k = 0; k < n; ++k) {
        const Trial& t0 = first[2 * k];
        const Trial& t1 = first[2 * k + 1];
        const double dmv = static_cast<double>(t1.mv) - static_cast<double>(t0.mv);
        for (std::size_t i = 0; i < shots; ++i) {
            // The slope of the normalised residual (measured − predicted) / σ.
            slope[k][i] = (t1.residuals[i] - t0.residuals[i]) / p.sigma[i] / dmv;
            jj[k] += slope[k][i] * slope[k][i];
        }
        best[k] = t1.S < t0.S ? t1 : t0;
        last[k] = t0;
        active[k] = jj[k] > 0.0 && std::isfinite(jj[k]);
    }
    for (int step = 0; step < MostSteps; ++step) {
        std::vector<Launch> flights;
        std::vector<std::size_t> owner;
        for (std::size_t k = 0; k < n; ++k) {
            if (!active[k]) continue;
            double jz = 0.0;
            for (std::size_t i = 0; i < shots; ++i) jz += slope[k][i] * last[k].residuals[i] / p.sigma[i];
            const double wanted = static_cast<double>(last[k].mv) - jz / jj[k];
            const float moved = static_cast<float>(std::clamp(wanted, double(MinMV), double(MaxMV)));
            if (moved == last[k].mv || !std::isfinite(moved)) {
                active[k] = false;
                continue;
            }
            flights.push_back({requests[k].law, moved, bc_at(requests[k].u)});
            owner.push_back(k);
        }
        if (flights.empty()) break;
        const std::vector<Trial> trials = flown(p, flights);
        for (std::size_t j = 0; j < owner.size(); ++j) {
            const std::size_t k = owner[j];
            const bool settled = std::fabs(trials[j].mv - last[k].mv) < 0.005f;
            if (trials[j].S < best[k].S) best[k] = trials[j];
            last[k] = trials[j];
            if (settled) active[k] = false;
        }
    }
    return best;
}

// The objective at every request: S, or with the velocity fitted its least value over the
// velocity.
std::vector<Trial> objective(const Problem& p, const std::vector<Request>& requests) {
    if (p.fit_mv) return profiles(p, requests);
    std::vector<Launch> flights;
    for (const Request& r : requests) flights.push_back({r.law, p.mv, bc_at(r.u)});
    return flown(p, flights);
}

// The whole fit under one law: the bracketing scan, Brent's search in the bracket, then the two
// ends of the interval side by side.
struct LawSearch {
    enum class Stage { Scan, Minimum, Interval, Done };

    const Problem* p = nullptr;
    int law = 0;
    Stage stage = Stage::Scan;
    std::vector<double> scan_us;
    std::vector<Trial> scan;
    std::optional<BrentSearch> brent;
    std::vector<IntervalEnd> ends;
    LawFit fit;

    LawSearch(const Problem& p_, int law_) : p(&p_), law(law_) {
        for (int k = 0; k < ScanPoints; ++k)
            scan_us.push_back(k == ScanPoints - 1 ? HighestU : LowestU + (HighestU - LowestU) * k / (ScanPoints - 1));
    }

    // Appends what the search needs next; nothing once it is done.
    void ask(std::vector<Request>& requests) {
        switch (stage) {
            case Stage::Scan:
                for (double u : scan_us) requests.push_back({law, u, p->mv});
                return;
            case Stage::Minimum:
                if (brent->propose()) {
                    requests.push_back({law, brent->u, brent->x.at.mv});
                    return;
                }
                found_minimum();
                ask(requests);
                return;
            case Stage::Interval:
                for (const IntervalEnd& end : ends)
                    if (!end.done) requests.push_back({law, end.next_u(), end.best.at.mv});
                return;
            case Stage::Done: return;
        }
    }

    // Takes the objective at what ask() appended, in its order.
    void take(const Trial* trials) {
        switch (stage) {
            case Stage::Scan: {
                scan.assign(trials, trials + ScanPoints);
                int least = 0;
                for (int k = 1; k < ScanPoints; ++k)
                    if (scan[k].S < scan[least].S) least = k;
                const double a = scan_us[std::max(least - 1, 0)];
                const double b = scan_us[std::min(least + 1, ScanPoints - 1)];
                brent.emplace(a, b, Point{scan_us[least], scan[least]});
                stage = Stage::Minimum;
                return;
            }
            case Stage::Minimum: brent->take(trials[0]); return;
            case Stage::Interval: {
                for (IntervalEnd& end : ends) {
                    if (end.done) continue;
                    end.take({end.next_u(), *trials++});
                }
                if (std::all_of(ends.begin(), ends.end(), [](const IntervalEnd& e) { return e.done; })) {
                    fit.BC_low = bc_at(ends[0].result);
                    fit.BC_high = bc_at(ends[1].result);
                    stage = Stage::Done;
                }
                return;
            }
            case Stage::Done: return;
        }
    }

    void found_minimum() {
        const Point& best = brent->x;
        // When an end of the range explains the shots as well as the best BC inside it, the best
        // BC lies beyond that end (as the window's bisection runs out of the range when the
        // measurement lies at or beyond what the end of the range predicts). The fit then stands
        // at that end.
        fit.law = law;
        Point stands = best;
        if (scan.front().S <= best.at.S) {
            fit.outcome = FitOutcome::BelowRange;
            stands = {scan_us.front(), scan.front()};
        } else if (scan.back().S <= best.at.S) {
            fit.outcome = FitOutcome::AboveRange;
            stands = {scan_us.back(), scan.back()};
        }
        fit.BC = bc_at(stands.u);
        fit.MV = stands.at.mv;
        fit.chi_square = stands.at.S;
        fit.rms = std::sqrt(stands.at.S / static_cast<double>(p->range.size()));
        fit.residuals = stands.at.residuals;
        if (fit.outcome != FitOutcome::Fitted) {
            fit.BC_low = fit.BC_high = fit.BC;
            stage = Stage::Done;
            return;
        }
        const int parameters = p->fit_mv ? 2 : 1;
        const int freedom = static_cast<int>(p->range.size()) - parameters;
        const double delta = freedom > 0 ? std::max(1.0, best.at.S / freedom) : 1.0;
        ends = {IntervalEnd(best, LowestU, best.at.S + delta), IntervalEnd(best, HighestU, best.at.S + delta)};
        stage = Stage::Interval;
    }
};

// How far the searches are: each law's scan, minimum and interval a third of its share.
double share_done(const std::vector<LawSearch>& searches) {
    double done = 0.0;
    for (const LawSearch& search : searches) done += static_cast<int>(search.stage) / 3.0;
    return searches.empty() ? 1.0 : done / static_cast<double>(searches.size());
}

}  // namespace

std::vector<float> predict_shots(const std::vector<Shot>& shots, float mv, float bc, int law, const ShotFitInputs& in) {
    return predict_shots(shots, mv, bc, drag_law_curve(law), in);
}

std::vector<float> predict_shots(const std::vector<Shot>& shots, float mv, float bc, const DragCurve& law,
                                 const ShotFitInputs& in) {
    const Problem p = make_problem(shots, in, false);
    std::vector<FlightReading> readings(static_cast<std::size_t>(p.course.mark_count()));
    Flight flight(p.course, law, mv, bc, readings.data());
    while (!flight.step(p.course)) {
    }
    return predictions(p, flight);
}

std::vector<LawFit> fit_shots(const std::vector<Shot>& shots, const ShotFitInputs& in, const ShotFitOptions& options,
                              const FitControl& control) {
    std::vector<int> laws = options.laws;
    if (laws.empty()) {
        laws.resize(DragLawCount);
        std::iota(laws.begin(), laws.end(), 0);
    }
    const Problem p = make_problem(shots, in, options.fit_mv);
    std::vector<LawSearch> searches;
    for (int law : laws) searches.emplace_back(p, law);

    // Every law's search one step at a time, the points of all of them flown together.
    for (;;) {
        if (control.cancelled && control.cancelled()) return {};
        std::vector<Request> requests;
        std::vector<std::size_t> first;
        for (LawSearch& search : searches) {
            first.push_back(requests.size());
            search.ask(requests);
        }
        if (requests.empty()) break;
        const std::vector<Trial> trials = objective(p, requests);
        for (std::size_t k = 0; k < searches.size(); ++k) {
            const std::size_t end = k + 1 < searches.size() ? first[k + 1] : requests.size();
            if (end > first[k]) searches[k].take(trials.data() + first[k]);
        }
        if (control.progress) control.progress(share_done(searches));
    }

    std::vector<LawFit> fits;
    for (const LawSearch& search : searches) fits.push_back(search.fit);
    std::stable_sort(fits.begin(), fits.end(), ranks_before);
    return fits;
}

struct ShotsObjective {
    Problem problem;
};

std::shared_ptr<const ShotsObjective> shots_objective(const std::vector<Shot>& shots, const ShotFitInputs& in,
                                                      bool fit_mv) {
    return std::make_shared<const ShotsObjective>(ShotsObjective{make_problem(shots, in, fit_mv)});
}

fit_search::Trial evaluate_shots(const ShotsObjective& shots, int law, double u, float mv_hint) {
    return std::move(objective(shots.problem, {Request{law, u, mv_hint}}).front());
}

bool ranks_before(const LawFit& x, const LawFit& y) {
    const bool x_fitted = x.outcome == FitOutcome::Fitted, y_fitted = y.outcome == FitOutcome::Fitted;
    if (x_fitted != y_fitted) return x_fitted;
    return x.rms < y.rms;
}

}  // namespace velora
