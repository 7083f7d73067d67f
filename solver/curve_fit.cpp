#include "solver/curve_fit.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <numeric>

#include "engine/atmosphere.h"
#include "engine/number_text.h"

namespace velora {

double CurveFitInputs::k() const { return air_density * std::numbers::pi / (1152.0 * sectional_density); }

CurveFitInputs curve_fit_inputs(const AirState& air, double sectional_density) {
    return {speed_of_sound(air.TMP), air_density(air.TMP, air.PRES, air.HUMID), sectional_density};
}

namespace {

constexpr double Infinite = std::numeric_limits<double>::infinity();
constexpr int VelocityRounds = 6;

// Knots in Mach, and the integrals of their hat functions over dM / M. Below the first knot the
// first function is 1, above the last the last is: the slowness holds its end values.
struct Knots {
    std::vector<double> t;

    int last() const { return static_cast<int>(t.size()) - 1; }
    // The interval [t_s, t_s+1] that holds m (t_0 ≤ m < t_last).
    int interval(double m) const {
        const auto it = std::upper_bound(t.begin(), t.end(), m);
        return std::clamp(static_cast<int>(it - t.begin()) - 1, 0, last() - 1);
    }
    // ∫_m^top φ_k(M) / M dM for every k, into `out`.
    void row(double m, double* out) const {
        const int n = last();
        std::fill(out, out + n + 1, 0.0);
        const double top = t[static_cast<std::size_t>(n)];
        if (m >= top) {
            out[n] = -std::log(m / top);
            return;
        }
        double from = m;
        if (m < t[0]) {
            out[0] = std::log(t[0] / m);
            from = t[0];
        }
        for (int q = interval(from); q < n; ++q) {
            const double lo = t[static_cast<std::size_t>(q)], hi = t[static_cast<std::size_t>(q) + 1];
            const double a = std::max(from, lo), d = hi - lo, l = std::log(hi / a), w = hi - a;
            out[q] += (hi * l - w) / d;      // the falling half of φ_q, (hi − M) / d
            out[q + 1] += (w - lo * l) / d;  // the rising half of φ_q+1, (M − lo) / d
        }
    }
};

Knots even_knots(double low, double high, int intervals) {
    Knots k;
    for (int i = 0; i <= intervals; ++i) k.t.push_back(low + (high - low) * i / intervals);
    k.t.back() = high;
    return k;
}

// A slowness h(M), linear between knots, with its integral H(m) = ∫_m^top h(M) / M dM.
struct Slowness {
    const Knots* knots;
    std::vector<double> h;
    std::vector<double> at_knot;  // H at each knot, falling to 0 at the last

    Slowness(const Knots& k, std::vector<double> values) : knots(&k), h(std::move(values)) {
        const int n = k.last();
        at_knot.assign(h.size(), 0.0);
        for (int q = n - 1; q >= 0; --q) at_knot[q] = at_knot[q + 1] + part(q, k.t[q]);
    }
    // ∫ from m to the interval's upper end, for m within interval q.
    double part(int q, double m) const {
        const double lo = knots->t[q], hi = knots->t[q + 1], d = hi - lo, l = std::log(hi / m), w = hi - m;
        return h[q] * (hi * l - w) / d + h[q + 1] * (w - lo * l) / d;
    }
    double value(double m) const {
        const std::vector<double>& t = knots->t;
        if (m <= t.front()) return h.front();
        if (m >= t.back()) return h.back();
        const int q = knots->interval(m);
        const double f = (m - t[q]) / (t[q + 1] - t[q]);
        return h[q] + f * (h[q + 1] - h[q]);
    }
    double integral(double m) const {
        const std::vector<double>& t = knots->t;
        if (m >= t.back()) return -h.back() * std::log(m / t.back());
        if (m < t.front()) return at_knot.front() + h.front() * std::log(t.front() / m);
        const int q = knots->interval(m);
        return at_knot[q + 1] + part(q, m);
    }
    // The Mach number at which H is y (h positive: H falls as m rises).
    double mach_at(double y) const {
        const std::vector<double>& t = knots->t;
        if (y <= 0.0) return t.back() * std::exp(-y / h.back());
        if (y >= at_knot.front()) return t.front() * std::exp(-(y - at_knot.front()) / h.front());
        int lo_k = 0, hi_k = knots->last();
        while (hi_k - lo_k > 1) {
            const int mid = (lo_k + hi_k) / 2;
            (at_knot[mid] >= y ? lo_k : hi_k) = mid;
        }
        double lo = t[lo_k], hi = t[hi_k];
        for (int i = 0; i < 60 && hi - lo > 1e-13; ++i) {
            const double mid = 0.5 * (lo + hi);
            (at_knot[hi_k] + part(lo_k, mid) > y ? lo : hi) = mid;
        }
        return 0.5 * (lo + hi);
    }
    bool positive() const {
        return std::all_of(h.begin(), h.end(), [](double x) { return x > 0.0 && std::isfinite(x); });
    }
};

struct Sample {
    int shot = 0;      // among the shots given
    double range = 0;  // ft
    double v = 0, sigma = 0, mach = 0;
};

// One shot's share of the normal equations, its samples centred on their weighted means (which is
// its offset, the muzzle velocity, profiled out).
struct Share {
    std::vector<double> A, b;
    double c = 0;  // Σ w r̃²
};

struct Equations {
    int size = 0;
    std::vector<Share> shots;  // by the order of `members`
    std::vector<double> A, b;  // their sum
};

// `rows` holds `size` values a sample; `members[i]` the samples of used shot i.
Equations equations(const std::vector<Sample>& samples, const std::vector<double>& rows, int size,
                    const std::vector<double>& w, const std::vector<std::vector<int>>& members) {
    Equations e;
    e.size = size;
    const auto K = static_cast<std::size_t>(size);
    e.A.assign(K * K, 0.0);
    e.b.assign(K, 0.0);
    std::vector<double> mean(K), x(K);
    for (const std::vector<int>& shot : members) {
        Share s;
        s.A.assign(K * K, 0.0);
        s.b.assign(K, 0.0);
        double sw = 0, mr = 0;
        std::fill(mean.begin(), mean.end(), 0.0);
        for (int j : shot) {
            const double wj = w[j];
            sw += wj;
            mr += wj * samples[j].range;
            for (std::size_t k = 0; k < K; ++k) mean[k] += wj * rows[j * K + k];
        }
        mr /= sw;
        for (double& m : mean) m /= sw;
        for (int j : shot) {
            const double wj = w[j], r = samples[j].range - mr;
            for (std::size_t k = 0; k < K; ++k) x[k] = rows[j * K + k] - mean[k];
            for (std::size_t a = 0; a < K; ++a) {
                if (x[a] == 0.0) continue;
                s.b[a] += wj * x[a] * r;
                for (std::size_t b = 0; b < K; ++b) s.A[a * K + b] += wj * x[a] * x[b];
            }
            s.c += wj * r * r;
        }
        for (std::size_t i = 0; i < K * K; ++i) e.A[i] += s.A[i];
        for (std::size_t i = 0; i < K; ++i) e.b[i] += s.b[i];
        e.shots.push_back(std::move(s));
    }
    return e;
}

// Factors a symmetric positive definite A (n × n) in place into L Lᵀ, L in the lower triangle;
// false if A is not positive definite.
bool cholesky(std::vector<double>& A, int n) {
    const auto N = static_cast<std::size_t>(n);
    for (std::size_t j = 0; j < N; ++j) {
        double d = A[j * N + j];
        for (std::size_t k = 0; k < j; ++k) d -= A[j * N + k] * A[j * N + k];
        if (!(d > 0.0)) return false;
        d = std::sqrt(d);
        A[j * N + j] = d;
        for (std::size_t i = j + 1; i < N; ++i) {
            double s = A[i * N + j];
            for (std::size_t k = 0; k < j; ++k) s -= A[i * N + k] * A[j * N + k];
            A[i * N + j] = s / d;
        }
    }
    return true;
}

// Solves L Lᵀ x = b, b in x, for L from `cholesky`.
void cholesky_substitute(const std::vector<double>& A, std::vector<double>& x, int n) {
    const auto N = static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t k = 0; k < i; ++k) x[i] -= A[i * N + k] * x[k];
        x[i] /= A[i * N + i];
    }
    for (std::size_t i = N; i-- > 0;) {
        for (std::size_t k = i + 1; k < N; ++k) x[i] -= A[k * N + i] * x[k];
        x[i] /= A[i * N + i];
    }
}

// Solves A x = b for a symmetric positive definite A (n × n), b in x; false if A is not.
bool cholesky_solve(std::vector<double> A, std::vector<double>& x, int n) {
    if (!cholesky(A, n)) return false;
    cholesky_substitute(A, x, n);
    return true;
}

// The second differences' penalty DᵀD.
std::vector<double> roughness(int size) {
    const auto K = static_cast<std::size_t>(size);
    std::vector<double> P(K * K, 0.0);
    for (std::size_t i = 0; i + 2 < K; ++i) {
        const double d[3] = {1.0, -2.0, 1.0};
        for (std::size_t a = 0; a < 3; ++a)
            for (std::size_t b = 0; b < 3; ++b) P[(i + a) * K + i + b] += d[a] * d[b];
    }
    return P;
}

// The folds of the cross-validation: each used shot alone, or ten folds of them for more than 40.
std::vector<std::vector<int>> folds_of(int shots) {
    const int count = shots <= 40 ? shots : 10;
    std::vector<std::vector<int>> folds(static_cast<std::size_t>(count));
    for (int i = 0; i < shots; ++i) folds[static_cast<std::size_t>(i % count)].push_back(i);
    return folds;
}

// The fit without the shots of `fold`: false where it cannot be solved.
bool solve_without(const Equations& e, const std::vector<double>& P, double lambda, const std::vector<int>& fold,
                   std::vector<double>& x) {
    const auto K = static_cast<std::size_t>(e.size);
    std::vector<double> A = e.A;
    x = e.b;
    for (std::size_t i = 0; i < K * K; ++i) A[i] += lambda * P[i];
    for (int f : fold) {
        const Share& s = e.shots[static_cast<std::size_t>(f)];
        for (std::size_t i = 0; i < K * K; ++i) A[i] -= s.A[i];
        for (std::size_t i = 0; i < K; ++i) x[i] -= s.b[i];
    }
    return cholesky_solve(std::move(A), x, e.size);
}

double trace(const std::vector<double>& A, int n) {
    double t = 0;
    for (int i = 0; i < n; ++i) t += A[static_cast<std::size_t>(i * n + i)];
    return t;
}

// tr((A + λP)⁻¹ A), the curve's effective number of parameters, from the factor of A + λP.
double effective_parameters(const Equations& e, const std::vector<double>& factor) {
    const auto K = static_cast<std::size_t>(e.size);
    double edf = 0;
    std::vector<double> x(K);
    for (std::size_t col = 0; col < K; ++col) {
        for (std::size_t r = 0; r < K; ++r) x[r] = e.A[r * K + col];
        cholesky_substitute(factor, x, e.size);
        edf += x[col];
    }
    return edf;
}

// The penalty's weight under which the samples are likeliest, among a ladder scaled to the data.
// The penalty is read as a prior on the curve's bends, and the weight as the ratio of the samples'
// variance to theirs; the likelihood is the restricted one (of what the shots' offsets and the
// penalty's straight lines leave free), with the samples' common scale profiled out:
//
//     −2 log L = (n − s − 2) log(D / (n − s − 2)) + log|A + λP| − (K − 2) log λ
//
// for n samples of s shots, D the penalised residual sum of squares and K knots. Samples that run
// together along a track are counted as what they are worth.
double choose_lambda(const Equations& e, const std::vector<double>& P, double samples) {
    const auto K = static_cast<std::size_t>(e.size);
    double c = 0;
    for (const Share& s : e.shots) c += s.c;
    const double free = samples - static_cast<double>(e.shots.size()) - 2.0;
    const double base = trace(e.A, e.size) / std::max(trace(P, e.size), 1e-300);
    if (!(free > 0.0)) return base;
    double best = base, best_score = Infinite;
    for (int g = -32; g <= 12; ++g) {
        const double lambda = base * std::pow(10.0, 0.25 * g);
        std::vector<double> L = e.A;
        for (std::size_t i = 0; i < K * K; ++i) L[i] += lambda * P[i];
        if (!cholesky(L, e.size)) continue;
        if (effective_parameters(e, L) < std::min<double>(LeastCurveParameters, e.size)) continue;
        std::vector<double> x = e.b;
        cholesky_substitute(L, x, e.size);
        double residual = c, log_det = 0;
        for (std::size_t i = 0; i < K; ++i) {
            residual -= x[i] * e.b[i];
            log_det += 2.0 * std::log(L[i * K + i]);
        }
        const double score = free * std::log(std::max(residual, 1e-300) / free) + log_det -
                             (static_cast<double>(K) - 2.0) * std::log(lambda);
        if (score < best_score) {
            best_score = score;
            best = lambda;
        }
    }
    return best;
}

// One shot under a slowness: its offset from its samples (weighted as the fit weights them), its
// muzzle velocity and its velocity residuals.
struct ShotUnder {
    double mv = 0;
    std::vector<double> residuals;
};

ShotUnder shot_under(const Slowness& s, const std::vector<Sample>& samples, const std::vector<int>& members,
                     const std::vector<double>& w, double c) {
    double sw = 0, sa = 0;
    for (int j : members) {
        sw += w[j];
        sa += w[j] * (s.integral(samples[j].mach) - samples[j].range);
    }
    const double a = sa / sw;
    ShotUnder out;
    out.mv = c * s.mach_at(a);
    for (int j : members) out.residuals.push_back(samples[j].v - c * s.mach_at(samples[j].range + a));
    return out;
}

double rms_of(const std::vector<double>& squares_sum_and_count) {
    return squares_sum_and_count[1] > 0 ? std::sqrt(squares_sum_and_count[0] / squares_sum_and_count[1]) : 0.0;
}

// A velocity's weight as a range's: (v / (h σ))².
void weigh(const std::vector<Sample>& samples, const std::vector<int>& used, const Slowness& s,
           std::vector<double>& w) {
    for (int j : used) {
        const double h = s.value(samples[j].mach);
        w[j] = samples[j].v * samples[j].v / (h * h * samples[j].sigma * samples[j].sigma);
    }
}

// A curve of fixed shape — a law's or a table's coefficients — with its scale (1 / (k × form
// factor)) fitted, compared with the fitted curve by the same rms.
CurveCandidate fit_shape(const DragCurve& curve, const std::vector<Sample>& samples,
                         const std::vector<std::vector<int>>& members, const std::vector<int>& used,
                         const std::vector<std::vector<int>>& folds, double low, double high,
                         const CurveFitInputs& in) {
    // The shape's slowness 1 / Cd on knots fine enough that linear in 1 / Cd is linear in Cd.
    const int intervals = std::max(4, static_cast<int>(std::ceil((high - low) / 0.0025)));
    const Knots knots = even_knots(low, high, intervals);
    std::vector<double> inverse;
    DragCursor cursor(curve);
    for (double m : knots.t) inverse.push_back(1.0 / cursor.at(m));
    const Slowness shape(knots, inverse);
    std::vector<double> rows(samples.size(), 0.0);
    for (int j : used) rows[static_cast<std::size_t>(j)] = shape.integral(samples[j].mach);

    const auto scaled = [&](double scale) {
        std::vector<double> h = inverse;
        for (double& x : h) x *= scale;
        return Slowness(knots, h);
    };
    std::vector<double> w(samples.size(), 0.0);
    double scale = 1.0 / in.k();
    Equations e;
    for (int round = 0; round < 4; ++round) {
        weigh(samples, used, scaled(scale), w);
        e = equations(samples, rows, 1, w, members);
        if (!(e.A[0] > 0.0)) break;
        scale = e.b[0] / e.A[0];
    }
    CurveCandidate c;
    c.form_factor = 1.0 / (in.k() * scale);
    c.bc = in.sectional_density / c.form_factor;
    std::vector<double> all{0, 0}, held{0, 0};
    const Slowness fitted = scaled(scale);
    for (std::size_t i = 0; i < members.size(); ++i) {
        for (double r : shot_under(fitted, samples, members[i], w, in.speed_of_sound).residuals) {
            all[0] += r * r;
            all[1] += 1;
        }
    }
    for (const std::vector<int>& fold : folds) {
        double A = e.A[0], b = e.b[0];
        for (int f : fold) {
            A -= e.shots[static_cast<std::size_t>(f)].A[0];
            b -= e.shots[static_cast<std::size_t>(f)].b[0];
        }
        const Slowness without = scaled(A > 0.0 ? b / A : scale);
        for (int f : fold) {
            for (double r :
                 shot_under(without, samples, members[static_cast<std::size_t>(f)], w, in.speed_of_sound).residuals) {
                held[0] += r * r;
                held[1] += 1;
            }
        }
    }
    c.rms = rms_of(all);
    c.cv_rms = rms_of(held);
    return c;
}

// The fitted curve on the shots `members` (their samples `used`).
struct CurveStage {
    bool solved = false;
    Knots knots;
    std::vector<double> h, w;
    double lambda = 0;
    double effective = 0;  // what the samples count as, their run along each track allowed for
    Equations e;
    std::vector<double> P;
};

// What the samples count as under a slowness: a track's residuals run together (the radar smooths
// it, and the shot strays from any curve slowly), and n of them with lag-1 autocorrelation ρ count
// as n (1 − ρ) / (1 + ρ) independent ones, as in the string fit.
double counted_samples(const Slowness& s, const std::vector<Sample>& samples,
                       const std::vector<std::vector<int>>& members, const std::vector<double>& w, double c) {
    double count = 0;
    for (const std::vector<int>& shot : members) {
        const int n = static_cast<int>(shot.size());
        if (n < LeastSamplesForCorrelation) {
            count += n;
            continue;
        }
        const std::vector<double> r = shot_under(s, samples, shot, w, c).residuals;
        std::vector<int> order(shot.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return samples[shot[a]].range < samples[shot[b]].range; });
        std::vector<double> z;
        for (int k : order) z.push_back(r[static_cast<std::size_t>(k)] / samples[shot[k]].sigma);
        count += effective_count(n, lag1_autocorrelation(z));
    }
    return count;
}

CurveStage fit_stage(const std::vector<Sample>& samples, const std::vector<std::vector<int>>& members,
                     const std::vector<int>& used, double low, double high, double c) {
    CurveStage st;
    const int intervals = std::clamp(static_cast<int>(std::ceil((high - low) / CurveKnotSpacing - 1e-9)),
                                     LeastCurveIntervals, MostCurveIntervals);
    st.knots = even_knots(low, high, intervals);
    const int K = intervals + 1;
    const auto KS = static_cast<std::size_t>(K);
    std::vector<double> rows(samples.size() * KS, 0.0);
    const auto fill_rows = [&](const std::vector<Sample>& at) {
        for (int j : used) st.knots.row(at[j].mach, &rows[static_cast<std::size_t>(j) * KS]);
    };
    fill_rows(samples);
    st.P = roughness(K);

    // The first weights from one slowness for the whole span (whose size cancels).
    st.w.assign(samples.size(), 0.0);
    weigh(samples, used, Slowness(st.knots, std::vector<double>(KS, 1.0)), st.w);
    {
        std::vector<double> one(samples.size(), 0.0);
        for (int j : used) one[static_cast<std::size_t>(j)] = std::log(high / samples[j].mach);
        const Equations e1 = equations(samples, one, 1, st.w, members);
        if (!(e1.A[0] > 0.0)) return st;
        weigh(samples, used, Slowness(st.knots, std::vector<double>(KS, e1.b[0] / e1.A[0])), st.w);
    }
    for (int round = 0; round < 4; ++round) {
        st.e = equations(samples, rows, K, st.w, members);
        st.lambda = choose_lambda(st.e, st.P, static_cast<double>(used.size()));
        std::vector<double> x;
        if (!solve_without(st.e, st.P, st.lambda, {}, x)) return st;
        double change = 0;
        for (std::size_t i = 0; i < st.h.size(); ++i) change = std::max(change, std::fabs(x[i] / st.h[i] - 1.0));
        const bool settled = !st.h.empty() && change < 1e-6;
        st.h = x;
        st.solved = true;
        const Slowness s(st.knots, st.h);
        if (!s.positive() || settled) break;
        weigh(samples, used, s, st.w);
    }
    st.e = equations(samples, rows, K, st.w, members);

    // The ranges are exact and the velocities carry the noise, yet above each sample's measured
    // Mach number stands among the regressors. Noise there flattens the fitted slowness, and at a
    // radar's scatter of a few ft/s that puts Cd a percent or more too high where the tracks end.
    // So a few Gauss–Newton rounds fit the velocities themselves: each sample moves to the Mach
    // number the curve gives at its range from its shot's offset, and what it measured beyond that
    // goes into its range as δm h / m. The equations keep their form, the noise leaves the rows.
    std::vector<Sample> moved = samples;
    for (int round = 0; round < VelocityRounds && st.solved; ++round) {
        const Slowness s(st.knots, st.h);
        if (!s.positive()) break;
        for (const std::vector<int>& shot : members) {
            double sw = 0, sa = 0;
            for (int j : shot) {
                sw += st.w[j];
                sa += st.w[j] * (s.integral(moved[j].mach) - moved[j].range);
            }
            const double a = sa / sw;
            for (int j : shot) {
                const double m = s.mach_at(samples[j].range + a);
                moved[j].mach = m;
                moved[j].range = samples[j].range + (samples[j].mach - m) * s.value(m) / m;
            }
        }
        fill_rows(moved);
        weigh(moved, used, s, st.w);
        st.effective = counted_samples(s, samples, members, st.w, c);
        const Equations e = equations(moved, rows, K, st.w, members);
        const double lambda = choose_lambda(e, st.P, st.effective);
        std::vector<double> x;
        if (!solve_without(e, st.P, lambda, {}, x) || !Slowness(st.knots, x).positive()) break;
        double change = 0;
        for (std::size_t i = 0; i < x.size(); ++i) change = std::max(change, std::fabs(x[i] / st.h[i] - 1.0));
        st.h = std::move(x);
        st.lambda = lambda;
        st.e = e;
        if (change < 1e-6) break;
    }
    if (st.solved && Slowness(st.knots, st.h).positive())
        st.effective = counted_samples(Slowness(st.knots, st.h), samples, members, st.w, c);
    return st;
}

double median(std::vector<double> x) {
    std::sort(x.begin(), x.end());
    const std::size_t n = x.size();
    return n == 0 ? 0.0 : n % 2 ? x[n / 2] : 0.5 * (x[n / 2 - 1] + x[n / 2]);
}

}  // namespace

CurvePoint CurveFit::at(double mach) const {
    CurvePoint p;
    p.mach = mach;
    if (knots.size() < 2) return p;
    const int q = Knots{knots}.interval(std::clamp(mach, knots.front(), knots.back()));
    const double f = std::clamp((mach - knots[q]) / (knots[q + 1] - knots[q]), 0.0, 1.0);
    const std::size_t K = knots.size(), a = static_cast<std::size_t>(q), b = a + 1;
    const double h = (1.0 - f) * slowness[a] + f * slowness[b];
    const double var = (1.0 - f) * (1.0 - f) * covariance[a * K + a] + 2.0 * f * (1.0 - f) * covariance[a * K + b] +
                       f * f * covariance[b * K + b];
    p.cd = 1.0 / (k * h);
    const double relative = std::sqrt(std::max(var, 0.0)) / h;
    p.cd_low = std::max(0.0, p.cd * (1.0 - relative));
    p.cd_high = p.cd * (1.0 + relative);
    return p;
}

CurveFit fit_drag_curve(const std::vector<FitShot>& shots, const CurveFitInputs& in, const CurveFitOptions& options) {
    CurveFit fit;
    fit.k = in.k();
    const double c = in.speed_of_sound;
    std::vector<Sample> samples;
    std::vector<std::vector<int>> of_shot(shots.size());
    for (std::size_t i = 0; i < shots.size(); ++i) {
        CurveShot cs;
        cs.name = shots[i].name;
        for (const Shot& m : shots[i].measurements) {
            if (m.quantity != ShotQuantity::Velocity || !(m.value > 0.0f) || !(m.range > 0.0f)) continue;
            of_shot[i].push_back(static_cast<int>(samples.size()));
            samples.push_back({static_cast<int>(i), 3.0 * m.range, m.value, uncertainty_of(m), m.value / c});
        }
        cs.samples = static_cast<int>(of_shot[i].size());
        cs.used = cs.samples >= LeastMeasurementsForMv;
        fit.shots.push_back(cs);
    }

    // The shots in the fit, with their samples.
    std::vector<int> order;
    std::vector<std::vector<int>> members;
    std::vector<int> used;
    double low = 0, high = 0;
    std::vector<double> lows, highs;
    const auto gather = [&] {
        lows.clear();
        highs.clear();
        order.clear();
        members.clear();
        used.clear();
        low = Infinite;
        high = 0;
        for (std::size_t i = 0; i < shots.size(); ++i) {
            if (!fit.shots[i].used) continue;
            order.push_back(static_cast<int>(i));
            members.push_back(of_shot[i]);
            double shot_low = Infinite, shot_high = 0;
            for (int j : of_shot[i]) {
                used.push_back(j);
                shot_low = std::min(shot_low, samples[j].mach);
                shot_high = std::max(shot_high, samples[j].mach);
            }
            low = std::min(low, shot_low);
            high = std::max(high, shot_high);
            lows.push_back(shot_low);
            highs.push_back(shot_high);
        }
        // The curve holds where three shots or more slowed through: at the very ends of the span
        // one shot's first or last few velocities are all there is, and its muzzle velocity takes
        // up most of what they say.
        std::sort(lows.begin(), lows.end());
        std::sort(highs.begin(), highs.end(), std::greater<>());
        if (lows.size() >= static_cast<std::size_t>(LeastCurveShots)) {
            fit.mach_low = lows[LeastCurveShots - 1];
            fit.mach_high = highs[LeastCurveShots - 1];
        }
    };
    gather();
    fit.usable_shots = static_cast<int>(order.size());
    if (fit.usable_shots < LeastCurveShots) {
        fit.refusal = CurveRefusal::TooFewShots;
        return fit;
    }
    if (!(fit.mach_high - fit.mach_low >= LeastCurveSpan)) {
        fit.refusal = CurveRefusal::SpanTooNarrow;
        return fit;
    }

    std::vector<std::vector<int>> folds = folds_of(fit.usable_shots);
    CurveStage st = fit_stage(samples, members, used, low, high, c);
    if (st.solved && Slowness(st.knots, st.h).positive() && options.set_aside_outliers &&
        fit.usable_shots >= LeastShotsForOutliers) {
        // A shot whose velocities the curve of all explains far worse than the others' (a track with
        // junk in it) is set aside by the string fit's rule, and the curve fitted again.
        const Slowness s(st.knots, st.h);
        std::vector<double> rms;
        for (const std::vector<int>& m : members) {
            double sum = 0;
            const ShotUnder u = shot_under(s, samples, m, st.w, c);
            for (double r : u.residuals) sum += r * r;
            rms.push_back(std::sqrt(sum / static_cast<double>(m.size())));
        }
        const double mid = median(rms);
        std::vector<double> deviations;
        for (double r : rms) deviations.push_back(std::fabs(r - mid));
        const double robust = 1.4826 * median(deviations);
        bool any = false;
        for (std::size_t i = 0; i < rms.size(); ++i) {
            if (rms[i] > mid + OutlierLimit * robust && rms[i] > OutlierRmsRatio * mid &&
                shots[static_cast<std::size_t>(order[i])].may_be_outlier) {
                CurveShot& cs = fit.shots[static_cast<std::size_t>(order[i])];
                cs.used = false;
                cs.outlier = true;
                any = true;
            }
        }
        if (any) {
            gather();
            fit.usable_shots = static_cast<int>(order.size());
            if (!(fit.mach_high - fit.mach_low >= LeastCurveSpan)) {
                fit.refusal = CurveRefusal::SpanTooNarrow;
                return fit;
            }
            folds = folds_of(fit.usable_shots);
            st = fit_stage(samples, members, used, low, high, c);
        }
    }
    if (!st.solved || !Slowness(st.knots, st.h).positive()) {
        fit.refusal = CurveRefusal::NoDrag;
        return fit;
    }

    const Slowness s(st.knots, st.h);
    const int K = static_cast<int>(st.h.size());
    const auto KS = static_cast<std::size_t>(K);
    fit.knots = st.knots.t;
    fit.slowness = st.h;
    fit.lambda = st.lambda;

    // The penalised normal matrix's inverse: the covariance before its scale, and the effective
    // number of parameters tr((A + λP)⁻¹ A).
    std::vector<double> A = st.e.A;
    for (std::size_t i = 0; i < KS * KS; ++i) A[i] += st.lambda * st.P[i];
    std::vector<double> inverse(KS * KS, 0.0);
    for (std::size_t col = 0; col < KS; ++col) {
        std::vector<double> x(KS, 0.0);
        x[col] = 1.0;
        cholesky_solve(A, x, K);
        for (std::size_t r = 0; r < KS; ++r) inverse[r * KS + col] = x[r];
    }
    fit.edf = 0;
    for (std::size_t a = 0; a < KS; ++a)
        for (std::size_t b = 0; b < KS; ++b) fit.edf += inverse[a * KS + b] * st.e.A[b * KS + a];

    std::vector<double> all{0, 0};
    fit.chi_square = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ShotUnder u = shot_under(s, samples, members[i], st.w, c);
        CurveShot& cs = fit.shots[static_cast<std::size_t>(order[i])];
        cs.mv = u.mv;
        double sum = 0;
        for (std::size_t j = 0; j < u.residuals.size(); ++j) {
            const double r = u.residuals[j];
            sum += r * r;
            const double z = r / samples[members[i][j]].sigma;
            fit.chi_square += z * z;
        }
        cs.rms = std::sqrt(sum / static_cast<double>(u.residuals.size()));
        all[0] += sum;
        all[1] += static_cast<double>(u.residuals.size());
    }
    fit.samples = static_cast<int>(used.size());
    fit.rms = rms_of(all);
    fit.freedom = fit.samples - fit.usable_shots - fit.edf;
    fit.scale = fit.freedom > 0 ? std::max(1.0, fit.chi_square / fit.freedom) : 1.0;
    fit.effective_samples = std::min(st.effective, static_cast<double>(fit.samples));
    fit.correlation = fit.effective_samples > 0 ? fit.samples / fit.effective_samples : 1.0;
    fit.covariance = inverse;
    for (double& x : fit.covariance) x *= fit.scale * fit.correlation;

    // Each shot's velocities from the curve fitted without it.
    std::vector<double> held{0, 0};
    for (const std::vector<int>& fold : folds) {
        std::vector<double> x;
        if (!solve_without(st.e, st.P, st.lambda, fold, x)) continue;
        const Slowness without(st.knots, x);
        if (!without.positive()) continue;
        for (int f : fold) {
            for (double r : shot_under(without, samples, members[static_cast<std::size_t>(f)], st.w, c).residuals) {
                held[0] += r * r;
                held[1] += 1;
            }
        }
    }
    fit.cv_rms = rms_of(held);

    // The table: every half knot spacing over the span where the curve holds.
    const int steps =
        std::max(2, static_cast<int>(std::ceil((fit.mach_high - fit.mach_low) / (0.5 * CurveKnotSpacing))));
    for (int i = 0; i <= steps; ++i)
        fit.points.push_back(
            fit.at(i == steps ? fit.mach_high : fit.mach_low + (fit.mach_high - fit.mach_low) * i / steps));

    std::vector<int> laws = options.laws;
    if (laws.empty())
        for (int law = 0; law < DragLawCount; ++law) laws.push_back(law);
    for (int law : laws) {
        CurveCandidate cand = fit_shape(drag_law_curve(law), samples, members, used, folds, low, high, in);
        cand.law = law;
        cand.name = std::string(DragLaws[law].name);
        fit.laws.push_back(cand);
    }
    std::stable_sort(fit.laws.begin(), fit.laws.end(),
                     [](const CurveCandidate& a, const CurveCandidate& b) { return a.cv_rms < b.cv_rms; });
    for (const ComparedCurve& t : options.tables) {
        CurveCandidate cand = fit_shape(t.curve, samples, members, used, folds, low, high, in);
        cand.name = t.name;
        if (t.curve.count > 0) {
            cand.overlap_low = std::max(low, t.curve.segments[0].mach_lo);
            cand.overlap_high = std::min(high, t.curve.segments[t.curve.count - 1].mach_hi);
            if (cand.overlap_low < cand.overlap_high) {
                double sum = 0;
                const int n = 100;
                for (int i = 0; i <= n; ++i) {
                    const double m = cand.overlap_low + (cand.overlap_high - cand.overlap_low) * i / n;
                    const double own = fit.at(m).cd, d = (drag_coefficient(m, t.curve) - own) / own;
                    sum += d;
                    if (std::fabs(d) > std::fabs(cand.largest_difference)) cand.largest_difference = d;
                }
                cand.mean_difference = sum / (n + 1);
            }
        }
        fit.tables.push_back(cand);
    }
    return fit;
}

std::string curve_refusal_text(const CurveFit& fit) {
    switch (fit.refusal) {
        case CurveRefusal::None: return {};
        case CurveRefusal::TooFewShots:
            return "a drag curve needs " + std::to_string(LeastCurveShots) + " shots or more with " +
                   std::to_string(LeastMeasurementsForMv) + " velocities downrange each, and the string has " +
                   std::to_string(fit.usable_shots);
        case CurveRefusal::SpanTooNarrow:
            return "the shots cover Mach " + format_fixed(fit.mach_low, 3) + " to " + format_fixed(fit.mach_high, 3) +
                   " only: a drag curve needs a span of " + format_fixed(LeastCurveSpan, 2) +
                   " or more, and over less the shots tell one drag coefficient, not a curve";
        case CurveRefusal::NoDrag:
            return "the shots give no positive drag coefficient all over Mach " + format_fixed(fit.mach_low, 3) +
                   " to " + format_fixed(fit.mach_high, 3) + ": they hold no drag curve";
    }
    return {};
}

std::string curve_fit_note(const CurveFit& fit) {
    if (fit.refused()) return curve_refusal_text(fit);
    std::string out = "The fitted drag curve holds over Mach " + format_fixed(fit.mach_low, 3) + " to " +
                      format_fixed(fit.mach_high, 3) + " (" + std::to_string(fit.usable_shots) + " shots, " +
                      std::to_string(fit.samples) + " velocities); each shot fitted without it, its velocities have " +
                      "an rms of " + format_fixed(fit.cv_rms, 2) + " ft/s";
    if (fit.laws.empty()) return out + ".";
    const CurveCandidate& best = fit.laws.front();
    out += ", under the best law, " + best.name + " (form factor " + format_fixed(best.form_factor, 3) + "), " +
           format_fixed(best.cv_rms, 2) + " ft/s";
    if (fit.cv_rms < best.cv_rms)
        out += ": the curve explains held-out shots " + format_fixed(100.0 * (1.0 - fit.cv_rms / best.cv_rms), 0) +
               " % better.";
    else
        out += ": the curve explains held-out shots no better than the law.";
    return out;
}

}  // namespace velora
