// The recalculation pass with its two threads and the results it keeps from the last pass: it
// must end exactly where the plain pass (everything computed, one thing after the other) ends,
// a result is taken from the last pass only when every input it reads has the same bits, and an
// unchanged redisplay computes nothing.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/sampling.h"
#include "solver/bc_solver.h"
#include "solver/confidence.h"
#include "solver/input_limits.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// ---- the plain pass ------------------------------------------------------------------------------

// The pass the way it reads when written plainly: every trajectory flown, every solve run, one
// after the other, on this thread.
RecalcOutcome plain_pass(CalcState& s, CalcResults& r, bool panel_shown) {
    RecalcOutcome out;
    set_display_factors(r.factors, s);
    auto raise = [&] {
        const float lowest = FarZeroTargetFactor * r.trajectory.FarZero;
        if (s.TRArray[0] < lowest) {
            s.TRArray[0] = lowest;
            return true;
        }
        return false;
    };
    auto reload = [&] { s.TR = s.TRArray[active_slot(s)]; };
    auto refill = [&] {
        s.TV = static_cast<float>(velocity_at(r.trajectory, s.TR));
        s.POI = static_cast<float>(poi_at(r.trajectory, s.TR));
        s.ET = static_cast<float>(time_at(r.trajectory, s.TR));
        s.DROP = drop_at(r.trajectory, s.TR);
    };
    raise();
    reload();
    const bool flown = s.ChangeKind == 1 || s.ChangeKind == 2;
    if (s.ChangeKind == 1) {
        compute_trajectory(flight_inputs(s), r.trajectory);
        if (raise()) reload();
        refill();
        out.bc_predicted = true;
    } else if (s.ChangeKind == 2) {
        const float kept = s.BC;
        const float solved = solve_bc(s);
        if (is_bc_sentinel(solved)) {
            out.message = improbable_bc_message(s.CURVE, solved == BcTooLow);
            s.BC = kept;
        } else {
            s.BC = solved;
        }
        compute_trajectory(flight_inputs(s), r.trajectory);
        refill();
    }
    r.MaxZeroRange = max_target_range(s);
    r.MaxTargetRange = 2.0f * r.MaxZeroRange;
    if (panel_shown) out.confidence = flown ? confidence_page(s) : confidence_limits(s, r.trajectory);
    out.texts = window_texts(s, r, panel_shown);
    return out;
}

// ---- comparing two passes ------------------------------------------------------------------------

void expect_same_state(const CalcState& a, const CalcState& b, const std::string& what) {
    const float CalcState::*values[] = {&CalcState::MV,   &CalcState::ZR,     &CalcState::TR,     &CalcState::SH,
                                        &CalcState::TV,   &CalcState::POI,    &CalcState::ET,     &CalcState::DROP,
                                        &CalcState::BC,   &CalcState::MV_TOL, &CalcState::TV_TOL, &CalcState::TMP,
                                        &CalcState::PRES, &CalcState::HUMID};
    for (auto v : values) EXPECT_EQ(bits(a.*v), bits(b.*v)) << what;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bits(a.TRArray[i]), bits(b.TRArray[i])) << what << " slot " << i;
}

void expect_same_results(const CalcResults& a, const CalcResults& b, const std::string& what) {
    const Trajectory &x = a.trajectory, &y = b.trajectory;
    ASSERT_EQ(x.LastSample, y.LastSample) << what;
    for (int j = 0; j <= x.LastSample; ++j) {
        ASSERT_EQ(bits(x.drop[j]), bits(y.drop[j])) << what << " yard " << j;
        ASSERT_EQ(bits(x.velocity[j]), bits(y.velocity[j])) << what << " yard " << j;
        ASSERT_EQ(bits(x.time[j]), bits(y.time[j])) << what << " yard " << j;
        ASSERT_EQ(bits(x.poi[j]), bits(y.poi[j])) << what << " yard " << j;
    }
    for (auto v : {&Trajectory::ApexRange, &Trajectory::ApexPOI, &Trajectory::NearZero, &Trajectory::FarZero})
        EXPECT_EQ(bits(x.*v), bits(y.*v)) << what;
    EXPECT_EQ(x.ZeroIsFar, y.ZeroIsFar) << what;
    EXPECT_EQ(bits(a.MaxZeroRange), bits(b.MaxZeroRange)) << what;
    EXPECT_EQ(bits(a.MaxTargetRange), bits(b.MaxTargetRange)) << what;
    EXPECT_EQ(bits(a.factors.velocity), bits(b.factors.velocity)) << what;
    EXPECT_EQ(bits(a.factors.range), bits(b.factors.range)) << what;
}

void expect_same_outcome(const RecalcOutcome& a, const RecalcOutcome& b, const std::string& what) {
    EXPECT_EQ(a.message, b.message) << what;
    EXPECT_EQ(a.bc_predicted, b.bc_predicted) << what;
    ASSERT_EQ(a.confidence.has_value(), b.confidence.has_value()) << what;
    if (a.confidence) {
        const ConfidencePage &p = *a.confidence, &q = *b.confidence;
        EXPECT_EQ(p.maximum, q.maximum) << what;
        EXPECT_EQ(p.mean, q.mean) << what;
        EXPECT_EQ(p.minimum, q.minimum) << what;
        EXPECT_EQ(p.bc, q.bc) << what;
        EXPECT_EQ(p.heading, q.heading) << what;
        EXPECT_EQ(p.drag_law_heading, q.drag_law_heading) << what;
        EXPECT_EQ(p.muzzle_tolerance, q.muzzle_tolerance) << what;
        EXPECT_EQ(p.target_tolerance, q.target_tolerance) << what;
        EXPECT_EQ(p.target_tolerance_enabled, q.target_tolerance_enabled) << what;
        for (auto v : {&ConfidencePage::maximum_bc, &ConfidencePage::mean_bc, &ConfidencePage::minimum_bc}) {
            ASSERT_EQ((p.*v).has_value(), (q.*v).has_value()) << what;
            if ((p.*v).has_value()) {
                EXPECT_EQ(bits(*(p.*v)), bits(*(q.*v))) << what;
            }
        }
    }
    for (std::size_t i = 0; i < a.texts.fields.size(); ++i) {
        EXPECT_EQ(a.texts.fields[i].text, b.texts.fields[i].text) << what << " field " << i;
        EXPECT_EQ(a.texts.fields[i].range_hint, b.texts.fields[i].range_hint) << what << " field " << i;
    }
    EXPECT_EQ(a.texts.zero.caption, b.texts.zero.caption) << what;
    EXPECT_EQ(a.texts.zero.text, b.texts.zero.text) << what;
    EXPECT_EQ(a.texts.zero.tooltip, b.texts.zero.tooltip) << what;
    EXPECT_EQ(a.texts.bc, b.texts.bc) << what;
    EXPECT_EQ(a.texts.bc_as_result, b.texts.bc_as_result) << what;
}

// A calculator after its start-up pass, whose every further pass is checked against the plain
// pass started from the same state and the same results (without what the last pass kept).
struct Twin {
    CalcState s;
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    explicit Twin(CalcState start) : s(start) {
        s.ChangeKind = 1;
        recalculate(s, *r, true);
    }
    void pass_and_compare(int kind, bool panel, const std::string& what) {
        CalcState plain_s = s;
        auto plain_r = std::make_unique<CalcResults>(*r);  // a copy keeps nothing of the last pass
        s.ChangeKind = plain_s.ChangeKind = kind;
        const RecalcOutcome fast = recalculate(s, *r, panel);
        const RecalcOutcome plain = plain_pass(plain_s, *plain_r, panel);
        expect_same_state(s, plain_s, what);
        expect_same_results(*r, *plain_r, what);
        expect_same_outcome(fast, plain, what);
    }
};

// One edit of the state.
struct Edit {
    const char* name;
    int kind;  // the ChangeKind the window runs after it
    std::function<void(CalcState&)> apply;
};

float nudged(float v) { return std::nextafter(v, 2.0f * v + 1.0f); }

std::vector<Edit> edits() {
    return {
        {"nothing, redisplayed", 0, [](CalcState&) {}},
        {"nothing, predicted again", 1, [](CalcState&) {}},
        {"nothing, solved again", 2, [](CalcState&) {}},
        {"muzzle velocity", 1, [](CalcState& s) { s.MV = nudged(s.MV); }},
        {"muzzle velocity, much", 1, [](CalcState& s) { s.MV = 900.0f; }},
        {"zero range", 1, [](CalcState& s) { s.ZR = nudged(s.ZR); }},
        {"target range", 1, [](CalcState& s) { s.TRArray[active_slot(s)] = nudged(s.TRArray[active_slot(s)]); }},
        {"sight height", 1, [](CalcState& s) { s.SH = nudged(s.SH); }},
        {"BC", 1, [](CalcState& s) { s.BC = nudged(s.BC); }},
        {"temperature", 1, [](CalcState& s) { s.TMP = nudged(s.TMP); }},
        {"pressure", 1, [](CalcState& s) { s.PRES = nudged(s.PRES); }},
        {"humidity", 1, [](CalcState& s) { s.HUMID = nudged(s.HUMID); }},
        {"muzzle tolerance", 1, [](CalcState& s) { s.MV_TOL = nudged(s.MV_TOL); }},
        {"muzzle tolerance zero", 1, [](CalcState& s) { s.MV_TOL = 0.0f; }},
        {"target tolerance", 2, [](CalcState& s) { s.TV_TOL = nudged(s.TV_TOL); }},
        {"target velocity", 2, [](CalcState& s) { s.TV = nudged(s.TV); }},
        {"point of impact", 2, [](CalcState& s) { s.POI = nudged(s.POI); }},
        {"time of flight", 2, [](CalcState& s) { s.ET = nudged(s.ET); }},
        {"drop", 2, [](CalcState& s) { s.DROP = nudged(s.DROP); }},
        {"a BC only above 1.2 explains", 2, [](CalcState& s) { s.TV = s.MV - 2.0f; }},
        {"a BC only below 0.004 explains", 2, [](CalcState& s) { s.TV = 200.0f; }},
        {"drag law", 1, [](CalcState& s) { s.CURVE = G1; }},
        {"drag-law list position", 0, [](CalcState& s) { s.stateBC = 5; }},
        {"method", 1, [](CalcState& s) { s.stateRB = (s.stateRB + 1) % 4; }},
        {"velocity unit Mach", 0, [](CalcState& s) { s.stateMV = 2; }},
        {"temperature in °F with Mach", 1,
         [](CalcState& s) {
             s.stateTMP = 1;
             s.stateMV = 2;
             s.TMP = nudged(s.TMP);
         }},
        {"range unit", 0, [](CalcState& s) { s.stateTR = 0; }},
        {"small-length unit", 0, [](CalcState& s) { s.statePOI = 1; }},
        {"time unit", 0, [](CalcState& s) { s.stateET = 1; }},
        {"BC display", 0, [](CalcState& s) { s.stateBC_VAL = 1 - s.stateBC_VAL; }},
    };
}

TEST(PassCache, EveryPassEndsWhereThePlainPassEnds) {
    // Each edit in turn on one running calculator, under every method, so that each pass starts
    // from what the previous one kept.
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        CalcState start = first_run_state();
        start.stateRB = method;
        Twin twin(start);
        for (const Edit& e : edits()) {
            e.apply(twin.s);
            twin.pass_and_compare(e.kind, true, std::string(e.name) + ", method " + std::to_string(method));
            // Straight after an edit, the same state redisplayed.
            twin.pass_and_compare(0, true, std::string(e.name) + " then redisplayed, method " + std::to_string(method));
        }
        twin.pass_and_compare(1, false, "panel hidden");
        twin.pass_and_compare(0, true, "panel shown again");
    }
}

TEST(PassCache, LongFlightAndFastSlugPassesEndWhereThePlainPassEnds) {
    CalcState s = first_run_state();
    s.MV = 2900.0f;
    s.BC = 0.365f;
    s.CURVE = G1;
    s.stateBC = 0;
    s.stateRB = DeltaV;
    s.TRArray[DeltaV] = 600.0f;
    Twin twin(s);
    twin.pass_and_compare(2, true, "long flight solved");
    twin.s.MV_TOL = 5.0f;
    twin.s.TV_TOL = 5.0f;
    twin.pass_and_compare(1, true, "long flight, wide tolerances");
    twin.s.stateRB = DeltaPOI;
    twin.s.ZR = 200.0f;
    twin.pass_and_compare(1, true, "long flight, point of impact");
    twin.pass_and_compare(2, true, "long flight, point of impact solved");
}

TEST(PassCache, AnUnchangedRedisplayComputesNothing) {
    Twin twin(first_run_state());
    const PassCache::Computed before = twin.r->cache.computed;
    for (const char* what : {"redisplay", "units", "BC display"}) {
        if (std::string(what) == "units") twin.s.stateMV = 1;
        if (std::string(what) == "BC display") twin.s.stateBC_VAL = 1 - twin.s.stateBC_VAL;
        twin.s.ChangeKind = 0;
        recalculate(twin.s, *twin.r, true);
        EXPECT_EQ(twin.r->cache.computed.flights, before.flights) << what;
        EXPECT_EQ(twin.r->cache.computed.solves, before.solves) << what;
        EXPECT_EQ(twin.r->cache.computed.range_limits, before.range_limits) << what;
    }
    // A field rewritten with its own value runs a prediction on the same inputs: nothing either.
    twin.s.ChangeKind = 1;
    recalculate(twin.s, *twin.r, true);
    EXPECT_EQ(twin.r->cache.computed.flights, before.flights);
    EXPECT_EQ(twin.r->cache.computed.solves, before.solves);
    // The air changed by the last bit: the flight, both limits and the range limit again.
    twin.s.HUMID = nudged(twin.s.HUMID);
    recalculate(twin.s, *twin.r, true);
    EXPECT_EQ(twin.r->cache.computed.flights, before.flights + 1);
    EXPECT_EQ(twin.r->cache.computed.solves, before.solves + 2);
    EXPECT_EQ(twin.r->cache.computed.range_limits, before.range_limits + 1);
}

TEST(PassCache, AResultIsTakenOnlyForTheSameBitsOfEveryInputItReads) {
    PassCache cache;
    auto path = std::make_unique<Trajectory>();
    const FlightInputs flight = flight_inputs(first_run_state());
    compute_trajectory(flight, *path);
    cache.keep_flight(flight, *path);
    ASSERT_NE(cache.flight(flight), nullptr);
    EXPECT_EQ(cache.flight(flight)->LastSample, path->LastSample);
    float FlightInputs::*flight_values[] = {&FlightInputs::MV,   &FlightInputs::BC,    &FlightInputs::TMP,
                                            &FlightInputs::PRES, &FlightInputs::HUMID, &FlightInputs::SH,
                                            &FlightInputs::ZR};
    for (auto v : flight_values) {
        FlightInputs other = flight;
        other.*v = nudged(other.*v);
        EXPECT_EQ(cache.flight(other), nullptr);
    }
    FlightInputs other_law = flight;
    other_law.law = drag_law_curve(G1);
    EXPECT_EQ(cache.flight(other_law), nullptr);

    const SolveInputs solve = solve_inputs(first_run_state());
    cache.keep_solve(solve, 0.0195f);
    ASSERT_EQ(cache.solve(solve), 0.0195f);
    float SolveInputs::*solve_values[] = {&SolveInputs::MV, &SolveInputs::ZR, &SolveInputs::SH, &SolveInputs::TR,
                                          &SolveInputs::measured};
    for (auto v : solve_values) {
        SolveInputs other = solve;
        other.*v = nudged(other.*v);
        EXPECT_FALSE(cache.solve(other).has_value());
    }
    for (float AirState::*v : {&AirState::TMP, &AirState::PRES, &AirState::HUMID}) {
        SolveInputs other = solve;
        other.air.*v = nudged(other.air.*v);
        EXPECT_FALSE(cache.solve(other).has_value());
    }
    SolveInputs other_method = solve, other_law_solve = solve, negative_zero = solve;
    other_method.method = DeltaT;
    other_law_solve.law = drag_law_curve(G7);
    EXPECT_FALSE(cache.solve(other_method).has_value());
    EXPECT_FALSE(cache.solve(other_law_solve).has_value());
    // Equal as numbers is not enough: 0 and −0 are told apart.
    negative_zero.measured = 0.0f;
    cache.keep_solve(negative_zero, 0.5f);
    negative_zero.measured = -0.0f;
    EXPECT_FALSE(cache.solve(negative_zero).has_value());

    const RangeLimitInputs limit = range_limit_inputs(first_run_state());
    cache.keep_range_limit(limit, 110.0f);
    ASSERT_EQ(cache.range_limit(limit), 110.0f);
    for (float RangeLimitInputs::*v : {&RangeLimitInputs::MV, &RangeLimitInputs::BC}) {
        RangeLimitInputs other = limit;
        other.*v = nudged(other.*v);
        EXPECT_FALSE(cache.range_limit(other).has_value());
    }
    for (float AirState::*v : {&AirState::TMP, &AirState::PRES, &AirState::HUMID}) {
        RangeLimitInputs other = limit;
        other.air.*v = nudged(other.air.*v);
        EXPECT_FALSE(cache.range_limit(other).has_value());
    }
    RangeLimitInputs other_law_limit = limit;
    other_law_limit.law = drag_law_curve(G7);
    EXPECT_FALSE(cache.range_limit(other_law_limit).has_value());

    // Four solves are kept; the oldest gives way to a fifth. A copy and a cleared cache keep none.
    PassCache copy(cache);
    EXPECT_EQ(copy.flight(flight), nullptr);
    cache.clear();
    EXPECT_EQ(cache.flight(flight), nullptr);
    EXPECT_FALSE(cache.solve(solve).has_value());
    EXPECT_FALSE(cache.range_limit(limit).has_value());
    for (int k = 0; k < 5; ++k) {
        SolveInputs in = solve;
        in.TR = 40.0f + static_cast<float>(k);
        cache.keep_solve(in, static_cast<float>(k));
    }
    SolveInputs first = solve, last = solve;
    first.TR = 40.0f;
    last.TR = 44.0f;
    EXPECT_FALSE(cache.solve(first).has_value());
    EXPECT_EQ(cache.solve(last), 4.0f);
}

TEST(PassWorker, RunsBothPiecesAndPassesOnFailures) {
    PassWorker worker;
    // Many runs of two independent sums, each writing only its own result.
    for (int run = 0; run < 200; ++run) {
        long beside = 0, here = 0;
        worker.run_beside(
            [&beside, run] {
                for (int i = 0; i <= run; ++i) beside += i;
            },
            [&here, run] {
                for (int i = 0; i <= 2 * run; ++i) here += i;
            });
        ASSERT_EQ(beside, static_cast<long>(run) * (run + 1) / 2);
        ASSERT_EQ(here, static_cast<long>(2 * run) * (2 * run + 1) / 2);
    }
    EXPECT_EQ(worker.ran_beside() + worker.taken_back(), 200);

    // A failure on either side comes back once both have ended; the worker stays usable.
    bool here_ran = false;
    EXPECT_THROW(worker.run_beside([] { throw std::runtime_error("beside"); }, [&here_ran] { here_ran = true; }),
                 std::runtime_error);
    EXPECT_TRUE(here_ran);
    bool beside_ran = false;
    EXPECT_THROW(worker.run_beside([&beside_ran] { beside_ran = true; }, [] { throw std::logic_error("here"); }),
                 std::logic_error);
    EXPECT_TRUE(beside_ran);
    int after = 0;
    worker.run_beside([&after] { ++after; }, [&after] { (void)after; });
    EXPECT_EQ(after, 1);

    // A copy is a worker of its own.
    PassWorker copy(worker);
    EXPECT_EQ(copy.ran_beside() + copy.taken_back(), 0);
}

}  // namespace
}  // namespace velora
