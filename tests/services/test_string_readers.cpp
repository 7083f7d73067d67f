// The readers on made-up input: units, marks, refusals that name the file, the line and what was
// expected, the limits, detection and the forms written back.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>

#include "services/readers/readers.h"
#include "services/readers/text_input.h"
#include "services/readers/xero_fit.h"
#include "tests/services/zip_of.h"

namespace velora {
namespace {

using test::zip_of;

constexpr char ReportText[] =
    "sep=;\r\n"
    "Device ID;LBR-0000001;;\0                 \r\n"
    "\0Series No;0007;;\0        \r\n"
    "\0Total number of shots;0003;;\0  \r\n"
    "\0Units velocity;m/s;;\0\r\n"
    "\0Units distances;yd;;\0\r\n"
    "\0Units weight;grain (gr);;\0\r\n"
    "\0Stats - Average;nan;m/s;\0\r\n"
    "\0\r\n"
    "Shot ID;V0;V10;V20;V20;V30;Ke0;Ke10;Ke20;Ke20;Ke30;PF10;Proj. Weight;Date;Time\r\n"
    "0001;300.0;290.0;280.0;280.0;270.0;1;1;1;1;1;1;8.44;06-07-2021;16:35:56;\r\n"
    "0002;0;250;250;250;0;1;1;1;1;1;1;8.44;06-07-2021;16:36:56;\r\n"
    "0003;300;301;280;280;280;1;1;1;1;1;1;8.44;06-07-2021;16:37:56;\r\n";

std::string report() { return std::string(ReportText, sizeof ReportText - 1); }

TEST(LabRadarReport, ConvertsTheStatedUnitsAndMarksWhatTheDeviceMadeUp) {
    const StringRead read = read_labradar_report(report(), "SR0007 Report.csv");
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    EXPECT_EQ(s.device, "LBR-0000001");
    ASSERT_EQ(s.shots.size(), 3u);
    EXPECT_FLOAT_EQ(*s.shots[0].MV, 300.0f / 0.3048f);
    EXPECT_EQ(s.shots[0].measurements[0].range, 10.0f);  // yd
    EXPECT_EQ(s.shots[0].time, "06-07-2021 16:35:56");
    EXPECT_EQ(s.projectile.weight_gr, 8.44f);
    // The second V20 stands at the distance of the first: a repeat.
    EXPECT_TRUE(s.shots[0].measurements[2].marks.has(MarkKind::RepeatedGate));
    EXPECT_TRUE(s.shots[0].measurements[3].marks.used());
    // Shot 2: lost at the muzzle, 250 repeated, then lost.
    EXPECT_FALSE(s.shots[1].MV);
    EXPECT_TRUE(s.shots[1].marks.has(MarkKind::LostTrack));
    EXPECT_TRUE(s.shots[1].measurements[3].marks.has(MarkKind::LostTrack));
    // Shot 3: faster at 10 yd than at the muzzle; 280 repeated at 30 yd.
    EXPECT_TRUE(s.shots[2].measurements[0].marks.has(MarkKind::FasterThanMuzzle));
    EXPECT_TRUE(s.shots[2].measurements[3].marks.has(MarkKind::RepeatedGate));
    EXPECT_EQ(s.stated[1].name, "Stats - Average");
    EXPECT_FALSE(s.stated[1].value);
}

TEST(LabRadarReport, RefusesAFileWithoutUnitsNamingTheLine) {
    std::string bytes = report();
    bytes.erase(bytes.find(std::string("\0Units velocity", 15)), 24);
    const StringRead read = read_labradar_report(bytes, "x.csv");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error.text(),
              "x.csv line 9: expected 'Units velocity' before the shots: the file states no velocity unit");
    std::string bad = report();
    bad.replace(bad.find("290.0"), 5, "fast!");
    const StringRead bad_read = read_labradar_report(bad, "x.csv");
    ASSERT_FALSE(bad_read.ok());
    EXPECT_EQ(bad_read.error.text(), "x.csv line 11: expected a velocity in column V10, found 'fast!'");
}

TEST(LabRadarTrack, TheFirstRowIsTheExtrapolatedMuzzleVelocity) {
    const std::string track =
        "sep=;\r\nDevice ID;LBR-1;;\r\nSeries No;0038\r\nShot No;0004\r\n\r\nTime (s);Vel (m/s);Dist (ft);SNR\r\n"
        "0.000000;350.00;0.00;-\r\n0.010000;345.5;11.3;30.5\r\n0.012;nan;13.6;3\r\n0.014;400.0;15.9;9\r\n";
    const StringRead read = read_labradar_track(track, "Shot0004 Track.csv");
    ASSERT_TRUE(read.ok()) << read.error.text();
    const StringShot& shot = read.string->shots[0];
    EXPECT_EQ(shot.id, "0004");
    EXPECT_FLOAT_EQ(*shot.MV, 350.0f / 0.3048f);
    ASSERT_EQ(shot.track.size(), 4u);
    EXPECT_TRUE(shot.track[0].marks.has(MarkKind::BackExtrapolated));
    EXPECT_EQ(shot.track[0].weight, 0.0f);
    EXPECT_FLOAT_EQ(shot.track[1].range, 11.3f / 3.0f);
    EXPECT_EQ(shot.track[1].weight, 30.5f);
    EXPECT_TRUE(shot.track[2].marks.has(MarkKind::LostTrack));
    EXPECT_TRUE(shot.track[3].marks.has(MarkKind::FasterThanMuzzle));
    EXPECT_FALSE(read_labradar_track("Time (s);Vel;Dist (m);SNR\n0;1;0;-\n", "t.csv").ok());
}

TEST(XeroCsv, DecimalCommasQuotedValuesAndSummaries) {
    const std::string csv =
        "\xEF\xBB\xBF"
        "Pellets 8,44 gr\n\xEF\xBB\xBF#,Tempo (MPS),\xCE\x94 DURCHSCHNITT (MPS),KE (J),Zeit,Schussnotizen\n"
        "1,\"244,1\",\"0,5\",\"16,3\",18:43:05,\n2,\"243,1\",\"-0,5\",\"16,2\",18:43:29,flyer\n-,,,,,,\n"
        "AVERAGE SPEED,\"243,6\",,,,,\nSTANDARDABWEICHUNG,\"0,7\",,,,,\nGewicht des Projektils (GRAN),\"8.4\",,,,,\n";
    const StringRead read = read_xero_csv(csv, "s.csv");
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    EXPECT_EQ(s.title, "Pellets 8,44 gr");
    EXPECT_EQ(s.projectile.description, "Pellets 8,44 gr");
    ASSERT_EQ(s.shots.size(), 2u);
    EXPECT_FLOAT_EQ(*s.shots[0].MV, 244.1f / 0.3048f);
    EXPECT_EQ(s.shots[1].notes, "flyer");
    EXPECT_EQ(s.shots[1].mv_kind, MvKind::Measured);
    EXPECT_EQ(s.projectile.weight_gr, 8.4f);
    EXPECT_FLOAT_EQ(*s.stated[0].value, 243.6f / 0.3048f);
    const StringRead no_unit = read_xero_csv("#,Speed,Time\n1,900,12:00\n", "n.csv");
    ASSERT_FALSE(no_unit.ok());
    EXPECT_EQ(no_unit.error.text(),
              "n.csv line 1: expected a speed column with its unit, as 'Speed (FPS)' or 'Tempo (MPS)'");
    // A speed too small for a float is no speed: the shot is kept, marked, without a muzzle velocity.
    const StringRead tiny = read_xero_csv("#,Speed (FPS)\n1,900\n2,0." + std::string(50, '0') + "1\n", "t.csv");
    ASSERT_TRUE(tiny.ok()) << tiny.error.text();
    EXPECT_FALSE(tiny.string->shots[1].MV);
    EXPECT_TRUE(tiny.string->shots[1].marks.has(MarkKind::LostTrack));
}

TEST(ReadDecimal, BothNotations) {
    EXPECT_EQ(*read_decimal("1,369.8"), 1369.8);
    EXPECT_EQ(*read_decimal("1.369,8"), 1369.8);
    EXPECT_EQ(*read_decimal("488,3"), 488.3);
    EXPECT_EQ(*read_decimal("1,369"), 1369.0);
    EXPECT_EQ(*read_decimal("1,369", false), 1.369);
    EXPECT_EQ(*read_decimal("+5"), 5.0);
    for (const char* bad : {"", "1,2,3.4.5", "nan", "inf", "1e999", "1..2", "12a"})
        EXPECT_FALSE(read_decimal(bad)) << bad;
}

// A FIT file with one definition and `speeds` shot records (mm/s), and its CRC.
std::string fit_file(const std::vector<std::uint32_t>& speeds, bool compressed_times = false) {
    std::string records;
    // Definition of local type 0: global 388, fields 253 (uint32), 0 (uint32), 1 (uint16).
    records += std::string("\x40\x00\x00\x84\x01\x03\xFD\x04\x86\x00\x04\x86\x01\x02\x84", 15);
    std::uint32_t n = 0;
    for (const std::uint32_t v : speeds) {
        const std::uint32_t t = 1000000000u + n * 7;
        if (compressed_times && n > 0) {
            // A compressed-timestamp header needs a definition without the timestamp field.
            if (n == 1) records += std::string("\x41\x00\x00\x84\x01\x02\x00\x04\x86\x01\x02\x84", 12);
            records += static_cast<char>(0x80 | (1 << 5) | (t & 0x1F));
        } else {
            records += '\0';
            for (int i = 0; i < 4; ++i) records += static_cast<char>(t >> (8 * i));
        }
        for (int i = 0; i < 4; ++i) records += static_cast<char>(v >> (8 * i));
        records += static_cast<char>((n + 1) & 0xFF);
        records += static_cast<char>((n + 1) >> 8);
        ++n;
    }
    std::string file("\x0E\x10\x9B\x52", 4);
    for (int i = 0; i < 4; ++i) file += static_cast<char>(records.size() >> (8 * i));
    file += ".FIT";
    const std::uint16_t hcrc = fit_crc(file);
    file += static_cast<char>(hcrc & 0xFF);
    file += static_cast<char>(hcrc >> 8);
    file += records;
    const std::uint16_t crc = fit_crc(file);
    file += static_cast<char>(crc & 0xFF);
    file += static_cast<char>(crc >> 8);
    return file;
}

TEST(XeroFit, ShotRecordsWithFullAndCompressedTimestamps) {
    for (const bool compressed : {false, true}) {
        const StringRead read = read_xero_fit(fit_file({250000, 251500, 0}, compressed), "s.fit");
        ASSERT_TRUE(read.ok()) << read.error.text();
        const ShotString& s = *read.string;
        ASSERT_EQ(s.shots.size(), 3u);
        EXPECT_FLOAT_EQ(*s.shots[1].MV, 251.5f / 0.3048f);
        EXPECT_EQ(s.shots[1].id, "2");
        EXPECT_EQ(s.shots[0].time, "2021-09-08T01:46:40Z");  // 1e9 s after 1989-12-31
        EXPECT_EQ(s.shots[1].time, "2021-09-08T01:46:47Z");
        EXPECT_TRUE(s.shots[2].marks.has(MarkKind::LostTrack));
    }
}

TEST(XeroFit, RefusalsNameTheByte) {
    std::string file = fit_file({250000});
    std::string damaged = file;
    damaged[20] ^= 1;
    EXPECT_EQ(read_xero_fit(damaged, "d.fit").error.text(),
              "d.fit byte " + std::to_string(file.size() - 2) +
                  ": expected the file's CRC to match its bytes (damaged or cut short)");
    EXPECT_EQ(read_xero_fit(file.substr(0, 30), "t.fit").error.text(),
              "t.fit byte 4: expected records of 26 bytes and a CRC; the file ends after 30 bytes");
    EXPECT_EQ(read_xero_fit("hello", "h.fit").error.text(),
              "h.fit byte 0: expected a FIT header of 12 or 14 bytes; the file has 5");
    // A data record before its definition.
    std::string early = file;
    early[14] = '\x01';
    EXPECT_NE(decode_fit(early, "e.fit", false)
                  .error.text()
                  .find("e.fit byte 14: expected a definition of local message type 1"),
              std::string::npos);
}

TEST(MagnetoSpeed, ALineWithoutItsUnitIsRefused) {
    const std::string text =
        "Series,1, Shots:, 2\nMin, 10, Max, 11\n\nSeries,Shot,Speed\n1, 1,  800, ft/s\n1, 2,  801\n----,----\n";
    const StringRead read = read_magnetospeed(text, "LOG.CSV");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error.text(), "LOG.CSV line 6: expected series, shot, speed and its unit ('37, 1, 840, m/s')");
}

TEST(StringCsv, ColumnsNamedByRangeWithTheirUnits) {
    const std::string csv =
        "# a range day\nid;mv(m/s);v@10m;t@50yd(ms);poi@25yd(mm);drop@30m;notes\n"
        "a;250,5;780;;-12;-3.5;first\nb;251;770fps;210;-14;;\n";
    const StringRead read = read_string_csv(csv, "day.csv");
    ASSERT_TRUE(read.ok()) << read.error.text();
    const ShotString& s = *read.string;
    ASSERT_EQ(s.shots.size(), 2u);
    EXPECT_EQ(s.shots[0].id, "a");
    EXPECT_FLOAT_EQ(*s.shots[0].MV, 250.5f / 0.3048f);
    ASSERT_EQ(s.shots[0].measurements.size(), 3u);
    EXPECT_FLOAT_EQ(s.shots[0].measurements[0].range, 10.0f / 0.9144f);
    EXPECT_EQ(s.shots[0].measurements[0].value, 780.0f);
    EXPECT_FLOAT_EQ(s.shots[0].measurements[1].value, -12.0f / 25.4f);
    EXPECT_EQ(s.shots[0].measurements[1].quantity, ShotQuantity::Poi);
    EXPECT_EQ(s.shots[0].measurements[2].quantity, ShotQuantity::Drop);
    EXPECT_EQ(s.shots[0].notes, "first");
    EXPECT_FLOAT_EQ(s.shots[1].measurements[1].value, 0.21f);
    EXPECT_EQ(s.shots[1].measurements[1].range, 50.0f);
    EXPECT_EQ(read_string_csv("mv,v@10\n800,700\n", "r.csv").error.text(),
              "r.csv line 1: expected the range's unit (m, yd or ft) in 'v@10'");
    EXPECT_EQ(read_string_csv("mv,v@10m\n800,-700\n", "r.csv").error.text(),
              "r.csv line 2: expected a velocity above 0 in column v@10m, found '-700'");
}

TEST(ShotsCsv, TodaysShotsFileReadsAsAString) {
    const StringRead read = read_string_bytes(
        "range,quantity,value,uncertainty\n20,velocity,738.2,\n40,poi,-0.85,0.15\n", "Velora.shots.csv");
    ASSERT_TRUE(read.ok()) << read.error.text();
    EXPECT_EQ(read.string->format, "shots-csv");
    ASSERT_EQ(read.string->shots.size(), 2u);
    EXPECT_EQ(*read.string->shots[1].measurements[0].uncertainty, 0.15f);
    const StringRead tabs = read_pasted_text("range\tquantity\tvalue\n20\tvelocity\t738,2\n", "clipboard");
    ASSERT_TRUE(tabs.ok()) << tabs.error.text();
    EXPECT_EQ(tabs.string->shots[0].measurements[0].value, 738.2f);
}

TEST(Detection, TellsTheFormatFromTheContentAndNamesTheFormatsTried) {
    EXPECT_EQ(detect_format(report()), StringFormat::LabRadar);
    EXPECT_EQ(detect_format("#,Speed (FPS),Time\n1,900,12:00\n"), StringFormat::XeroCsv);
    EXPECT_EQ(detect_format("Series,1, Shots:, 2\n"), StringFormat::MagnetoSpeed);
    EXPECT_EQ(detect_format("id\tmv\n1\t800\n"), StringFormat::StringCsv);
    EXPECT_EQ(detect_format(fit_file({1})), StringFormat::XeroFit);
    EXPECT_EQ(detect_format("{\"schema\": 1}"), StringFormat::VeloraJson);
    EXPECT_FALSE(detect_format("a,b,c\n1,2,3\n"));
    const StringRead none = read_string_bytes("a,b,c\n1,2,3\n", "x.txt");
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error.text(),
              "x.txt: expected one of these formats: LabRadar series or report, LabRadar track, Garmin Xero CSV, "
              "Garmin Xero FIT, MagnetoSpeed V3, shots CSV (range,quantity,value), string CSV (id,mv,v@10m,…), "
              "Velora JSON, Garmin Xero spreadsheet (.xlsx, .xls); it is none of them");
    // Forcing a format reads the bytes as that format, and says what it expected.
    EXPECT_EQ(read_string_bytes("a,b,c\n", "x.txt", StringFormat::XeroCsv).error.text(),
              "x.txt line 1: expected the header '#,Speed (FPS),…' within the first lines");
}

TEST(Limits, OverAHundredThousandMeasurementsAndOver64MiBAreRefused) {
    std::string csv = "mv,v@10m,v@20m\n";
    for (int i = 0; i < 50001; ++i) csv += "800,700,600\n";
    const StringRead many = read_string_csv(csv, "big.csv");
    ASSERT_FALSE(many.ok());
    EXPECT_EQ(many.error.text(),
              "big.csv line 50002: expected at most 100000 measurements and track samples in a string");
    std::string huge(LargestStringInput + 1, ' ');
    EXPECT_EQ(read_string_bytes(huge, "huge.csv").error.text(), "huge.csv: expected at most 64 MiB");
}

TEST(Marks, IncludingAndExcludingKeepTheReasons) {
    Marks m;
    m.add(MarkKind::LostTrack, "lost track: the device wrote 0");
    EXPECT_FALSE(m.used());
    m.set_used(true);
    EXPECT_TRUE(m.used());
    EXPECT_EQ(m.reasons(), "lost track: the device wrote 0");
    m.set_used(false);
    EXPECT_FALSE(m.used());
    EXPECT_EQ(m.marks.size(), 1u);
    Marks clean;
    clean.set_used(false);
    EXPECT_TRUE(clean.has(MarkKind::ExcludedByUser));
    clean.set_used(true);
    EXPECT_TRUE(clean.marks.empty());
    EXPECT_TRUE(clean.used());
}

TEST(StringForms, JsonAndCsvReadBackToTheSameValues) {
    const StringRead read = read_labradar_report(report(), "SR0007 Report.csv");
    ASSERT_TRUE(read.ok());
    ShotString s = *read.string;
    s.shots[1].marks.set_used(true);
    s.shots[0].notes = "a \"quoted\"\tnote";
    s.shots[0].track.push_back({0.01f, 900.0f, 3.0f, 12.5f, 12.5f, {}});
    const std::string json = string_json(s);
    const StringRead back = read_string_bytes(json, "s.json");
    ASSERT_TRUE(back.ok()) << back.error.text();
    EXPECT_EQ(string_json(*back.string), json);
    EXPECT_TRUE(back.string->shots[1].marks.used());
    EXPECT_TRUE(back.string->shots[1].marks.has(MarkKind::LostTrack));

    const std::string csv = string_csv(s);
    const StringRead csv_back = read_string_bytes(csv, "s.csv");
    ASSERT_TRUE(csv_back.ok()) << csv_back.error.text() << "\n" << csv;
    ASSERT_EQ(csv_back.string->shots.size(), 3u);
    EXPECT_EQ(csv_back.string->shots[0].MV, s.shots[0].MV);
    EXPECT_EQ(csv_back.string->shots[0].measurements[0].range, s.shots[0].measurements[0].range);
    EXPECT_EQ(csv_back.string->shots[0].measurements[0].value, s.shots[0].measurements[0].value);
    EXPECT_EQ(read_string_json("{\"schema\": 1, \"shots\": [{\"MV\": \"fast\"}]}", "j.json").error.text(),
              "j.json: expected \"MV\" to be a number in shot 1");
    EXPECT_EQ(read_string_json("{\"schema\": 1,\n\"shots\": [}", "j.json").error.line, 2);
    EXPECT_FALSE(read_string_json(std::string(100, '[') + std::string(100, ']'), "deep.json").ok());
    // A number beyond any type is refused, not thrown.
    EXPECT_EQ(read_string_json("{\"schema\": 333333e333333333336666660}", "big.json").error.text(),
              "big.json: expected JSON: number overflow parsing '333333e333333333336666660'");
}

TEST(Zip, ASeriesInAZipReadsAsItsFolder) {
    const std::string track =
        "sep=;\r\nDevice ID;LBR-1;;\r\nSeries No;0007\r\nShot No;0003\r\n\r\nTime (s);Vel (m/s);Dist (yd);SNR\r\n"
        "0;300;0;-\r\n0.01;299;3.0;20\r\n";
    const std::vector<InputFile> files = {
        {"SR0007/", ""}, {"SR0007/SR0007 Report.csv", report()}, {"SR0007/TRK/Shot0003 Track.csv", track}};
    for (const bool deflated : {false, true}) {
        const StringRead read = read_string_bytes(zip_of(files, deflated), "SR0007.zip");
        ASSERT_TRUE(read.ok()) << read.error.text();
        EXPECT_EQ(read.string->shots.size(), 3u);
        EXPECT_EQ(read.string->shots[2].track.size(), 2u);
        EXPECT_EQ(read.string->files.size(), 2u);
    }
    std::string bad = zip_of(files, true);
    bad[bad.find("SR0007 Report.csv") + 20] ^= 0x55;
    const StringRead damaged = read_string_bytes(bad, "bad.zip");
    ASSERT_FALSE(damaged.ok());
    EXPECT_NE(damaged.error.text().find("bad.zip byte "), std::string::npos) << damaged.error.text();
    // Two series in one zip: name one.
    const StringRead two =
        read_string_bytes(zip_of({{"a/SR1 Report.csv", report()}, {"b/SR2 Report.csv", report()}}, false), "two.zip");
    EXPECT_EQ(two.error.text(),
              "two.zip: expected one LabRadar series; it holds 2 series reports: name the folder of one");
}

TEST(TextLines, DecodesUtf16BomsNulsAndEveryLineEnd) {
    const std::string utf8 = "a\r\nb\rc\nd";
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2), bare;
    for (const char c : utf8) le += c, le += '\0', be += '\0', be += c, bare += c, bare += '\0';
    for (const std::string& bytes : {utf8, le, be, bare})
        EXPECT_EQ(text_lines(bytes), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(text_lines(std::string("\xEF\xBB\xBFx\n\xEF\xBB\xBFy\0 ", 12)), (std::vector<std::string>{"x", "y "}));
}

}  // namespace
}  // namespace velora
