// A drag curve made at run time in the solver's flight: the same predictions, solves, range limits
// and fits as the built-in law whose points it has, and a key of its own in the pass cache.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "engine/drag_curve.h"
#include "solver/bc_solver.h"
#include "solver/pass_cache.h"
#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

TabulatedDragCurve curve_of(const std::vector<DragPoint>& points) {
    return std::get<TabulatedDragCurve>(make_drag_curve(points));
}

TEST(RunTimeCurveSolver, ACurveOfABuiltInLawsPointsSolvesAsThatLawBitForBit) {
    const CalcState s = testing::first_run_state();
    const AirState air = air_state(s);
    for (int law = 0; law < DragLawCount; ++law) {
        const TabulatedDragCurve t = curve_of(drag_law_points(law));
        for (int method = DeltaPOI; method <= DeltaD; ++method) {
            for (float range : {25.0f, 60.0f}) {
                const float built_in = predict_measurement(s.MV, s.BC, s.ZR, s.SH, range, law, method, air);
                ASSERT_EQ(bits(predict_measurement(s.MV, s.BC, s.ZR, s.SH, range, t.curve(), method, air)),
                          bits(built_in))
                    << "law " << law << " method " << method << " range " << range;
                SolveInputs in = solve_inputs(s);
                in.method = method;
                in.TR = range;
                in.measured = predict_measurement(s.MV, 1.3f * s.BC, s.ZR, s.SH, range, law, method, air);
                in.law = drag_law_curve(law);
                const float solved = solve(in);
                in.law = t.curve();
                EXPECT_EQ(bits(solve(in)), bits(solved)) << "law " << law << " method " << method;
            }
        }
        RangeLimitInputs limit = range_limit_inputs(s);
        limit.law = drag_law_curve(law);
        const float reach = max_target_range(limit);
        limit.law = t.curve();
        EXPECT_EQ(bits(max_target_range(limit)), bits(reach)) << "law " << law;

        const ShotFitInputs fit = shot_fit_inputs(s);
        const std::vector<Shot> shots = {{10.0f, ShotQuantity::Velocity, 700.0f, {}},
                                         {45.0f, ShotQuantity::Poi, -2.0f, {}},
                                         {45.0f, ShotQuantity::Time, 0.2f, {}},
                                         {70.0f, ShotQuantity::Drop, -20.0f, {}}};
        const std::vector<float> a = predict_shots(shots, s.MV, s.BC, law, fit);
        const std::vector<float> b = predict_shots(shots, s.MV, s.BC, t.curve(), fit);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(bits(a[i]), bits(b[i])) << "law " << law << " shot " << i;
    }
}

// The cache tells curves by what they fly: the same points give the same key wherever they lie in
// memory; another point, or a built-in law's points with a curve's own rule below its first
// point, give another.
TEST(RunTimeCurveSolver, ThePassCacheKeysACurveByItsPoints) {
    const std::vector<DragPoint> points = {{0.3f, 0.25f}, {0.7f, 0.22f}, {1.1f, 0.45f}};
    const TabulatedDragCurve curve = curve_of(points);
    auto again = std::make_unique<TabulatedDragCurve>(curve_of(points));
    std::vector<DragPoint> nudged = points;
    nudged[1].cd = std::nextafter(nudged[1].cd, 1.0f);
    const TabulatedDragCurve other = curve_of(nudged);

    PassCache cache;
    auto path = std::make_unique<Trajectory>();
    FlightInputs in = testing::first_run_flight();
    in.law = curve.curve();
    compute_trajectory(in, *path);
    cache.keep_flight(in, *path);
    ASSERT_NE(cache.flight(in), nullptr);
    FlightInputs same = in;
    same.law = again->curve();
    EXPECT_NE(cache.flight(same), nullptr);
    FlightInputs changed = in;
    changed.law = other.curve();
    EXPECT_EQ(cache.flight(changed), nullptr);

    // The first run's law GA2, and a curve through its points.
    SolveInputs solve = solve_inputs(testing::first_run_state());
    cache.keep_solve(solve, 0.0195f);
    const TabulatedDragCurve ga2 = curve_of(drag_law_points(GA2));
    solve.law = ga2.curve();
    EXPECT_FALSE(cache.solve(solve).has_value());
    RangeLimitInputs limit = range_limit_inputs(testing::first_run_state());
    limit.law = curve.curve();
    cache.keep_range_limit(limit, 100.0f);
    limit.law = again->curve();
    EXPECT_EQ(cache.range_limit(limit), 100.0f);
    limit.law = other.curve();
    EXPECT_FALSE(cache.range_limit(limit).has_value());
}

}  // namespace
}  // namespace velora
