// LabRadar: the SD card's series report and track files, and the app's export of a series.
//
// The report: a "sep=;" line, key;value lines (device, series, units, stats) padded with NULs and
// blanks to fixed-width records, then "Shot ID;V0;V10;…;Ke0;…;PF10;Proj. Weight;Date;Time" and one
// line a shot. Excel re-saves are comma-separated without the sep line and may carry a free-text
// line. A gate is "V" and its distance in the stated distance unit; V0 is the device's muzzle
// velocity, extrapolated back from its track. The device writes 0 where it lost the projectile and
// repeats the last gate's value in the gates after it.
//
// A track: "Time (s);Vel (fps);Dist (m);SNR" and one line a sample; its first line (time 0,
// distance 0, no SNR) is the device's back-extrapolated muzzle velocity.
#include <algorithm>
#include <cmath>
#include <map>

#include "services/readers/reader_support.h"

namespace velora {

namespace {

struct Header {
    char delimiter = ';';
    std::size_t first = 0;  // the first line after the "sep=" line
};

Header header_of(const std::vector<std::string>& lines) {
    Header h;
    if (!lines.empty() && starts_with_no_case(trim(lines[0]), "sep=") && trim(lines[0]).size() >= 5) {
        h.delimiter = trim(lines[0])[4];
        h.first = 1;
        return h;
    }
    for (const std::string& line : lines) {
        const std::string_view t = trim(line);
        if (starts_with_no_case(t, "shot id") || starts_with_no_case(t, "time (s)") ||
            starts_with_no_case(t, "device id")) {
            h.delimiter = guess_delimiter(t);
            return h;
        }
    }
    return h;
}

struct Gate {
    std::size_t column = 0;
    std::string label;
    float distance = 0;  // yd
    double file_distance = 0;
};

std::string gate_number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    std::string s = buffer;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

StringRead read_labradar_report(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    const Header h = header_of(lines);
    ShotString s;
    s.format = string_format_name(StringFormat::LabRadar);
    s.name = name;
    s.files = {name};
    std::optional<float> velocity_factor, distance_factor;
    std::string weight_unit = "grain";
    std::size_t header_line = lines.size();
    std::optional<long> stated_count;

    for (std::size_t i = h.first; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], h.delimiter);
        if (f.empty() || (f.size() == 1 && f[0].empty())) continue;
        const std::string key = lower_case(f[0]);
        const std::string value = f.size() > 1 ? f[1] : std::string();
        const int line = static_cast<int>(i + 1);
        if (key == "shot id") {
            header_line = i;
            break;
        }
        if (key == "device id") {
            s.device = value;
        } else if (key == "series no") {
            s.title = "Series " + value;
        } else if (key == "total number of shots") {
            if (const auto n = read_decimal(value)) stated_count = std::lround(*n);
            s.stated.push_back({f[0], std::nullopt, value});
        } else if (key == "units velocity") {
            velocity_factor = velocity_unit_factor(value);
            if (!velocity_factor)
                return refused(name, line, "expected a velocity unit (fps or m/s), found '" + value + "'");
            s.velocity_unit = value;
        } else if (key == "units distances") {
            distance_factor = distance_unit_factor(value);
            if (!distance_factor)
                return refused(name, line, "expected a distance unit (m, yd or ft), found '" + value + "'");
            s.distance_unit = value;
        } else if (key == "units weight") {
            weight_unit = lower_case(value);
        } else if (starts_with_no_case(key, "stats")) {
            StatedFigure figure{f[0], std::nullopt, value};
            const auto v = read_decimal(value, false);
            if (v && velocity_factor) figure.value = to_internal(*v, *velocity_factor);
            s.stated.push_back(figure);
        } else if (key.rfind("units", 0) != 0) {
            // A free-text line of a re-save ("Grey Birch,Eley Force").
            std::string text;
            for (const std::string& part : f)
                if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
            if (!text.empty()) s.notes.push_back("Line " + std::to_string(line) + ": " + text);
        }
    }
    if (header_line == lines.size())
        return refused(name, static_cast<int>(lines.size()), "expected the line 'Shot ID;V0;V10;…'");
    const int header_number = static_cast<int>(header_line + 1);
    if (!velocity_factor)
        return refused(name, header_number,
                       "expected 'Units velocity' before the shots: the file states no velocity unit");
    if (!distance_factor)
        return refused(name, header_number,
                       "expected 'Units distances' before the shots: the file states no distance unit");

    const std::vector<std::string> columns = split_fields(lines[header_line], h.delimiter);
    std::vector<Gate> gates;
    std::optional<std::size_t> weight_column, date_column, time_column;
    for (std::size_t c = 1; c < columns.size(); ++c) {
        const std::string& col = columns[c];
        const std::string low = lower_case(col);
        if (col.size() > 1 && (col[0] == 'V' || col[0] == 'v')) {
            const auto d = read_decimal(std::string_view(col).substr(1), false);
            if (!d || *d < 0)
                return refused(name, header_number, "expected a gate distance after 'V', found '" + col + "'");
            gates.push_back({c, col, to_internal(*d, *distance_factor), *d});
        } else if (low.rfind("proj", 0) == 0) {
            weight_column = c;
        } else if (low == "date") {
            date_column = c;
        } else if (low == "time") {
            time_column = c;
        }
    }
    if (gates.empty()) return refused(name, header_number, "expected gate columns V0, V10, … in the line 'Shot ID;…'");

    for (std::size_t i = header_line + 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], h.delimiter);
        const int line = static_cast<int>(i + 1);
        const bool blank = std::all_of(f.begin(), f.end(), [](const std::string& x) { return x.empty(); });
        if (blank) continue;
        if (f.size() <= gates.back().column)
            return refused(name, line,
                           "expected " + std::to_string(gates.back().column + 1) + " fields as in line " +
                               std::to_string(header_number) + ", found " + std::to_string(f.size()));
        StringShot shot;
        shot.id = f[0];
        std::optional<double> previous;
        std::string previous_label;
        double previous_distance = -1;
        for (const Gate& g : gates) {
            const std::string& text = f[g.column];
            const bool nan = lower_case(text) == "nan";
            const auto v = nan ? std::optional<double>(0.0) : read_decimal(text, false);
            if (!v || *v < 0)
                return refused(name, line, "expected a velocity in column " + g.label + ", found '" + text + "'");
            const float value = to_internal(*v, *velocity_factor);
            if (g.file_distance == 0 && g.column == gates.front().column) {
                if (*v > 0) {
                    shot.MV = value;
                    shot.mv_kind = MvKind::Extrapolated;
                } else {
                    shot.marks.add(MarkKind::LostTrack,
                                   "lost track: the device wrote " + text + " for the muzzle velocity");
                }
                previous = *v;
                previous_distance = 0;
                continue;
            }
            Measurement m;
            m.range = g.distance;
            m.quantity = ShotQuantity::Velocity;
            m.value = value;
            m.label = g.label;
            if (*v == 0) {
                m.marks.add(MarkKind::LostTrack, "lost track: the device wrote " + text);
            } else if (g.file_distance == previous_distance) {
                m.marks.add(MarkKind::RepeatedGate,
                            "repeats the gate before it (" + previous_label + ", the same distance)");
            } else if (previous && *previous == *v) {
                m.marks.add(MarkKind::RepeatedGate, "repeats the value of the gate before it (" + previous_label + ")");
            }
            previous = *v;
            previous_label = g.label;
            previous_distance = g.file_distance;
            shot.measurements.push_back(m);
        }
        if (date_column && *date_column < f.size()) shot.time = f[*date_column];
        if (time_column && *time_column < f.size()) shot.time += (shot.time.empty() ? "" : " ") + f[*time_column];
        if (weight_column && *weight_column < f.size() && !s.projectile.weight_gr) {
            if (const auto w = read_decimal(f[*weight_column], false); w && *w > 0) {
                const bool grams = weight_unit.find("gram") != std::string::npos || weight_unit == "g";
                s.projectile.weight_gr = static_cast<float>(grams ? *w * 15.4323584 : *w);
            }
        }
        s.shots.push_back(std::move(shot));
        if (measurement_count(s) > MostStringMeasurements) return too_many(name, line);
    }
    if (stated_count && *stated_count != static_cast<long>(s.shots.size()))
        s.notes.push_back("The file states " + std::to_string(*stated_count) + " shots and lists " +
                          std::to_string(s.shots.size()) + ".");
    mark_implausible(s);
    return accepted(std::move(s), name);
}

StringRead read_labradar_track(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    const Header h = header_of(lines);
    ShotString s;
    s.format = string_format_name(StringFormat::LabRadarTrack);
    s.name = name;
    s.files = {name};
    StringShot shot;
    std::size_t header_line = lines.size();
    for (std::size_t i = h.first; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], h.delimiter);
        if (f.empty()) continue;
        const std::string key = lower_case(f[0]);
        const std::string value = f.size() > 1 ? f[1] : std::string();
        if (key == "device id") s.device = value;
        if (key == "series no") s.title = "Series " + value;
        if (key == "shot no") shot.id = value;
        if (key.rfind("time", 0) == 0) {
            header_line = i;
            break;
        }
    }
    if (header_line == lines.size())
        return refused(name, static_cast<int>(lines.size()), "expected the line 'Time (s);Vel (fps);Dist (m);SNR'");
    const int header_number = static_cast<int>(header_line + 1);
    const std::vector<std::string> columns = split_fields(lines[header_line], h.delimiter);
    if (columns.size() < 3)
        return refused(name, header_number, "expected the columns 'Time (s);Vel (fps);Dist (m);SNR'");
    const std::string time_unit = lower_case(unit_in_parentheses(columns[0]));
    const auto velocity_factor = velocity_unit_factor(unit_in_parentheses(columns[1]));
    const auto distance_factor = distance_unit_factor(unit_in_parentheses(columns[2]));
    if (time_unit != "s" && time_unit != "ms")
        return refused(name, header_number, "expected the time's unit (s or ms) in '" + columns[0] + "'");
    if (!velocity_factor)
        return refused(name, header_number, "expected the velocity's unit (fps or m/s) in '" + columns[1] + "'");
    if (!distance_factor)
        return refused(name, header_number, "expected the distance's unit (m, yd or ft) in '" + columns[2] + "'");
    s.velocity_unit = unit_in_parentheses(columns[1]);
    s.distance_unit = unit_in_parentheses(columns[2]);
    const double time_scale = time_unit == "ms" ? 0.001 : 1.0;

    for (std::size_t i = header_line + 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = split_fields(lines[i], h.delimiter);
        const int line = static_cast<int>(i + 1);
        if (std::all_of(f.begin(), f.end(), [](const std::string& x) { return x.empty(); })) continue;
        if (f.size() < 3)
            return refused(name, line,
                           "expected time, velocity and distance, found " + std::to_string(f.size()) + " fields");
        const auto t = read_decimal(f[0], false);
        const auto d = read_decimal(f[2], false);
        const bool nan = lower_case(f[1]) == "nan";
        const auto v = nan ? std::optional<double>(0.0) : read_decimal(f[1], false);
        if (!t || *t < 0) return refused(name, line, "expected a time, found '" + f[0] + "'");
        if (!v || *v < 0) return refused(name, line, "expected a velocity or nan, found '" + f[1] + "'");
        if (!d || *d < 0) return refused(name, line, "expected a distance, found '" + f[2] + "'");
        TrackSample sample;
        sample.time = static_cast<float>(*t * time_scale);
        sample.velocity = to_internal(*v, *velocity_factor);
        sample.range = to_internal(*d, *distance_factor);
        if (f.size() > 3) {
            if (const auto snr = read_decimal(f[3], false)) {
                sample.snr = static_cast<float>(*snr);
                sample.weight = std::max(0.0f, sample.snr.value());
            }
        }
        if (nan || *v == 0) sample.marks.add(MarkKind::LostTrack, "lost track: the device wrote " + f[1]);
        if (shot.track.empty() && *t == 0 && *d == 0) {
            sample.marks.add(MarkKind::BackExtrapolated, "the device's back-extrapolated first row, not a measurement");
            if (*v > 0) {
                shot.MV = sample.velocity;
                shot.mv_kind = MvKind::Extrapolated;
            }
        }
        shot.track.push_back(sample);
        if (shot.track.size() > MostStringMeasurements) return too_many(name, line);
    }
    if (!shot.MV) shot.marks.add(MarkKind::LostTrack, "lost track: the track has no muzzle velocity");
    s.shots.push_back(std::move(shot));
    mark_implausible(s);
    return accepted(std::move(s), name);
}

namespace {

// Where the tracks put a gate: for each shot whose track passes the gate by 3 units or more, the
// distance at which a straight line through the track's samples within 3 units of the label (three
// or more on each side) reaches the gate's value; the median of these over the shots.
struct GatePlace {
    double distance = 0;  // in the file's unit
    int shots = 0;
};

std::optional<GatePlace> gate_from_tracks(const ShotString& s, std::size_t gate, double label, float factor) {
    std::vector<double> places;
    for (const StringShot& shot : s.shots) {
        if (gate >= shot.measurements.size() || shot.track.empty()) continue;
        const Measurement& m = shot.measurements[gate];
        if (!m.marks.marks.empty()) continue;
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        int before = 0, after = 0;
        double farthest = 0;
        for (const TrackSample& t : shot.track) {
            if (!t.marks.marks.empty()) continue;
            const double x = static_cast<double>(t.range) * factor;  // back in the file's unit
            farthest = std::max(farthest, x);
            if (std::fabs(x - label) > 3) continue;
            before += x < label;
            after += x > label;
            n += 1;
            sx += x;
            sy += t.velocity;
            sxx += x * x;
            sxy += x * t.velocity;
        }
        const double det = n * sxx - sx * sx;
        if (before < 3 || after < 3 || farthest < label + 3 || det <= 0) continue;
        const double slope = (n * sxy - sx * sy) / det;
        const double intercept = (sy - slope * sx) / n;
        if (slope >= 0) continue;  // the projectile slows down
        const double x = (m.value - intercept) / slope;
        if (std::isfinite(x)) places.push_back(x);
    }
    if (places.size() < 3) return std::nullopt;
    std::sort(places.begin(), places.end());
    const std::size_t mid = places.size() / 2;
    const double median = places.size() % 2 ? places[mid] : (places[mid - 1] + places[mid]) / 2;
    return GatePlace{median, static_cast<int>(places.size())};
}

}  // namespace

StringRead read_labradar_series(const std::vector<InputFile>& files, const std::string& name) {
    std::optional<ShotString> report;
    std::vector<std::pair<std::string, ShotString>> tracks;
    std::size_t total = 0;
    for (const InputFile& file : files) {
        total += file.bytes.size();
        if (total > LargestStringInput) return refused(name, 0, "at most 64 MiB in all its files");
        const auto format = detect_format(file.bytes);
        if (format == StringFormat::LabRadar) {
            if (report)
                return refused(name, 0, "one series report, found " + report->files.front() + " and " + file.path);
            StringRead read = read_labradar_report(file.bytes, file.path);
            if (!read.ok()) return read;
            report = std::move(read.string);
        } else if (format == StringFormat::LabRadarTrack) {
            StringRead read = read_labradar_track(file.bytes, file.path);
            if (!read.ok()) return read;
            tracks.emplace_back(file.path, std::move(*read.string));
        }
    }
    if (!report && tracks.empty()) return refused(name, 0, "a LabRadar series report or track files");
    ShotString s;
    if (report) {
        s = std::move(*report);
    } else {
        s.format = string_format_name(StringFormat::LabRadar);
        s.device = tracks.front().second.device;
        s.title = tracks.front().second.title;
        s.velocity_unit = tracks.front().second.velocity_unit;
        s.distance_unit = tracks.front().second.distance_unit;
    }
    s.name = name;
    // Each track to the shot of its number, as the track file itself numbers it.
    const auto number = [](const std::string& id) -> long {
        const auto v = read_decimal(id, false);
        return v && *v >= 0 && *v < 1e9 ? std::lround(*v) : -1;
    };
    std::map<long, std::size_t> shot_of;
    for (std::size_t i = 0; i < s.shots.size(); ++i) shot_of.emplace(number(s.shots[i].id), i);
    std::sort(tracks.begin(), tracks.end(), [&](const auto& a, const auto& b) {
        return number(a.second.shots.front().id) < number(b.second.shots.front().id);
    });
    for (auto& [path, track] : tracks) {
        s.files.push_back(path);
        StringShot& from = track.shots.front();
        const auto found = shot_of.find(number(from.id));
        if (found == shot_of.end() || number(from.id) < 0) {
            s.notes.push_back(path + ": a track without a line in the report, kept as a shot of its own.");
            s.shots.push_back(std::move(from));
            continue;
        }
        StringShot& shot = s.shots[found->second];
        if (!shot.track.empty()) {
            s.notes.push_back(path + ": a second track of shot " + shot.id + ", kept as a shot of its own.");
            s.shots.push_back(std::move(from));
            continue;
        }
        shot.track = std::move(from.track);
        // The report rounds the muzzle velocity to whole units; the track's first row has it finer.
        const float unit = velocity_unit_factor(s.velocity_unit).value_or(1.0f);
        if (shot.MV && from.MV && std::fabs(*shot.MV - *from.MV) <= 0.5f / unit + 0.01f) shot.MV = from.MV;
    }
    if (measurement_count(s) > MostStringMeasurements) return too_many(name, 0);

    // The gates stand at their labelled distances (the device keeps them as whole units). Where the
    // tracks are present they tell where they put each gate, as a check of the labels.
    const std::optional<float> factor = distance_unit_factor(s.distance_unit);
    if (report && factor && !s.shots.empty()) {
        const StringShot* model = nullptr;
        for (const StringShot& shot : s.shots)
            if (!shot.measurements.empty()) model = &shot;
        const std::size_t gates = model ? model->measurements.size() : 0;
        for (std::size_t g = 0; g < gates; ++g) {
            const std::string label = model->measurements[g].label;
            const auto labelled = read_decimal(std::string_view(label).substr(1), false);
            if (!labelled) continue;
            const auto place = gate_from_tracks(s, g, *labelled, *factor);
            if (!place) continue;
            s.notes.push_back("The tracks of " + std::to_string(place->shots) + " shots put gate " + label + " at " +
                              gate_number(place->distance) + " " + s.distance_unit +
                              (std::fabs(place->distance - *labelled) <= 0.5 ? "." : ", beyond its label's rounding."));
        }
    }
    // A gate beyond the end of its shot's track is the device's extrapolation.
    for (StringShot& shot : s.shots) {
        float last = -1;
        for (const TrackSample& t : shot.track)
            if (t.marks.marks.empty()) last = std::max(last, t.range);
        if (last < 0) continue;
        for (Measurement& m : shot.measurements) {
            if (m.marks.marks.empty() && m.range > last + 0.5f)
                m.marks.add(MarkKind::BeyondFlight, "beyond the end of the shot's radar track");
        }
    }
    for (const StringShot& shot : s.shots)
        if (report && shot.track.empty() && !tracks.empty())
            s.notes.push_back("Shot " + shot.id + " has no track file.");
    mark_implausible(s);
    return accepted(std::move(s), name);
}

}  // namespace velora
