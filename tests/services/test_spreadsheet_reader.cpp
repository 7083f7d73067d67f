// Workbooks: the ShotView .xlsx and .xls files of the real corpus give the shots of the CSV
// exports of the same sessions, and workbooks made here reach the corners the corpus does not: a
// workbook stream small enough to live in the mini stream, shared strings split across records,
// every kind of number cell, and damage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "services/readers/readers.h"
#include "services/readers/spreadsheet.h"
#include "services/readers/text_input.h"
#include "tests/services/reader_corpus.h"
#include "tests/services/zip_of.h"

namespace velora {
namespace {

using test::file_bytes;
using test::real_data;
using test::zip_of;

// ---- the real workbooks --------------------------------------------------------------------

// The shots and stated figures of one sheet of a workbook's string: ids "k-n", figures "Sheet k …".
ShotString sheet_of(const ShotString& s, int k) {
    ShotString out;
    const std::string prefix = std::to_string(k) + "-";
    for (const StringShot& shot : s.shots)
        if (shot.id.rfind(prefix, 0) == 0) out.shots.push_back(shot);
    const std::string figure = "Sheet " + std::to_string(k) + " ";
    for (const StatedFigure& f : s.stated)
        if (f.name.rfind(figure, 0) == 0) out.stated.push_back({f.name.substr(figure.size()), f.value, f.text});
    return out;
}

const StatedFigure* stated(const ShotString& s, std::initializer_list<const char*> names) {
    for (const StatedFigure& f : s.stated)
        for (const char* n : names)
            if (lower_case(f.name) == n) return &f;
    return nullptr;
}

TEST(XeroSheetCorpus, EverySheetGivesTheShotsItsOwnSummaryStates) {
    REQUIRE_REAL_DATA();
    const auto folder = real_data() / "garmin-xero-xeroconv";
    const std::map<std::string, int> sessions = {
        {"Shotview_i.xlsx", 14}, {"Shotview_i_de.xlsx", 2}, {"Shotview_a.xls", 7}};
    for (const auto& [file, count] : sessions) {
        SCOPED_TRACE(file);
        const StringRead read = read_string_path((folder / file).string());
        ASSERT_TRUE(read.ok()) << read.error.text();
        EXPECT_EQ(read.string->format, "xero-sheet");
        for (int k = 1; k <= count; ++k) {
            SCOPED_TRACE(k);
            const ShotString sheet = sheet_of(*read.string, k);
            ASSERT_FALSE(sheet.shots.empty());
            const StatedFigure* average =
                stated(sheet, {"average speed", "\xC3\x98 geschwindigkeit", "durchschnittsgeschwindigkeit"});
            ASSERT_NE(average, nullptr);
            ASSERT_TRUE(average->value);
            double sum = 0;
            int n = 0;
            for (const StringShot& shot : sheet.shots)
                if (shot.MV && shot.marks.used()) sum += *shot.MV, ++n;
            const double unit = lower_case(read.string->velocity_unit) == "mps" ? 1 / 0.3048 : 1.0;
            EXPECT_NEAR(sum / n, *average->value, 0.1 * unit);
        }
        EXPECT_TRUE(sheet_of(*read.string, count + 1).shots.empty());
    }
}

TEST(XeroSheetCorpus, TheWorkbookAndTheCsvOfOneSessionGiveTheSameShots) {
    REQUIRE_REAL_DATA();
    const auto folder = real_data() / "garmin-xero-xeroconv";
    // The CSV export and the sheet of the same session in the app's workbook (the German iOS CSV is of
    // a third session). The iOS workbook holds one shot more than its CSV, the session's first
    // (1:41:00 PM).
    const struct {
        const char* csv;
        const char* workbook;
        int sheet;
        std::size_t more;
    } pairs[] = {{"Shotview_a.csv", "Shotview_a.xls", 2, 0}, {"Shotview_i.csv", "Shotview_i.xlsx", 2, 1}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.workbook);
        const StringRead csv = read_string_path((folder / p.csv).string());
        const StringRead book = read_string_path((folder / p.workbook).string());
        ASSERT_TRUE(csv.ok()) << csv.error.text();
        ASSERT_TRUE(book.ok()) << book.error.text();
        const ShotString sheet = sheet_of(*book.string, p.sheet);
        ASSERT_EQ(sheet.shots.size(), csv.string->shots.size() + p.more);
        for (std::size_t i = 0; i < csv.string->shots.size(); ++i) {
            const StringShot& shot = sheet.shots[i + p.more];
            EXPECT_EQ(shot.time, csv.string->shots[i].time);
            EXPECT_EQ(shot.MV, csv.string->shots[i].MV);
        }
        EXPECT_EQ(book.string->velocity_unit, csv.string->velocity_unit);
    }
    // Sessions of different projectiles keep no weight; sessions of one keep it.
    EXPECT_FALSE(read_string_path((folder / "Shotview_a.xls").string()).string->projectile.weight_gr);
    EXPECT_EQ(read_string_path((folder / "Shotview_i_de.xlsx").string()).string->projectile.weight_gr, 55.0f);
}

TEST(XeroSheetCorpus, DamagedWorkbooksAreRefusedInOneLineOrReadSoundly) {
    REQUIRE_REAL_DATA();
    for (const char* file : {"Shotview_a.xls", "Shotview_i_de.xlsx"}) {
        SCOPED_TRACE(file);
        const std::string bytes = file_bytes(real_data() / "garmin-xero-xeroconv" / file);
        std::vector<std::string> variants;
        for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 61)
            variants.push_back(bytes.substr(0, cut));
        for (std::size_t at = 0; at + 64 < bytes.size(); at += bytes.size() / 53) {
            std::string nuls = bytes, ones = bytes;
            std::memset(nuls.data() + at, 0, 64);
            std::memset(ones.data() + at, 0xFF, 64);
            variants.push_back(nuls);
            variants.push_back(ones);
        }
        for (const std::string& v : variants) {
            const StringRead read = read_string_bytes(v, file);
            if (!read.ok()) {
                EXPECT_EQ(read.error.text().find('\n'), std::string::npos);
                EXPECT_EQ(read.error.text().rfind(file, 0), 0u) << read.error.text();
                continue;
            }
            for (const StringShot& shot : read.string->shots) {
                if (shot.MV) {
                    EXPECT_TRUE(std::isfinite(*shot.MV) && *shot.MV > 0);
                }
            }
        }
    }
}

// ---- workbooks made here -------------------------------------------------------------------

void put16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); }
void put32(std::string& s, std::uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); }
void set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::string record(unsigned type, const std::string& data) {
    std::string r;
    put16(r, type);
    put16(r, static_cast<unsigned>(data.size()));
    return r + data;
}

std::string cell(unsigned row, unsigned column) {
    std::string d;
    put16(d, row), put16(d, column), put16(d, 0);
    return d;
}

std::string bof() {
    std::string d;
    put16(d, 0x0600), put16(d, 0x0010), put16(d, 0), put16(d, 0), put32(d, 0), put32(d, 0);
    return record(0x0809, d);
}

// A BIFF8 workbook stream of one sheet "Session" laid out as ShotView writes it: a title, the
// header, three shots, a blank row, the average. Its shared strings run over into a CONTINUE
// record in the middle of a string that turns to two-byte characters there.
std::string workbook_records() {
    const std::string header[] = {"#", "Speed (FPS)", "Time"};
    std::string sst;
    put32(sst, 6), put32(sst, 6);
    const auto short_string = [&](const std::string& s) {
        put16(sst, static_cast<unsigned>(s.size())), sst += '\0', sst += s;
    };
    for (const std::string& s : header) short_string(s);  // 0, 1, 2
    short_string("AVERAGE SPEED");                        // 3
    short_string("9:01:02");                              // 4
    // 5: "Ø pellets, 8.44 gr" begun in one byte a character, finished in two in the CONTINUE.
    put16(sst, 18), sst += '\0', sst += "\xD8 pel";
    std::string rest = "\x01";
    for (const char c : std::string("lets, 8.44 gr")) rest += c, rest += '\0';

    std::string sheet = bof();
    sheet += record(0x00FD, cell(0, 0) + std::string("\x05\0\0\0", 4));  // the title
    for (unsigned c = 0; c < 3; ++c) {
        std::string d = cell(1, c);
        put32(d, c);
        sheet += record(0x00FD, d);
    }
    // Shot 1: an integer RK; shot 2: an RK in hundredths; shot 3: a NUMBER and a formula's text.
    std::string d = cell(2, 0);
    put32(d, (1u << 2) | 2);
    sheet += record(0x027E, d);
    d = cell(2, 1);
    put32(d, (800u << 2) | 2);
    sheet += record(0x027E, d);
    d = cell(2, 2);
    put32(d, 4);
    sheet += record(0x00FD, d);
    d = cell(3, 0);  // a MULRK: shot number 2 and 801.25 (80125 hundredths)
    put16(d, 0), put32(d, (2u << 2) | 2), put16(d, 0), put32(d, (80125u << 2) | 3), put16(d, 1);
    d.erase(4, 2);  // a MULRK has no format of its own before the first pair
    sheet += record(0x00BD, d);
    d = cell(4, 0);
    double three = 3, speed = 799.5;
    std::string bits(8, '\0');
    std::memcpy(bits.data(), &three, 8);
    sheet += record(0x0203, d + bits);
    std::memcpy(bits.data(), &speed, 8);
    sheet += record(0x0203, cell(4, 1) + bits);
    sheet += record(0x0006, cell(4, 2) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) + std::string(6, '\0'));
    std::string text;
    put16(text, 7), text += '\0', text += "9:03:04";
    sheet += record(0x0207, text);
    sheet += record(0x00FD, cell(6, 0) + std::string("\x03\0\0\0", 4));
    speed = 800.25;
    std::memcpy(bits.data(), &speed, 8);
    sheet += record(0x0203, cell(6, 1) + bits);
    sheet += record(0x000A, "");

    std::string globals = bof();
    std::string bound;
    put32(bound, 0), bound += '\0', bound += '\0', bound += char(7), bound += '\0', bound += "Session";
    const std::size_t bound_at = globals.size() + 4;
    globals += record(0x0085, bound);
    globals += record(0x00FC, sst);
    globals += record(0x003C, rest);
    globals += record(0x000A, "");
    set32(globals, bound_at, static_cast<std::uint32_t>(globals.size()));
    return globals + sheet;
}

// A compound file of 512-byte sectors holding `stream` as "Workbook" in its mini stream: the sector
// table, the directory, the mini sector table, then the mini stream itself.
std::string compound_file(const std::string& stream) {
    const std::size_t minis = (stream.size() + 63) / 64, sectors = (minis * 64 + 511) / 512;
    std::string file(512, '\0');
    std::memcpy(file.data(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file[0x18] = 0x3E, file[0x1A] = 3, file[0x1C] = char(0xFE), file[0x1D] = char(0xFF), file[0x1E] = 9, file[0x20] = 6;
    set32(file, 0x2C, 1), set32(file, 0x30, 1), set32(file, 0x38, 4096), set32(file, 0x3C, 2), set32(file, 0x40, 1);
    set32(file, 0x44, 0xFFFFFFFE);
    for (int i = 0; i < 109; ++i) set32(file, 0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
    std::string fat(512, '\xFF');
    set32(fat, 0, 0xFFFFFFFD), set32(fat, 4, 0xFFFFFFFE), set32(fat, 8, 0xFFFFFFFE);
    for (std::size_t s = 0; s < sectors; ++s) set32(fat, 4 * (3 + s), s + 1 < sectors ? 4 + s : 0xFFFFFFFE);
    std::string directory(512, '\0');
    const auto entry = [&](int k, const std::string& name, int type, std::uint32_t start, std::uint32_t size) {
        for (std::size_t i = 0; i < name.size(); ++i) directory[128 * k + 2 * i] = name[i];
        directory[128 * k + 0x40] = char(2 * (name.size() + 1));
        directory[128 * k + 0x42] = char(type);
        set32(directory, 128 * k + 0x44, 0xFFFFFFFF), set32(directory, 128 * k + 0x48, 0xFFFFFFFF);
        set32(directory, 128 * k + 0x4C, k == 0 ? 1 : 0xFFFFFFFF);
        set32(directory, 128 * k + 0x74, start), set32(directory, 128 * k + 0x78, size);
    };
    entry(0, "Root Entry", 5, 3, static_cast<std::uint32_t>(minis * 64));
    entry(1, "Workbook", 2, 0, static_cast<std::uint32_t>(stream.size()));
    std::string mini_fat(512, '\xFF');
    for (std::size_t m = 0; m < minis; ++m) set32(mini_fat, 4 * m, m + 1 < minis ? m + 1 : 0xFFFFFFFE);
    std::string data = stream;
    data.resize(sectors * 512, '\0');
    return file + fat + directory + mini_fat + data;
}

TEST(Workbooks, ABinaryWorkbookInTheMiniStreamReadsEveryKindOfCell) {
    const std::string xls = compound_file(workbook_records());
    std::vector<Sheet> sheets;
    ASSERT_FALSE(read_workbook(xls, "s.xls", sheets));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, "Session");
    EXPECT_EQ(sheet_csv(sheets[0]),
              "\"\xC3\x98 pellets, 8.44 gr\"\n#,Speed (FPS),Time\n1,800,9:01:02\n2,801.25\n3,799.5,9:03:04\n\n"
              "AVERAGE SPEED,800.25\n");
    const StringRead read = read_string_bytes(xls, "s.xls");
    ASSERT_TRUE(read.ok()) << read.error.text();
    EXPECT_EQ(read.string->format, "xero-sheet");
    EXPECT_EQ(read.string->title, "\xC3\x98 pellets, 8.44 gr");
    ASSERT_EQ(read.string->shots.size(), 3u);
    EXPECT_EQ(read.string->shots[1].MV, 801.25f);
    EXPECT_EQ(read.string->shots[2].time, "9:03:04");
    // A sector chain that runs in a circle, or out of the file, is refused where it goes wrong.
    std::string circle = xls;
    set32(circle, 512 + 4 * 3, 3);
    EXPECT_FALSE(read_string_bytes(circle, "c.xls").ok());
    std::string outside = xls;
    set32(outside, 0x30, 4000);
    EXPECT_EQ(read_string_bytes(outside, "o.xls").error.text(),
              "o.xls: expected a sector chain within the file's 4 sectors, found sector 4000");
}

std::string xlsx(const std::string& sheet_xml, const std::string& strings_xml) {
    return zip_of({{"[Content_Types].xml", "<Types/>"},
                   {"xl/workbook.xml",
                    "<?xml version=\"1.0\"?><x:workbook xmlns:x=\"m\" xmlns:r=\"r\"><x:sheets>"
                    "<x:sheet name=\"A &amp; B\" sheetId=\"1\" r:id=\"rId7\"/></x:sheets></x:workbook>"},
                   {"xl/_rels/workbook.xml.rels",
                    "<Relationships><Relationship Id=\"rId7\" Target=\"worksheets/data.xml\"/></Relationships>"},
                   {"xl/sharedStrings.xml", strings_xml},
                   {"xl/worksheets/data.xml", sheet_xml}},
                  true);
}

TEST(Workbooks, AnOpenXmlWorkbookReadsItsTextsNumbersAndGaps) {
    const std::string strings =
        "<sst><si><t>Speed (FPS)</t></si><si><r><t>Pel</t></r><r><t xml:space=\"preserve\">let &lt;x&gt;</t></r>"
        "<rPh><t>ignored</t></rPh></si></sst>";
    const std::string sheet =
        "<worksheet><sheetData><row r=\"2\"><c t=\"inlineStr\"><is><t>#</t></is></c><c t=\"s\"><v>0</v></c></row>"
        "<row><c r=\"A3\"><v>1</v></c><c r=\"B3\"><v>8.0E2</v></c><c r=\"D3\" t=\"s\"><v>1</v></c></row>"
        "<!-- <row r=\"9\"><c><v>9</v></c></row> --><row r=\"5\"><c r=\"A5\" t=\"b\"><v>1</v></c>"
        "<c r=\"B5\" t=\"str\"><f>A1</f><v>&#x3A9;&#937;</v></c></row></sheetData></worksheet>";
    std::vector<Sheet> sheets;
    ASSERT_FALSE(read_workbook(xlsx(sheet, strings), "w.xlsx", sheets));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, "A & B");
    EXPECT_EQ(sheet_csv(sheets[0]), "\n#,Speed (FPS)\n1,800,,Pellet <x>\n\nTRUE,\xCE\xA9\xCE\xA9\n");

    const StringRead read = read_string_bytes(xlsx(sheet, strings), "w.xlsx");
    ASSERT_TRUE(read.ok()) << read.error.text();
    EXPECT_EQ(read.string->shots.front().MV, 800.0f);
    // Faults are named with the part they are in.
    EXPECT_EQ(read_string_bytes(xlsx("<row><c t=\"s\"><v>5</v></c></row>", strings), "w.xlsx").error.text(),
              "w.xlsx xl/worksheets/data.xml: expected a shared string's number below 2, found '5'");
    EXPECT_EQ(read_string_bytes(xlsx("<c r=\"XFD1\"><v>1</v></c>", strings), "w.xlsx").error.text(),
              "w.xlsx xl/worksheets/data.xml: expected at most 200000 rows and 256 columns in a sheet");
    EXPECT_EQ(read_string_bytes(xlsx("<c r=\"A1\"><v>1</v></c>", strings), "w.xlsx").error.text(),
              "w.xlsx: expected a ShotView sheet ('#, Speed (FPS), …') in the workbook; its one sheet is not one");
    EXPECT_EQ(read_string_bytes(zip_of({{"xl/workbook.xml.bak", "x"}}, false), "z.xlsx").error.text(),
              "z.xlsx: expected a workbook part 'xl/workbook.xml' in the zip");
}

}  // namespace
}  // namespace velora
