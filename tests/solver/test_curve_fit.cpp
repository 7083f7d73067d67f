// The fit of a projectile's own drag curve: strings made by the independent flight from a known
// curve are fitted back, a narrow string is refused, and on the real LabRadar tracks of SR0038 the
// curve explains held-out shots better than the best law while its laws agree with the string fit.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/drag_curve.h"
#include "engine/projectile.h"
#include "services/readers/drag_table.h"
#include "services/readers/readers.h"
#include "solver/curve_fit.h"
#include "solver/string_fit.h"
#include "tests/fixtures/first_run.h"
#include "tests/fixtures/independent_flight.h"
#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

using testing::IndependentAir;

const char* const PolarFile = "lapua-22lr-radar-cd/22LR-Polar biathlon Lapua  2,59g _Radar.drg";

// The published points, read off linearly, the end values held.
double polar_cd(const std::vector<DragPoint>& p, double mach) {
    if (mach <= p.front().mach) return p.front().cd;
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (mach <= p[i].mach)
            return p[i - 1].cd + (mach - p[i - 1].mach) / (p[i].mach - p[i - 1].mach) * (p[i].cd - p[i - 1].cd);
    }
    return p.back().cd;
}

AirState air_of(const IndependentAir& a) {
    return {static_cast<float>(a.TMP), static_cast<float>(a.PRES), static_cast<float>(a.HUMID)};
}

// Shots of a radar at 1000 to 1100 ft/s: a velocity every 0.8 yd from 5 yd to 60 m, with the
// noise of SR0038's tracks (1 ft/s near, 3 ft/s at the far end).
std::vector<FitShot> radar_string(const std::vector<DragPoint>& curve, double sd, const IndependentAir& air,
                                  unsigned seed, int count, double noise = 1.0, double run = 0.0) {
    const double far_yd = 60.0 / 0.9144;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> mv_of(1000.0, 1100.0);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> ranges;
    for (double r = 5.0; r <= far_yd; r += 0.8) ranges.push_back(r);
    std::vector<FitShot> shots;
    for (int k = 0; k < count; ++k) {
        const double mv = mv_of(rng);
        const auto f = testing::independent_flight_under(
            mv, sd, [&](double m) { return polar_cd(curve, m); }, air, ranges);
        FitShot shot;
        shot.name = "shot " + std::to_string(k + 1);
        shot.mv = static_cast<float>(mv + 5.0 * normal(rng));
        shot.mv_kind = MvKind::Extrapolated;
        double z = normal(rng);
        for (std::size_t j = 0; j < f.velocity.size(); ++j) {
            const double sigma = noise * (1.0 + 2.0 * ranges[j] / far_yd);
            if (j > 0) z = run * z + std::sqrt(1.0 - run * run) * normal(rng);
            shot.measurements.push_back(Shot{static_cast<float>(ranges[j]), ShotQuantity::Velocity,
                                             static_cast<float>(f.velocity[j] + sigma * z), static_cast<float>(sigma)});
        }
        shots.push_back(std::move(shot));
    }
    return shots;
}

std::vector<DragPoint> polar_points() {
    const DragTableRead read = read_drag_table_file((test::real_data() / PolarFile).string());
    EXPECT_TRUE(read.ok()) << read.error;
    return read.ok() ? read.table->points : std::vector<DragPoint>{};
}

const double PolarSd = sectional_density(2.59 * GrainsPerGram, 5.69 / MmPerInch);

// How close the fits of eight strings come to the Polar curve, and how often its band holds it;
// `pinned` is the share of the points where the band is within ±1 % that lie within 1 % of the truth.
struct Recovery {
    double worst = 0, mean = 0, inside = 0, pinned = 0, correlation = 1e300;
};

Recovery fit_back(const std::vector<DragPoint>& polar, double noise, int shots, double run = 0.0) {
    const IndependentAir air;
    const CurveFitInputs in = curve_fit_inputs(air_of(air), PolarSd);
    Recovery out;
    int points = 0, narrow = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const CurveFit fit = fit_drag_curve(radar_string(polar, PolarSd, air, seed, shots, noise, run), in);
        EXPECT_FALSE(fit.refused()) << curve_refusal_text(fit);
        if (fit.refused()) return out;
        // 1000 ft/s down to what 60 m leave of it.
        EXPECT_LT(fit.mach_low, 0.85);
        EXPECT_GT(fit.mach_high, 0.95);
        for (int i = 0; i <= 50; ++i) {
            const double m = fit.mach_low + (fit.mach_high - fit.mach_low) * i / 50;
            const CurvePoint p = fit.at(m);
            const double truth = polar_cd(polar, m), error = std::fabs(p.cd / truth - 1.0);
            out.worst = std::max(out.worst, error);
            out.mean += error;
            out.inside += truth >= p.cd_low && truth <= p.cd_high;
            if (p.cd_high - p.cd <= 0.01 * p.cd) {
                ++narrow;
                out.pinned += error < 0.01;
            }
            ++points;
            EXPECT_LT(p.cd_low, p.cd);
            EXPECT_GT(p.cd_high, p.cd);
        }
        // The table written is the curve over its span, rising in Mach.
        EXPECT_GE(fit.points.size(), 2u);
        for (std::size_t i = 1; i < fit.points.size(); ++i) EXPECT_GT(fit.points[i].mach, fit.points[i - 1].mach);
        if (fit.points.empty()) return out;
        EXPECT_DOUBLE_EQ(fit.points.front().mach, fit.mach_low);
        EXPECT_DOUBLE_EQ(fit.points.back().mach, fit.mach_high);
        // The fitted velocities scatter as the noise they were made with.
        EXPECT_GT(fit.scale, 0.99);
        EXPECT_LT(fit.chi_square / fit.freedom, 1.3);
        out.correlation = std::min(out.correlation, fit.correlation);
        EXPECT_GE(fit.edf, LeastCurveParameters - 1e-6);
        // Each shot's muzzle velocity is fitted, not the device's taken.
        for (const CurveShot& s : fit.shots) {
            EXPECT_TRUE(s.used);
            EXPECT_GT(s.mv, 995.0);
            EXPECT_LT(s.mv, 1105.0);
        }
    }
    out.mean /= points;
    out.inside /= points;
    out.pinned /= std::max(narrow, 1);
    std::printf(
        "noise ×%.1f, %d shots, tracks running together at %.1f: Cd off by %.2f %% on average, %.2f %% at most, "
        "within 1 %% at %.0f %% of the points the band pins to ±1 %%; truth inside the band at %.0f %%\n",
        noise, shots, run, 100 * out.mean, 100 * out.worst, 100 * out.pinned, 100 * out.inside);
    return out;
}

TEST(CurveFit, AKnownCurveIsFittedBackAndItsBandHoldsItAtAboutItsRate) {
    REQUIRE_REAL_DATA();
    const std::vector<DragPoint> polar = polar_points();
    ASSERT_FALSE(polar.empty());
    // A quiet radar (a third of SR0038's scatter): within half a percent on average, 2 % at the worst.
    const Recovery quiet = fit_back(polar, 0.3, 25);
    EXPECT_LT(quiet.mean, 0.005);
    EXPECT_LT(quiet.worst, 0.02);
    EXPECT_GT(quiet.pinned, 0.95);
    EXPECT_GT(quiet.inside, 0.6);
    EXPECT_LT(quiet.inside, 0.85);
    // SR0038's own scatter, 1 to 3 ft/s: within 1 % on average, and within 1 % nearly everywhere the
    // band says ±1 %; the ends, where few shots reach, a few percent out, as their band says. Taken
    // as samples of the measured Mach numbers, the noise would put Cd 5 % high at the slow end.
    const Recovery real = fit_back(polar, 1.0, 30);
    EXPECT_LT(real.mean, 0.01);
    EXPECT_GT(real.pinned, 0.85);
    EXPECT_GT(real.inside, 0.55);
    EXPECT_LT(real.inside, 0.8);
    // The same scatter running together along each track, as a radar's smoothing makes it: the fit
    // counts the samples as what they are worth, and its band still holds the truth at about its rate.
    const Recovery smoothed = fit_back(polar, 1.0, 30, 0.8);
    EXPECT_GT(smoothed.correlation, 4.0);
    EXPECT_LT(smoothed.mean, 0.02);
    EXPECT_GT(smoothed.inside, 0.55);
    EXPECT_LT(smoothed.inside, 0.85);
}

TEST(CurveFit, MuzzleVelocitiesFittedBackAndTheTrueLawsFormFactorFound) {
    // A string flown under G1 at BC 0.12 (SD 0.12, so form factor 1): G1 ranks first by held-out shots,
    // with its form factor near 1, and the curve is G1's coefficient.
    const IndependentAir air;
    const double sd = 0.12;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> ranges;
    for (double r = 5.0; r <= 80.0; r += 1.0) ranges.push_back(r);
    std::vector<FitShot> shots;
    std::vector<double> truth;
    for (int k = 0; k < 12; ++k) {
        const double mv = 1150.0 + 10.0 * k;
        const auto f = testing::independent_flight(mv, sd, G1, air, ranges);
        FitShot shot;
        shot.name = "shot " + std::to_string(k + 1);
        for (std::size_t j = 0; j < f.velocity.size(); ++j)
            shot.measurements.push_back(Shot{static_cast<float>(ranges[j]), ShotQuantity::Velocity,
                                             static_cast<float>(f.velocity[j] + 1.5 * noise(rng)), 1.5f});
        shots.push_back(shot);
        truth.push_back(mv);
    }
    const CurveFit fit = fit_drag_curve(shots, curve_fit_inputs(air_of(air), sd));
    ASSERT_FALSE(fit.refused());
    for (std::size_t i = 0; i < shots.size(); ++i) EXPECT_NEAR(fit.shots[i].mv, truth[i], 2.0);
    ASSERT_EQ(fit.laws.size(), 10u);
    const CurveCandidate* g1_fit = nullptr;
    for (const CurveCandidate& c : fit.laws)
        if (c.law == G1) g1_fit = &c;
    ASSERT_NE(g1_fit, nullptr);
    EXPECT_NEAR(g1_fit->form_factor, 1.0, 0.005);
    EXPECT_NEAR(g1_fit->bc, sd, 0.0006);
    EXPECT_NEAR(g1_fit->cv_rms, 1.5, 0.2);
    EXPECT_LE(fit.laws.front().cv_rms, g1_fit->cv_rms);
    // The curve may not explain the held-out shots better than the true law by more than chance.
    EXPECT_GT(fit.cv_rms, 0.97 * g1_fit->cv_rms);
    for (int i = 0; i <= 20; ++i) {
        const double m = fit.mach_low + (fit.mach_high - fit.mach_low) * i / 20;
        EXPECT_NEAR(fit.at(m).cd / testing::independent_cd(G1, m), 1.0, 0.02) << "Mach " << m;
    }
}

TEST(CurveFit, TooFewShotsOrTooNarrowASpanIsRefusedWithTheReason) {
    const IndependentAir air;
    const double sd = 0.12;
    std::vector<FitShot> shots;
    for (int k = 0; k < 6; ++k) {
        const std::vector<double> ranges = {2, 3, 4, 5, 6};
        const auto f = testing::independent_flight(1000.0 + k, sd, G1, air, ranges);
        FitShot shot;
        for (std::size_t j = 0; j < ranges.size(); ++j)
            shot.measurements.push_back(
                Shot{static_cast<float>(ranges[j]), ShotQuantity::Velocity, static_cast<float>(f.velocity[j]), 1.0f});
        shots.push_back(shot);
    }
    const CurveFitInputs in = curve_fit_inputs(air_of(air), sd);
    CurveFit fit = fit_drag_curve(shots, in);
    EXPECT_EQ(fit.refusal, CurveRefusal::SpanTooNarrow);
    EXPECT_TRUE(fit.points.empty());
    EXPECT_NE(curve_refusal_text(fit).find("a drag curve needs a span of 0.03 or more"), std::string::npos)
        << curve_refusal_text(fit);
    // Two measurements are too few to fit a shot's muzzle velocity and its drag.
    for (FitShot& s : shots) s.measurements.resize(2);
    fit = fit_drag_curve(shots, in);
    EXPECT_EQ(fit.refusal, CurveRefusal::TooFewShots);
    EXPECT_EQ(curve_refusal_text(fit),
              "a drag curve needs 3 shots or more with 3 velocities downrange each, and the string has 0");
}

TEST(CurveFit, AShotWithJunkInItsTrackIsSetAside) {
    REQUIRE_REAL_DATA();
    const std::vector<DragPoint> polar = polar_points();
    const IndependentAir air;
    std::vector<FitShot> shots = radar_string(polar, PolarSd, air, 3, 10);
    // A track that follows another target half way.
    for (std::size_t j = shots[4].measurements.size() / 2; j < shots[4].measurements.size(); ++j)
        shots[4].measurements[j].value -= 40.0f;
    const CurveFitInputs in = curve_fit_inputs(air_of(air), PolarSd);
    const CurveFit fit = fit_drag_curve(shots, in);
    ASSERT_FALSE(fit.refused());
    for (std::size_t i = 0; i < shots.size(); ++i) EXPECT_EQ(fit.shots[i].outlier, i == 4) << i;
    EXPECT_LT(fit.rms, 2.6);
    // Taken back in by the user, it stays.
    shots[4].may_be_outlier = false;
    EXPECT_FALSE(fit_drag_curve(shots, in).shots[4].outlier);
}

ShotString series(const char* name) {
    const StringRead r = read_string_path((test::real_data() / "labradar-22lr-topgenorth" / name).string());
    EXPECT_TRUE(r.ok()) << r.error.text();
    return r.ok() ? *r.string : ShotString{};
}

TEST(CurveFitCorpus, SR0038sCurveBeatsTheBestLawOnHeldOutShotsAndItsLawsAgreeWithTheStringFit) {
    REQUIRE_REAL_DATA();
    const ShotString s = series("SR0038");
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<FitShot> shots = string_fit_shots(s, true);
    // Federal's 36 gr .22 LR bullet, 0.2225 in.
    const double sd = sectional_density(36.0, 0.2225);
    const DragTableRead polar = read_drag_table_file((test::real_data() / PolarFile).string());
    ASSERT_TRUE(polar.ok());
    const auto made = make_drag_curve(polar.table->points);
    const TabulatedDragCurve& polar_curve = std::get<TabulatedDragCurve>(made);
    CurveFitOptions options;
    options.tables = {{polar.table->name, polar_curve.curve()}};
    const CurveFit fit = fit_drag_curve(shots, curve_fit_inputs(in.air, sd), options);
    ASSERT_FALSE(fit.refused()) << curve_refusal_text(fit);
    std::printf("%s\n  %.1f effective parameters; the %d velocities count as %.0f\n", curve_fit_note(fit).c_str(),
                fit.edf, fit.samples, fit.effective_samples);
    for (const CurvePoint& p : fit.points)
        std::printf("  Mach %.4f  Cd %.4f  [%.4f, %.4f]\n", p.mach, p.cd, p.cd_low, p.cd_high);
    for (const CurveCandidate& c : fit.laws)
        std::printf("  %-4s form factor %.3f BC %.4f rms %.2f cv %.2f\n", c.name.c_str(), c.form_factor, c.bc, c.rms,
                    c.cv_rms);
    const CurveCandidate& t = fit.tables.front();
    std::printf("  %s: form factor %.3f, cv %.2f; over Mach %.3f-%.3f at form factor 1 %+.1f %% (largest %+.1f %%)\n",
                t.name.c_str(), t.form_factor, t.cv_rms, t.overlap_low, t.overlap_high, 100 * t.mean_difference,
                100 * t.largest_difference);
    // Supersonic to transonic: Mach 1.1 down to below 1.
    EXPECT_GT(fit.mach_high, 1.05);
    EXPECT_LT(fit.mach_low, 1.0);
    EXPECT_LT(fit.cv_rms, fit.laws.front().cv_rms);
    EXPECT_NE(curve_fit_note(fit).find("better"), std::string::npos);
    // The device smooths its tracks: their samples run together and count as far fewer.
    EXPECT_GT(fit.correlation, 1.5);
    // A .22 LR's drag through the sound barrier: between 0.2 and 0.6, and rising into it.
    for (const CurvePoint& p : fit.points) {
        EXPECT_GT(p.cd, 0.2);
        EXPECT_LT(p.cd, 0.6);
    }
    EXPECT_GT(fit.at(1.0).cd, fit.at(fit.mach_low).cd);
    // The law fitted with its shape held is the string fit's law: the same BC from the same tracks.
    StringFitOptions so;
    so.laws = {RA4};
    const StringFit sf = fit_string(shots, in, so);
    ASSERT_FALSE(sf.refused);
    for (const CurveCandidate& c : fit.laws) {
        if (c.law == RA4) {
            EXPECT_NEAR(c.bc, sf.laws.front().series.BC, 0.01 * c.bc);
        }
    }
}

}  // namespace
}  // namespace velora
