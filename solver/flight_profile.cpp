#include "solver/flight_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velora {

double FlightProfile::position_of(double v) const {
    if (empty() || v >= velocity.front()) return 0.0;
    if (v <= velocity.back()) return end();
    // The speed falls along the grid.
    std::size_t lo = 0, hi = velocity.size() - 1;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (velocity[mid] > v)
            lo = mid;
        else
            hi = mid;
    }
    const double v0 = velocity[lo], v1 = velocity[hi];
    const double f = v0 == v1 ? 0.0 : (v0 - v) / (v0 - v1);
    return spacing * (static_cast<double>(lo) + f);
}

namespace {

// The flight of one order as it goes: its steps' starts, where it is, how fast and when.
struct Recording {
    std::vector<float> xs, vs, ts;
    std::size_t most = 0;
    bool live = true, cut = false;
};

// One step of a flight and its record; false once it has ended.
[[gnu::always_inline]] inline bool record_step(Flight& flight, const FlightCourse& f, const ProfileOrder& order,
                                               Recording& r) {
    const float x = flight.x, t = flight.t;
    const bool ended = flight.step(f);
    if (flight.unreached) {
        r.cut = true;
        return false;
    }
    r.xs.push_back(x);
    r.vs.push_back(flight.v);
    r.ts.push_back(t);
    if (flight.v < order.slowest) return false;
    if (x > order.farthest || ended || r.xs.size() >= r.most) {
        r.cut = true;
        return false;
    }
    return true;
}

// The recorded steps on the even grid.
FlightProfile resampled(const Recording& r, float bc) {
    FlightProfile p;
    p.bc = bc;
    p.spacing = SolverStep;
    p.cut = r.cut;
    if (r.xs.size() < 2) return p;
    const double last = r.xs.back();
    const auto points = static_cast<std::size_t>(std::floor(last / p.spacing)) + 1;
    p.velocity.resize(points);
    p.time.resize(points);
    std::size_t k = 0;
    for (std::size_t j = 0; j < points; ++j) {
        const double x = static_cast<double>(j) * p.spacing;
        while (k + 2 < r.xs.size() && r.xs[k + 1] <= x) ++k;
        const double x0 = r.xs[k], x1 = r.xs[k + 1];
        const double f01 = x1 > x0 ? (x - x0) / (x1 - x0) : 0.0;
        p.velocity[j] = static_cast<float>(r.vs[k] + (static_cast<double>(r.vs[k + 1]) - r.vs[k]) * f01);
        p.time[j] = static_cast<float>(r.ts[k] + (static_cast<double>(r.ts[k + 1]) - r.ts[k]) * f01);
    }
    return p;
}

}  // namespace

std::vector<FlightProfile> fly_profiles(const std::vector<ProfileOrder>& orders, const FlightCourse& course) {
    // Flights of no marks that never look for a zero: each goes on until stopped here.
    FlightCourse f;
    f.zr = std::numeric_limits<float>::infinity();
    f.c = course.c;
    f.rho = course.rho;
    std::vector<FlightProfile> out;
    for (std::size_t first = 0; first < orders.size(); first += 3) {
        const std::size_t count = std::min<std::size_t>(3, orders.size() - first);
        // Three flights in registers; those beyond `count` fly along unrecorded.
        const ProfileOrder& oa = orders[first];
        const ProfileOrder& ob = orders[first + (count > 1 ? 1 : 0)];
        const ProfileOrder& oc = orders[first + (count > 2 ? 2 : 0)];
        Flight a(f, *oa.law, oa.mv, oa.bc, nullptr), b(f, *ob.law, ob.mv, ob.bc, nullptr),
            c(f, *oc.law, oc.mv, oc.bc, nullptr);
        Recording ra, rb, rc;
        for (auto [r, o] : {std::pair{&ra, &oa}, {&rb, &ob}, {&rc, &oc}}) {
            r->most = static_cast<std::size_t>(std::min(o->farthest / SolverStep + 4.0, 4.0e6));
            const std::size_t guess = std::min<std::size_t>(r->most, 1u << 15);
            r->xs.reserve(guess);
            r->vs.reserve(guess);
            r->ts.reserve(guess);
        }
        rb.live = count > 1;
        rc.live = count > 2;
        while (ra.live && rb.live && rc.live) {
            ra.live = record_step(a, f, oa, ra);
            rb.live = record_step(b, f, ob, rb);
            rc.live = record_step(c, f, oc, rc);
        }
        while (ra.live || rb.live || rc.live) {
            if (ra.live) ra.live = record_step(a, f, oa, ra);
            if (rb.live) rb.live = record_step(b, f, ob, rb);
            if (rc.live) rc.live = record_step(c, f, oc, rc);
        }
        out.push_back(resampled(ra, oa.bc));
        if (count > 1) out.push_back(resampled(rb, ob.bc));
        if (count > 2) out.push_back(resampled(rc, oc.bc));
    }
    return out;
}

FlightProfile fly_profile(const DragCurve& law, float mv, float bc, float slowest, double farthest,
                          const FlightCourse& course) {
    return std::move(fly_profiles({ProfileOrder{&law, mv, bc, slowest, farthest}}, course).front());
}

}  // namespace velora
