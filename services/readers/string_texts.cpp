#include "services/readers/string_texts.h"

#include "engine/number_text.h"
#include "engine/units.h"
#include "services/readers/readers.h"

namespace velora {

namespace {

std::string fixed(double v, int decimals) { return format_fixed(static_cast<float>(v), decimals); }

const char* quantity_unit(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return "ft/s";
        case ShotQuantity::Time: return "s";
        default: return "in";
    }
}

int quantity_decimals(ShotQuantity q) { return q == ShotQuantity::Time ? 4 : q == ShotQuantity::Velocity ? 1 : 2; }

std::string measurement_text(const Measurement& m) {
    return (m.label.empty() ? std::string() : m.label + " ") + shot_quantity_name(m.quantity) + " " +
           fixed(m.value, quantity_decimals(m.quantity)) + " " + quantity_unit(m.quantity) + " at " +
           fixed(m.range, 1) + " yd";
}

}  // namespace

std::string string_source_text(const ShotString& s) {
    std::string text = s.name;
    if (const auto f = string_format_named(s.format)) text += std::string(" (") + string_format_description(*f) + ")";
    if (!s.device.empty()) text += ", " + s.device;
    if (!s.title.empty()) text += ", " + s.title;
    return text;
}

std::string mv_summary_text(const MvSummary& m, int velocity_unit, float tmp) {
    if (m.count == 0) return {};
    // A spread converts by the unit's factor as a speed does (Mach too: it scales with the speed of sound).
    const auto show = [&](double v) {
        return format_fixed(to_display(Quantity::Velocity, velocity_unit, static_cast<float>(v), tmp),
                            unit_decimals(Quantity::Velocity, velocity_unit));
    };
    return "mean " + show(m.mean) + ", SD " + show(m.sd) + ", extreme spread " + show(m.es) + " " +
           unit_caption(Quantity::Velocity, velocity_unit) + " over " + std::to_string(m.count) +
           (m.count == 1 ? " shot" : " shots");
}

std::string string_listing(const ShotString& s) {
    std::size_t samples = 0;
    for (const StringShot& shot : s.shots) samples += shot.track.size();
    std::string out =
        string_source_text(s) + ": " + std::to_string(s.shots.size()) + (s.shots.size() == 1 ? " shot" : " shots");
    if (samples > 0) out += ", " + std::to_string(samples) + " track samples";
    out += "\n";
    if (!s.velocity_unit.empty() || !s.distance_unit.empty()) {
        out += "Units stated by the file:";
        if (!s.velocity_unit.empty()) out += " velocity " + s.velocity_unit;
        if (!s.distance_unit.empty())
            out += std::string(s.velocity_unit.empty() ? "" : ",") + " distance " + s.distance_unit;
        out += "; shown here in ft/s, yd, s and in\n";
    }
    if (s.projectile.weight_gr || !s.projectile.description.empty()) {
        out += "Projectile as set on the device:";
        if (s.projectile.weight_gr) out += " " + fixed(*s.projectile.weight_gr, 1) + " gr";
        if (!s.projectile.description.empty()) out += (s.projectile.weight_gr ? ", " : " ") + s.projectile.description;
        out += "\n";
    }
    const MvSummary mv = mv_summary(s);
    if (mv.count > 0) out += "Muzzle velocity: " + mv_summary_text(mv, FtPerS, 15.0f) + "\n";
    out += "\n";
    for (const StringShot& shot : s.shots) {
        out += "Shot " + (shot.id.empty() ? std::string("?") : shot.id) + ": ";
        out +=
            shot.MV ? "MV " + fixed(*shot.MV, 1) + " ft/s (" + mv_kind_name(shot.mv_kind) + ")" : std::string("no MV");
        int used = 0;
        for (const Measurement& m : shot.measurements) used += m.marks.used();
        if (!shot.measurements.empty())
            out +=
                ", " + std::to_string(shot.measurements.size()) + " measurements (" + std::to_string(used) + " used)";
        if (!shot.track.empty()) {
            int track_used = 0;
            for (const TrackSample& t : shot.track) track_used += t.marks.used();
            out += ", track of " + std::to_string(shot.track.size()) + " samples (" + std::to_string(track_used) +
                   " used)";
        }
        if (!shot.time.empty()) out += ", " + shot.time;
        out += "\n";
        if (!shot.marks.marks.empty())
            out += std::string(shot.marks.used() ? "    taken in despite: " : "    set aside: ") +
                   shot.marks.reasons() + "\n";
        for (const Measurement& m : shot.measurements) {
            if (m.marks.marks.empty()) continue;
            out += "    " + measurement_text(m) + (m.marks.used() ? ", taken in despite: " : ", set aside: ") +
                   m.marks.reasons() + "\n";
        }
        for (std::size_t i = 0; i < shot.track.size(); ++i) {
            const TrackSample& t = shot.track[i];
            if (t.marks.marks.empty()) continue;
            out += "    track sample " + std::to_string(i + 1) + " (" + fixed(t.time, 4) + " s, " +
                   fixed(t.velocity, 1) + " ft/s at " + fixed(t.range, 1) + " yd)" +
                   (t.marks.used() ? ", taken in despite: " : ", set aside: ") + t.marks.reasons() + "\n";
        }
        if (!shot.notes.empty()) out += "    note: " + shot.notes + "\n";
    }
    if (!s.notes.empty()) {
        out += "\n";
        for (const std::string& n : s.notes) out += n + "\n";
    }
    return out;
}

}  // namespace velora
