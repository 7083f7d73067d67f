#include "solver/shot_string.h"

#include <algorithm>
#include <cmath>

namespace velora {

namespace {

constexpr const char* MarkKindNames[MarkKindCount] = {"lost_track",       "repeated_gate",      "back_extrapolated",
                                                      "beyond_flight",    "faster_than_muzzle", "no_muzzle_velocity",
                                                      "excluded_in_file", "excluded_by_user",   "outlier"};

}  // namespace

const char* mark_kind_name(MarkKind kind) {
    const int k = static_cast<int>(kind);
    return k >= 0 && k < MarkKindCount ? MarkKindNames[k] : "excluded_in_file";
}

std::optional<MarkKind> mark_kind_named(std::string_view name) {
    for (int k = 0; k < MarkKindCount; ++k)
        if (name == MarkKindNames[k]) return static_cast<MarkKind>(k);
    return std::nullopt;
}

void Marks::add(MarkKind kind, std::string reason) {
    if (!has(kind)) marks.push_back({kind, std::move(reason)});
}

bool Marks::has(MarkKind kind) const {
    return std::any_of(marks.begin(), marks.end(), [kind](const Mark& m) { return m.kind == kind; });
}

void Marks::set_used(bool use) {
    if (use) {
        marks.erase(std::remove_if(marks.begin(), marks.end(),
                                   [](const Mark& m) { return m.kind == MarkKind::ExcludedByUser; }),
                    marks.end());
        overridden = !marks.empty();
        return;
    }
    if (overridden) {
        overridden = false;
        return;
    }
    if (marks.empty()) add(MarkKind::ExcludedByUser, "set aside by the user");
}

std::string Marks::reasons() const {
    std::string text;
    for (const Mark& m : marks) text += (text.empty() ? "" : "; ") + m.reason;
    return text;
}

const char* mv_kind_name(MvKind kind) {
    switch (kind) {
        case MvKind::Measured: return "measured";
        case MvKind::Extrapolated: return "extrapolated";
        default: return "unknown";
    }
}

std::optional<MvKind> mv_kind_named(std::string_view name) {
    for (MvKind k : {MvKind::Unknown, MvKind::Measured, MvKind::Extrapolated})
        if (name == mv_kind_name(k)) return k;
    return std::nullopt;
}

std::size_t measurement_count(const ShotString& s) {
    std::size_t n = 0;
    for (const StringShot& shot : s.shots) n += shot.measurements.size() + shot.track.size();
    return n;
}

MvSummary mv_summary(const ShotString& s) {
    MvSummary out;
    double sum = 0, low = 0, high = 0;
    for (const StringShot& shot : s.shots) {
        if (!shot.marks.used() || !shot.MV) continue;
        const double v = *shot.MV;
        if (out.count == 0) low = high = v;
        low = std::min(low, v);
        high = std::max(high, v);
        sum += v;
        ++out.count;
    }
    if (out.count == 0) return out;
    out.mean = sum / out.count;
    out.es = high - low;
    if (out.count > 1) {
        double squares = 0;
        for (const StringShot& shot : s.shots) {
            if (!shot.marks.used() || !shot.MV) continue;
            squares += (*shot.MV - out.mean) * (*shot.MV - out.mean);
        }
        out.sd = std::sqrt(squares / (out.count - 1));
    }
    return out;
}

std::optional<float> muzzle_velocity_of(const ShotString& s, const StringShot& shot) {
    if (shot.MV) return shot.MV;
    const MvSummary m = mv_summary(s);
    if (m.count == 0) return std::nullopt;
    return static_cast<float>(m.mean);
}

bool has_downrange_data(const ShotString& s) {
    return std::any_of(s.shots.begin(), s.shots.end(),
                       [](const StringShot& shot) { return !shot.measurements.empty() || !shot.track.empty(); });
}

void mark_implausible(ShotString& s) {
    const bool any_mv = std::any_of(s.shots.begin(), s.shots.end(), [](const StringShot& shot) { return shot.MV; });
    for (StringShot& shot : s.shots) {
        if (!shot.MV) {
            if (any_mv && shot.marks.marks.empty()) shot.marks.add(MarkKind::NoMuzzleVelocity, "no muzzle velocity");
            continue;
        }
        const float mv = *shot.MV;
        for (Measurement& m : shot.measurements) {
            if (m.quantity == ShotQuantity::Velocity && m.value > mv && !m.marks.has(MarkKind::LostTrack))
                m.marks.add(MarkKind::FasterThanMuzzle, "faster than the shot's muzzle velocity");
        }
        for (TrackSample& t : shot.track) {
            if (t.velocity > mv * 1.02f && t.marks.marks.empty())
                t.marks.add(MarkKind::FasterThanMuzzle, "more than 2 % faster than the shot's muzzle velocity");
        }
    }
}

}  // namespace velora

namespace velora {

FitShotsOfString fit_shots_of(const ShotString& s) {
    FitShotsOfString out;
    const MvSummary mv = mv_summary(s);
    if (mv.count > 0) out.mean_mv = static_cast<float>(mv.mean);
    out.mv_shots = mv.count;
    for (const StringShot& shot : s.shots) {
        if (!shot.marks.used()) continue;
        const std::string name = "shot " + (shot.id.empty() ? std::string("?") : shot.id);
        bool any = false;
        for (const Measurement& m : shot.measurements) {
            if (!m.marks.used()) continue;
            out.shots.push_back(Shot{m.range, m.quantity, m.value, m.uncertainty});
            out.names.push_back(name + (m.label.empty() ? "" : " " + m.label));
            any = true;
        }
        if (any) continue;
        for (std::size_t i = 0; i < shot.track.size(); ++i) {
            const TrackSample& t = shot.track[i];
            if (!t.marks.used() || t.range <= 0) continue;
            out.shots.push_back(Shot{t.range, ShotQuantity::Velocity, t.velocity, std::nullopt});
            out.names.push_back(name + " track sample " + std::to_string(i + 1));
        }
    }
    return out;
}

}  // namespace velora
