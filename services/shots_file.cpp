#include "services/shots_file.h"

#include <charconv>
#include <cmath>

#include "engine/unit_value.h"
#include "services/text_encoding.h"

namespace velora {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string lower_case(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

ValueKind value_kind(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return ValueKind::Velocity;
        case ShotQuantity::Time: return ValueKind::Time;
        default: return ValueKind::SmallLength;
    }
}

std::string number_text(float value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

ShotsText parse_shots_text(std::string_view bytes) {
    ShotsText out;
    // A spreadsheet or an editor may have saved it as UTF-16, with its byte-order mark.
    const std::optional<std::string> converted = utf8_of_marked_utf16(bytes);
    std::string_view text = converted ? std::string_view(*converted) : bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t columns = 0;  // of the header; 0 until it is read
    int number = 0;
    for (const std::string_view whole : split_lines(text)) {
        const std::string_view line = trim(whole);
        ++number;
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> fields = split(line);
        const auto error = [&](std::string reason) { out.errors.push_back({number, std::move(reason)}); };

        if (columns == 0) {
            std::string header;
            for (std::string_view f : fields) header += (header.empty() ? "" : ",") + lower_case(f);
            if (header != "range,quantity,value" && header != ShotsHeader) {
                error("the header must be range,quantity,value with an optional uncertainty column");
                return out;
            }
            columns = fields.size();
            continue;
        }
        if (fields.size() != columns && !(columns == 4 && fields.size() == 3)) {
            error(std::to_string(fields.size()) + " columns where the header has " + std::to_string(columns));
            continue;
        }
        const auto quantity = shot_quantity_named(lower_case(fields[1]));
        if (!quantity) {
            error("unknown quantity '" + std::string(fields[1]) + "' (velocity, time, poi or drop)");
            continue;
        }
        const UnitValue range = read_unit_value(fields[0], ValueKind::Range);
        if (!range.ok()) {
            error("range '" + std::string(fields[0]) + "': " + range.error);
            continue;
        }
        const UnitValue value = read_unit_value(fields[2], value_kind(*quantity));
        if (!value.ok()) {
            error("value '" + std::string(fields[2]) + "': " + value.error);
            continue;
        }
        Shot shot{range.value, *quantity, value.value, std::nullopt};
        if (fields.size() == 4 && !fields[3].empty()) {
            const std::string_view given = fields[3];
            const bool percent = given.back() == '%';
            const UnitValue u =
                percent ? read_unit_value(given, ValueKind::Percent) : read_unit_value(given, value_kind(*quantity));
            if (!u.ok()) {
                error("uncertainty '" + std::string(given) + "': " + u.error);
                continue;
            }
            shot.uncertainty = percent ? u.value / 100.0f * std::fabs(shot.value) : u.value;
        }
        out.shots.push_back(shot);
        out.lines.push_back(number);
    }
    if (columns == 0) out.errors.push_back({number == 0 ? 1 : number, "the header range,quantity,value is missing"});
    return out;
}

std::string shots_text(const std::vector<Shot>& shots) {
    std::string text = std::string(ShotsHeader) + "\n";
    for (const Shot& shot : shots) {
        text += number_text(shot.range) + "," + shot_quantity_name(shot.quantity) + "," + number_text(shot.value) + ",";
        if (shot.uncertainty) text += number_text(*shot.uncertainty);
        text += "\n";
    }
    return text;
}

std::string shots_file_path(const CalcState& s) { return s.PrefsFolder + ShotsFileName; }

}  // namespace velora
