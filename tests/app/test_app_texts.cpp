// The window's fixed texts and the rules behind what it shows.
#include <gtest/gtest.h>

#include <set>

#include "app/app_texts.h"
#include "app/control_ids.h"

namespace velora {
namespace {

TEST(MessageText, CarriageReturnsStartNewLines) {
    EXPECT_EQ(message_display_text("\rA\rB\r\rC"), "\nA\nB\n\nC");
    EXPECT_EQ(message_display_text("Chronograph (Muzzle)\r\nMaximum Error (%)"),
              "Chronograph (Muzzle)\nMaximum Error (%)");
    EXPECT_EQ(message_display_text("end\r"), "end\n");
}

TEST(AboutText, OpensWithTheVersionLines) {
    const std::string about = about_text();
    EXPECT_EQ(about.rfind("\r1.2.2 (Build:300624)\r\rFor Windows, macOS and Linux\r\r"
                          "An attempt at a universal Ballistic Coefficient calculator ...\r",
                          0),
              0u);
    EXPECT_NE(about.find("Acknowledgements"), std::string::npos);
    EXPECT_NE(about.find("Version history"), std::string::npos);
    EXPECT_NE(about.find("MIT License"), std::string::npos) << "the licence the program comes under";
    EXPECT_EQ(about.find('\n'), std::string::npos) << "lines are separated by carriage returns alone";
}

TEST(FixedTooltips, TheButtonsComeBeforeTheirCaptionsAndTheOutputsLast) {
    const auto tips = fixed_tooltips();
    auto position = [&](int id) {
        for (size_t i = 0; i < tips.size(); ++i)
            if (tips[i].first == id) return static_cast<int>(i);
        return -1;
    };
    EXPECT_LT(position(MethodButtonD), position(MethodCaptionPOI));
    EXPECT_LT(position(MethodCaptionD), position(TableRows));
    EXPECT_EQ(tips.back().first, PlotSurface);
    for (int id : {CaptionDROP, DragLawDescription, DensityLine, FieldMVTol, FieldTVTol, MaxBcValue})
        EXPECT_EQ(position(id), -1) << "control " << id << " has no fixed tooltip";
    for (int m = 0; m < 4; ++m)
        EXPECT_EQ(tips[position(MethodButtonPOI + m)].second, tips[position(MethodCaptionPOI + m)].second);
    EXPECT_EQ(tips[position(FieldBC)].second, "Ballistic Coefficient (0.0040 to 1.2000)");
    EXPECT_EQ(tips[position(UnitTMP)].second, "Units: °C or °F");
    EXPECT_EQ(tips[position(CaptionBC)].second, "Ballistic Coefficient. Double-click to toggle data entry");
}

TEST(CaptionEmphasis, OnlyTheSetUpsOwnTwoCaptions) {
    const std::set<int> own[4] = {{68, 62}, {69, 64}, {70, 61}, {71, 63}};
    for (int method = 0; method < 4; ++method)
        for (int id : SetUpCaptions)
            EXPECT_EQ(caption_emphasised(method, id), own[method].count(id) == 1) << method << " " << id;
}

TEST(UnitMarkers, ByPanelPageAndSetUp) {
    CalcState s;
    s.mode = 0;
    s.statePAN = TabTable;
    for (int id = MarkerMV; id <= MarkerDROP; ++id) EXPECT_FALSE(unit_marker_shown(s, id));
    s.mode = 1;
    for (int id = MarkerMV; id <= MarkerDROP; ++id) EXPECT_TRUE(unit_marker_shown(s, id));
    s.statePAN = TabConfidence;
    for (int id = MarkerMV; id <= MarkerDROP; ++id) EXPECT_FALSE(unit_marker_shown(s, id));
    s.statePAN = TabPlot;
    const std::set<int> plotted[4] = {
        {MarkerTR, MarkerPOI}, {MarkerTR, MarkerET, MarkerMV}, {MarkerTR, MarkerMV}, {MarkerTR, MarkerDROP}};
    for (int method = 0; method < 4; ++method) {
        s.stateRB = method;
        for (int id = MarkerMV; id <= MarkerDROP; ++id)
            EXPECT_EQ(unit_marker_shown(s, id), plotted[method].count(id) == 1) << method << " " << id;
    }
}

TEST(MenuTexts, SwitchingItemsAndTheTickedStep) {
    EXPECT_STREQ(gaps_item_text(1), "Hide Table Gaps");
    EXPECT_STREQ(gaps_item_text(0), "Show Table Gaps");
    EXPECT_STREQ(target_marker_item_text(1), "Hide Target Marker");
    EXPECT_STREQ(target_marker_item_text(0), "Show Target Marker");
    EXPECT_EQ(table_step_item(1.0f), TableStep1);
    EXPECT_EQ(table_step_item(5.0f), TableStep5);
    EXPECT_EQ(table_step_item(10.0f), TableStep10);
    EXPECT_EQ(table_step_item(25.0f), TableStep25);
    EXPECT_EQ(table_step_item(2.0f), 0);
    EXPECT_EQ(table_step_item(5.01f), 0);
}

}  // namespace
}  // namespace velora
