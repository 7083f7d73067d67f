#include "services/readers/drag_table.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "engine/drag_curve.h"
#include "services/readers/text_input.h"

namespace velora {

namespace {

using nlohmann::json;

constexpr double GramsPerKg = 1000.0;
constexpr double InchesPerMetre = 1000.0 / MmPerInch;
constexpr const char* FromTheTable = "from the drag table";

// One line, whatever a file's name or content put into it.
std::string one_line(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

DragTableRead refused(const std::string& name, int line, const std::string& why) {
    DragTableRead r;
    r.error = one_line(name + (line > 0 ? " line " + std::to_string(line) : std::string()) + ": " + why);
    return r;
}

std::string float_text(float v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

std::string double_text(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// A number of the table: a decimal point only (a comma separates fields), finite.
std::optional<double> table_number(std::string_view text) { return read_decimal(trim(text), false); }

// Sets one of the projectile's values from a value in its internal unit; the reason when it is
// outside the limits.
std::optional<std::string> set_value(Projectile& p, ProjectileQuantity q, double value) {
    const ProjectileValue v = read_projectile_value(double_text(value), q);
    if (!v.ok()) return v.error;
    (q == ProjectileQuantity::Weight    ? p.weight_gr
     : q == ProjectileQuantity::Calibre ? p.calibre_in
                                        : p.length_in) = v.value;
    p.source = FromTheTable;
    return std::nullopt;
}

// The points checked; the fault named by the line of the point where lines are known, else by its
// number.
DragTableRead checked(DragTableFile t, const std::string& name, const std::vector<int>& lines) {
    if (const auto problem = check_drag_points(t.points)) {
        std::string why = drag_point_problem_text(*problem, t.points);
        int line = 0;
        if (problem->point >= 0 && static_cast<std::size_t>(problem->point) < lines.size()) {
            line = lines[static_cast<std::size_t>(problem->point)];
            why = why.substr(why.find(": ") + 2);
        }
        return refused(name, line, why);
    }
    DragTableRead r;
    r.table = std::move(t);
    return r;
}

DragTableRead read_drg(const std::vector<std::string>& text, const std::string& name) {
    DragTableFile t;
    t.format = "drg";
    t.name = name;
    std::vector<int> lines;
    bool header = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::string_view l = trim(text[i]);
        if (l.empty()) continue;
        if (!header) {
            header = true;
            // CFM, name, mass (kg), diameter (m), length (m), comment
            const std::vector<std::string> f = split_fields(l, ',');
            if (f.size() > 1 && !f[1].empty()) t.name = f[1];
            struct Field {
                std::size_t at;
                ProjectileQuantity q;
                double to_internal;
                const char* what;
            };
            const Field fields[] = {{2, ProjectileQuantity::Weight, GramsPerKg * GrainsPerGram, "mass in kg"},
                                    {3, ProjectileQuantity::Calibre, InchesPerMetre, "diameter in metres"},
                                    {4, ProjectileQuantity::Length, InchesPerMetre, "length in metres"}};
            for (const Field& field : fields) {
                if (field.at >= f.size() || f[field.at].empty()) continue;
                const std::optional<double> v = table_number(f[field.at]);
                if (!v)
                    return refused(name, line,
                                   "the " + std::string(field.what) + " '" + f[field.at] + "' is no number");
                if (*v == 0) continue;  // not stated
                if (auto why = set_value(t.projectile, field.q, *v * field.to_internal))
                    return refused(name, line,
                                   "the " + std::string(field.what) + " " + f[field.at] + " is not " + *why);
            }
            continue;
        }
        // Cd, then Mach, separated by a tab, blanks, a comma or a semicolon.
        std::vector<std::string> f;
        for (const std::string& field : split_fields(l, guess_delimiter(l)))
            if (!field.empty()) f.push_back(field);
        if (f.size() == 1) {
            f.clear();
            std::string_view rest = l;
            while (!rest.empty()) {
                const std::size_t end = rest.find(' ');
                if (end != 0) f.emplace_back(rest.substr(0, end));
                rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            }
        }
        const std::optional<double> cd = f.size() == 2 ? table_number(f[0]) : std::nullopt;
        const std::optional<double> mach = f.size() == 2 ? table_number(f[1]) : std::nullopt;
        if (!cd || !mach)
            return refused(name, line, "a drag coefficient and a Mach number, not '" + std::string(l) + "'");
        if (t.points.size() >= static_cast<std::size_t>(MostDragPoints))
            return refused(name, line, "a drag table has at most " + std::to_string(MostDragPoints) + " points");
        t.points.push_back({static_cast<float>(*mach), static_cast<float>(*cd)});
        lines.push_back(line);
    }
    return checked(std::move(t), name, lines);
}

DragTableRead read_csv(const std::vector<std::string>& text, const std::string& name) {
    DragTableFile t;
    t.format = "csv";
    t.name = name;
    std::vector<int> lines;
    bool first = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::string_view l = trim(text[i]);
        if (l.empty()) continue;
        if (l.front() == '#') {
            // "# key: value" comments carry the name and the projectile.
            const std::string_view c = trim(l.substr(1));
            const std::size_t colon = c.find(':');
            if (colon == std::string_view::npos) continue;
            const std::string key = lower_case(trim(c.substr(0, colon)));
            const std::string_view value = trim(c.substr(colon + 1));
            if (key == "name") {
                if (!value.empty()) t.name = std::string(value);
                continue;
            }
            const ProjectileQuantity q = key == "weight_gr"    ? ProjectileQuantity::Weight
                                         : key == "calibre_in" ? ProjectileQuantity::Calibre
                                         : key == "length_in"  ? ProjectileQuantity::Length
                                                               : ProjectileQuantity::Energy;
            if (q == ProjectileQuantity::Energy) continue;
            const std::optional<double> v = table_number(value);
            if (!v) return refused(name, line, "the " + key + " '" + std::string(value) + "' is no number");
            if (auto why = set_value(t.projectile, q, *v))
                return refused(name, line, "the " + key + " " + std::string(value) + " is not " + *why);
            continue;
        }
        const std::vector<std::string> f = split_fields(l, guess_delimiter(l));
        if (first) {
            first = false;
            if (f.size() == 2 && lower_case(f[0]) == "mach" && lower_case(f[1]) == "cd") continue;
        }
        const std::optional<double> mach = f.size() == 2 ? table_number(f[0]) : std::nullopt;
        const std::optional<double> cd = f.size() == 2 ? table_number(f[1]) : std::nullopt;
        if (!mach || !cd)
            return refused(name, line, "a Mach number and a drag coefficient (mach,cd), not '" + std::string(l) + "'");
        if (t.points.size() >= static_cast<std::size_t>(MostDragPoints))
            return refused(name, line, "a drag table has at most " + std::to_string(MostDragPoints) + " points");
        t.points.push_back({static_cast<float>(*mach), static_cast<float>(*cd)});
        lines.push_back(line);
    }
    return checked(std::move(t), name, lines);
}

std::optional<float> json_float(const json& o, const char* key) {
    const auto it = o.find(key);
    if (it == o.end() || !it->is_number()) return std::nullopt;
    const double v = it->get<double>();
    if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return std::nullopt;
    return static_cast<float>(v);
}

std::optional<double> json_double(const json& o, const char* key) {
    const auto it = o.find(key);
    if (it == o.end() || !it->is_number()) return std::nullopt;
    const double v = it->get<double>();
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

DragTableRead read_json(const std::string& text, const std::string& name) {
    if (json_nesting(text) > 8) return refused(name, 0, "a drag table's JSON nests objects and arrays at most 8 deep");
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        int line = 1;
        // The text ends in a line end of its own: an error at its end lies on the last line.
        for (std::size_t i = 0; i < e.byte && i + 1 < text.size(); ++i) line += text[i] == '\n';
        const std::string what = e.what();
        return refused(name, line, "not JSON:" + what.substr(what.find(':') + 1));
    } catch (const json::exception& e) {
        const std::string what = e.what();
        return refused(name, 0, "not JSON: " + what.substr(what.find(']') + 2));
    }
    if (!doc.is_object() || doc.value("kind", json()) != "drag_table")
        return refused(name, 1, "a JSON object with \"kind\": \"drag_table\"");
    const auto schema = doc.find("schema");
    if (schema == doc.end() || !schema->is_number_integer() || schema->get<long long>() != 1)
        return refused(name, 1, "the drag table's JSON needs \"schema\": 1");
    DragTableFile t;
    t.format = "json";
    t.name = name;
    if (const auto n = doc.find("name"); n != doc.end() && n->is_string() && !n->get<std::string>().empty())
        t.name = n->get<std::string>();
    if (const auto p = doc.find("projectile"); p != doc.end() && p->is_object()) {
        const std::pair<const char*, ProjectileQuantity> keys[] = {{"weight_gr", ProjectileQuantity::Weight},
                                                                   {"calibre_in", ProjectileQuantity::Calibre},
                                                                   {"length_in", ProjectileQuantity::Length}};
        for (const auto& [key, q] : keys) {
            const auto it = p->find(key);
            if (it == p->end() || it->is_null()) continue;
            const std::optional<double> v = json_double(*p, key);
            if (!v) return refused(name, 0, std::string("the projectile's ") + key + " is no number");
            if (auto why = set_value(t.projectile, q, *v))
                return refused(name, 0, std::string("the projectile's ") + key + " is not " + *why);
        }
    }
    const auto points = doc.find("points");
    if (points == doc.end() || !points->is_array()) return refused(name, 0, "the drag table's JSON has no \"points\"");
    if (points->size() > static_cast<std::size_t>(MostDragPoints))
        return refused(name, 0,
                       "a drag table has at most " + std::to_string(MostDragPoints) + " points, not " +
                           std::to_string(points->size()));
    bool band = true;
    for (std::size_t i = 0; i < points->size(); ++i) {
        const json& p = (*points)[i];
        const std::string which = "point " + std::to_string(i + 1);
        if (!p.is_object()) return refused(name, 0, which + " is no object {\"mach\", \"cd\"}");
        const std::optional<float> mach = json_float(p, "mach"), cd = json_float(p, "cd");
        if (!mach || !cd) return refused(name, 0, which + ": its \"mach\" and \"cd\" must be finite numbers");
        t.points.push_back({*mach, *cd});
        const std::optional<float> low = json_float(p, "cd_low"), high = json_float(p, "cd_high");
        band = band && low && high && *low <= *cd && *cd <= *high;
        if (band) {
            t.cd_low.push_back(*low);
            t.cd_high.push_back(*high);
        }
    }
    if (!band) t.cd_low.clear(), t.cd_high.clear();
    if (const auto span = doc.find("span"); span != doc.end() && span->is_array() && span->size() == 2 &&
                                            (*span)[0].is_number() && (*span)[1].is_number()) {
        const double lo = (*span)[0].get<double>(), hi = (*span)[1].get<double>();
        if (std::isfinite(lo) && std::isfinite(hi) && lo <= hi && std::fabs(hi) < 1e6)
            t.span = std::pair{static_cast<float>(lo), static_cast<float>(hi)};
    }
    return checked(std::move(t), name, {});
}

}  // namespace

DragTableRead read_drag_table(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestDragTableFile) return refused(name, 0, "a drag table is at most 1 MiB");
    if (!looks_like_text(bytes)) return refused(name, 0, "a drag table is text, and this is not");
    const std::vector<std::string> lines = text_lines(bytes);
    std::string_view first;
    for (const std::string& l : lines) {
        first = trim(l);
        if (!first.empty()) break;
    }
    if (!first.empty() && first.front() == '{') {
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        return read_json(text, name);
    }
    if (starts_with_no_case(first, "CFM")) return read_drg(lines, name);
    return read_csv(lines, name);
}

DragTableRead read_drag_table_file(const std::string& path) {
    std::string bytes;
    if (auto error = read_file_limited(path, bytes, LargestDragTableFile)) {
        DragTableRead r;
        r.error = one_line(*error);
        return r;
    }
    return read_drag_table(bytes, std::filesystem::path(path).filename().string());
}

std::string drag_table_csv(const DragTableFile& t) {
    std::string out = "# Drag table: drag coefficient against the Mach number\n";
    out += "# name: " + one_line(t.name) + "\n";
    if (t.projectile.weight_gr) out += "# weight_gr: " + double_text(*t.projectile.weight_gr) + "\n";
    if (t.projectile.calibre_in) out += "# calibre_in: " + double_text(*t.projectile.calibre_in) + "\n";
    if (t.projectile.length_in) out += "# length_in: " + double_text(*t.projectile.length_in) + "\n";
    if (t.span) out += "# measured from Mach " + float_text(t.span->first) + " to " + float_text(t.span->second) + "\n";
    out += "mach,cd\n";
    for (const DragPoint& p : t.points) out += float_text(p.mach) + "," + float_text(p.cd) + "\n";
    return out;
}

std::string drag_table_json(const DragTableFile& t) {
    const auto optional = [](const std::optional<double>& v) { return v ? double_text(*v) : std::string("null"); };
    std::string out = "{\n  \"schema\": 1,\n  \"kind\": \"drag_table\",\n";
    out += "  \"name\": " + json(t.name).dump(-1, ' ', false, json::error_handler_t::replace) + ",\n";
    out += "  \"projectile\": {\"weight_gr\": " + optional(t.projectile.weight_gr) +
           ", \"calibre_in\": " + optional(t.projectile.calibre_in) +
           ", \"length_in\": " + optional(t.projectile.length_in) + "},\n";
    if (t.span) out += "  \"span\": [" + float_text(t.span->first) + ", " + float_text(t.span->second) + "],\n";
    out += "  \"points\": [";
    const bool band = t.cd_low.size() == t.points.size() && t.cd_high.size() == t.points.size();
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        out += std::string(i ? ",\n" : "\n") + "    {\"mach\": " + float_text(t.points[i].mach) +
               ", \"cd\": " + float_text(t.points[i].cd);
        if (band) out += ", \"cd_low\": " + float_text(t.cd_low[i]) + ", \"cd_high\": " + float_text(t.cd_high[i]);
        out += "}";
    }
    return out + "\n  ]\n}\n";
}

DragTableFile fitted_drag_table(const CurveFit& fit, const std::string& name, const Projectile& projectile) {
    DragTableFile t;
    t.name = name;
    t.format = "json";
    t.projectile = projectile;
    for (const CurvePoint& p : fit.points) {
        t.points.push_back({static_cast<float>(p.mach), static_cast<float>(p.cd)});
        t.cd_low.push_back(static_cast<float>(p.cd_low));
        t.cd_high.push_back(static_cast<float>(p.cd_high));
    }
    t.span = std::pair{static_cast<float>(fit.mach_low), static_cast<float>(fit.mach_high)};
    return t;
}

}  // namespace velora
