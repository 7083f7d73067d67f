// What a screen reader says for each control of the main window and the preferences window: a
// name that tells what the control is and a description with its unit and the values it takes.
// Pure functions of the state and the last results; the window attaches the texts after every
// recalculation, so they follow the units, the set-up and the values shown.
#pragma once

#include <string>
#include <vector>

#include "state/calc_state.h"
#include "solver/calc_results.h"

namespace velora {

struct AccessibleText {
    std::string name;
    std::string description;
};

// The texts of one control of the main window (the numbers of control_ids.h). `shown` is what
// the control shows at the moment (the value of a Confidence result, the BC result, the density
// line), which the names of those read-outs quote. Controls without texts of their own (the
// captions, which a reader takes as they are written) give an empty name.
AccessibleText accessible_text(const CalcState& s, const CalcResults& r, int id, const std::string& shown = {});

// Every control of the main window that accessible_text names, in the order of the window.
const std::vector<int>& named_controls();

// The captions and the controls they stand for: a screen reader announces a field, list or button
// by the caption beside it ("caption → control").
struct CaptionPair {
    int caption;
    int control;
};
const std::vector<CaptionPair>& caption_pairs();

// The plot summarised in words: the quantity against range with the BC, the span of the range
// axis, the values at the target range and whether the target is marked.
std::string plot_summary(const CalcState& s, const CalcResults& r);

// The names and descriptions of the preferences window: the three option boxes (row 0 update
// check, 1 logo, 2 tooltips) and "OK" (row 3).
AccessibleText preferences_text(int row);

}  // namespace velora
