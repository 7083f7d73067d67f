// The JSON form of a shot string (schema 1) and its CSV form: written here, and read back.
//
//   {"schema": 1,
//    "source": {"format", "name", "files", "device", "title", "notes"},
//    "units": {"velocity", "distance"}          the units the source stated
//    "values_in": {"velocity": "ft/s", "range": "yd", "time": "s", "length": "in"},
//    "projectile": {"weight_gr", "description", "as": "set on the device"},
//    "stated": [{"name", "value" (ft/s or null), "text"}],
//    "shots": [{"id", "time", "notes", "MV" (ft/s or null), "MV_kind", "marks", "overridden",
//               "measurements": [{"range", "quantity", "value", "uncertainty", "weight", "label",
//                                 "marks", "overridden"}],
//               "track": [{"t", "v", "range", "snr", "weight", "marks", "overridden"}]}]}
//
// "marks" holds the reasons an item is set aside and is empty when it is used; an item the user
// took back in despite the reader's marks keeps them under "overridden" instead.
#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "services/readers/reader_support.h"

namespace velora {

namespace {

std::string number(float v) {
    if (!std::isfinite(v)) return "null";
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string("null");
}

std::string number(const std::optional<float>& v) { return v ? number(*v) : "null"; }

std::string json_quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Invalid UTF-8 would make the JSON unreadable: such bytes are written as U+FFFD.
std::string valid_utf8(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = n > 0 && i + n <= text.size();
        for (std::size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::string text(std::string_view t) { return json_quoted(valid_utf8(t)); }

std::string marks_members(const Marks& m) {
    std::string reasons, kinds;
    for (const Mark& mark : m.marks) {
        reasons += (reasons.empty() ? "" : ",") + std::string("{\"kind\":") + text(mark_kind_name(mark.kind)) +
                   ",\"reason\":" + text(mark.reason) + "}";
    }
    if (m.overridden) return "\"marks\":[],\"overridden\":[" + reasons + "]";
    return "\"marks\":[" + reasons + "]";
}

}  // namespace

std::string string_json(const ShotString& s) {
    std::string out = "{\n  \"schema\": 1,\n";
    out += "  \"source\": {\"format\": " + text(s.format) + ", \"name\": " + text(s.name) + ", \"files\": [";
    for (std::size_t i = 0; i < s.files.size(); ++i) out += (i ? ", " : "") + text(s.files[i]);
    out += "], \"device\": " + text(s.device) + ", \"title\": " + text(s.title) + ", \"notes\": [";
    for (std::size_t i = 0; i < s.notes.size(); ++i) out += (i ? ", " : "") + text(s.notes[i]);
    out += "]},\n";
    out += "  \"units\": {\"velocity\": " + text(s.velocity_unit) + ", \"distance\": " + text(s.distance_unit) + "},\n";
    out += "  \"values_in\": {\"velocity\": \"ft/s\", \"range\": \"yd\", \"time\": \"s\", \"length\": \"in\"},\n";
    out += "  \"projectile\": {\"weight_gr\": " + number(s.projectile.weight_gr) +
           ", \"description\": " + text(s.projectile.description) + ", \"as\": \"set on the device\"},\n";
    out += "  \"stated\": [";
    for (std::size_t i = 0; i < s.stated.size(); ++i) {
        const StatedFigure& f = s.stated[i];
        out += std::string(i ? ", " : "") + "{\"name\": " + text(f.name) + ", \"value\": " + number(f.value) +
               ", \"text\": " + text(f.text) + "}";
    }
    out += "],\n  \"shots\": [";
    for (std::size_t i = 0; i < s.shots.size(); ++i) {
        const StringShot& shot = s.shots[i];
        out += std::string(i ? "," : "") + "\n    {\"id\": " + text(shot.id) + ", \"time\": " + text(shot.time) +
               ", \"notes\": " + text(shot.notes) + ", \"MV\": " + number(shot.MV) +
               ", \"MV_kind\": " + text(mv_kind_name(shot.mv_kind)) + ", " + marks_members(shot.marks) +
               ",\n     \"measurements\": [";
        for (std::size_t k = 0; k < shot.measurements.size(); ++k) {
            const Measurement& m = shot.measurements[k];
            out += std::string(k ? "," : "") + "\n       {\"range\": " + number(m.range) +
                   ", \"quantity\": " + text(shot_quantity_name(m.quantity)) + ", \"value\": " + number(m.value) +
                   ", \"uncertainty\": " + number(m.uncertainty) + ", \"weight\": " + number(m.weight) +
                   ", \"label\": " + text(m.label) + ", " + marks_members(m.marks) + "}";
        }
        out += std::string(shot.measurements.empty() ? "" : "\n     ") + "],\n     \"track\": [";
        for (std::size_t k = 0; k < shot.track.size(); ++k) {
            const TrackSample& t = shot.track[k];
            out += std::string(k ? "," : "") + "\n       {\"t\": " + number(t.time) + ", \"v\": " + number(t.velocity) +
                   ", \"range\": " + number(t.range) + ", \"snr\": " + number(t.snr) +
                   ", \"weight\": " + number(t.weight) + ", " + marks_members(t.marks) + "}";
        }
        out += std::string(shot.track.empty() ? "" : "\n     ") + "]}";
    }
    out += std::string(s.shots.empty() ? "" : "\n  ") + "]\n}\n";
    return out;
}

namespace {

using nlohmann::json;

// Reading: each member checked for its type; a wrong one refuses the file.
struct JsonReader {
    std::string failure;

    std::string string_of(const json& o, const char* key) {
        const auto it = o.find(key);
        if (it == o.end() || it->is_null()) return {};
        if (!it->is_string()) {
            fail(std::string("\"") + key + "\" to be a text");
            return {};
        }
        return it->get<std::string>();
    }
    std::optional<float> number_of(const json& o, const char* key, bool required = false) {
        const auto it = o.find(key);
        if (it == o.end() || it->is_null()) {
            if (required) fail(std::string("\"") + key + "\" to be a number");
            return std::nullopt;
        }
        if (!it->is_number()) {
            fail(std::string("\"") + key + "\" to be a number");
            return std::nullopt;
        }
        const double v = it->get<double>();
        const float f = static_cast<float>(v);
        if (!std::isfinite(v) || !std::isfinite(f)) {
            fail(std::string("\"") + key + "\" to be a finite 32-bit number");
            return std::nullopt;
        }
        return f;
    }
    const json* array_of(const json& o, const char* key) {
        const auto it = o.find(key);
        if (it == o.end() || it->is_null()) return nullptr;
        if (!it->is_array()) {
            fail(std::string("\"") + key + "\" to be an array");
            return nullptr;
        }
        return &*it;
    }
    Marks marks_of(const json& o) {
        Marks m;
        for (const char* key : {"marks", "overridden"}) {
            const json* list = array_of(o, key);
            if (!list) continue;
            for (const json& item : *list) {
                if (!item.is_object()) {
                    fail(std::string("the items of \"") + key + "\" to be objects");
                    return m;
                }
                const auto kind = mark_kind_named(string_of(item, "kind"));
                m.marks.push_back({kind.value_or(MarkKind::ExcludedInFile), string_of(item, "reason")});
                if (std::string(key) == "overridden") m.overridden = true;
            }
        }
        return m;
    }
    void fail(std::string what) {
        if (failure.empty()) failure = std::move(what);
    }
};

}  // namespace

StringRead read_string_json(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    std::string text;
    for (const std::string& line : text_lines(bytes)) text += line + "\n";
    if (json_nesting(text) > 16) return refused(name, 0, "objects and arrays nested at most 16 deep");
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        int line = 1;
        for (std::size_t i = 0; i < e.byte && i < text.size(); ++i) line += text[i] == '\n';
        return refused(name, line, "JSON: " + std::string(e.what()).substr(std::string(e.what()).find(':') + 1));
    } catch (const json::exception& e) {
        // A number too large for any type, and the like.
        return refused(name, 0, "JSON: " + std::string(e.what()).substr(std::string(e.what()).find(']') + 2));
    }
    if (!doc.is_object()) return refused(name, 1, "a JSON object with \"schema\": 1");
    const auto schema = doc.find("schema");
    if (schema == doc.end() || !schema->is_number_integer() || schema->get<long long>() != 1)
        return refused(name, 1, "\"schema\": 1");
    JsonReader r;
    ShotString s;
    s.format = string_format_name(StringFormat::VeloraJson);
    s.name = name;
    s.files = {name};
    if (const auto src = doc.find("source"); src != doc.end() && src->is_object()) {
        const std::string format = r.string_of(*src, "format");
        if (!format.empty()) s.format = format;
        s.device = r.string_of(*src, "device");
        s.title = r.string_of(*src, "title");
        const std::string source_name = r.string_of(*src, "name");
        if (!source_name.empty()) s.name = source_name;
        if (const json* files = r.array_of(*src, "files")) {
            s.files.clear();
            for (const json& f : *files)
                if (f.is_string()) s.files.push_back(f.get<std::string>());
        }
        if (const json* notes = r.array_of(*src, "notes"))
            for (const json& n : *notes)
                if (n.is_string()) s.notes.push_back(n.get<std::string>());
    }
    if (const auto units = doc.find("units"); units != doc.end() && units->is_object()) {
        s.velocity_unit = r.string_of(*units, "velocity");
        s.distance_unit = r.string_of(*units, "distance");
    }
    if (const auto p = doc.find("projectile"); p != doc.end() && p->is_object()) {
        s.projectile.weight_gr = r.number_of(*p, "weight_gr");
        s.projectile.description = r.string_of(*p, "description");
    }
    if (const json* stated = r.array_of(doc, "stated")) {
        for (const json& f : *stated)
            if (f.is_object())
                s.stated.push_back({r.string_of(f, "name"), r.number_of(f, "value"), r.string_of(f, "text")});
    }
    const json* shots = r.array_of(doc, "shots");
    if (!shots) return refused(name, 1, r.failure.empty() ? "a \"shots\" array" : r.failure);
    std::size_t count = 0;
    for (const json& item : *shots) {
        if (!item.is_object()) return refused(name, 0, "each of \"shots\" to be an object");
        StringShot shot;
        shot.id = r.string_of(item, "id");
        shot.time = r.string_of(item, "time");
        shot.notes = r.string_of(item, "notes");
        shot.MV = r.number_of(item, "MV");
        shot.mv_kind =
            mv_kind_named(r.string_of(item, "MV_kind")).value_or(shot.MV ? MvKind::Measured : MvKind::Unknown);
        if (!shot.MV) shot.mv_kind = MvKind::Unknown;
        if (shot.MV && *shot.MV <= 0) r.fail("\"MV\" above 0 or null");
        shot.marks = r.marks_of(item);
        if (const json* ms = r.array_of(item, "measurements")) {
            for (const json& mj : *ms) {
                if (!mj.is_object()) return refused(name, 0, "each of \"measurements\" to be an object");
                Measurement m;
                m.range = r.number_of(mj, "range", true).value_or(0);
                const auto q = shot_quantity_named(r.string_of(mj, "quantity"));
                if (!q) r.fail("\"quantity\" to be velocity, time, poi or drop");
                m.quantity = q.value_or(ShotQuantity::Velocity);
                m.value = r.number_of(mj, "value", true).value_or(0);
                m.uncertainty = r.number_of(mj, "uncertainty");
                m.weight = r.number_of(mj, "weight");
                m.label = r.string_of(mj, "label");
                m.marks = r.marks_of(mj);
                shot.measurements.push_back(std::move(m));
                if (++count > MostStringMeasurements) return too_many(name, 0);
            }
        }
        if (const json* ts = r.array_of(item, "track")) {
            for (const json& tj : *ts) {
                if (!tj.is_object()) return refused(name, 0, "each of \"track\" to be an object");
                TrackSample t;
                t.time = r.number_of(tj, "t", true).value_or(0);
                t.velocity = r.number_of(tj, "v", true).value_or(0);
                t.range = r.number_of(tj, "range", true).value_or(0);
                t.snr = r.number_of(tj, "snr");
                t.weight = r.number_of(tj, "weight").value_or(0);
                t.marks = r.marks_of(tj);
                shot.track.push_back(std::move(t));
                if (++count > MostStringMeasurements) return too_many(name, 0);
            }
        }
        if (!r.failure.empty()) return refused(name, 0, r.failure + " in shot " + std::to_string(s.shots.size() + 1));
        s.shots.push_back(std::move(shot));
    }
    if (!r.failure.empty()) return refused(name, 0, r.failure);
    return accepted(std::move(s), name);
}

std::string string_csv(const ShotString& s) {
    // One column per measurement of the first shot that has it, in the order first met.
    struct Key {
        ShotQuantity quantity;
        float range;
    };
    std::vector<Key> keys;
    for (const StringShot& shot : s.shots)
        for (const Measurement& m : shot.measurements) {
            bool known = false;
            for (const Key& k : keys) known = known || (k.quantity == m.quantity && k.range == m.range);
            if (!known) keys.push_back({m.quantity, m.range});
        }
    static const char* const short_names[] = {"v", "t", "poi", "drop"};
    const auto cell = [](std::string t) {
        if (t.find_first_of(",\"\n\r") == std::string::npos) return t;
        std::string out = "\"";
        for (const char c : t) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    };
    std::string out = "id,time,mv";
    for (const Key& k : keys)
        out += std::string(",") + short_names[static_cast<int>(k.quantity)] + "@" + number(k.range) + "yd";
    out += ",marks\n";
    for (const StringShot& shot : s.shots) {
        out += cell(shot.id) + "," + cell(shot.time) + "," + (shot.MV ? number(*shot.MV) : "");
        for (const Key& k : keys) {
            out += ",";
            for (const Measurement& m : shot.measurements)
                if (m.quantity == k.quantity && m.range == k.range && m.marks.used()) {
                    out += number(m.value);
                    break;
                }
        }
        out += "," + cell(shot.marks.used() ? std::string() : shot.marks.reasons()) + "\n";
    }
    return out;
}

}  // namespace velora
