// The confidence limits: the band of BC values that the chronographs' stated errors allow.
#pragma once

#include <optional>
#include <string>

#include "state/calc_state.h"
#include "engine/trajectory.h"
#include "solver/bc_solver.h"

namespace velora {

// The text shown for a limit whose solve left 0.004..1.2.
inline constexpr const char* UnknownLimit = "??????";

// The Confidence page.
struct ConfidencePage {
    std::string heading;           // the method's heading, "Two Chronographs (∆V)"
    std::string drag_law_heading;  // "With Reference to Drag Law " and the drag-law list's entry
    std::string bc;                // the BC that stands, 4 decimals
    std::string maximum;           // 4 decimals or "??????"
    std::string mean;
    std::string minimum;
    std::optional<float> maximum_bc;  // the values behind the texts; nothing for "??????"
    std::optional<float> mean_bc;
    std::optional<float> minimum_bc;
    bool target_tolerance_enabled = false;  // only DeltaV uses a target chronograph
    std::string muzzle_tolerance;           // "1.6%"
    std::string target_tolerance;
};

// Solves the BC again with the muzzle velocity (and for DeltaV the target velocity) moved to the
// ends of the chronographs' error ranges: the slower muzzle (and faster target) reading gives the
// maximum, the other ends the minimum. A maximum below the BC is shown as BC × 1.01, a minimum
// above it as BC / 1.01; the mean is the midpoint of the two shown limits. Every input it moves
// is put back exactly, TR is reloaded from the active slot and `tr` is flown again for the
// restored inputs. The drag-law heading names the list entry at `s.stateBC`.
ConfidencePage confidence_limits(CalcState& s, Trajectory& tr);

// The same page without flying the trajectory again, for a caller whose trajectory was flown
// from exactly the state's inputs (the flight after the restore would repeat it bit for bit).
ConfidencePage confidence_page(CalcState& s);

// The page in two halves, for a caller that runs the two solves itself (side by side): the
// solves with the readings moved to the ends of their error ranges — none when the errors are
// zero, and then both limits are the BC — and the page from their results.
struct ConfidenceTrials {
    bool solved = false;
    SolveInputs maximum;  // slower muzzle (and faster target) reading
    SolveInputs minimum;
};

ConfidenceTrials confidence_trials(const CalcState& s);

// `hi_bc` and `lo_bc` are the trials' results, or the BC when there were none. The state is not
// changed.
ConfidencePage confidence_page_from(const CalcState& s, float hi_bc, float lo_bc);

}  // namespace velora
