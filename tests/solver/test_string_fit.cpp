// The fit of a shot string against strings made by an independent calculation of the flight
// (tests/fixtures/independent_flight.h): muzzle velocities spread ±5 %, noise at the stated
// uncertainty. The true law must rank first or among those the verdict cannot part from the
// first, the BC must lie in its interval about as often as it says, and flying every shot with
// one muzzle velocity must fail exactly these checks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/drag.h"
#include "solver/string_fit.h"
#include "solver/string_fit_texts.h"
#include "tests/fixtures/independent_flight.h"

namespace velora {
namespace {

using testing::independent_flight;
using testing::IndependentAir;

ShotFitInputs inputs_for(const IndependentAir& air) {
    ShotFitInputs in;
    in.MV = 1000.0f;
    in.ZR = 30.0f;
    in.SH = 1.5f;
    in.air = AirState{static_cast<float>(air.TMP), static_cast<float>(air.PRES), static_cast<float>(air.HUMID)};
    in.MaxRange = 400.0f;
    return in;
}

struct StringRecipe {
    int law = G1;
    double bc = 0.12;
    double mv = 1100.0;    // ft/s, the middle of the spread
    double spread = 0.05;  // ± this share of mv
    int shots = 8;
    std::vector<double> ranges;  // yd
    double sigma = 1.0;          // ft/s of each velocity
    double mv_error = 0.0;       // ft/s: the recorded muzzle velocity's own scatter
    MvKind mv_kind = MvKind::Measured;
    double rho = 0.0;  // the noise of neighbouring measurements correlated as a radar's track
};

// The shots and their true muzzle velocities.
struct MadeString {
    std::vector<FitShot> shots;
    std::vector<double> true_mv;
};

MadeString make_string(const StringRecipe& r, unsigned seed, const IndependentAir& air) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> mv_of(r.mv * (1.0 - r.spread), r.mv * (1.0 + r.spread));
    std::normal_distribution<double> noise(0.0, 1.0);
    MadeString out;
    for (int k = 0; k < r.shots; ++k) {
        const double mv = mv_of(rng);
        const testing::IndependentReadings f = independent_flight(mv, r.bc, r.law, air, r.ranges);
        FitShot shot;
        shot.name = "shot " + std::to_string(k + 1);
        shot.string_index = k;
        shot.mv = static_cast<float>(mv + r.mv_error * noise(rng));
        shot.mv_kind = r.mv_kind;
        double e = noise(rng);
        for (std::size_t j = 0; j < f.velocity.size(); ++j) {
            if (j > 0) e = r.rho * e + std::sqrt(1.0 - r.rho * r.rho) * noise(rng);
            shot.measurements.push_back(Shot{static_cast<float>(r.ranges[j]), ShotQuantity::Velocity,
                                             static_cast<float>(f.velocity[j] + r.sigma * e),
                                             static_cast<float>(r.sigma)});
            shot.labels.push_back("v" + std::to_string(j));
        }
        out.shots.push_back(std::move(shot));
        out.true_mv.push_back(mv);
    }
    return out;
}

std::vector<double> every(double from, double to, double step) {
    std::vector<double> out;
    for (double r = from; r <= to + 1e-9; r += step) out.push_back(r);
    return out;
}

// A radar's tracks: a velocity every 2 yd out to 70 yd, the recorded muzzle velocity the
// device's extrapolation, a few ft/s off.
StringRecipe radar_recipe(int law, double bc, double mv) {
    StringRecipe r;
    r.law = law;
    r.bc = bc;
    r.mv = mv;
    r.ranges = every(4.0, 70.0, 2.0);
    r.sigma = 1.5;
    r.mv_error = 6.0;
    r.mv_kind = MvKind::Extrapolated;
    return r;
}

// A chronograph at the muzzle and one downrange at 25 and 50 yd: its muzzle velocity measured.
StringRecipe chronograph_recipe(int law, double bc, double mv) {
    StringRecipe r;
    r.law = law;
    r.bc = bc;
    r.mv = mv;
    r.ranges = {25.0, 50.0};
    r.sigma = 2.0;
    r.mv_error = 0.5;
    r.mv_kind = MvKind::Measured;
    return r;
}

bool among_the_best(const StringFit& f, int law) {
    const std::vector<int>& in = f.verdict.inseparable;
    return std::find(in.begin(), in.end(), law) != in.end();
}

TEST(StringFitIndependent, EachShotFromItsOwnVelocityFindsTheLawAndTheBc) {
    const IndependentAir air;
    const ShotFitInputs in = inputs_for(air);
    struct Case {
        StringRecipe recipe;
        MvSource expected_source;
    };
    const Case cases[] = {{radar_recipe(G1, 0.125, 1150.0), MvSource::Fitted},
                          {radar_recipe(G7, 0.09, 2600.0), MvSource::Fitted},
                          {radar_recipe(GA, 0.025, 850.0), MvSource::Fitted},
                          {chronograph_recipe(RA4, 0.11, 1080.0), MvSource::Own}};
    for (const Case& c : cases) {
        const MadeString s = make_string(c.recipe, 7, air);
        const StringFit f = fit_string(s.shots, in);
        ASSERT_FALSE(f.refused);
        ASSERT_FALSE(f.laws.empty());
        for (const ShotPlan& p : f.plan) EXPECT_EQ(p.source, c.expected_source) << "law " << c.recipe.law;
        EXPECT_TRUE(among_the_best(f, c.recipe.law))
            << "law " << c.recipe.law << " ranked behind " << f.laws.front().series.law;
        const StringLawFit* own = f.law(c.recipe.law);
        ASSERT_NE(own, nullptr);
        EXPECT_NEAR(own->series.BC, c.recipe.bc, 0.02 * c.recipe.bc) << "law " << c.recipe.law;
        EXPECT_LT(own->series.rms, 1.5) << "law " << c.recipe.law;
        // Each shot's fitted velocity finds the true one far closer than the device's guess.
        if (c.expected_source == MvSource::Fitted) {
            for (std::size_t i = 0; i < s.shots.size(); ++i)
                EXPECT_NEAR(own->mv[i], s.true_mv[i], 2.0) << "law " << c.recipe.law << " shot " << i;
        }
        // No trend is made up where the BC does not change with speed.
        ASSERT_TRUE(own->trend.valid);
        EXPECT_LE(own->trend.slope_low, 3e-6 * c.recipe.bc * 1000.0);
        EXPECT_EQ(own->spread.count, c.recipe.shots);
        EXPECT_TRUE(f.outliers.empty());
        EXPECT_GE(own->spread.high, own->spread.low);
    }
}

// Over many seeds the interval holds the true BC about as often as one standard error says
// (68 %), and the verdict parts the true law from some of the others. Flown with one muzzle
// velocity, as a fit that ignores the shots' own velocities would, the same strings scatter so
// far beyond their uncertainties that the verdict can part no law from any other.
TEST(StringFitIndependent, IntervalCoversTheTrueBcAtItsRateAndOneVelocityForAllDoesNot) {
    const IndependentAir air;
    const ShotFitInputs base = inputs_for(air);
    const StringRecipe recipe = chronograph_recipe(G1, 0.125, 1150.0);
    constexpr int Seeds = 40;
    int covered = 0, true_law_told = 0, told_one_mv = 0;
    for (int seed = 1; seed <= Seeds; ++seed) {
        MadeString s = make_string(recipe, static_cast<unsigned>(seed), air);
        const StringFit f = fit_string(s.shots, base);
        ASSERT_FALSE(f.refused);
        const LawFit& g1 = f.law(G1)->series;
        if (g1.BC_low <= recipe.bc && recipe.bc <= g1.BC_high) ++covered;
        if (among_the_best(f, G1) && f.verdict.inseparable.size() < DragLawCount) ++true_law_told;

        // The same shots with their velocities forgotten: all flown with the string's one velocity.
        ShotFitInputs one = base;
        double sum = 0;
        for (double v : s.true_mv) sum += v;
        one.MV = static_cast<float>(sum / static_cast<double>(s.true_mv.size()));
        for (FitShot& shot : s.shots) shot.mv.reset();
        StringFitOptions none;
        none.mv = MvChoice::None;
        const StringFit g = fit_string(s.shots, one, none);
        ASSERT_FALSE(g.refused);
        for (const ShotPlan& p : g.plan) EXPECT_EQ(p.source, MvSource::Window);
        if (among_the_best(g, G1) && g.verdict.inseparable.size() < DragLawCount) ++told_one_mv;
    }
    const double rate = static_cast<double>(covered) / Seeds;
    EXPECT_GT(rate, 0.5);
    EXPECT_LT(rate, 0.85);
    EXPECT_EQ(true_law_told, Seeds);
    EXPECT_LT(told_one_mv, Seeds / 4);
}

// A shot of another load in the string: set aside with the figure that marked it, the series
// fitted without it, and back in once the user takes it back.
TEST(StringFitIndependent, AShotThatDoesNotBelongIsMarkedAndCanBePutBack) {
    const IndependentAir air;
    const ShotFitInputs in = inputs_for(air);
    StringRecipe recipe = radar_recipe(G1, 0.125, 1150.0);
    MadeString s = make_string(recipe, 3, air);
    recipe.bc = 0.095;
    recipe.shots = 1;
    MadeString odd = make_string(recipe, 4, air);
    odd.shots.front().name = "shot 9";
    s.shots.insert(s.shots.begin() + 4, odd.shots.front());
    StringFitOptions o;
    o.laws = {G1, G7};
    const StringFit f = fit_string(s.shots, in, o);
    ASSERT_EQ(f.outliers.size(), 1u);
    const Outlier& out = f.outliers.front();
    EXPECT_EQ(out.shot, 4);
    EXPECT_EQ(out.figure, OutlierFigure::Bc);
    EXPECT_NEAR(out.value, 0.095, 0.003);
    EXPECT_NEAR(out.expected, 0.125, 0.003);
    EXPECT_GT(out.deviations, OutlierLimit);
    EXPECT_FALSE(f.in_series[4]);
    EXPECT_NEAR(f.law(G1)->series.BC, 0.125, 0.002);
    EXPECT_EQ(f.law(G1)->spread.count, 8);
    // Its own fit is still there to be seen.
    EXPECT_NEAR(f.law(G1)->shots[4].BC, 0.095, 0.003);

    s.shots[4].may_be_outlier = false;
    const StringFit g = fit_string(s.shots, in, o);
    EXPECT_TRUE(g.outliers.empty());
    EXPECT_TRUE(g.in_series[4]);
    EXPECT_LT(g.law(G1)->series.BC, f.law(G1)->series.BC);

    // Without the rule nothing is set aside.
    o.set_aside_outliers = false;
    s.shots[4].may_be_outlier = true;
    EXPECT_TRUE(fit_string(s.shots, in, o).outliers.empty());
}

// Typed velocities faster than the window's muzzle velocity cannot be flown: no law is offered
// and the message names the shots and the velocity. In a string, only the shot concerned is left
// out and the rest are fitted.
TEST(StringFitIndependent, ShotsFasterThanTheirMuzzleVelocityAreNamedNotFitted) {
    const IndependentAir air;
    ShotFitInputs in = inputs_for(air);
    in.MV = 785.0f;
    const FitShot typed = typed_fit_shot({Shot{10.0f, ShotQuantity::Velocity, 1188.0f, std::nullopt},
                                          Shot{50.0f, ShotQuantity::Velocity, 1055.0f, std::nullopt}});
    StringFitOptions o;
    o.mv = MvChoice::None;
    const StringFit f = fit_string({typed}, in, o);
    EXPECT_TRUE(f.refused);
    EXPECT_TRUE(f.laws.empty());
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages.front().kind, FitMessageKind::FasterThanMuzzle);
    EXPECT_EQ(f.messages.front().shots, std::vector<int>{0});
    EXPECT_EQ(f.messages.front().value, 785.0);

    MadeString s = make_string(chronograph_recipe(G1, 0.125, 1150.0), 5, air);
    *s.shots[2].mv -= 120.0f;  // a muzzle velocity written wrong
    const StringFit g = fit_string(s.shots, in, o);
    EXPECT_FALSE(g.refused);
    ASSERT_EQ(g.messages.size(), 1u);
    EXPECT_EQ(g.messages.front().kind, FitMessageKind::FasterThanMuzzle);
    EXPECT_EQ(g.messages.front().shots, std::vector<int>{2});
    EXPECT_FALSE(g.in_series[2]);
    EXPECT_FALSE(g.laws.front().shots[2].flown);
    EXPECT_NEAR(g.law(G1)->series.BC, 0.125, 0.005);
}

// One short string cannot tell the laws apart and must not crown one; a string whose velocities
// the fit would have fitted but that has too few measurements says so and flies its own.
TEST(StringFitIndependent, AShortStringCannotTellTheLawsApart) {
    const IndependentAir air;
    const ShotFitInputs in = inputs_for(air);
    StringRecipe r = chronograph_recipe(G7, 0.1, 1100.0);
    r.shots = 1;
    r.ranges = {20.0, 40.0};
    const StringFit f = fit_string(make_string(r, 9, air).shots, in);
    ASSERT_FALSE(f.refused);
    int fitted = 0;
    for (const StringLawFit& l : f.laws) fitted += l.series.outcome == FitOutcome::Fitted ? 1 : 0;
    EXPECT_EQ(static_cast<int>(f.verdict.inseparable.size()), fitted);
    EXPECT_GT(f.verdict.mach_high, f.verdict.mach_low);
    EXPECT_GT(f.verdict.mach_low, 0.0);

    r.mv_kind = MvKind::Extrapolated;
    const StringFit g = fit_string(make_string(r, 9, air).shots, in);
    EXPECT_EQ(g.plan.front().source, MvSource::Own);
    EXPECT_TRUE(g.plan.front().too_few_to_fit_mv);
    ASSERT_FALSE(g.messages.empty());
    EXPECT_EQ(g.messages.front().kind, FitMessageKind::TooFewToFitMv);
}

TEST(StringFitCorrelation, TheLag1AutocorrelationAndWhatARunCountsAs) {
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> white, run;
    double e = 0;
    for (int k = 0; k < 20000; ++k) {
        white.push_back(noise(rng));
        e = 0.8 * e + 0.6 * noise(rng);
        run.push_back(e + 5.0);  // its mean does not count
    }
    EXPECT_NEAR(lag1_autocorrelation(white), 0.0, 0.03);
    EXPECT_NEAR(lag1_autocorrelation(run), 0.8, 0.03);
    EXPECT_EQ(lag1_autocorrelation({1.0, 2.0}), 0.0);
    EXPECT_EQ(lag1_autocorrelation({3.0, 3.0, 3.0, 3.0}), 0.0);

    EXPECT_NEAR(effective_count(100, 0.8), 100.0 * 0.2 / 1.8, 1e-9);
    EXPECT_EQ(effective_count(100, -0.4), 100.0) << "a run that alternates is not worth more than its count";
    EXPECT_EQ(effective_count(40, 0.999), 1.0);
    EXPECT_EQ(effective_count(0, 0.5), 0.0);
}

// Radar tracks whose noise runs together along each track, as real tracks' does: the verdict
// counts each track for what it is worth and keeps the true law among those it cannot part, where
// the sums of squares taken as if every sample were independent would often crown another. Tracks
// with independent noise keep almost all their weight.
TEST(StringFitCorrelation, TracksWhoseResidualsRunTogetherAreNotOverconfident) {
    const IndependentAir air;
    const ShotFitInputs in = inputs_for(air);
    StringRecipe recipe = radar_recipe(G1, 0.125, 1150.0);
    StringFitOptions o;
    o.laws = {G1, G7, GA, GL, RA4};
    recipe.rho = 0.0;
    const StringFit white = fit_string(make_string(recipe, 5, air).shots, in, o);
    ASSERT_FALSE(white.refused);
    EXPECT_EQ(white.verdict.samples, recipe.shots * static_cast<int>(recipe.ranges.size()));
    EXPECT_LT(white.verdict.correlation, 1.5);

    recipe.rho = 0.9;
    constexpr int Seeds = 12;
    int kept = 0, kept_as_if_independent = 0;
    for (int seed = 1; seed <= Seeds; ++seed) {
        const StringFit f = fit_string(make_string(recipe, static_cast<unsigned>(seed), air).shots, in, o);
        ASSERT_FALSE(f.refused);
        const Verdict& v = f.verdict;
        // 34 samples with ρ 0.9 are worth about 34 × 0.1 / 1.9 ≈ 1.8; the residuals of a shot's own
        // fit run together a little less than its noise, and 34 of them measure it roughly.
        EXPECT_GT(v.correlation, 3.0) << "seed " << seed;
        EXPECT_NEAR(v.effective, v.samples / v.correlation, 1e-6);
        kept += among_the_best(f, G1) ? 1 : 0;
        const double best = f.laws.front().series.chi_square;
        kept_as_if_independent += f.law(G1)->series.chi_square - best <= v.threshold * v.scale ? 1 : 0;
        const std::string text = verdict_text(f, ShotUnits{});
        EXPECT_NE(
            text.find("by their lag-1 autocorrelation the " + std::to_string(v.samples) + " measurements count as "),
            std::string::npos)
            << text;
    }
    EXPECT_GE(kept, Seeds - 1);
    EXPECT_LT(kept_as_if_independent, kept);
}

}  // namespace
}  // namespace velora
