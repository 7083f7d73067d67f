// What a screen reader is told about the window, and where the group key goes: pure functions,
// checked without a window.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/accessible_texts.h"
#include "app/control_ids.h"
#include "app/key_groups.h"
#include "output/popup_menus.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Spoken : public ::testing::Test {
protected:
    void SetUp() override { recalc(); }
    void recalc() {
        s.ChangeKind = 0;
        recalculate(s, r, true);
    }
    AccessibleText text(int id, const std::string& shown = {}) { return accessible_text(s, r, id, shown); }

    CalcState s = testing::first_run_state();
    CalcResults r;
};

TEST_F(Spoken, EveryNamedControlHasANameAndTheFocusableOnesADescription) {
    std::set<int> seen;
    for (int id : named_controls()) {
        EXPECT_TRUE(seen.insert(id).second) << "control " << id << " listed twice";
        const AccessibleText t = text(id);
        EXPECT_FALSE(t.name.empty()) << "control " << id;
        const bool focusable = is_input_field(id) || key_group_of(id) != KeyGroup::None;
        if (focusable) {
            EXPECT_FALSE(t.description.empty()) << "control " << id;
        }
    }
    for (int id = FieldMV; id <= FieldTVTol; ++id) EXPECT_TRUE(seen.count(id)) << "field " << id;
    for (int id = UnitMV; id <= DragLawList; ++id) EXPECT_TRUE(seen.count(id)) << "list " << id;
    EXPECT_TRUE(seen.count(UnitTMP) && seen.count(UnitPRES));
    // Captions speak for themselves; a caption stands for one control only.
    EXPECT_TRUE(text(CaptionMV).name.empty());
    std::set<int> captions, controls;
    for (const CaptionPair& p : caption_pairs()) {
        EXPECT_TRUE(captions.insert(p.caption).second) << p.caption;
        EXPECT_TRUE(controls.insert(p.control).second) << p.control;
        EXPECT_TRUE(seen.count(p.control)) << "caption " << p.caption << " names a control without texts";
    }
}

TEST_F(Spoken, FieldsAreNamedByTheirCaptionAndDescribeUnitAndRange) {
    EXPECT_EQ(text(FieldMV).name, "Muzzle Velocity");
    EXPECT_EQ(text(FieldTR).name, "Target Range");
    EXPECT_EQ(text(FieldZR).name, "Far Zero");
    EXPECT_EQ(text(FieldMVTol).name, "Chronograph at the muzzle, maximum error in percent");
    EXPECT_EQ(text(FieldTVTol).name, "Chronograph at the target, maximum error in percent");
    EXPECT_EQ(text(UnitMV).name, "Muzzle Velocity unit");
    EXPECT_EQ(text(DragLawList).name, "Drag law");
    EXPECT_EQ(text(MethodButtonV).name, "Two Chronographs");

    const std::string mv = text(FieldMV).description;
    EXPECT_TRUE(has(mv, "feet per second (Ft/s), 200.0 to 4000.0")) << mv;
    // The target range lies between a quarter beyond the far zero and the farthest range.
    const std::string tr = text(FieldTR).description;
    EXPECT_TRUE(has(tr, "in yards, ")) << tr;
    EXPECT_TRUE(has(tr, " to " + std::to_string(int(r.MaxTargetRange)))) << tr;
    EXPECT_TRUE(has(text(FieldTMP).description, "degrees Celsius (°C), -20.0 to 60.0")) << text(FieldTMP).description;
    EXPECT_TRUE(has(text(FieldPRES).description, "inches of mercury (\"Hg), 19.00 to 35.00"));
    EXPECT_TRUE(has(text(FieldBC).description, "GA2")) << text(FieldBC).description;
    EXPECT_TRUE(has(text(FieldBC).description, "0.0040 to 1.2000"));
    EXPECT_TRUE(has(text(FieldMVTol).description, "0.0 to 5.0 percent"));
    EXPECT_TRUE(has(text(UnitMV).description, "Ft/s, m/s or Mach"));
    EXPECT_TRUE(has(text(UnitPRES).description, "\"Hg, mmHg or mBar"));
    // The POI field takes millimetres here (statePOI 2): at least 0.1 inch below the aim.
    EXPECT_TRUE(has(text(FieldPOI).description, "millimetres (mm), at least 2.54 below")) << text(FieldPOI).description;
}

TEST_F(Spoken, TextsFollowTheUnitsTheSetUpAndTheZero) {
    s.stateMV = 1;
    s.stateTMP = 1;
    recalc();
    EXPECT_TRUE(has(text(FieldMV).description, "metres per second (m/s), 61.0 to 1219.2")) << text(FieldMV).description;
    EXPECT_TRUE(has(text(FieldTMP).description, "degrees Fahrenheit (°F), -4.0 to 140.0"));
    s.stateMV = 2;
    recalc();
    EXPECT_TRUE(has(text(FieldMV).description, "in Mach, 0.") &&
                has(text(FieldMV).description, "at the air temperature"));

    // One chronograph measures the POI; the others are predictions.
    EXPECT_TRUE(has(text(FieldPOI).description, "Point of impact below"));
    EXPECT_EQ(text(FieldTV).description.rfind("Predicted", 0), 0u);
    EXPECT_TRUE(has(text(FieldTVTol).description, "Used only with two chronographs"));
    s.stateRB = DeltaV;
    recalc();
    EXPECT_TRUE(has(text(FieldTV).description, "from the second chronograph")) << text(FieldTV).description;
    EXPECT_EQ(text(FieldPOI).description.rfind("Predicted", 0), 0u);
    EXPECT_FALSE(has(text(FieldTVTol).description, "Used only"));
    EXPECT_TRUE(has(text(FieldSH).description, "not used by this set-up"));

    s.ShowFarZero = 0;
    EXPECT_EQ(text(FieldZR).name, "Near Zero");
    s.mode = 0;
    EXPECT_EQ(text(PanelButton).name, "Show output panel");
    s.mode = 1;
    EXPECT_EQ(text(PanelButton).name, "Hide output panel");
}

TEST_F(Spoken, ReadOutsQuoteWhatTheyShow) {
    EXPECT_EQ(text(MaxBcValue, "0.0219").name, "Maximum BC 0.0219");
    EXPECT_EQ(text(NaiveBcValue, "0.0195").name, "Naïve BC 0.0195");
    EXPECT_EQ(text(MinBcValue).name, "Minimum BC") << "nothing computed yet";
    EXPECT_EQ(text(BcResult, "0.0195").name, "Calculated Ballistic Coefficient 0.0195");
    EXPECT_EQ(text(DensityLine, "Density 0.074838 Lbm/Ft³").name, "Density 0.074838 Lbm/Ft³");
}

TEST_F(Spoken, ThePlotSummaryTellsQuantitySpanAndTargetValues) {
    std::string summary = plot_summary(s, r);
    EXPECT_EQ(summary.rfind("Plot of Point of Impact (mm) v. Range (Yard), BC[GA2] = 0.0195, from 0 to ", 0), 0u)
        << summary;
    EXPECT_TRUE(has(summary, "At the target, 40.0 Yard: point of impact ")) << summary;
    EXPECT_TRUE(has(summary, " mm, velocity ") && has(summary, " Ft/s, time ") && has(summary, " Second, drop "));
    EXPECT_TRUE(has(summary, "The target is marked."));
    EXPECT_TRUE(has(text(PlotSurface).description, summary));

    s.stateRB = DeltaT;
    s.stateTR = 2;
    s.ShowTarget = 0;
    recalc();
    summary = plot_summary(s, r);
    EXPECT_TRUE(has(summary, "Plot of Time (Second) v. Range (Metre), MV = 785.0 Ft/s, BC")) << summary;
    EXPECT_TRUE(has(summary, "v. Range (Metre)")) << summary;
    EXPECT_FALSE(has(summary, "marked"));
}

TEST(PreferencesTexts, TheBoxesAreNamedByTheirCaptions) {
    EXPECT_EQ(preferences_text(0).name, "Enable update check on start up");
    EXPECT_EQ(preferences_text(1).name, "Enable ORMA logo on start and exit");
    EXPECT_EQ(preferences_text(2).name, "Enable Tooltips");
    EXPECT_EQ(preferences_text(3).name, "OK");
    for (int row = 0; row < 4; ++row) EXPECT_FALSE(preferences_text(row).description.empty());
}

TEST(GroupKey, VisitsEveryGroupInTurnAndSkipsTheHiddenPanel) {
    CalcState s = testing::first_run_state();
    s.mpag = FieldTR;
    s.stateRB = DeltaT;
    s.mode = 1;
    const std::vector<int> forward = {MethodButtonT, UnitTR, DragLawList, ClickZero, PanelButton, OutputPanel, FieldTR};
    int at = FieldTR;
    for (int expected : forward) EXPECT_EQ(at = next_group_control(s, at, true), expected);
    for (auto it = forward.rbegin() + 1; it != forward.rend(); ++it)
        EXPECT_EQ(at = next_group_control(s, at, false), *it);
    EXPECT_EQ(next_group_control(s, at, false), FieldTR);

    // Inside a group the key goes on from any member; without the panel the pages are skipped.
    s.mode = 0;
    EXPECT_EQ(next_group_control(s, UnitPRES, true), DragLawList);
    EXPECT_EQ(next_group_control(s, FieldTVTol, true), MethodButtonT);
    EXPECT_EQ(next_group_control(s, PanelButton, true), FieldTR);
    EXPECT_EQ(next_group_control(s, FieldMV, false), PanelButton);
    // From nowhere (the table took the focus away) forward is the fields, back the last group.
    EXPECT_EQ(next_group_control(s, NoControl, true), FieldTR);
    EXPECT_EQ(next_group_control(s, TableRows, false), PanelButton);
    s.mpag = FieldHUMID;
    EXPECT_EQ(next_group_control(s, MethodButtonT, true), UnitMV) << "the humidity has no unit list";
    // The field the user was last in comes before mpag.
    EXPECT_EQ(next_group_control(s, MethodButtonT, true, FieldSH), UnitSH);
    EXPECT_EQ(next_group_control(s, PanelButton, true, FieldPOI), FieldPOI);
    EXPECT_EQ(next_group_control(s, PanelButton, true, FieldTVTol), FieldTVTol);
}

TEST(GroupKey, LeftAndRightWalkTheUnitListsAndTheSwitches) {
    EXPECT_EQ(next_in_group(UnitMV, true), UnitZR);
    EXPECT_EQ(next_in_group(UnitPOI, true), UnitET) << "reading order: the time row comes before the drop row";
    EXPECT_EQ(next_in_group(UnitPRES, true), UnitMV);
    EXPECT_EQ(next_in_group(UnitMV, false), UnitPRES);
    EXPECT_EQ(next_in_group(ClickDensity, true), ClickZero);
    EXPECT_EQ(next_in_group(ClickZero, false), ClickDensity);
    EXPECT_EQ(next_in_group(DragLawList, true), NoControl);
    EXPECT_EQ(next_in_group(FieldMV, true), NoControl) << "the fields keep their arrow keys";
}

TEST(Mnemonics, MarkOneLetterAndShowTheTextUnchanged) {
    EXPECT_EQ(with_mnemonic("Toggle Panel", 'g'), "To&ggle Panel");
    EXPECT_EQ(with_mnemonic("Print Table", 'T'), "Print &Table");
    EXPECT_EQ(with_mnemonic("Salt & Pepper", 'P'), "Salt && &Pepper");
    EXPECT_EQ(with_mnemonic("10", 'x'), "10") << "a letter the text lacks marks nothing";
    for (const char* text : {"Toggle Panel", "Salt & Pepper", "Table Step ...", "Save Table as .CSV"}) {
        for (char letter : {'T', 'P', 'S', 'g', '\0'}) {
            const std::string marked = with_mnemonic(text, letter);
            EXPECT_EQ(without_mnemonic(marked), text) << marked;
        }
    }
    EXPECT_EQ(mnemonic_of("To&ggle Panel"), 'g');
    EXPECT_EQ(mnemonic_of("Salt && &Pepper"), 'p');
    EXPECT_EQ(mnemonic_of("Salt && Pepper"), 0);
    // The popup menus: every command carries a letter of its own text, distinct within its menu.
    CalcState s = testing::first_run_state();
    for (const auto& items : {table_menu_items(s), plot_menu_items(s), table_menu_items(s)[2].items}) {
        std::set<char> letters;
        for (const PopupMenuItem& item : items) {
            if (item.kind != PopupMenuItem::Command && item.kind != PopupMenuItem::Submenu) continue;
            const char m = mnemonic_of(with_mnemonic(item.text, item.mnemonic));
            EXPECT_NE(m, 0) << item.text;
            EXPECT_TRUE(letters.insert(m).second) << item.text;
        }
    }
}

}  // namespace
}  // namespace velora
