// The generic forms: the fit's shots file, the string CSV and pasted spreadsheet text.
//
// The string CSV has one line a shot under a header that names its columns:
//   id            the shot's id (optional)
//   mv            its muzzle velocity; "mv(m/s)" gives the column's unit
//   time, notes   when it was shot and a note (optional)
//   marks         why it is set aside; empty when it is used (optional)
//   Q@R           a measurement at range R, which carries its unit (m, yd, ft): Q is v (velocity),
//                 t (time of flight), poi (point of impact) or drop; "v@10m(m/s)", "t@50yd(ms)"
// Values are in the internal unit (ft/s, s, in) unless the column or the value gives a unit
// ("180m/s", "12ms", "-22mm"). An empty cell is no measurement. Lines may be separated by commas,
// semicolons or tabs, told from the header; blank lines and lines beginning with "#" are skipped.
#include <algorithm>
#include <cmath>

#include "engine/unit_value.h"
#include "services/readers/reader_support.h"
#include "services/shots_file.h"

namespace velora {

namespace {

enum class ColumnRole { Id, Mv, Time, Notes, Marks, Measurement, Other };

struct Column {
    ColumnRole role = ColumnRole::Other;
    ShotQuantity quantity = ShotQuantity::Velocity;
    float range = 0;   // yd
    std::string unit;  // the column's value unit, empty for the internal one
    std::string label;
};

ValueKind kind_of(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return ValueKind::Velocity;
        case ShotQuantity::Time: return ValueKind::Time;
        default: return ValueKind::SmallLength;
    }
}

std::optional<ShotQuantity> quantity_named(const std::string& q) {
    if (q == "v" || q == "vel" || q == "velocity") return ShotQuantity::Velocity;
    if (q == "t" || q == "time" || q == "tof") return ShotQuantity::Time;
    if (q == "poi") return ShotQuantity::Poi;
    if (q == "drop" || q == "d") return ShotQuantity::Drop;
    return std::nullopt;
}

// "v@10m(m/s)" → a measurement column; an error text when it looks like one and is not.
std::optional<std::string> read_column(const std::string& text, Column& c) {
    std::string name = lower_case(trim(text));
    c.label = std::string(trim(text));
    std::string unit;
    if (const std::size_t open = name.find('('); open != std::string::npos && name.back() == ')') {
        unit = std::string(trim(std::string_view(name).substr(open + 1, name.size() - open - 2)));
        name = std::string(trim(std::string_view(name).substr(0, open)));
    } else if (const std::size_t bracket = name.find('['); bracket != std::string::npos && name.back() == ']') {
        unit = std::string(trim(std::string_view(name).substr(bracket + 1, name.size() - bracket - 2)));
        name = std::string(trim(std::string_view(name).substr(0, bracket)));
    }
    c.unit = unit;
    if (name == "id" || name == "shot")
        c.role = ColumnRole::Id;
    else if (name == "mv" || name == "muzzle velocity")
        c.role = ColumnRole::Mv;
    else if (name == "time" || name == "date")
        c.role = ColumnRole::Time;
    else if (name == "notes" || name == "note")
        c.role = ColumnRole::Notes;
    else if (name == "marks")
        c.role = ColumnRole::Marks;
    const std::size_t at = name.find('@');
    if (at == std::string::npos) {
        if (c.role == ColumnRole::Mv && !unit.empty() && !read_unit_value("1" + unit, ValueKind::Velocity).ok())
            return "expected a velocity unit (ft/s, fps, m/s) in '" + c.label + "'";
        return std::nullopt;
    }
    const auto q = quantity_named(std::string(trim(std::string_view(name).substr(0, at))));
    if (!q) return "expected v, t, poi or drop before '@' in '" + c.label + "'";
    std::string range_text(trim(std::string_view(name).substr(at + 1)));
    std::size_t digits = 0;
    while (digits < range_text.size() && (std::isdigit(static_cast<unsigned char>(range_text[digits])) ||
                                          range_text[digits] == '.' || range_text[digits] == '-'))
        ++digits;
    const auto number = read_decimal(range_text.substr(0, digits), false);
    const auto factor = distance_unit_factor(range_text.substr(digits));
    if (!number) return "expected a range after '@' in '" + c.label + "'";
    if (!factor) return "expected the range's unit (m, yd or ft) in '" + c.label + "'";
    if (!unit.empty() && !read_unit_value("1" + unit, kind_of(*q)).ok())
        return "expected a unit of " + std::string(shot_quantity_name(*q)) + " in '" + c.label + "'";
    const float range = to_internal(*number, *factor);
    if (range == 0 && *q == ShotQuantity::Velocity) {
        c.role = ColumnRole::Mv;
        return std::nullopt;
    }
    c.role = ColumnRole::Measurement;
    c.quantity = *q;
    c.range = range;
    return std::nullopt;
}

bool ends_in_digit(std::string_view t) {
    return !t.empty() && (std::isdigit(static_cast<unsigned char>(t.back())) || t.back() == '.');
}

UnitValue read_cell(std::string text, ValueKind kind, const std::string& unit, char delimiter) {
    if (delimiter != ',' && std::count(text.begin(), text.end(), ',') == 1 && text.find('.') == std::string::npos)
        text[text.find(',')] = '.';
    if (!unit.empty() && ends_in_digit(text)) text += unit;
    UnitValue v = read_unit_value(text, kind);
    if (v.ok() && !std::isfinite(v.value)) v.error = "too large";
    return v;
}

bool skipped(std::string_view line) {
    const std::string_view t = trim(line);
    return t.empty() || t.front() == '#';
}

}  // namespace

StringRead read_string_csv(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    std::size_t header = 0;
    while (header < lines.size() && skipped(lines[header])) ++header;
    if (header == lines.size()) return refused(name, 1, "expected a header such as 'id,mv,v@10m,v@50m'");
    const char delimiter = guess_delimiter(lines[header]);
    const std::vector<std::string> names = split_fields(lines[header], delimiter);
    const int header_number = static_cast<int>(header + 1);
    std::vector<Column> columns(names.size());
    bool any_data = false;
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (auto error = read_column(names[c], columns[c])) return refused(name, header_number, *error);
        any_data = any_data || columns[c].role == ColumnRole::Mv || columns[c].role == ColumnRole::Measurement;
    }
    if (!any_data)
        return refused(name, header_number, "expected an mv column or columns named by range, such as v@10m");

    ShotString s;
    s.format = string_format_name(StringFormat::StringCsv);
    s.name = name;
    s.files = {name};
    for (const Column& c : columns) {
        if (c.role == ColumnRole::Mv) s.velocity_unit = c.unit.empty() ? "ft/s" : c.unit;
        if (c.role == ColumnRole::Measurement) {
            const std::string& l = c.label;
            const std::size_t at = l.find('@');
            std::string unit;
            for (std::size_t i = at + 1; i < l.size() && l[i] != '(' && l[i] != '['; ++i)
                if (std::isalpha(static_cast<unsigned char>(l[i])))
                    unit += static_cast<char>(std::tolower(static_cast<unsigned char>(l[i])));
            if (s.distance_unit.empty()) s.distance_unit = unit;
        }
    }
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        if (skipped(lines[i])) continue;
        const int line = static_cast<int>(i + 1);
        const std::vector<std::string> f = split_fields(lines[i], delimiter);
        if (f.size() > columns.size())
            return refused(name, line,
                           "expected at most " + std::to_string(columns.size()) + " fields as in the header, found " +
                               std::to_string(f.size()));
        StringShot shot;
        for (std::size_t c = 0; c < f.size(); ++c) {
            const Column& col = columns[c];
            const std::string& cell = f[c];
            if (cell.empty()) continue;
            switch (col.role) {
                case ColumnRole::Id: shot.id = cell; break;
                case ColumnRole::Time: shot.time = cell; break;
                case ColumnRole::Notes: shot.notes = cell; break;
                case ColumnRole::Marks: shot.marks.add(MarkKind::ExcludedInFile, cell); break;
                case ColumnRole::Mv: {
                    const UnitValue v = read_cell(cell, ValueKind::Velocity, col.unit, delimiter);
                    if (!v.ok() || v.value < 0)
                        return refused(name, line,
                                       "expected a muzzle velocity in column " + col.label + ", found '" + cell + "'");
                    if (v.value > 0) {
                        shot.MV = v.value;
                        shot.mv_kind = MvKind::Measured;
                    }
                    break;
                }
                case ColumnRole::Measurement: {
                    const UnitValue v = read_cell(cell, kind_of(col.quantity), col.unit, delimiter);
                    if (!v.ok())
                        return refused(name, line,
                                       "expected a " + std::string(shot_quantity_name(col.quantity)) + " in column " +
                                           col.label + ", found '" + cell +
                                           "': " + (v.error.empty() ? "not a number" : v.error));
                    if ((col.quantity == ShotQuantity::Velocity || col.quantity == ShotQuantity::Time) && v.value <= 0)
                        return refused(name, line,
                                       "expected a " + std::string(shot_quantity_name(col.quantity)) +
                                           " above 0 in column " + col.label + ", found '" + cell + "'");
                    Measurement m;
                    m.range = col.range;
                    m.quantity = col.quantity;
                    m.value = v.value;
                    m.label = col.label;
                    shot.measurements.push_back(m);
                    break;
                }
                case ColumnRole::Other: break;
            }
        }
        s.shots.push_back(std::move(shot));
        if (measurement_count(s) > MostStringMeasurements || s.shots.size() > MostStringMeasurements)
            return too_many(name, line);
    }
    mark_implausible(s);
    return accepted(std::move(s), name);
}

StringRead read_shots_csv(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    // Tab- or semicolon-separated shots (pasted from a spreadsheet) are read as commas.
    std::size_t header = 0;
    while (header < lines.size() && skipped(lines[header])) ++header;
    const char delimiter = header < lines.size() ? guess_delimiter(lines[header]) : ',';
    std::string text;
    for (const std::string& line : lines) {
        if (delimiter == ',') {
            text += line;
        } else {
            const std::vector<std::string> f = split_fields(line, delimiter);
            for (std::size_t k = 0; k < f.size(); ++k) {
                std::string cell = f[k];
                std::replace(cell.begin(), cell.end(), ',', '.');
                text += (k ? "," : "") + cell;
            }
        }
        text += '\n';
    }
    const ShotsText read = parse_shots_text(text);
    if (!read.errors.empty()) return refused(name, read.errors.front().line, read.errors.front().reason);
    if (read.shots.empty())
        return refused(name, static_cast<int>(lines.size()),
                       "expected a shot a line under the header range,quantity,value");
    if (read.shots.size() > MostStringMeasurements) return too_many(name, read.lines[MostStringMeasurements]);
    ShotString s;
    s.format = string_format_name(StringFormat::ShotsCsv);
    s.name = name;
    s.files = {name};
    for (std::size_t i = 0; i < read.shots.size(); ++i) {
        const Shot& shot = read.shots[i];
        StringShot one;
        one.id = "line " + std::to_string(read.lines[i]);
        Measurement m;
        m.range = shot.range;
        m.quantity = shot.quantity;
        m.value = shot.value;
        m.uncertainty = shot.uncertainty;
        one.measurements.push_back(m);
        s.shots.push_back(std::move(one));
    }
    return accepted(std::move(s), name);
}

StringRead read_pasted_text(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const auto format = detect_format(bytes);
    if (!format || *format == StringFormat::XeroFit || *format == StringFormat::XeroSheet) {
        std::string tried;
        for (int f = 0; f < StringFormatCount; ++f) {
            const auto sf = static_cast<StringFormat>(f);
            if (sf == StringFormat::XeroFit || sf == StringFormat::XeroSheet || sf == StringFormat::Paste) continue;
            tried += (tried.empty() ? "" : ", ") + std::string(string_format_description(sf));
        }
        return refused(name, 0, "text in one of these forms: " + tried);
    }
    return read_string_bytes(bytes, name, format);
}

}  // namespace velora
