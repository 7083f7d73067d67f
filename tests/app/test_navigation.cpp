// Keyboard navigation over the input fields and the fields each set-up opens.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/control_ids.h"
#include "app/navigation.h"

namespace velora {
namespace {

CalcState state(int method, int bc_shown_as_result, int mode = 0, int tab = TabTable) {
    CalcState s;
    s.stateRB = method;
    s.stateBC_VAL = bc_shown_as_result;
    s.mode = mode;
    s.statePAN = tab;
    return s;
}

// Walks Tab from field 5 until it comes back to 5.
std::vector<int> tab_cycle(CalcState s) {
    std::vector<int> seen{FieldMV};
    int f = FieldMV;
    for (int i = 0; i < 40; ++i) {
        f = next_field(s, f, KeyTab);
        if (f == FieldMV) return seen;
        seen.push_back(f);
    }
    ADD_FAILURE() << "Tab never returns to field 5";
    return seen;
}

TEST(NextField, TabOrderOfEachSetUpWithTheBcField) {
    EXPECT_EQ(tab_cycle(state(DeltaPOI, 0)), (std::vector<int>{5, 6, 7, 8, 10, 13, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaT, 0)), (std::vector<int>{5, 7, 11, 13, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaV, 0)), (std::vector<int>{5, 7, 9, 13, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaD, 0)), (std::vector<int>{5, 7, 12, 13, 14, 15, 16}));
}

TEST(NextField, TabSkipsTheBcFieldWhileTheBcIsAResult) {
    EXPECT_EQ(tab_cycle(state(DeltaPOI, 1)), (std::vector<int>{5, 6, 7, 8, 10, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaT, 1)), (std::vector<int>{5, 7, 11, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaV, 1)), (std::vector<int>{5, 7, 9, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaD, 1)), (std::vector<int>{5, 7, 12, 14, 15, 16}));
}

TEST(NextField, TheConfidencePageAddsTheTolerances) {
    EXPECT_EQ(tab_cycle(state(DeltaPOI, 0, 1, TabConfidence)), (std::vector<int>{5, 6, 7, 8, 10, 13, 14, 15, 16, 17}));
    EXPECT_EQ(tab_cycle(state(DeltaV, 1, 1, TabConfidence)), (std::vector<int>{5, 7, 9, 14, 15, 16, 17, 18}));
    // The other pages hide the tolerance fields: Tab never lands in a field that cannot be seen.
    EXPECT_EQ(tab_cycle(state(DeltaT, 0, 1, TabTable)), (std::vector<int>{5, 7, 11, 13, 14, 15, 16}));
    EXPECT_EQ(tab_cycle(state(DeltaV, 0, 1, TabPlot)), (std::vector<int>{5, 7, 9, 13, 14, 15, 16}));
    // A panel that is hidden hides the Confidence page too.
    EXPECT_EQ(tab_cycle(state(DeltaD, 0, 0, TabConfidence)), (std::vector<int>{5, 7, 12, 13, 14, 15, 16}));
}

TEST(NextField, ShiftTabFromTheFirstFieldGoesToTheLast) {
    CalcState hidden = state(DeltaT, 0);
    EXPECT_EQ(next_field(hidden, FieldMV, KeyBacktab), FieldHUMID);
    CalcState confidence = state(DeltaPOI, 0, 1, TabConfidence);
    EXPECT_EQ(next_field(confidence, FieldMV, KeyBacktab), FieldMVTol);
    CalcState two_chronographs = state(DeltaV, 0, 1, TabConfidence);
    EXPECT_EQ(next_field(two_chronographs, FieldMV, KeyBacktab), FieldTVTol);
}

// Every combination: Shift+Tab walks the Tab cycle backwards, and both land only on fields that
// the set-up opens and that can be seen.
TEST(NextField, ShiftTabRetracesTabEverywhere) {
    for (int method = 0; method < 4; ++method)
        for (int bc = 0; bc < 2; ++bc)
            for (int mode = 0; mode < 2; ++mode)
                for (int tab = 0; tab < 3; ++tab) {
                    SCOPED_TRACE(testing::Message()
                                 << "method " << method << " bc " << bc << " mode " << mode << " tab " << tab);
                    CalcState s = state(method, bc, mode, tab);
                    const std::vector<int> cycle = tab_cycle(s);
                    for (size_t i = 0; i < cycle.size(); ++i) {
                        const int f = cycle[i];
                        const int before = cycle[(i + cycle.size() - 1) % cycle.size()];
                        EXPECT_EQ(next_field(s, f, KeyBacktab), before) << "from " << f;
                        if (f == FieldBC) {
                            EXPECT_EQ(bc, 0);
                        }
                        if (f <= FieldHUMID) {
                            EXPECT_TRUE(method_enables_field(method, f)) << f;
                        }
                        if (f == FieldTVTol) {
                            EXPECT_EQ(method, DeltaV);
                        }
                        if (f >= FieldMVTol) {
                            EXPECT_TRUE(mode == 1 && tab == TabConfidence);
                        }
                    }
                    // Every open, visible field lies on the cycle.
                    const std::set<int> on_cycle(cycle.begin(), cycle.end());
                    for (int f = FieldMV; f <= FieldHUMID; ++f) {
                        const bool visible = f != FieldBC || bc == 0;
                        if (method_enables_field(method, f) && visible) {
                            EXPECT_TRUE(on_cycle.count(f)) << f;
                        }
                    }
                }
}

TEST(NextField, ReturnStaysAndFieldsUpToHumidityBecomeTheFocusField) {
    CalcState s = state(DeltaT, 0, 1, TabConfidence);
    s.mpag = 5;
    EXPECT_EQ(next_field(s, FieldET, KeyReturn), FieldET);
    EXPECT_EQ(s.mpag, FieldET);
    EXPECT_EQ(next_field(s, FieldHUMID, KeyTab), FieldMVTol);
    EXPECT_EQ(s.mpag, FieldET) << "the tolerance fields never become the focus field";
    EXPECT_EQ(next_field(s, FieldMVTol, KeyTab), FieldMV);
    EXPECT_EQ(s.mpag, FieldMV);
}

TEST(NextField, FromAControlThatIsNoField) {
    CalcState s = state(DeltaV, 0);
    EXPECT_EQ(next_field(s, MethodButtonV, KeyTab), FieldMV);
    EXPECT_EQ(next_field(s, NoControl, KeyTab), FieldMV);
    EXPECT_EQ(next_field(s, PanelButton, KeyBacktab), FieldHUMID);
    EXPECT_EQ(next_field(s, NoControl, KeyBacktab), FieldHUMID);
    EXPECT_EQ(next_field(s, DragLawList, KeyReturn), DragLawList);
}

TEST(MethodEnablesField, EachSetUpOpensItsOwnMeasurement) {
    const std::set<int> common{5, 7, 13, 14, 15, 16};
    const std::set<int> own[4] = {{6, 8, 10}, {11}, {9}, {12}};
    for (int method = 0; method < 4; ++method)
        for (int f = FieldMV; f <= FieldHUMID; ++f)
            EXPECT_EQ(method_enables_field(method, f), common.count(f) + own[method].count(f) == 1)
                << "method " << method << " field " << f;
    EXPECT_FALSE(method_enables_field(DeltaV, FieldTVTol));
}

}  // namespace
}  // namespace velora
