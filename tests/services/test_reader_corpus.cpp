// The readers on every real file of the corpus that holds velocities: the counts of shots and the
// figures each file states in its own summary agree with what was read, junk is marked and kept,
// and the FIT and CSV exports of one session agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "services/readers/readers.h"
#include "services/readers/text_input.h"
#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

using test::file_bytes;
using test::files_under;
using test::real_data;

const StatedFigure* stated(const ShotString& s, const std::string& name) {
    for (const StatedFigure& f : s.stated)
        if (lower_case(f.name) == lower_case(name)) return &f;
    return nullptr;
}

float stated_value(const ShotString& s, const std::string& name) {
    const StatedFigure* f = stated(s, name);
    EXPECT_TRUE(f && f->value) << name;
    return f && f->value ? *f->value : -1.0f;
}

// Mean, sample SD, highest and lowest of the muzzle velocities of every shot that has one.
struct Spread {
    int n = 0;
    double mean = 0, sd = 0, high = 0, low = 1e9;
};
Spread spread(const ShotString& s) {
    Spread out;
    double sum = 0;
    for (const StringShot& shot : s.shots)
        if (shot.MV) {
            ++out.n;
            sum += *shot.MV;
            out.high = std::max(out.high, double(*shot.MV));
            out.low = std::min(out.low, double(*shot.MV));
        }
    out.mean = sum / out.n;
    double sq = 0;
    for (const StringShot& shot : s.shots)
        if (shot.MV) sq += (*shot.MV - out.mean) * (*shot.MV - out.mean);
    out.sd = out.n > 1 ? std::sqrt(sq / (out.n - 1)) : 0;
    return out;
}

std::vector<std::filesystem::path> labradar_series() {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(real_data() / "labradar-22lr-topgenorth"))
        if (e.is_directory() && e.path().filename().string().rfind("SR", 0) == 0) out.push_back(e.path());
    out.push_back(real_data() / "labradar-22lr-topgenorth/excel-resaved-variant/SR0041");
    std::sort(out.begin(), out.end());
    return out;
}

TEST(LabRadarCorpus, EverySeriesReadsWithTheCountAndStatsItStates) {
    REQUIRE_REAL_DATA();
    int numeric_averages = 0;
    for (const auto& folder : labradar_series()) {
        SCOPED_TRACE(folder.string());
        const StringRead read = read_string_path(folder.string());
        ASSERT_TRUE(read.ok()) << read.error.text();
        const ShotString& s = *read.string;
        EXPECT_EQ(s.format, "labradar");
        EXPECT_EQ(s.velocity_unit, "fps");
        EXPECT_EQ(s.distance_unit, "m");
        ASSERT_NE(stated(s, "Total number of shots"), nullptr);
        const auto count = read_decimal(stated(s, "Total number of shots")->text);
        // An Excel re-save may list other shots than its count says (the owner edited them); the
        // reader says so.
        if (s.shots.size() != std::size_t(*count)) {
            EXPECT_TRUE(std::any_of(s.notes.begin(), s.notes.end(), [](const std::string& n) {
                return n.find("shots and lists") != std::string::npos;
            }));
            EXPECT_EQ(folder.filename() == "SR0036" || folder.parent_path().filename() == "excel-resaved-variant",
                      true);
        }
        const Spread sp = spread(s);
        // The device states its figures from unrounded velocities, the report rounds each to 1 fps.
        if (const StatedFigure* avg = stated(s, "Stats - Average"); avg && avg->value) {
            ++numeric_averages;
            EXPECT_NEAR(sp.mean, *avg->value, 0.5);
        } else {
            // nan: a shot without a muzzle velocity is in the series, and it is marked, not lost.
            EXPECT_TRUE(std::any_of(s.shots.begin(), s.shots.end(), [](const StringShot& shot) {
                return !shot.MV && shot.marks.has(MarkKind::LostTrack);
            }));
        }
        if (const StatedFigure* high = stated(s, "Stats - Highest"); high && high->value) {
            EXPECT_NEAR(sp.high, *high->value, 0.5);
        }
        if (const StatedFigure* low = stated(s, "Stats - Lowest"); low && low->value && sp.n == int(s.shots.size())) {
            EXPECT_NEAR(sp.low, *low->value, 0.5);
        }
        if (const StatedFigure* sd = stated(s, "Stats - Std. Dev"); sd && sd->value && *sd->value > 0) {
            EXPECT_NEAR(sp.sd, *sd->value, 0.3);
        }
        // Every shot has its gates, and with a track folder its track.
        for (const StringShot& shot : s.shots) {
            EXPECT_EQ(shot.measurements.size(), 5u) << shot.id;
            if (std::filesystem::exists(folder / "TRK") && shot.track.empty()) {
                EXPECT_TRUE(std::find(s.notes.begin(), s.notes.end(), "Shot " + shot.id + " has no track file.") !=
                            s.notes.end());
            }
        }
    }
    EXPECT_GE(numeric_averages, 5);
}

TEST(LabRadarCorpus, SR0038HasThirtyShotsWithTracksAndItsJunkMarked) {
    REQUIRE_REAL_DATA();
    const StringRead read = read_string_path((real_data() / "labradar-22lr-topgenorth/SR0038").string());
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    ASSERT_EQ(s.shots.size(), 30u);
    EXPECT_EQ(s.files.size(), 31u);
    EXPECT_EQ(s.projectile.weight_gr, 36.0f);
    std::size_t samples = 0;
    for (const StringShot& shot : s.shots) {
        ASSERT_GT(shot.track.size(), 20u) << shot.id;
        samples += shot.track.size();
        // The track's first row is the device's extrapolation, kept and marked.
        EXPECT_TRUE(shot.track.front().marks.has(MarkKind::BackExtrapolated));
        EXPECT_EQ(shot.track.front().time, 0.0f);
    }
    EXPECT_EQ(samples, 2349u - 30u * 6u);
    // Shot 1: 1239 fps at the muzzle, extrapolated (1239.31 in its track's first row); 1195 fps at 10 m.
    EXPECT_EQ(s.shots[0].id, "0001");
    EXPECT_EQ(s.shots[0].MV, 1239.31f);
    EXPECT_EQ(s.shots[0].mv_kind, MvKind::Extrapolated);
    EXPECT_EQ(s.shots[0].measurements[0].value, 1195.0f);
    EXPECT_NEAR(s.shots[0].measurements[0].range, 10.0 / 0.9144, 0.05);
    EXPECT_NEAR(s.shots[0].measurements[3].range, 41.0 / 0.9144, 0.2);
    EXPECT_TRUE(s.shots[0].marks.used());
    // Shot 2: the device lost it (0 at the muzzle, 508 repeated).
    EXPECT_FALSE(s.shots[1].MV);
    EXPECT_TRUE(s.shots[1].marks.has(MarkKind::LostTrack));
    EXPECT_FALSE(s.shots[1].marks.used());
    EXPECT_TRUE(s.shots[1].measurements[1].marks.has(MarkKind::RepeatedGate));
    // Shot 7: 1083 at 41 m repeated at 50 m.
    EXPECT_TRUE(s.shots[6].measurements[4].marks.has(MarkKind::RepeatedGate));
    EXPECT_TRUE(s.shots[6].measurements[3].marks.used());
    // Shot 21: lost at 41 and 50 m.
    EXPECT_TRUE(s.shots[20].measurements[3].marks.has(MarkKind::LostTrack));
    EXPECT_TRUE(s.shots[20].measurements[4].marks.has(MarkKind::LostTrack));
    // The clean shots: all but 2, 7 and 21 have every gate in use.
    int clean = 0;
    for (const StringShot& shot : s.shots)
        clean += shot.marks.used() && std::all_of(shot.measurements.begin(), shot.measurements.end(),
                                                  [](const Measurement& m) { return m.marks.used(); });
    EXPECT_EQ(clean, 27);
}

TEST(LabRadarCorpus, DuplicatedGateLabelsAreMarkedAsRepeats) {
    REQUIRE_REAL_DATA();
    const StringRead read = read_string_path((real_data() / "labradar-22lr-topgenorth/SR0006").string());
    ASSERT_TRUE(read.ok()) << read.error.text();
    for (const StringShot& shot : read.string->shots) {
        EXPECT_EQ(shot.measurements[1].label, "V19");
        EXPECT_EQ(shot.measurements[2].label, "V19");
        EXPECT_TRUE(shot.measurements[2].marks.has(MarkKind::RepeatedGate)) << shot.id;
        EXPECT_EQ(shot.measurements[1].range, shot.measurements[2].range);
    }
}

TEST(LabRadarCorpus, TheReportAloneAndATrackAloneRead) {
    REQUIRE_REAL_DATA();
    const auto folder = real_data() / "labradar-22lr-topgenorth/SR0038";
    const StringRead report = read_string_path((folder / "SR0038 Report.csv").string());
    ASSERT_TRUE(report.ok()) << report.error.text();
    EXPECT_EQ(report.string->shots.size(), 30u);
    EXPECT_TRUE(report.string->shots[0].track.empty());
    const StringRead track = read_string_path((folder / "TRK/Shot0012 Track.csv").string());
    ASSERT_TRUE(track.ok()) << track.error.text();
    ASSERT_EQ(track.string->shots.size(), 1u);
    EXPECT_EQ(track.string->format, "labradar-track");
    EXPECT_EQ(track.string->shots[0].id, "0012");
    EXPECT_NEAR(*track.string->shots[0].MV, 1293.1, 0.05);
}

TEST(LabRadarCorpus, TheAppExportReadsWithItsStats) {
    REQUIRE_REAL_DATA();
    const StringRead read = read_string_path((real_data() / "labradar-app-export-topgenorth").string());
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    ASSERT_EQ(s.shots.size(), 10u);
    EXPECT_EQ(s.title, "Series #014");
    const Spread sp = spread(s);
    EXPECT_NEAR(sp.mean, *stated(s, "Stats - Average")->value, 0.01);
    EXPECT_NEAR(sp.sd, *stated(s, "Stats - Std. Dev")->value, 0.01);
    EXPECT_NEAR(s.shots[0].measurements[0].range, 10.0 / 0.9144, 1e-4);
    EXPECT_EQ(s.shots[0].measurements[0].value, 2661.92f);
    EXPECT_EQ(s.shots[0].time, "2023-11-19 19:56:41");
    EXPECT_EQ(s.projectile.weight_gr, 180.0f);
}

// The summary rows of the ShotView files, whatever language they are in.
struct XeroFigures {
    const StatedFigure* average = nullptr;
    const StatedFigure* sd = nullptr;
    const StatedFigure* spread = nullptr;
};
XeroFigures xero_figures(const ShotString& s) {
    XeroFigures f;
    for (const StatedFigure& x : s.stated) {
        const std::string n = lower_case(x.name);
        if (n == "average speed" || n == "\xC3\x98 geschwindigkeit") f.average = &x;
        if (n == "std dev" || n == "standardabweichung") f.sd = &x;
        if (n == "spread" || n == "streuung") f.spread = &x;
    }
    return f;
}

TEST(XeroCorpus, EveryShotViewCsvReadsWithTheFiguresItStates) {
    REQUIRE_REAL_DATA();
    std::vector<std::filesystem::path> files = files_under(real_data() / "garmin-xero-topgenorth", ".csv");
    for (const auto& p : files_under(real_data() / "garmin-xero-xeroconv", ".csv")) files.push_back(p);
    files.push_back(real_data() / "format-samples-wiederladen/garmin-xero-sample.csv");
    ASSERT_EQ(files.size(), 8u);
    for (const auto& p : files) {
        SCOPED_TRACE(p.string());
        const StringRead read = read_string_path(p.string());
        ASSERT_TRUE(read.ok()) << read.error.text();
        const ShotString& s = *read.string;
        EXPECT_EQ(s.format, "xero-csv");
        ASSERT_FALSE(s.shots.empty());
        // The shots are numbered 1..n in the file.
        EXPECT_EQ(s.shots.back().id, std::to_string(s.shots.size()));
        const XeroFigures f = xero_figures(s);
        ASSERT_NE(f.average, nullptr);
        ASSERT_TRUE(f.average->value);
        const Spread sp = spread(s);
        // The figures are in the file's unit to 0.1, as are the speeds.
        const double unit = s.velocity_unit == "MPS" || s.velocity_unit == "mps" ? 1 / 0.3048 : 1.0;
        EXPECT_NEAR(sp.mean, *f.average->value, 0.1 * unit);
        // The device's standard deviation is that of the shots themselves (divided by n, not n − 1).
        ASSERT_NE(f.sd, nullptr);
        EXPECT_NEAR(sp.sd * std::sqrt((sp.n - 1.0) / sp.n), *f.sd->value, 0.1 * unit);
        ASSERT_NE(f.spread, nullptr);
        EXPECT_NEAR(sp.high - sp.low, *f.spread->value, 0.101 * unit);
        EXPECT_TRUE(s.projectile.weight_gr || p.filename() == "Shotview_i.csv");
    }
}

TEST(XeroCorpus, LocalisedAndTwelveHourForms) {
    REQUIRE_REAL_DATA();
    const StringRead a = read_string_path((real_data() / "garmin-xero-xeroconv/Shotview_a.csv").string());
    ASSERT_TRUE(a.ok()) << a.error.text();
    EXPECT_EQ(a.string->title, "Marlin,.357, 15,3grs W296, 158,0 gr");
    EXPECT_NEAR(*a.string->shots[0].MV, 488.3 / 0.3048, 1e-3);
    EXPECT_EQ(a.string->projectile.weight_gr, 158.0f);
    const StringRead i = read_string_path((real_data() / "garmin-xero-xeroconv/Shotview_i.csv").string());
    ASSERT_TRUE(i.ok()) << i.error.text();
    EXPECT_EQ(i.string->title, "105 hybrid 31.0gt");
    EXPECT_EQ(i.string->shots[0].time, "1:41:26 PM");
    EXPECT_EQ(i.string->shots[0].MV, 2808.2f);
    const StringRead cz =
        read_string_path((real_data() / "garmin-xero-topgenorth/csv/CZ457_2026-07-05_13-30-54.csv").string());
    ASSERT_TRUE(cz.ok()) << cz.error.text();
    EXPECT_EQ(cz.string->shots[0].MV, 1369.8f);  // "1,369.8"
}

TEST(XeroCorpus, EveryFitFileWithShotsReads) {
    REQUIRE_REAL_DATA();
    std::vector<std::filesystem::path> files = files_under(real_data() / "garmin-xero-topgenorth", ".fit");
    for (const auto& p : files_under(real_data() / "garmin-xero-xeroconv", ".fit")) files.push_back(p);
    ASSERT_EQ(files.size(), 23u);
    for (const auto& p : files) {
        SCOPED_TRACE(p.string());
        const StringRead read = read_string_path(p.string());
        if (p.filename() == "noshots.fit") {
            ASSERT_FALSE(read.ok());
            EXPECT_NE(read.error.text().find("noshots.fit byte "), std::string::npos) << read.error.text();
            continue;
        }
        ASSERT_TRUE(read.ok()) << read.error.text();
        const ShotString& s = *read.string;
        const StatedFigure* count = stated(s, "shot count");
        ASSERT_NE(count, nullptr);
        EXPECT_EQ(std::to_string(s.shots.size()), count->text);
        const Spread sp = spread(s);
        // The session's figures are the device's own, in mm/s.
        EXPECT_NEAR(sp.mean, stated_value(s, "average speed"), 0.01);
        EXPECT_NEAR(sp.high, stated_value(s, "highest speed"), 1e-3);
        EXPECT_NEAR(sp.low, stated_value(s, "lowest speed"), 1e-3);
        // The device's standard deviation is that of the shots themselves (divided by n, not n − 1).
        const StatedFigure* sd = stated(s, "standard deviation");
        // Some of the device's sessions leave the standard deviation out.
        if (sd) {
            EXPECT_NEAR(sp.sd * std::sqrt((sp.n - 1.0) / sp.n), *sd->value, 0.01);
        }
    }
}

TEST(XeroCorpus, TheFitAndCsvOfOneSessionGiveTheSameSpeeds) {
    REQUIRE_REAL_DATA();
    for (const char* session : {"05-05-2026_14-45-28", "05-05-2026_15-14-49"}) {
        SCOPED_TRACE(session);
        const StringRead fit =
            read_string_path((real_data() / "garmin-xero-topgenorth/fit" / (std::string(session) + ".fit")).string());
        const StringRead csv =
            read_string_path((real_data() / "garmin-xero-topgenorth/csv" /
                              ("Phoenix_Indoor_range_2026-05-05" + std::string(session).substr(10) + ".csv"))
                                 .string());
        ASSERT_TRUE(fit.ok()) << fit.error.text();
        ASSERT_TRUE(csv.ok()) << csv.error.text();
        ASSERT_EQ(fit.string->shots.size(), csv.string->shots.size());
        for (std::size_t i = 0; i < fit.string->shots.size(); ++i) {
            EXPECT_EQ(fit.string->shots[i].id, csv.string->shots[i].id);
            // The CSV rounds to 0.1 ft/s.
            EXPECT_NEAR(*fit.string->shots[i].MV, *csv.string->shots[i].MV, 0.05 + 1e-3) << i;
            // The same second of the day, the CSV in local time, the FIT in UTC.
            EXPECT_EQ(fit.string->shots[i].time.substr(13, 6), ":" + csv.string->shots[i].time.substr(3, 5));
        }
    }
}

TEST(MagnetoSpeedCorpus, TheSampleReadsBothSeriesWithTheirAverages) {
    REQUIRE_REAL_DATA();
    const StringRead read =
        read_string_path((real_data() / "format-samples-wiederladen/magnetospeed-sample.csv").string());
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    ASSERT_EQ(s.shots.size(), 13u);
    EXPECT_EQ(s.shots[0].id, "37-1");
    EXPECT_EQ(s.shots[3].id, "38-1");
    EXPECT_NEAR(*s.shots[0].MV, 840 / 0.3048, 1e-3);
    for (const auto& [series, first, n] : {std::tuple{"37", 0, 3}, std::tuple{"38", 3, 10}}) {
        double sum = 0;
        for (int i = first; i < first + n; ++i) sum += *s.shots[std::size_t(i)].MV;
        const StatedFigure* avg = stated(s, "Series " + std::string(series) + " Avg");
        ASSERT_NE(avg, nullptr);
        // The device's figures are whole m/s, cut rather than rounded.
        EXPECT_NEAR(sum / n, *avg->value, 1.0 / 0.3048);
    }
}

// Every real file that holds velocities is read by detection alone.
TEST(Detection, EveryRealFileWithVelocitiesIsRecognised) {
    REQUIRE_REAL_DATA();
    int read_files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(real_data())) {
        if (!e.is_regular_file()) continue;
        const std::string ext = e.path().extension().string();
        if (ext != ".csv" && ext != ".fit" && ext != ".xls" && ext != ".xlsx") continue;
        if (e.path().filename() == "noshots.fit") continue;
        SCOPED_TRACE(e.path().string());
        const std::string bytes = file_bytes(e.path());
        EXPECT_TRUE(detect_format(bytes)) << "not recognised";
        const StringRead read = read_string_bytes(bytes, e.path().filename().string());
        EXPECT_TRUE(read.ok()) << read.error.text();
        ++read_files;
    }
    EXPECT_GT(read_files, 253);
}

}  // namespace
}  // namespace velora
