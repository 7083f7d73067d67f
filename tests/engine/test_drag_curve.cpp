// Drag curves made at run time: the checks of their points, the lookup, holding beyond the span,
// and a curve of a built-in law's own points flying that law to the last bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/drag_curve.h"
#include "engine/trajectory.h"
#include "tests/fixtures/first_run.h"
#include "tests/fixtures/same_flight.h"

namespace velora {
namespace {

TabulatedDragCurve curve_of(const std::vector<DragPoint>& points) {
    auto made = make_drag_curve(points);
    EXPECT_TRUE(std::holds_alternative<TabulatedDragCurve>(made));
    return std::get<TabulatedDragCurve>(std::move(made));
}

TEST(DragCurvePoints, EachFaultIsRefusedNamingItsPoint) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::vector<DragPoint> points;
        int point;
        DragPointFault fault;
        const char* text;
    };
    const Case cases[] = {
        {{{0.5f, 0.2f}}, -1, DragPointFault::TooFew, "a drag curve needs at least 2 points, not 1"},
        {{}, -1, DragPointFault::TooFew, "a drag curve needs at least 2 points, not 0"},
        {{{0.5f, 0.2f}, {nan, 0.2f}},
         1,
         DragPointFault::MachNotFinite,
         "point 2: its Mach number is not a finite number"},
        {{{0.5f, 0.2f}, {inf, 0.2f}},
         1,
         DragPointFault::MachNotFinite,
         "point 2: its Mach number is not a finite number"},
        {{{-0.1f, 0.2f}, {0.5f, 0.2f}}, 0, DragPointFault::MachNegative, "point 1: its Mach number -0.1 is below 0"},
        {{{0.5f, 0.2f}, {0.7f, 0.3f}, {0.7f, 0.3f}},
         2,
         DragPointFault::MachNotRising,
         "point 3: its Mach number 0.7 is not above the 0.7 before it"},
        {{{0.5f, 0.2f}, {0.4f, 0.3f}},
         1,
         DragPointFault::MachNotRising,
         "point 2: its Mach number 0.4 is not above the 0.5 before it"},
        {{{0.5f, nan}, {0.6f, 0.3f}},
         0,
         DragPointFault::CdNotFinite,
         "point 1: its drag coefficient is not a finite number"},
        {{{0.5f, 0.2f}, {0.6f, 0.0f}},
         1,
         DragPointFault::CdNotPositive,
         "point 2: its drag coefficient 0 is not above 0"},
        {{{0.5f, 0.2f}, {0.6f, -0.3f}},
         1,
         DragPointFault::CdNotPositive,
         "point 2: its drag coefficient -0.3 is not above 0"},
        // A column of velocities read as Mach numbers, a coefficient in thousandths.
        {{{0.5f, 0.2f}, {850.0f, 0.3f}}, 1, DragPointFault::MachTooLarge, "point 2: its Mach number 850 is above 20"},
        {{{0.5f, 0.2f}, {0.6f, 235.0f}},
         1,
         DragPointFault::CdTooLarge,
         "point 2: its drag coefficient 235 is above 10"},
    };
    for (const Case& c : cases) {
        const auto made = make_drag_curve(c.points);
        ASSERT_TRUE(std::holds_alternative<DragPointProblem>(made)) << c.text;
        const DragPointProblem& p = std::get<DragPointProblem>(made);
        EXPECT_EQ(p.point, c.point) << c.text;
        EXPECT_EQ(p.fault, c.fault) << c.text;
        EXPECT_EQ(drag_point_problem_text(p, c.points), c.text);
    }
    // The limits on the count: 2 and 1000 points are taken, 1001 are not.
    std::vector<DragPoint> many;
    for (int i = 0; i < MostDragPoints; ++i) many.push_back({0.004f * static_cast<float>(i), 0.3f});
    EXPECT_FALSE(check_drag_points(many));
    EXPECT_FALSE(check_drag_points(std::vector<DragPoint>(many.begin(), many.begin() + 2)));
    many.push_back({5.0f, 0.3f});
    const auto too_many = check_drag_points(many);
    ASSERT_TRUE(too_many);
    EXPECT_EQ(too_many->fault, DragPointFault::TooMany);
    EXPECT_EQ(drag_point_problem_text(*too_many, many), "a drag curve has at most 1000 points, not 1001");
}

TEST(DragCurveLookup, InterpolatesBetweenItsPointsAndHoldsItsEndsBeyondThem) {
    const TabulatedDragCurve t = curve_of({{0.5f, 0.20f}, {0.8f, 0.26f}, {1.2f, 0.60f}, {2.0f, 0.50f}});
    EXPECT_EQ(t.first_mach(), 0.5f);
    EXPECT_EQ(t.last_mach(), 2.0f);
    DragCursor cursor(t.curve());
    EXPECT_NEAR(cursor.at(0.65), 0.23, 1e-7);
    EXPECT_NEAR(cursor.at(1.0), 0.43, 1e-6);
    EXPECT_NEAR(cursor.at(1.6), 0.55, 1e-6);
    // At a point: its own coefficient, from the segment below it.
    EXPECT_NEAR(cursor.at(1.2), 0.60, 1e-7);
    EXPECT_NEAR(cursor.at(0.5), 0.20, 1e-8);
    EXPECT_FALSE(cursor.beyond_span);
    // Beyond either end the end value holds, and the cursor says it went there.
    EXPECT_EQ(cursor.at(2.5), static_cast<double>(0.50f));
    EXPECT_TRUE(cursor.beyond_span);
    DragCursor low(t.curve());
    EXPECT_EQ(low.at(0.3), static_cast<double>(0.20f));
    EXPECT_EQ(low.at(0.0), static_cast<double>(0.20f));
    EXPECT_TRUE(low.beyond_span);
    // Along a flight and across jumps, the cursor gives what a fresh lookup gives.
    DragCursor along(t.curve());
    for (double m : {1.9, 1.95, 0.51, 1.2, 1.2000001, 0.8, 0.79999, 1.7, 0.6})
        EXPECT_EQ(along.at(m), drag_coefficient(m, t.curve())) << m;
    // A copy is a curve of its own: it lives on after the original.
    auto original = std::make_unique<TabulatedDragCurve>(t);
    const TabulatedDragCurve copy = *original;
    original.reset();
    EXPECT_NEAR(drag_coefficient(1.0, copy.curve()), 0.43, 1e-6);
}

// The curve through a built-in law's own points is that law: the same segments, the same digest,
// the same coefficient at every Mach number a flight reaches, and the same flight.
TEST(DragCurveLookup, ACurveOfABuiltInLawsPointsLooksUpThatLawBitForBit) {
    for (int law = 0; law < DragLawCount; ++law) {
        const TabulatedDragCurve t = curve_of(drag_law_points(law));
        EXPECT_EQ(t.curve().digest, drag_law_curve(law).digest) << law;
        DragCursor run_time(t.curve()), built_in(law);
        for (int k = 0; k <= 4300; ++k) {
            const double mach = k * 0.001 + 0.0003 * (k % 3);
            ASSERT_EQ(run_time.at(mach), built_in.at(mach)) << "law " << law << " mach " << mach;
            ASSERT_EQ(run_time.at(mach), drag_coefficient_by_scan(mach, law)) << "law " << law << " mach " << mach;
        }
    }
    EXPECT_NE(drag_law_curve(G1).digest, curve_of({{0.0f, 0.2629f}, {4.2f, 0.4998f}}).curve().digest);
}

TEST(DragCurveFlight, ACurveOfABuiltInLawsPointsFliesThatLawBitForBit) {
    auto built_in = std::make_unique<Trajectory>();
    auto run_time = std::make_unique<Trajectory>();
    for (int law = 0; law < DragLawCount; ++law) {
        const TabulatedDragCurve t = curve_of(drag_law_points(law));
        // The first-run pellet, and a fast slug out to yard 2000 that crosses the sound barrier.
        for (const bool fast : {false, true}) {
            FlightInputs in = testing::first_run_flight();
            if (fast) {
                in.MV = 3800.0f;
                in.BC = 0.9f;
                in.ZR = 100.0f;
            }
            in.law = drag_law_curve(law);
            compute_trajectory(in, *built_in);
            in.law = t.curve();
            compute_trajectory(in, *run_time);
            testing::expect_same_trajectory(*built_in, *run_time,
                                            "law " + std::to_string(law) + (fast ? " fast" : " first run"));
            EXPECT_FALSE(built_in->BeyondDragCurve);
            EXPECT_FALSE(run_time->BeyondDragCurve);
        }
    }
}

TEST(DragCurveFlight, AFlightBeyondTheSpanHoldsTheEndValueAndSaysSo) {
    // The first-run pellet leaves at Mach 0.69 and slows to about 0.4: a curve from Mach 0.5 to
    // 0.6 is left at both ends. Holding is flying the same curve extended flat to Mach 0 and 4.
    const std::vector<DragPoint> span = {{0.5f, 0.25f}, {0.55f, 0.22f}, {0.6f, 0.23f}};
    std::vector<DragPoint> flat = span;
    flat.insert(flat.begin(), {0.0f, 0.25f});
    flat.push_back({4.0f, 0.23f});
    const TabulatedDragCurve held = curve_of(span), extended = curve_of(flat);
    FlightInputs in = testing::first_run_flight();
    auto a = std::make_unique<Trajectory>(), b = std::make_unique<Trajectory>();
    in.law = held.curve();
    compute_trajectory(in, *a);
    in.law = extended.curve();
    compute_trajectory(in, *b);
    testing::expect_same_trajectory(*a, *b, "held");
    EXPECT_TRUE(a->BeyondDragCurve);
    EXPECT_FALSE(b->BeyondDragCurve);
    // A built-in law is left only above Mach 4.2, by a flight faster than any accepted one.
    in = testing::first_run_flight();
    in.MV = 5200.0f;
    in.TMP = -20.0f;
    compute_trajectory(in, *a);
    EXPECT_TRUE(a->BeyondDragCurve);
}

}  // namespace
}  // namespace velora
