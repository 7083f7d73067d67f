#include "cli/curve_output.h"

#include <nlohmann/json.hpp>

#include "engine/number_text.h"

namespace velora {
namespace {

using Json = nlohmann::ordered_json;

Json optional(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

Json candidate_json(const CurveCandidate& c, bool table) {
    Json j;
    if (!table) j["law"] = c.law;
    j["name"] = c.name;
    j["form_factor"] = c.form_factor;
    j["BC"] = c.bc;
    j["rms"] = c.rms;
    j["cv_rms"] = c.cv_rms;
    if (table) {
        const bool overlap = c.overlap_low < c.overlap_high;
        j["overlap"] = overlap ? Json::array({c.overlap_low, c.overlap_high}) : Json(nullptr);
        j["mean_difference"] = overlap ? Json(c.mean_difference) : Json(nullptr);
        j["largest_difference"] = overlap ? Json(c.largest_difference) : Json(nullptr);
    }
    return j;
}

std::string pad(std::string text, std::size_t width, bool left = false) {
    if (text.size() >= width) return text + " ";
    const std::string fill(width - text.size(), ' ');
    return left ? fill + text : text + fill;
}

}  // namespace

std::string curve_fit_json(const CurveFit& fit, const CurveFitReport& r) {
    Json j;
    j["schema"] = 1;
    j["kind"] = "drag_curve_fit";
    j["source"] = r.source;
    j["projectile"] = {{"weight_gr", optional(r.projectile.weight_gr)},
                       {"calibre_in", optional(r.projectile.calibre_in)},
                       {"length_in", optional(r.projectile.length_in)},
                       {"source", r.projectile.source},
                       {"sectional_density", r.sectional_density}};
    j["air"] = {{"speed_of_sound", r.air.speed_of_sound}, {"density", r.air.air_density}};
    j["span"] = Json::array({fit.mach_low, fit.mach_high});
    j["knots"] = fit.knots.size();
    j["lambda"] = fit.lambda;
    j["edf"] = fit.edf;
    j["chi_square"] = fit.chi_square;
    j["freedom"] = fit.freedom;
    j["scale"] = fit.scale;
    j["effective_samples"] = fit.effective_samples;
    j["correlation"] = fit.correlation;
    j["rms"] = fit.rms;
    j["cv_rms"] = fit.cv_rms;
    Json points = Json::array();
    for (const CurvePoint& p : fit.points)
        points.push_back({{"mach", p.mach}, {"cd", p.cd}, {"cd_low", p.cd_low}, {"cd_high", p.cd_high}});
    j["points"] = points;
    Json laws = Json::array(), tables = Json::array(), shots = Json::array();
    for (const CurveCandidate& c : fit.laws) laws.push_back(candidate_json(c, false));
    for (const CurveCandidate& c : fit.tables) tables.push_back(candidate_json(c, true));
    for (const CurveShot& s : fit.shots) {
        shots.push_back({{"name", s.name},
                         {"samples", s.samples},
                         {"used", s.used},
                         {"outlier", s.outlier},
                         {"MV", s.used ? Json(s.mv) : Json(nullptr)},
                         {"rms", s.used ? Json(s.rms) : Json(nullptr)}});
    }
    j["laws"] = laws;
    j["tables"] = tables;
    j["shots"] = shots;
    j["table_file"] = r.table_file ? Json(*r.table_file) : Json(nullptr);
    j["note"] = curve_fit_note(fit);
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string curve_fit_text(const CurveFit& fit, const CurveFitReport& r) {
    std::string out = "Drag curve of " + r.source + "\nProjectile " + projectile_text(r.projectile);
    if (!r.projectile.source.empty() && r.projectile.source != "typed") out += " (" + r.projectile.source + ")";
    out += ", sectional density " + format_fixed(r.sectional_density, 4) + " lb/in²; speed of sound " +
           format_fixed(r.air.speed_of_sound, 1) + " ft/s\n\n" + curve_fit_note(fit) + "\n\n";
    out += "Mach    Cd      band (one standard error)\n";
    for (const CurvePoint& p : fit.points) {
        out += pad(format_fixed(p.mach, 4), 8) + pad(format_fixed(p.cd, 4), 8) + format_fixed(p.cd_low, 4) + " to " +
               format_fixed(p.cd_high, 4) + "\n";
    }
    out += "\nLaw or table                Form factor  BC       rms   held out (ft/s)\n";
    const auto row = [&](const CurveCandidate& c) {
        out += pad(c.name, 28) + pad(format_fixed(c.form_factor, 3), 13) + pad(format_fixed(c.bc, 4), 9) +
               pad(format_fixed(c.rms, 2), 6) + format_fixed(c.cv_rms, 2) + "\n";
    };
    out += pad("the fitted curve", 28) + pad("1.000", 13) + pad(format_fixed(r.sectional_density, 4), 9) +
           pad(format_fixed(fit.rms, 2), 6) + format_fixed(fit.cv_rms, 2) + "\n";
    for (const CurveCandidate& c : fit.laws) row(c);
    for (const CurveCandidate& c : fit.tables) row(c);
    for (const CurveCandidate& c : fit.tables) {
        out += "\n" + c.name + ": ";
        if (c.overlap_low < c.overlap_high) {
            out += "over Mach " + format_fixed(c.overlap_low, 3) + " to " + format_fixed(c.overlap_high, 3) +
                   " its drag coefficient differs from the fitted one by " +
                   format_fixed(100.0 * c.mean_difference, 1) + " % on average, " +
                   format_fixed(100.0 * c.largest_difference, 1) + " % at most";
        } else {
            out += "its Mach span and the fitted curve's do not overlap";
        }
    }
    if (!fit.tables.empty()) out += "\n";
    out += "\nShot          velocities  muzzle velocity (ft/s)  rms (ft/s)\n";
    for (const CurveShot& s : fit.shots) {
        out += pad(s.name, 14) + pad(std::to_string(s.samples), 12);
        if (s.used)
            out += pad(format_fixed(s.mv, 1), 24) + format_fixed(s.rms, 2) + "\n";
        else
            out +=
                s.outlier ? "set aside: its velocities stand far from the others'\n" : "too few velocities downrange\n";
    }
    if (r.table_file) out += "\nThe curve is written as a drag table to " + *r.table_file + "\n";
    return out;
}

}  // namespace velora
