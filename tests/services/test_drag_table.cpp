// Drag tables read from the makers' .drg files, from CSV and from JSON; written back; refused in
// one line naming the line and the fault.
#include "services/readers/drag_table.h"

#include "engine/drag_curve.h"

#include <gtest/gtest.h>

#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

const std::filesystem::path Lapua = test::real_data() / "lapua-22lr-radar-cd";
const char* const Polar = "22LR-Polar biathlon Lapua  2,59g _Radar.drg";
const char* const CenterX = "22LR-XACT-Midas-CenterX- Lapua  2,59g _Radar.drg";

DragTableFile read_ok(std::string_view bytes, const std::string& name = "t.csv") {
    DragTableRead r = read_drag_table(bytes, name);
    EXPECT_TRUE(r.ok()) << r.error;
    return r.ok() ? *r.table : DragTableFile{};
}

TEST(DragTableFiles, TheMakersRadarTablesAreRead) {
    REQUIRE_REAL_DATA();
    const DragTableRead polar = read_drag_table_file((Lapua / Polar).string());
    ASSERT_TRUE(polar.ok()) << polar.error;
    const DragTableFile& t = *polar.table;
    EXPECT_EQ(t.format, "drg");
    EXPECT_EQ(t.name, ".22LR Lapua polar 2.59g");
    ASSERT_EQ(t.points.size(), 13u);
    EXPECT_EQ(t.points.front().mach, 0.0f);
    EXPECT_EQ(t.points.front().cd, 0.4f);
    EXPECT_EQ(t.points.back().mach, 0.975f);
    EXPECT_EQ(t.points.back().cd, 0.263f);
    // 2.59 g, 5.69 mm, 13 mm, as the table states them.
    EXPECT_NEAR(*t.projectile.weight_gr, 2.59 * GrainsPerGram, 1e-9);
    EXPECT_NEAR(*t.projectile.calibre_in, 5.69 / 25.4, 1e-12);
    EXPECT_NEAR(*t.projectile.length_in, 13 / 25.4, 1e-12);
    EXPECT_EQ(t.projectile.source, "from the drag table");

    const DragTableRead center = read_drag_table_file((Lapua / CenterX).string());
    ASSERT_TRUE(center.ok()) << center.error;
    EXPECT_EQ(center.table->points.size(), 14u);
    EXPECT_EQ(center.table->points.back().mach, 1.0f);
}

TEST(DragTableFiles, BothWrittenFormsReadBackBitForBit) {
    DragTableFile t;
    t.name = "pellet \"A\", fitted";
    t.points = {{0.3f, 0.51f}, {0.55f, 0.4837f}, {0.8123457f, 0.3f}};
    t.projectile.weight_gr = 8.44;
    t.projectile.calibre_in = 0.177;
    t.cd_low = {0.5f, 0.48f, 0.29f};
    t.cd_high = {0.52f, 0.49f, 0.31f};
    t.span = std::pair{0.31f, 0.8f};
    for (const std::string& text : {drag_table_csv(t), drag_table_json(t)}) {
        const DragTableFile back = read_ok(text);
        EXPECT_EQ(back.name, t.name) << text;
        ASSERT_EQ(back.points.size(), t.points.size());
        for (std::size_t i = 0; i < t.points.size(); ++i) {
            EXPECT_EQ(back.points[i].mach, t.points[i].mach);
            EXPECT_EQ(back.points[i].cd, t.points[i].cd);
        }
        EXPECT_EQ(back.projectile.weight_gr, t.projectile.weight_gr);
        EXPECT_EQ(back.projectile.calibre_in, t.projectile.calibre_in);
        EXPECT_FALSE(back.projectile.length_in);
    }
    // The band and the span travel in the JSON form.
    const DragTableFile json = read_ok(drag_table_json(t));
    EXPECT_EQ(json.cd_low, t.cd_low);
    EXPECT_EQ(json.cd_high, t.cd_high);
    EXPECT_EQ(json.span, t.span);
}

TEST(DragTableFiles, APlainCsvWithCommentsAndAHeader) {
    const DragTableFile t = read_ok("\xEF\xBB\xBF# my pellet\r\nMach,Cd\r\n\r\n0.5, 0.3\r\n0.7,0.28\r\n");
    EXPECT_EQ(t.format, "csv");
    EXPECT_EQ(t.name, "t.csv");
    ASSERT_EQ(t.points.size(), 2u);
    EXPECT_EQ(t.points[1].mach, 0.7f);
    EXPECT_EQ(t.points[1].cd, 0.28f);
    EXPECT_FALSE(t.projectile.weight_gr);
}

TEST(DragTableFiles, AWrongTableIsRefusedInOneLineNamingTheLineAndTheFault) {
    const std::pair<std::string, std::string> cases[] = {
        {"mach,cd\n0.5,0.3\n0.5,0.29\n", "t.csv line 3: its Mach number 0.5 is not above the 0.5 before it"},
        {"0.5,0.3\n0.4,0.29\n", "t.csv line 2: its Mach number 0.4 is not above the 0.5 before it"},
        {"0.5,0.3\n0.6,0\n", "t.csv line 2: its drag coefficient 0 is not above 0"},
        {"0.5,0.3\n0.6,-0.2\n", "t.csv line 2: its drag coefficient -0.2 is not above 0"},
        {"0.5,0.3\n0.6,nan\n", "t.csv line 2: a Mach number and a drag coefficient (mach,cd), not '0.6,nan'"},
        {"0.5,0.3\n0.6,1e999\n", "t.csv line 2: a Mach number and a drag coefficient (mach,cd), not '0.6,1e999'"},
        {"0.5,0.3\n0.6;abc\n", "t.csv line 2: a Mach number and a drag coefficient (mach,cd), not '0.6;abc'"},
        {"0.5,0.3\n0.6,0.2,0.1\n", "t.csv line 2: a Mach number and a drag coefficient (mach,cd), not '0.6,0.2,0.1'"},
        {"0.5,0.3\n", "t.csv: a drag curve needs at least 2 points, not 1"},
        {"# nothing\n", "t.csv: a drag curve needs at least 2 points, not 0"},
        {"0.5,0.3\n900,0.2\n", "t.csv line 2: its Mach number 900 is above 20"},
        {"# weight_gr: 9000\n0.5,0.3\n0.6,0.2\n",
         "t.csv line 1: the weight_gr 9000 is not a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"CFM, x, .002590, 5.69, .013\n0.4\t0\n0.3\t0.5\n",
         "t.csv line 1: the diameter in metres 5.69 is not a calibre from 0.1 to 1 in (2.54 to 25.4 mm)"},
        {"CFM, x, .002590, .00569, .013\n0.4\t0\n0.3\n",
         "t.csv line 3: a drag coefficient and a Mach number, not '0.3'"},
        {"{\"schema\": 1, \"kind\": \"drag_table\", \"points\": [{\"mach\": 0.5, \"cd\": 0.3}, {\"mach\": 0.4, "
         "\"cd\": 0.3}]}",
         "t.csv: point 2: its Mach number 0.4 is not above the 0.5 before it"},
        {"{\"schema\": 1, \"kind\": \"drag_table\", \"points\": [{\"mach\": 0.5, \"cd\": \"x\"}]}",
         "t.csv: point 1: its \"mach\" and \"cd\" must be finite numbers"},
        {"{\"schema\": 1, \"kind\": \"shots\"}", "t.csv line 1: a JSON object with \"kind\": \"drag_table\""},
        {"{\"schema\": 1,\n \"kind\": ",
         "t.csv line 2: not JSON: syntax error while parsing value - unexpected end of "
         "input; expected '[', '{', or a literal"},
        {std::string("0.5,0.3\n\x01\x02\x03", 11), "t.csv: a drag table is text, and this is not"},
    };
    for (const auto& [text, error] : cases) {
        const DragTableRead r = read_drag_table(text, "t.csv");
        EXPECT_FALSE(r.ok()) << text;
        EXPECT_EQ(r.error, error) << text;
    }
    // More than 1000 points stop at the line of the 1001st.
    std::string many;
    for (int i = 0; i <= MostDragPoints; ++i) many += std::to_string(0.01 * i) + ",0.3\n";
    EXPECT_EQ(read_drag_table(many, "t.csv").error, "t.csv line 1001: a drag table has at most 1000 points");
    EXPECT_EQ(read_drag_table_file("/no/such/table.drg").error,
              "cannot read /no/such/table.drg: No such file or directory");
}

}  // namespace
}  // namespace velora
