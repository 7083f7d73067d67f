// MagnetoSpeed V3 text with several series, built to the layout of a sample that is not byte-exact
// (only its layout is known, not every byte of a device's file):
//
//   Series,37, Shots:, 3
//   Min, 840, Max, 844
//   Avg, 842 ,S-D, 2.0
//   ES ,   4
//
//   Series,Shot,Speed
//   37, 1,  840, m/s
//   ----,----,----,----
//
// Every series of the file goes into the one string; a shot's id is "series-shot". Each speed
// line names its unit; a line without one is refused.
#include <algorithm>

#include "services/readers/reader_support.h"

namespace velora {

StringRead read_magnetospeed(std::string_view bytes, const std::string& name) {
    if (bytes.size() > LargestStringInput) return refused(name, 0, "at most 64 MiB");
    const std::vector<std::string> lines = text_lines(bytes);
    ShotString s;
    s.format = string_format_name(StringFormat::MagnetoSpeed);
    s.name = name;
    s.files = {name};
    s.device = "MagnetoSpeed V3";
    std::string series;
    std::vector<StatedFigure> pending;  // a series' figures, converted once its speeds give the unit
    std::optional<float> factor;
    bool in_speeds = false;
    const auto flush = [&] {
        for (StatedFigure& f : pending) {
            if (factor && f.name.find("Shots") == std::string::npos)
                if (const auto v = read_decimal(f.text, false)) f.value = to_internal(*v, *factor);
            s.stated.push_back(f);
        }
        pending.clear();
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i + 1);
        const std::vector<std::string> f = split_fields(lines[i], ',');
        if (f.empty() || std::all_of(f.begin(), f.end(), [](const std::string& x) { return x.empty(); })) continue;
        const std::string key = lower_case(f[0]);
        if (f[0].rfind("----", 0) == 0) {
            flush();
            in_speeds = false;
            continue;
        }
        if (key == "series" && f.size() >= 2 && lower_case(f[1]) == "shot") {
            in_speeds = true;
            continue;
        }
        if (key == "series") {
            flush();
            in_speeds = false;
            if (f.size() < 2 || f[1].empty()) return refused(name, line, "expected the series number after 'Series,'");
            series = f[1];
            s.title += (s.title.empty() ? "Series " : ", ") + series;
            if (f.size() >= 4) pending.push_back({"Series " + series + " Shots", std::nullopt, f[3]});
            continue;
        }
        if (!in_speeds) {
            // Min, 840, Max, 844 / Avg, 842 ,S-D, 2.0 / ES , 4: pairs of a name and a value.
            for (std::size_t k = 0; k + 1 < f.size(); k += 2)
                if (!f[k].empty()) pending.push_back({"Series " + series + " " + f[k], std::nullopt, f[k + 1]});
            continue;
        }
        if (f.size() < 4) return refused(name, line, "expected series, shot, speed and its unit ('37, 1, 840, m/s')");
        const auto v = read_decimal(f[2], false);
        const auto unit = velocity_unit_factor(f[3]);
        if (!v || *v < 0) return refused(name, line, "expected a speed, found '" + f[2] + "'");
        if (!unit) return refused(name, line, "expected the speed's unit (m/s or ft/s), found '" + f[3] + "'");
        if (factor && *factor != *unit)
            return refused(name, line, "expected the unit of the lines before, " + s.velocity_unit);
        factor = unit;
        s.velocity_unit = f[3];
        StringShot shot;
        shot.id = f[0] + "-" + f[1];
        if (const float mv = to_internal(*v, *unit); mv > 0) {
            shot.MV = mv;
            shot.mv_kind = MvKind::Measured;
        } else {
            shot.marks.add(MarkKind::LostTrack, "no speed: the device wrote " + f[2]);
        }
        s.shots.push_back(std::move(shot));
        if (s.shots.size() > MostStringMeasurements) return too_many(name, line);
    }
    flush();
    if (s.shots.empty())
        return refused(name, static_cast<int>(lines.size()), "expected speed lines under 'Series,Shot,Speed'");
    return accepted(std::move(s), name);
}

}  // namespace velora
