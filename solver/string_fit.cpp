#include "solver/string_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "solver/fit_search.h"
#include "solver/flight_profile.h"
#include "solver/input_limits.h"

namespace velora {

const char* mv_source_name(MvSource source) {
    switch (source) {
        case MvSource::Own: return "own";
        case MvSource::Fitted: return "fitted";
        case MvSource::StringMean: return "string_mean";
        case MvSource::Window: return "window";
    }
    return "own";
}

float track_sample_uncertainty(const TrackSample& t) {
    if (!t.snr || !std::isfinite(*t.snr)) return default_uncertainty(ShotQuantity::Velocity, t.velocity);
    return std::max(0.5f, 20.0f * std::pow(10.0f, -*t.snr / 20.0f));
}

std::vector<FitShot> string_fit_shots(const ShotString& s, bool tracks, int group) {
    std::vector<FitShot> out;
    for (std::size_t k = 0; k < s.shots.size(); ++k) {
        const StringShot& shot = s.shots[k];
        if (!shot.marks.used()) continue;
        FitShot f;
        f.name = "shot " + (shot.id.empty() ? std::to_string(k + 1) : shot.id);
        f.group = group;
        f.string_index = static_cast<int>(k);
        f.mv = shot.MV;
        f.mv_kind = shot.mv_kind;
        f.may_be_outlier = !(shot.marks.overridden && shot.marks.has(MarkKind::Outlier));
        const auto take_track = [&] {
            for (std::size_t i = 0; i < shot.track.size(); ++i) {
                const TrackSample& t = shot.track[i];
                if (!t.marks.used() || !(t.range > 0.0f)) continue;
                f.measurements.push_back(
                    Shot{t.range, ShotQuantity::Velocity, t.velocity, track_sample_uncertainty(t)});
                f.labels.push_back("track sample " + std::to_string(i + 1));
            }
        };
        if (tracks) take_track();
        if (f.measurements.empty()) {
            for (std::size_t i = 0; i < shot.measurements.size(); ++i) {
                const Measurement& m = shot.measurements[i];
                if (!m.marks.used() || !(m.range > 0.0f)) continue;
                f.measurements.push_back(Shot{m.range, m.quantity, m.value, m.uncertainty});
                f.labels.push_back(m.label.empty() ? "measurement " + std::to_string(i + 1) : m.label);
            }
        }
        if (f.measurements.empty() && !tracks) take_track();
        if (!f.measurements.empty()) out.push_back(std::move(f));
    }
    return out;
}

FitShot typed_fit_shot(const std::vector<Shot>& shots) {
    FitShot f;
    f.name = "the typed shots";
    f.group = -1;
    f.typed = true;
    f.may_be_outlier = false;
    f.measurements = shots;
    for (std::size_t i = 0; i < shots.size(); ++i) f.labels.push_back("line " + std::to_string(i + 1));
    return f;
}

const StringLawFit* StringFit::law(int drag_law) const {
    for (const StringLawFit& f : laws)
        if (f.series.law == drag_law) return &f;
    return nullptr;
}

double lag1_autocorrelation(const std::vector<double>& e) {
    if (e.size() < 3) return 0.0;
    const double mean = std::accumulate(e.begin(), e.end(), 0.0) / static_cast<double>(e.size());
    double num = 0, den = 0;
    for (std::size_t k = 0; k < e.size(); ++k) {
        den += (e[k] - mean) * (e[k] - mean);
        if (k + 1 < e.size()) num += (e[k] - mean) * (e[k + 1] - mean);
    }
    return den > 0.0 && std::isfinite(num / den) ? num / den : 0.0;
}

double effective_count(int n, double rho) {
    if (n < 1) return static_cast<double>(std::max(n, 0));
    const double r = std::clamp(rho, 0.0, 1.0);
    return std::max(1.0, static_cast<double>(n) * (1.0 - r) / (1.0 + r));
}

std::vector<float> flown_values(float mv, float bc, int law, ShotQuantity q, const std::vector<float>& ranges,
                                const ShotFitInputs& in) {
    std::vector<Shot> shots;
    for (float r : ranges) shots.push_back(Shot{r, q, 0.0f, std::nullopt});
    if (shots.empty()) return {};
    return predict_shots(shots, mv, bc, law, in);
}

namespace {

using namespace fit_search;

// ---------------------------------------------------------------------------------------------
// The shots as the searches see them.

// A velocity or a time of flight, read from a flight profile.
struct Reading {
    double x;     // ft downrange
    bool time;    // a time of flight, else a velocity
    double y, w;  // measured (ft/s or s), 1 / σ
};

struct Prepared {
    std::vector<ShotPlan> plan;
    std::vector<bool> fit_mv;
    std::vector<bool> exact;                                         // flown one by one: it has a POI or a drop
    std::vector<std::vector<Reading>> readings;                      // the others
    std::vector<std::shared_ptr<const ShotsObjective>> objective;    // the exact ones
    std::vector<int> freedom;                                        // its own fit's degrees of freedom
    float fastest = 0, slowest = std::numeric_limits<float>::max();  // ft/s the profiles must span
};

// The state of one law's fit: its flight profile and each shot's place on it.
struct LawState {
    int law = 0;
    FlightProfile profile;
    std::vector<double> s;        // per shot: ft on the profile where the shot leaves the muzzle
    std::vector<float> exact_mv;  // per shot flown one by one: its velocity, where a search goes on from
    double lambda(double u) const { return static_cast<double>(bc_at(u)) / profile.bc; }
};

// The weighted sum of squares of a shot read from a profile, at λ and from position s.
double profile_sum(const FlightProfile& p, const std::vector<Reading>& rs, double lambda, double s,
                   std::vector<double>* residuals = nullptr) {
    const double inv = 1.0 / lambda;
    const FlightProfile::Reading top = p.at(s);
    double S = 0;
    for (const Reading& r : rs) {
        const FlightProfile::Reading at = p.at(s + r.x * inv);
        const double predicted = r.time ? lambda * (at.t - top.t) : at.v;
        const double e = r.y - predicted;
        if (residuals) residuals->push_back(e);
        S += (e * r.w) * (e * r.w);
    }
    return S;
}

// The least weighted sum of squares over the shot's position s (its muzzle velocity) at λ, by
// Gauss-Newton steps from `s`, which is left where the least lies.
double profile_least(const FlightProfile& p, const std::vector<Reading>& rs, double lambda, double& s) {
    const double inv = 1.0 / lambda;
    const double end = p.end();
    double S = 0;
    for (int step = 0; step < 12; ++step) {
        const FlightProfile::Reading top = p.at(s);
        double g = 0, H = 0;
        S = 0;
        for (const Reading& r : rs) {
            const FlightProfile::Reading at = p.at(s + r.x * inv);
            double predicted, slope;
            if (r.time) {
                predicted = lambda * (at.t - top.t);
                slope = lambda * (1.0 / at.v - 1.0 / top.v);
            } else {
                predicted = at.v;
                slope = at.slope;
            }
            const double e = (r.y - predicted) * r.w, j = slope * r.w;
            S += e * e;
            g += e * j;
            H += j * j;
        }
        if (!(H > 0.0) || !std::isfinite(g)) return S;
        const double moved = std::clamp(s + g / H, 0.0, end);
        const double by = moved - s;
        s = moved;
        // Near the least the sum is a parabola in s: its value there, without another pass.
        if (std::fabs(by) < 1e-4) return std::max(0.0, S - by * by * H);
    }
    return profile_sum(p, rs, lambda, s);
}

// ---------------------------------------------------------------------------------------------
// The searches over u = ln BC, each point worked out at once.

struct Found {
    Point best;
    FitOutcome outcome = FitOutcome::Fitted;
};

Point point(double u, double S) {
    Point p;
    p.u = u;
    p.at.S = S;
    return p;
}

// The least of f over u in the BC's range: from `start` a bracket grows downhill with steps
// doubling from `h` until the objective rises, then Brent's search within it. A least value at an
// end of the range that the search inside cannot beat means the BC lies at or beyond that end.
template <class F>
Found minimise(F&& f, double start, double h) {
    const auto at = [&](double u) { return point(u, f(u)); };
    start = std::clamp(start, LowestU, HighestU);
    Point m = at(start);
    Point l = at(std::max(start - h, LowestU));
    Point r = at(std::min(start + h, HighestU));
    for (int grow = 0; grow < 40; ++grow) {
        if (l.at.S < m.at.S && l.u > LowestU) {
            r = m;
            m = l;
            h *= 2.0;
            l = at(std::max(m.u - h, LowestU));
        } else if (r.at.S < m.at.S && r.u < HighestU) {
            l = m;
            m = r;
            h *= 2.0;
            r = at(std::min(m.u + h, HighestU));
        } else {
            break;
        }
    }
    Point inside = m;
    if (l.at.S < inside.at.S) inside = l;
    if (r.at.S < inside.at.S) inside = r;
    BrentSearch brent(l.u, r.u, inside);
    while (brent.propose()) brent.take(Trial{f(brent.u), 0, {}});
    Found found{brent.x, FitOutcome::Fitted};
    if (l.u == LowestU && l.at.S <= found.best.at.S) found = {l, FitOutcome::BelowRange};
    if (r.u == HighestU && r.at.S <= found.best.at.S) found = {r, FitOutcome::AboveRange};
    return found;
}

// The interval: where f reaches the least plus `delta`, either side of the least.
template <class F>
std::pair<float, float> interval(F&& f, const Point& best, double delta) {
    IntervalEnd ends[] = {IntervalEnd(best, LowestU, best.at.S + delta),
                          IntervalEnd(best, HighestU, best.at.S + delta)};
    for (IntervalEnd& end : ends) {
        while (!end.done) {
            const double u = end.next_u();
            end.take(point(u, f(u)));
        }
    }
    return {bc_at(ends[0].result), bc_at(ends[1].result)};
}

double delta_of(double S, int freedom) { return freedom > 0 ? std::max(1.0, S / freedom) : 1.0; }

// ---------------------------------------------------------------------------------------------
// The plan: how each shot is flown.

bool has_height(const FitShot& shot) {
    return std::any_of(shot.measurements.begin(), shot.measurements.end(), [](const Shot& m) {
        return m.quantity == ShotQuantity::Poi || m.quantity == ShotQuantity::Drop;
    });
}

Prepared prepare(const std::vector<FitShot>& shots, const ShotFitInputs& in, MvChoice choice) {
    Prepared p;
    const std::size_t n = shots.size();
    p.plan.resize(n);
    p.fit_mv.assign(n, false);
    p.exact.assign(n, false);
    p.readings.resize(n);
    p.objective.resize(n);
    p.freedom.assign(n, 0);

    // The mean of the string's own muzzle velocities, by string.
    std::vector<double> sum, count;
    for (const FitShot& shot : shots) {
        if (shot.typed || !shot.mv) continue;
        const auto g = static_cast<std::size_t>(std::max(shot.group, 0));
        if (sum.size() <= g) sum.resize(g + 1, 0.0), count.resize(g + 1, 0.0);
        sum[g] += *shot.mv;
        count[g] += 1;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const FitShot& shot = shots[i];
        ShotPlan& plan = p.plan[i];
        plan.measurements = static_cast<int>(shot.measurements.size());
        const auto g = static_cast<std::size_t>(std::max(shot.group, 0));
        // A shot without a velocity of its own has nothing better than the string's mean: with
        // enough measurements its own fitted velocity serves it better.
        const bool wants_fit = choice == MvChoice::All || (choice == MvChoice::Extrapolated && !shot.typed &&
                                                           (!shot.mv || shot.mv_kind == MvKind::Extrapolated));
        const int least = shot.typed ? LeastTypedShotsForMv : LeastMeasurementsForMv;
        if (shot.typed) {
            plan.source = MvSource::Window;
            plan.mv = in.MV;
        } else if (shot.mv) {
            plan.source = MvSource::Own;
            plan.mv = *shot.mv;
        } else if (g < count.size() && count[g] > 0) {
            plan.source = MvSource::StringMean;
            plan.mv = static_cast<float>(sum[g] / count[g]);
        } else {
            plan.source = MvSource::Window;
            plan.mv = in.MV;
        }
        if (wants_fit && plan.measurements >= least) {
            plan.source = MvSource::Fitted;
            p.fit_mv[i] = true;
        } else if (wants_fit && (shot.typed || shot.mv)) {
            plan.too_few_to_fit_mv = true;
        }
        p.freedom[i] = plan.measurements - 1 - (p.fit_mv[i] ? 1 : 0);
        plan.flown_one_by_one = has_height(shot);
        p.exact[i] = plan.flown_one_by_one;
        p.fastest = std::max(p.fastest, plan.mv);
        if (p.exact[i]) {
            ShotFitInputs own = in;
            own.MV = plan.mv;
            p.objective[i] = shots_objective(shot.measurements, own, p.fit_mv[i]);
            continue;
        }
        for (const Shot& m : shot.measurements) {
            const bool time = m.quantity == ShotQuantity::Time;
            p.readings[i].push_back({3.0 * m.range, time, m.value, 1.0 / uncertainty_of(m)});
            const float speed = time ? m.range * 3.0f / m.value : m.value;
            p.fastest = std::max(p.fastest, speed);
            p.slowest = std::min(p.slowest, time ? speed * 0.5f : speed);
        }
    }
    return p;
}

// ---------------------------------------------------------------------------------------------
// One law.

struct LawWork {
    const std::vector<FitShot>* shots;
    const Prepared* prepared;
    const ShotFitInputs* in;
    FlightCourse course;
    double fastest = 0, slowest = 0;
    bool any_profile = false;

    // The orders of the profiles of `laws` at `bcs`: from above the fastest muzzle velocity until
    // slower than the slowest measurement.
    std::vector<ProfileOrder> orders(const std::vector<int>& laws, const std::vector<float>& bcs) const {
        std::vector<ProfileOrder> out;
        for (std::size_t k = 0; k < laws.size(); ++k)
            out.push_back(
                {&drag_law_curve(laws[k]), static_cast<float>(fastest), bcs[k], static_cast<float>(slowest), 3.0e6});
        return out;
    }

    // A law's state on its profile, each shot placed where the profile has slowed to its muzzle
    // velocity.
    LawState state_on(int law, FlightProfile profile) const {
        LawState L;
        L.law = law;
        L.profile = std::move(profile);
        const std::size_t n = prepared->plan.size();
        L.s.assign(n, 0.0);
        L.exact_mv.assign(n, 0.0f);
        for (std::size_t i = 0; i < n; ++i) {
            const ShotPlan& plan = prepared->plan[i];
            L.exact_mv[i] = plan.mv;
            if (!L.profile.empty()) L.s[i] = L.profile.position_of(plan.mv);
        }
        return L;
    }

    std::vector<LawState> states_for(const std::vector<int>& laws, const std::vector<float>& bcs) const {
        std::vector<FlightProfile> profiles =
            any_profile ? fly_profiles(orders(laws, bcs), course) : std::vector<FlightProfile>(laws.size());
        std::vector<LawState> out;
        for (std::size_t k = 0; k < laws.size(); ++k) out.push_back(state_on(laws[k], std::move(profiles[k])));
        return out;
    }

    // Shot i's weighted sum of squares at u (the least over its velocity where fitted).
    double shot_sum(LawState& L, std::size_t i, double u) const {
        const Prepared& P = *prepared;
        if (P.exact[i]) {
            const Trial t = evaluate_shots(*P.objective[i], L.law, u, L.exact_mv[i]);
            L.exact_mv[i] = t.mv;
            return t.S;
        }
        const double lambda = L.lambda(u);
        if (P.fit_mv[i]) return profile_least(L.profile, P.readings[i], lambda, L.s[i]);
        return profile_sum(L.profile, P.readings[i], lambda, L.s[i]);
    }

    double series_sum(LawState& L, const std::vector<bool>& in_series, double u) const {
        double S = 0;
        for (std::size_t i = 0; i < in_series.size(); ++i)
            if (in_series[i]) S += shot_sum(L, i, u);
        return S;
    }

    // Shot i at u: its velocity and residuals (the sum of squares taken before).
    float shot_mv(const LawState& L, std::size_t i) const {
        const Prepared& P = *prepared;
        if (P.exact[i]) return L.exact_mv[i];
        if (!P.fit_mv[i]) return P.plan[i].mv;
        return static_cast<float>(L.profile.at(L.s[i]).v);
    }
    std::vector<double> shot_residuals(LawState& L, std::size_t i, double u) const {
        const Prepared& P = *prepared;
        if (P.exact[i]) return evaluate_shots(*P.objective[i], L.law, u, L.exact_mv[i]).residuals;
        std::vector<double> out;
        profile_sum(L.profile, P.readings[i], L.lambda(u), L.s[i], &out);
        return out;
    }
};

ShotFit own_fit(const LawWork& W, LawState& L, std::size_t i, double start) {
    ShotFit fit;
    const auto f = [&](double u) { return W.shot_sum(L, i, u); };
    const Found found = minimise(f, start, 0.05);
    fit.outcome = found.outcome;
    fit.BC = bc_at(found.best.u);
    // Back to the least, for the velocity there.
    fit.chi_square = f(found.best.u);
    fit.MV = W.shot_mv(L, i);
    fit.freedom = W.prepared->freedom[i];
    fit.rms = std::sqrt(fit.chi_square / std::max(1, W.prepared->plan[i].measurements));
    if (fit.outcome == FitOutcome::Fitted) {
        const double keep = L.s[i];
        const float keep_mv = L.exact_mv[i];
        std::tie(fit.BC_low, fit.BC_high) = interval(f, found.best, delta_of(fit.chi_square, fit.freedom));
        L.s[i] = keep;
        L.exact_mv[i] = keep_mv;
    } else {
        fit.BC_low = fit.BC_high = fit.BC;
    }
    return fit;
}

// ---------------------------------------------------------------------------------------------
// Spread, trend and strings compared.

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2 == 1) return upper;
    return 0.5 * (upper + *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)));
}

struct Sample {
    std::size_t shot;
    double mv, bc, w;  // w: 1 / (half the interval)²
};

BcSpread spread_of(const std::vector<Sample>& xs) {
    BcSpread s;
    s.count = static_cast<int>(xs.size());
    if (xs.empty()) return s;
    s.low = s.high = xs.front().bc;
    for (const Sample& x : xs) {
        s.mean += x.bc;
        s.low = std::min(s.low, x.bc);
        s.high = std::max(s.high, x.bc);
    }
    s.mean /= static_cast<double>(xs.size());
    if (xs.size() > 1) {
        double q = 0;
        for (const Sample& x : xs) q += (x.bc - s.mean) * (x.bc - s.mean);
        s.sd = std::sqrt(q / static_cast<double>(xs.size() - 1));
    }
    return s;
}

BcTrend trend_of(const std::vector<Sample>& xs) {
    BcTrend t;
    t.count = static_cast<int>(xs.size());
    if (xs.size() < 3) return t;
    double sw = 0, sx = 0, sy = 0;
    for (const Sample& x : xs) {
        sw += x.w;
        sx += x.w * x.mv;
        sy += x.w * x.bc;
    }
    const double mx = sx / sw, my = sy / sw;
    double sxx = 0, sxy = 0;
    for (const Sample& x : xs) {
        sxx += x.w * (x.mv - mx) * (x.mv - mx);
        sxy += x.w * (x.mv - mx) * (x.bc - my);
    }
    if (!(sxx > 0.0) || !std::isfinite(sxx)) return t;
    t.valid = true;
    t.mean_mv = mx;
    t.at_mean = my;
    t.slope = sxy / sxx;
    double chi = 0;
    for (const Sample& x : xs) {
        const double e = x.bc - my - t.slope * (x.mv - mx);
        chi += x.w * e * e;
    }
    const double scale = delta_of(chi, static_cast<int>(xs.size()) - 2);
    const double se = std::sqrt(scale / sxx);
    t.slope_low = t.slope - se;
    t.slope_high = t.slope + se;
    return t;
}

// A line of one slope through each string's shots: each string's BC at one muzzle velocity.
SharedBc shared_of(const std::vector<Sample>& xs, const std::vector<int>& group_of) {
    SharedBc s;
    std::vector<int> groups;
    for (const Sample& x : xs) {
        const int g = group_of[x.shot];
        if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
    }
    std::sort(groups.begin(), groups.end());
    if (groups.size() < 2) return s;
    struct Sums {
        double w = 0, x = 0, y = 0, xx = 0, xy = 0;
        int n = 0;
    };
    std::vector<Sums> by(groups.size());
    double sw = 0, sx = 0;
    for (const Sample& x : xs) {
        const auto k =
            static_cast<std::size_t>(std::find(groups.begin(), groups.end(), group_of[x.shot]) - groups.begin());
        by[k].w += x.w;
        by[k].x += x.w * x.mv;
        by[k].y += x.w * x.bc;
        by[k].n += 1;
        sw += x.w;
        sx += x.w * x.mv;
    }
    for (const Sums& g : by)
        if (g.n < 2) return s;
    const double m0 = sx / sw;
    std::vector<double> mx(by.size()), my(by.size());
    for (std::size_t k = 0; k < by.size(); ++k) {
        mx[k] = by[k].x / by[k].w;
        my[k] = by[k].y / by[k].w;
    }
    double sxx = 0, sxy = 0;
    for (const Sample& x : xs) {
        const auto k =
            static_cast<std::size_t>(std::find(groups.begin(), groups.end(), group_of[x.shot]) - groups.begin());
        sxx += x.w * (x.mv - mx[k]) * (x.mv - mx[k]);
        sxy += x.w * (x.mv - mx[k]) * (x.bc - my[k]);
    }
    const double slope = sxx > 0.0 ? sxy / sxx : 0.0;
    double chi = 0;
    for (const Sample& x : xs) {
        const auto k =
            static_cast<std::size_t>(std::find(groups.begin(), groups.end(), group_of[x.shot]) - groups.begin());
        const double e = x.bc - my[k] - slope * (x.mv - mx[k]);
        chi += x.w * e * e;
    }
    const double scale = delta_of(chi, static_cast<int>(xs.size() - groups.size()) - (sxx > 0.0 ? 1 : 0));
    s.tested = true;
    s.at_mv = m0;
    for (std::size_t k = 0; k < by.size(); ++k) {
        GroupBc g;
        g.group = groups[k];
        g.count = by[k].n;
        g.bc = my[k] + slope * (m0 - mx[k]);
        const double lever = sxx > 0.0 ? (m0 - mx[k]) * (m0 - mx[k]) / sxx : 0.0;
        g.se = std::sqrt(scale * (1.0 / by[k].w + lever));
        s.groups.push_back(g);
    }
    for (std::size_t a = 0; a < s.groups.size(); ++a)
        for (std::size_t b = a + 1; b < s.groups.size(); ++b) {
            const double se = std::hypot(s.groups[a].se, s.groups[b].se);
            if (se > 0.0) s.separation = std::max(s.separation, std::fabs(s.groups[a].bc - s.groups[b].bc) / se);
        }
    return s;
}

// Theil–Sen: the median of the pairwise slopes (for many shots, Theil's pairs of the shots sorted
// by velocity, each with the one half the string further on), and the median intercept.
std::pair<double, double> robust_line(std::vector<std::pair<double, double>> pts) {
    std::vector<double> slopes;
    const std::size_t n = pts.size();
    if (n <= 1000) {
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j)
                if (pts[j].first != pts[i].first)
                    slopes.push_back((pts[j].second - pts[i].second) / (pts[j].first - pts[i].first));
    } else {
        std::sort(pts.begin(), pts.end());
        const std::size_t half = n / 2;
        for (std::size_t i = 0; i + half < n; ++i)
            if (pts[i + half].first != pts[i].first)
                slopes.push_back((pts[i + half].second - pts[i].second) / (pts[i + half].first - pts[i].first));
    }
    const double slope = slopes.empty() ? 0.0 : median(std::move(slopes));
    std::vector<double> intercepts;
    for (const auto& [x, y] : pts) intercepts.push_back(y - slope * x);
    return {slope, median(std::move(intercepts))};
}

// ---------------------------------------------------------------------------------------------
// How far the range would have to grow: the data the best law predicts, carried on past the
// farthest measurement with each shot's own spacing and uncertainty, and the least weighted sum of
// squares another law reaches on them with its BC and its fitted velocities moved (to first
// order). The range is where that sum passes the verdict's threshold.

struct Extension {
    std::size_t shot;
    double x_last, step;  // ft: the farthest measurement and the spacing of the shot's measurements
    bool time;
    double w;  // 1 / σ of its farthest measurement
};

struct SeriesState {
    const LawState* L;
    double lambda;
};

double parting_sum(const std::vector<Extension>& ext, const Prepared& P, const SeriesState& best,
                   const SeriesState& other, double range_ft) {
    // Per shot: the sums of the first-order fit (a: ln λ, shared; b: the shot's own position).
    double num = 0, den = 0, base = 0;
    for (const Extension& e : ext) {
        const std::size_t i = e.shot;
        const bool fitted = P.fit_mv[i];
        double A = 0, B = 0, C = 0, ga = 0, gb = 0, dd = 0;
        const auto add = [&](double x, bool time, double w) {
            const auto read = [&](const SeriesState& st, double& dp_ds, double& dp_dlnl) {
                const FlightProfile& p = st.L->profile;
                const double s = st.L->s[i];
                const FlightProfile::Reading at = p.at(s + x / st.lambda);
                if (!time) {
                    dp_ds = at.slope;
                    dp_dlnl = -at.slope * x / st.lambda;
                    return at.v;
                }
                const FlightProfile::Reading top = p.at(s);
                const double predicted = st.lambda * (at.t - top.t);
                dp_ds = st.lambda * (1.0 / at.v - 1.0 / top.v);
                dp_dlnl = predicted - x / at.v;
                return predicted;
            };
            double ignore1, ignore2, js, jl;
            const double d = read(other, js, jl) - read(best, ignore1, ignore2);
            A += w * w * jl * jl;
            B += w * w * jl * js;
            C += w * w * js * js;
            ga += w * w * jl * d;
            gb += w * w * js * d;
            dd += w * w * d * d;
        };
        for (const Reading& r : P.readings[i]) add(r.x, r.time, r.w);
        for (double x = e.x_last + e.step; x <= range_ft; x += e.step) add(x, e.time, e.w);
        if (fitted && C > 0.0) {
            base += dd - gb * gb / C;
            num += ga - gb * B / C;
            den += A - B * B / C;
        } else {
            base += dd;
            num += ga;
            den += A;
        }
    }
    return den > 0.0 ? base - num * num / den : base;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

namespace {

void add_message(StringFit& out, FitMessageKind kind, std::vector<int> shots, double value = 0) {
    out.messages.push_back(FitMessage{kind, std::move(shots), value});
}

bool stop(const StringFitOptions& o) { return o.cancelled && o.cancelled(); }

void tell(const StringFitOptions& o, double done) {
    if (o.progress) o.progress(std::clamp(done, 0.0, 1.0));
}

// The shots that cannot be flown at all, told in a message each kind: beyond the flight's limit, a
// zero the flight does not reach, a velocity above the muzzle velocity they are flown with. Per
// shot: whether it can be flown.
std::vector<bool> what_can_fly(const std::vector<FitShot>& shots, const Prepared& P, const ShotFitInputs& in,
                               StringFit& out) {
    std::vector<bool> flyable(shots.size(), true);
    std::vector<int> beyond, zero, faster;
    std::vector<float> faster_mv;
    for (std::size_t i = 0; i < shots.size(); ++i) {
        bool is_beyond = false, needs_zero = false, is_faster = false;
        for (const Shot& m : shots[i].measurements) {
            if (!(m.range > 0.0f) || m.range > in.MaxRange || !std::isfinite(m.value)) is_beyond = true;
            if (m.quantity == ShotQuantity::Poi) needs_zero = true;
            if (!P.fit_mv[i] && m.quantity == ShotQuantity::Velocity &&
                m.value > P.plan[i].mv + 2.0f * uncertainty_of(m))
                is_faster = true;
        }
        if (is_beyond) beyond.push_back(static_cast<int>(i));
        if (needs_zero && in.ZR > 0.5f * in.MaxRange) zero.push_back(static_cast<int>(i));
        flyable[i] = !is_beyond && !(needs_zero && in.ZR > 0.5f * in.MaxRange) && !is_faster;
        if (is_faster) {
            faster.push_back(static_cast<int>(i));
            faster_mv.push_back(P.plan[i].mv);
        }
    }
    if (!beyond.empty()) add_message(out, FitMessageKind::BeyondFlight, beyond, in.MaxRange);
    if (!zero.empty()) add_message(out, FitMessageKind::ZeroBeyondFlight, zero, 0.5 * in.MaxRange);
    if (!faster.empty()) {
        // The velocity they share, when they share one (the window's, the string's mean).
        const bool one =
            std::all_of(faster_mv.begin(), faster_mv.end(), [&](float v) { return v == faster_mv.front(); });
        add_message(out, FitMessageKind::FasterThanMuzzle, faster, one ? faster_mv.front() : 0.0);
    }
    return flyable;
}

StringFit typed_only(const FitShot& typed, const ShotFitInputs& in, const StringFitOptions& options, Prepared& P) {
    StringFit out;
    out.plan = P.plan;
    out.in_series = {true};
    const bool fit_mv = P.fit_mv[0];
    const std::vector<LawFit> fits = fit_shots(typed.measurements, in, {fit_mv, options.laws});
    for (const LawFit& f : fits) {
        StringLawFit s;
        s.series = f;
        s.freedom = static_cast<int>(typed.measurements.size()) - 1 - (fit_mv ? 1 : 0);
        s.mv = {f.MV};
        s.residuals = {f.residuals};
        ShotFit own;
        own.outcome = f.outcome;
        own.BC = f.BC;
        own.BC_low = f.BC_low;
        own.BC_high = f.BC_high;
        own.MV = f.MV;
        own.chi_square = f.chi_square;
        own.rms = f.rms;
        own.freedom = s.freedom;
        s.shots = {own};
        out.laws.push_back(std::move(s));
    }
    return out;
}

// The verdict over the ranked laws.
void judge(StringFit& out, const std::vector<FitShot>& shots, const Prepared& P, const ShotFitInputs& in,
           std::vector<LawState>& states, const LawWork& W) {
    Verdict& v = out.verdict;
    v.reach = in.MaxRange;
    if (out.laws.empty() || out.laws.front().series.outcome != FitOutcome::Fitted) return;
    const StringLawFit& best = out.laws.front();
    v.freedom = best.freedom;
    v.scale = delta_of(best.series.chi_square, best.freedom);
    // What the series' measurements count as, each shot's run of residuals taken in range order.
    for (std::size_t i = 0; i < shots.size(); ++i) {
        if (!out.in_series[i] || i >= best.residuals.size()) continue;
        const std::vector<Shot>& ms = shots[i].measurements;
        const std::vector<double>& r = best.residuals[i];
        const int n = static_cast<int>(r.size());
        v.samples += n;
        if (n < LeastSamplesForCorrelation || r.size() != ms.size()) {
            v.effective += n;
            continue;
        }
        std::vector<std::size_t> order(r.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return ms[a].range < ms[b].range; });
        std::vector<double> e;
        for (std::size_t j : order) e.push_back(r[j] / uncertainty_of(ms[j]));
        v.effective += effective_count(n, lag1_autocorrelation(e));
    }
    if (v.effective > 0.0) v.correlation = std::max(1.0, v.samples / v.effective);
    const double allowed = v.threshold * v.scale * v.correlation;
    for (const StringLawFit& f : out.laws)
        if (f.series.outcome == FitOutcome::Fitted && f.series.chi_square - best.series.chi_square <= allowed)
            v.inseparable.push_back(f.series.law);

    // The Mach span: from the fastest muzzle velocity to the slowest speed at a farthest measurement.
    const double c = speed_of_sound(in.air.TMP);
    const auto state_of = [&](int law) -> LawState* {
        for (LawState& L : states)
            if (L.law == law) return &L;
        return nullptr;
    };
    const LawState* Lbest = state_of(best.series.law);
    double fastest = 0, slowest = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < shots.size(); ++i) {
        if (!out.in_series[i]) continue;
        const float mv = best.mv[i];
        float far = 0;
        for (const Shot& m : shots[i].measurements) far = std::max(far, m.range);
        v.range_now = std::max(v.range_now, static_cast<double>(far));
        fastest = std::max(fastest, static_cast<double>(mv));
        double there = 0;
        if (Lbest && !P.exact[i] && !Lbest->profile.empty()) {
            const double lambda = static_cast<double>(best.series.BC) / Lbest->profile.bc;
            there = Lbest->profile.at(Lbest->s[i] + 3.0 * far / lambda).v;
        } else {
            const std::vector<float> v_far =
                flown_values(mv, best.series.BC, best.series.law, ShotQuantity::Velocity, {far}, in);
            there = v_far.empty() ? 0.0 : v_far.front();
        }
        if (there > 0.0) slowest = std::min(slowest, there);
    }
    if (fastest > 0.0) v.mach_high = fastest / c;
    if (slowest < std::numeric_limits<double>::max()) v.mach_low = slowest / c;

    if (v.inseparable.size() < 2) return;
    // How far the range would have to grow, from the shots read off profiles.
    std::vector<Extension> ext;
    for (std::size_t i = 0; i < shots.size(); ++i) {
        if (!out.in_series[i] || P.exact[i] || P.readings[i].empty()) continue;
        const std::vector<Reading>& rs = P.readings[i];
        double lo = rs.front().x, hi = rs.front().x;
        const Reading* last = &rs.front();
        for (const Reading& r : rs) {
            lo = std::min(lo, r.x);
            if (r.x >= hi) {
                hi = r.x;
                last = &r;
            }
        }
        const double step = rs.size() > 1 && hi > lo ? (hi - lo) / static_cast<double>(rs.size() - 1) : 3.0 * 10.0;
        ext.push_back({i, hi, std::max(step, 0.5), last->time, last->w});
    }
    if (ext.empty() || states.empty()) return;
    const double reach_ft = 3.0 * in.MaxRange;
    // The profiles must reach that far for every shot.
    for (int law : v.inseparable) {
        LawState* L = state_of(law);
        const StringLawFit* f = out.law(law);
        if (!L || !f || L->profile.empty()) return;
        const double lambda = static_cast<double>(f->series.BC) / L->profile.bc;
        double needed = 0;
        for (const Extension& e : ext) needed = std::max(needed, L->s[e.shot] + reach_ft / lambda);
        if (L->profile.end() < needed && L->profile.cut == false) {
            const std::vector<double> s = L->s;
            L->profile = fly_profile(drag_law_curve(law), static_cast<float>(W.fastest), L->profile.bc, 1.0f,
                                     needed + 3.0, W.course);
            L->s = s;
        }
    }
    const LawState* Lb = state_of(best.series.law);
    const SeriesState b{Lb, static_cast<double>(best.series.BC) / Lb->profile.bc};
    double needed = 0;
    for (std::size_t k = 1; k < v.inseparable.size(); ++k) {
        const LawState* Lk = state_of(v.inseparable[k]);
        const SeriesState o{Lk, static_cast<double>(out.law(v.inseparable[k])->series.BC) / Lk->profile.bc};
        double parted = 0;
        for (double range = std::max(v.range_now, 1.0) * 1.1; range <= in.MaxRange * 1.0001;
             range = std::min(range * 1.1, range >= in.MaxRange ? range * 2.0 : static_cast<double>(in.MaxRange))) {
            if (parting_sum(ext, P, b, o, 3.0 * range) > allowed) {
                parted = range;
                break;
            }
            if (range >= in.MaxRange) break;
        }
        if (parted == 0) {
            v.beyond_reach = true;
            return;
        }
        needed = std::max(needed, parted);
    }
    v.range_needed = needed;
}

}  // namespace

StringFit fit_string(const std::vector<FitShot>& shots, const ShotFitInputs& in, const StringFitOptions& options) {
    Prepared P = prepare(shots, in, options.mv);
    StringFit out;
    out.plan = P.plan;
    out.in_series.assign(shots.size(), true);
    if (shots.empty()) {
        add_message(out, FitMessageKind::NothingToFit, {});
        out.refused = true;
        return out;
    }
    std::vector<int> too_few;
    for (std::size_t i = 0; i < shots.size(); ++i)
        if (P.plan[i].too_few_to_fit_mv) too_few.push_back(static_cast<int>(i));
    // A shot that cannot be flown is left out, and the rest fitted without it.
    const std::vector<bool> flyable = what_can_fly(shots, P, in, out);
    out.in_series = flyable;
    if (std::none_of(flyable.begin(), flyable.end(), [](bool b) { return b; })) {
        out.refused = true;
        return out;
    }
    if (!too_few.empty()) add_message(out, FitMessageKind::TooFewToFitMv, too_few, LeastMeasurementsForMv);

    std::vector<int> laws = options.laws;
    if (laws.empty()) {
        laws.resize(DragLawCount);
        std::iota(laws.begin(), laws.end(), 0);
    }

    // The typed shots alone are fitted as they always were.
    if (shots.size() == 1 && shots.front().typed) {
        StringFit typed = typed_only(shots.front(), in, options, P);
        typed.messages = out.messages;
        std::vector<LawState> none;
        LawWork W{&shots, &P, &in, {}, 0, 0, false};
        judge(typed, shots, P, in, none, W);
        tell(options, 1.0);
        return typed;
    }

    LawWork W{&shots, &P, &in, {}, 0, 0, false};
    W.course.c = speed_of_sound(in.air.TMP);
    W.course.rho = static_cast<float>(air_density(in.air.TMP, in.air.PRES, in.air.HUMID));
    for (std::size_t i = 0; i < shots.size(); ++i) W.any_profile = W.any_profile || !P.exact[i];
    // Room above for the fitted velocities, and below for the slowest measurement.
    W.fastest = std::min(static_cast<double>(MaxMV), static_cast<double>(P.fastest) * 1.05 + 5.0);
    W.slowest = P.slowest == std::numeric_limits<float>::max() ? 0.5 * W.fastest : 0.9 * P.slowest;

    const std::size_t n = shots.size();
    const double total_steps = 2.0 * static_cast<double>(laws.size());
    std::vector<std::vector<ShotFit>> own(laws.size());
    std::vector<double> start_u(laws.size());

    // A rough series BC under each law, read off a coarse profile (flown at a small BC, so short:
    // its speeds are good to a tenth of a ft/s).
    constexpr float CoarseBc = 0.01f;
    std::vector<LawState> coarse = W.states_for(laws, std::vector<float>(laws.size(), CoarseBc));
    std::vector<float> rough_bc(laws.size());
    for (std::size_t k = 0; k < laws.size(); ++k) {
        if (stop(options)) {
            out.cancelled = true;
            return out;
        }
        const Found rough =
            minimise([&](double u) { return W.series_sum(coarse[k], flyable, u); }, std::log(0.05), 0.7);
        start_u[k] = rough.best.u;
        rough_bc[k] = bc_at(rough.best.u);
    }
    // Each law's profile flown at that BC, and each shot's own fit on it.
    std::vector<LawState> states = W.states_for(laws, rough_bc);
    for (std::size_t k = 0; k < laws.size(); ++k) {
        LawState& L = states[k];
        // Warm starts from the coarse fit.
        for (std::size_t i = 0; i < n; ++i) {
            if (P.fit_mv[i] && !P.exact[i] && !coarse[k].profile.empty())
                L.s[i] = L.profile.position_of(coarse[k].profile.at(coarse[k].s[i]).v);
            L.exact_mv[i] = coarse[k].exact_mv[i];
        }
        own[k].resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (i % 16 == 0 && stop(options)) {
                out.cancelled = true;
                return out;
            }
            if (flyable[i]) {
                own[k][i] = own_fit(W, L, i, start_u[k]);
            } else {
                own[k][i].flown = false;
                own[k][i].MV = P.plan[i].mv;
            }
        }
        tell(options, static_cast<double>(k + 1) / total_steps);
    }
    coarse.clear();

    // The shots set aside: judged under the law that explains them best one by one.
    std::vector<int> group_of(n);
    for (std::size_t i = 0; i < n; ++i) group_of[i] = shots[i].typed ? -1 : shots[i].group;
    if (options.set_aside_outliers) {
        std::size_t judge_law = 0;
        double least = std::numeric_limits<double>::max();
        for (std::size_t k = 0; k < laws.size(); ++k) {
            double sum = 0;
            for (const ShotFit& f : own[k]) sum += f.chi_square;
            if (sum < least) {
                least = sum;
                judge_law = k;
            }
        }
        std::vector<int> groups(group_of.begin(), group_of.end());
        std::sort(groups.begin(), groups.end());
        groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
        for (int g : groups) {
            if (g < 0) continue;
            std::vector<std::size_t> members, at_limit;
            for (std::size_t i = 0; i < n; ++i) {
                if (group_of[i] != g || !flyable[i]) continue;
                (own[judge_law][i].outcome == FitOutcome::Fitted ? members : at_limit).push_back(i);
            }
            if (static_cast<int>(members.size() + at_limit.size()) < LeastShotsForOutliers) continue;
            // A shot no BC of the range explains on its own does not belong.
            for (std::size_t i : at_limit) {
                if (!shots[i].may_be_outlier) continue;
                Outlier o;
                o.shot = static_cast<int>(i);
                o.law = laws[judge_law];
                o.figure = OutlierFigure::AtLimit;
                o.value = own[judge_law][i].BC;
                out.outliers.push_back(o);
                out.in_series[i] = false;
            }
            if (static_cast<int>(members.size()) < LeastShotsForOutliers) continue;
            std::vector<std::pair<double, double>> pts;
            std::vector<double> rms;
            for (std::size_t i : members) {
                pts.push_back({own[judge_law][i].MV, own[judge_law][i].BC});
                rms.push_back(own[judge_law][i].rms);
            }
            const auto [slope, intercept] = robust_line(pts);
            std::vector<double> dev;
            for (const auto& [x, y] : pts) dev.push_back(std::fabs(y - intercept - slope * x));
            const double bc_sd = 1.4826 * median(dev);
            const double rms_median = median(rms);
            std::vector<double> rms_dev;
            for (double r : rms) rms_dev.push_back(std::fabs(r - rms_median));
            const double rms_sd = 1.4826 * median(rms_dev);
            for (std::size_t m = 0; m < members.size(); ++m) {
                const std::size_t i = members[m];
                if (!shots[i].may_be_outlier) continue;
                Outlier o;
                o.shot = static_cast<int>(i);
                o.law = laws[judge_law];
                // A BC that its own interval cannot tell from the line stays, however tight the others.
                const ShotFit& own_i = own[judge_law][i];
                const double bc_scale = std::max(bc_sd, 0.5 * (static_cast<double>(own_i.BC_high) - own_i.BC_low));
                if (bc_scale > 0.0 && dev[m] / bc_scale > OutlierLimit) {
                    o.figure = OutlierFigure::Bc;
                    o.value = pts[m].second;
                    o.expected = intercept + slope * pts[m].first;
                    o.robust_sd = bc_scale;
                    o.deviations = dev[m] / bc_scale;
                }
                if (rms_sd > 0.0 && rms[m] >= OutlierRmsRatio * rms_median &&
                    (rms[m] - rms_median) / rms_sd > std::max(OutlierLimit, o.deviations)) {
                    o.figure = OutlierFigure::Rms;
                    o.value = rms[m];
                    o.expected = rms_median;
                    o.robust_sd = rms_sd;
                    o.deviations = (rms[m] - rms_median) / rms_sd;
                }
                if (o.deviations > 0.0) {
                    out.outliers.push_back(o);
                    out.in_series[i] = false;
                }
            }
        }
    }

    // The series under each law, without the shots set aside.
    for (std::size_t k = 0; k < laws.size(); ++k) {
        if (stop(options)) {
            out.cancelled = true;
            return out;
        }
        LawState& L = states[k];
        const auto f = [&](double u) { return W.series_sum(L, out.in_series, u); };
        const Found found = minimise(f, start_u[k], 0.02);
        StringLawFit r;
        LawFit& s = r.series;
        s.law = laws[k];
        s.outcome = found.outcome;
        s.BC = bc_at(found.best.u);
        s.chi_square = f(found.best.u);
        int measurements = 0, fitted = 0;
        r.mv.resize(n);
        r.residuals.resize(n);
        double mv_sum = 0;
        int mv_count = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!out.in_series[i]) {
                r.mv[i] = own[k][i].MV;
                continue;
            }
            measurements += P.plan[i].measurements;
            fitted += P.fit_mv[i] ? 1 : 0;
            r.mv[i] = W.shot_mv(L, i);
            r.residuals[i] = W.shot_residuals(L, i, found.best.u);
            s.residuals.insert(s.residuals.end(), r.residuals[i].begin(), r.residuals[i].end());
            mv_sum += r.mv[i];
            ++mv_count;
        }
        s.MV = mv_count > 0 ? static_cast<float>(mv_sum / mv_count) : in.MV;
        r.freedom = measurements - 1 - fitted;
        s.rms = std::sqrt(s.chi_square / std::max(1, measurements));
        if (s.outcome == FitOutcome::Fitted) {
            const std::vector<double> keep = L.s;
            const std::vector<float> keep_mv = L.exact_mv;
            std::tie(s.BC_low, s.BC_high) = interval(f, found.best, delta_of(s.chi_square, r.freedom));
            L.s = keep;
            L.exact_mv = keep_mv;
        } else {
            s.BC_low = s.BC_high = s.BC;
        }
        r.shots = own[k];
        std::vector<Sample> samples;
        for (std::size_t i = 0; i < n; ++i) {
            const ShotFit& o = own[k][i];
            if (!out.in_series[i] || shots[i].typed || o.outcome != FitOutcome::Fitted) continue;
            const double half = 0.5 * (static_cast<double>(o.BC_high) - o.BC_low);
            samples.push_back({i, o.MV, o.BC, half > 0.0 ? 1.0 / (half * half) : 1.0 / (1e-6 * o.BC * o.BC)});
        }
        r.spread = spread_of(samples);
        r.trend = trend_of(samples);
        r.shared = shared_of(samples, group_of);
        out.laws.push_back(std::move(r));
        tell(options, static_cast<double>(laws.size() + k + 1) / total_steps);
    }

    std::vector<std::size_t> order(out.laws.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const LawFit& x = out.laws[a].series;
        const LawFit& y = out.laws[b].series;
        const bool xf = x.outcome == FitOutcome::Fitted, yf = y.outcome == FitOutcome::Fitted;
        if (xf != yf) return xf;
        return x.chi_square < y.chi_square;
    });
    std::vector<StringLawFit> ranked;
    for (std::size_t k : order) ranked.push_back(std::move(out.laws[k]));
    out.laws = std::move(ranked);

    judge(out, shots, P, in, states, W);
    if (!out.laws.empty() && out.laws.front().series.outcome != FitOutcome::Fitted) {
        std::vector<int> all_shots;
        for (std::size_t i = 0; i < n; ++i)
            if (out.in_series[i]) all_shots.push_back(static_cast<int>(i));
        add_message(out, FitMessageKind::EveryBcAtLimit, all_shots);
    }
    if (!out.laws.empty() && !out.laws.front().shared.shared()) add_message(out, FitMessageKind::NotShared, {});
    tell(options, 1.0);
    return out;
}

}  // namespace velora
