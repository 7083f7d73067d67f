// The shots file: reading with units and uncertainties, the errors by line, writing it back.
#include <gtest/gtest.h>

#include "services/shots_file.h"

namespace velora {
namespace {

TEST(ShotsFile, ReadsEveryQuantityInInternalUnitsOrWithSuffixes) {
    const ShotsText t = parse_shots_text(
        "\xEF\xBB\xBF"
        "Range, Quantity ,VALUE,uncertainty\r\n"
        "20,velocity,738.2,\r\n"
        "\r\n"
        "# a comment\n"
        "40 , POI , -0.85 , 0.15\n"
        "40,time,170ms,1ms\n"
        "54.864m,velocity,180m/s,1%\n"
        "50,drop,-25.4mm\n");
    ASSERT_TRUE(t.errors.empty()) << t.errors[0].reason;
    ASSERT_EQ(t.shots.size(), 5u);
    EXPECT_EQ(t.lines, (std::vector<int>{2, 5, 6, 7, 8}));
    EXPECT_FLOAT_EQ(t.shots[0].range, 20.0f);
    EXPECT_EQ(t.shots[0].quantity, ShotQuantity::Velocity);
    EXPECT_FALSE(t.shots[0].uncertainty);
    EXPECT_EQ(t.shots[1].quantity, ShotQuantity::Poi);
    EXPECT_FLOAT_EQ(t.shots[1].value, -0.85f);
    EXPECT_FLOAT_EQ(*t.shots[1].uncertainty, 0.15f);
    EXPECT_FLOAT_EQ(t.shots[2].value, 0.17f);
    EXPECT_FLOAT_EQ(*t.shots[2].uncertainty, 0.001f);
    EXPECT_NEAR(t.shots[3].range, 60.0f, 1e-4f);
    EXPECT_NEAR(t.shots[3].value, 590.551f, 1e-3f);
    EXPECT_NEAR(*t.shots[3].uncertainty, 5.90551f, 1e-4f) << "a percentage of the value";
    EXPECT_EQ(t.shots[4].quantity, ShotQuantity::Drop);
    EXPECT_FLOAT_EQ(t.shots[4].value, -1.0f);
}

TEST(ShotsFile, EachBadLineIsNamedByItsNumber) {
    const ShotsText t = parse_shots_text(
        "range,quantity,value\n"
        "20,speed,738\n"
        "x,velocity,738\n"
        "30,velocity,700ft\n"
        "40,velocity\n"
        "50,velocity,650,3\n"
        "60,time,0.25\n");
    ASSERT_EQ(t.errors.size(), 5u);
    EXPECT_EQ(t.errors[0].line, 2);
    EXPECT_NE(t.errors[0].reason.find("unknown quantity 'speed'"), std::string::npos);
    EXPECT_EQ(t.errors[1].line, 3);
    EXPECT_NE(t.errors[1].reason.find("range 'x'"), std::string::npos);
    EXPECT_EQ(t.errors[2].line, 4);
    EXPECT_NE(t.errors[2].reason.find("not a unit of velocity"), std::string::npos) << t.errors[2].reason;
    EXPECT_EQ(t.errors[3].line, 5);
    EXPECT_EQ(t.errors[4].line, 6) << "no uncertainty column in this header";
    ASSERT_EQ(t.shots.size(), 1u);
    EXPECT_EQ(t.lines[0], 7);

    const ShotsText no_header = parse_shots_text("\n20,velocity,738\n");
    ASSERT_EQ(no_header.errors.size(), 1u);
    EXPECT_EQ(no_header.errors[0].line, 2);
    EXPECT_TRUE(no_header.shots.empty());
    const ShotsText empty = parse_shots_text("");
    ASSERT_EQ(empty.errors.size(), 1u);
    EXPECT_EQ(empty.errors[0].line, 1);
    EXPECT_TRUE(parse_shots_text("range,quantity,value,uncertainty\n").errors.empty())
        << "no shot is not an error here";
}

// As a spreadsheet or an editor may save it: UTF-16 in either byte order with its mark, and lines
// ended by CR alone (an old Mac export), CR LF or LF, each counted once.
TEST(ShotsFile, ReadsUtf16AndEveryKindOfLineEnd) {
    const std::string text = "range,quantity,value\r20,velocity,738.2\r\r40,poi,-0.85\r\n50,time,0.2\n";
    const auto utf16 = [&text](bool big) {
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : text) {
            out += big ? std::string{'\0', c} : std::string{c, '\0'};
        }
        return out;
    };
    for (const std::string& bytes : {text, utf16(false), utf16(true)}) {
        const ShotsText t = parse_shots_text(bytes);
        ASSERT_TRUE(t.errors.empty()) << t.errors[0].line << ": " << t.errors[0].reason;
        ASSERT_EQ(t.shots.size(), 3u);
        EXPECT_EQ(t.lines, (std::vector<int>{2, 4, 5}));
        EXPECT_FLOAT_EQ(t.shots[1].value, -0.85f);
        EXPECT_FLOAT_EQ(t.shots[2].value, 0.2f);
    }
    const ShotsText bad = parse_shots_text("range,quantity,value\r20,speed,738\r30,velocity,x");
    ASSERT_EQ(bad.errors.size(), 2u);
    EXPECT_EQ(bad.errors[0].line, 2);
    EXPECT_EQ(bad.errors[1].line, 3);
}

TEST(ShotsFile, WrittenTextReadsBackToTheSameValues) {
    const std::vector<Shot> shots = {{20.0f, ShotQuantity::Velocity, 738.19995f, std::nullopt},
                                     {32.8084f, ShotQuantity::Poi, -0.8533f, 0.15f},
                                     {40.0f, ShotQuantity::Time, 0.17086f, 0.0007f},
                                     {50.0f, ShotQuantity::Drop, -12.25f, std::nullopt}};
    const std::string text = shots_text(shots);
    EXPECT_EQ(text.substr(0, text.find('\n')), "range,quantity,value,uncertainty");
    EXPECT_NE(text.find("\n20,velocity,738.19995,\n"), std::string::npos) << text;
    const ShotsText back = parse_shots_text(text);
    ASSERT_TRUE(back.errors.empty());
    ASSERT_EQ(back.shots.size(), shots.size());
    for (std::size_t i = 0; i < shots.size(); ++i) {
        EXPECT_EQ(back.shots[i].range, shots[i].range);
        EXPECT_EQ(back.shots[i].quantity, shots[i].quantity);
        EXPECT_EQ(back.shots[i].value, shots[i].value);
        EXPECT_EQ(back.shots[i].uncertainty, shots[i].uncertainty);
    }
}

}  // namespace
}  // namespace velora
