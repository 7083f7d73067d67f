// Garmin Xero ShotView CSV. An optional title line (free text, maybe quoted), the header
// "#,Speed (FPS),Δ Avg (FPS),KE (FT-LBS),…,Time,…,Shot Notes" (English or German, any letter
// case, the velocity unit inside the speed column's name), one line a shot, then "-,,,,,," and
// summary lines (average, standard deviation, spread, the projectile weight as set on the device,
// the session note, the date). Byte-order marks may start the first and the second line; numbers
// may carry a decimal comma or thousands separators, quoted; times may be 12-hour.
#include <algorithm>

#include "services/readers/reader_support.h"

namespace velora {

namespace {

// The summary lines whose value is a velocity, in the languages the app writes.
bool is_velocity_figure(const std::string& key) {
    static const char* const keys[] = {"average speed",
                                       "std dev",
                                       "spread",
                                       "standardabweichung",
                                       "streuung",
                                       "\xC3\xB8 geschwindigkeit",
                                       "\xC3\x98 geschwindigkeit",
                                       "durchschnittsgeschwindigkeit",
                                       "max speed",
                                       "min speed"};
    return std::any_of(std::begin(keys), std::end(keys), [&](const char* k) { return key == k; });
}

bool is_weight_figure(const std::string& key) {
    return key.rfind("projectile weight", 0) == 0 || key.rfind("gewicht des projektils", 0) == 0;
}

bool is_note_figure(const std::string& key) {
    return key == "session note" || key == "trainingsnotiz" || key == "sitzungshinweis";
}

// "1:41:26 PM" with the narrow no-break space the iOS app writes before PM.
std::string plain_blanks(std::string text) {
    for (std::size_t at; (at = text.find("\xE2\x80\xAF")) != std::string::npos;) text.replace(at, 3, " ");
    for (std::size_t at; (at = text.find("\xC2\xA0")) != std::string::npos;) text.replace(at, 2, " ");
    return text;
}

}  // namespace

StringRead read_xero_csv(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    ShotString s;
    s.format = string_format_name(StringFormat::XeroCsv);
    s.name = name;
    s.files = {name};
    s.device = "Garmin Xero";

    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size() && i < 20; ++i) {
        const std::string_view t = trim(lines[i]);
        if (t.size() > 2 && t[0] == '#' && (t[1] == ',' || t[1] == ';' || t[1] == '\t')) {
            header = i;
            break;
        }
        if (!t.empty() && s.title.empty()) {
            std::string title(t);
            if (title.size() >= 2 && title.front() == '"' && title.back() == '"')
                title = title.substr(1, title.size() - 2);
            s.title = title;
        }
    }
    if (header == lines.size()) return refused(name, 1, "expected the header '#,Speed (FPS),…' within the first lines");
    const char delimiter = trim(lines[header])[1];
    const std::vector<std::string> columns = split_fields(lines[header], delimiter);
    const int header_number = static_cast<int>(header + 1);
    std::optional<std::size_t> speed, time, notes;
    std::optional<float> factor;
    for (std::size_t c = 1; c < columns.size(); ++c) {
        const std::string low = lower_case(columns[c]);
        if (!speed) {
            if (const auto f = velocity_unit_factor(unit_in_parentheses(columns[c]))) {
                speed = c;
                factor = f;
                s.velocity_unit = unit_in_parentheses(columns[c]);
                continue;
            }
        }
        if (low == "time" || low == "zeit") time = c;
        if (low == "shot notes" || low == "schussnotizen") notes = c;
    }
    if (!speed)
        return refused(name, header_number, "expected a speed column with its unit, as 'Speed (FPS)' or 'Tempo (MPS)'");

    std::size_t i = header + 1;
    for (; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], delimiter);
        const int line = static_cast<int>(i + 1);
        if (f.empty() || std::all_of(f.begin(), f.end(), [](const std::string& x) { return x.empty(); })) continue;
        if (f[0] == "-") break;
        if (f.size() <= *speed)
            return refused(name, line,
                           "expected a shot number and its speed, found '" + std::string(trim(lines[i])) + "'");
        const auto v = read_decimal(f[*speed]);
        if (!v || *v < 0)
            return refused(name, line, "expected a speed in " + s.velocity_unit + ", found '" + f[*speed] + "'");
        StringShot shot;
        shot.id = f[0];
        // A speed too small for a float is no speed at all.
        if (const float mv = to_internal(*v, *factor); mv > 0) {
            shot.MV = mv;
            shot.mv_kind = MvKind::Measured;
        } else {
            shot.marks.add(MarkKind::LostTrack, "no speed: the device wrote " + f[*speed]);
        }
        if (time && *time < f.size()) shot.time = plain_blanks(f[*time]);
        if (notes && *notes < f.size()) shot.notes = f[*notes];
        s.shots.push_back(std::move(shot));
        if (s.shots.size() > MostStringMeasurements) return too_many(name, line);
    }
    // The summary lines.
    for (++i; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], delimiter);
        if (f.empty() || f[0].empty() || f[0] == "-") continue;
        const std::string key = lower_case(f[0]);
        const std::string value = f.size() > 1 ? plain_blanks(f[1]) : std::string();
        StatedFigure figure{f[0], std::nullopt, value};
        if (is_velocity_figure(key)) {
            if (const auto v = read_decimal(value)) figure.value = to_internal(*v, *factor);
        } else if (is_weight_figure(key)) {
            const std::string unit = lower_case(unit_in_parentheses(f[0]));
            if (const auto w = read_decimal(value); w && *w > 0 && *w < 1e6) {
                const bool grams = unit.rfind("gram", 0) == 0 || unit == "g";
                s.projectile.weight_gr = static_cast<float>(grams ? *w * 15.4323584 : *w);
            }
        } else if (is_note_figure(key)) {
            if (!value.empty()) s.notes.push_back(f[0] + ": " + value);
        }
        s.stated.push_back(figure);
    }
    if (s.shots.empty()) return refused(name, header_number + 1, "expected at least one shot after the header");
    s.projectile.description = s.title;
    return accepted(std::move(s), name);
}

}  // namespace velora
