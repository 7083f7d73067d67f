// Reading the trajectory at any range, and the factors into the units of the table and plot.
#pragma once

#include "state/calc_state.h"
#include "engine/trajectory.h"

namespace velora {

// Interpolated lookups at a range in yards. Every range from LastSample − 1 on returns the sample
// at LastSample − 1; a range whose fraction is below 1/1000 (1/100 for the drop) reads the whole
// yard. All return 0 while LastSample ≤ 0.
double poi_at(const Trajectory& tr, double range_yd);
double velocity_at(const Trajectory& tr, double range_yd);
double time_at(const Trajectory& tr, double range_yd);
float drop_at(const Trajectory& tr, float range_yd);

// Display units per internal unit for the table and the plot, from the unit selections.
struct DisplayFactors {
    float range = 0;     // from stateTR: 3, 1, 0.9144
    float velocity = 0;  // from stateMV: 1, 0.3048, 1/c
    float poi = 0;       // from statePOI: 1, 2.54, 25.4
    float drop = 0;      // from stateDROP
    float time = 0;      // from stateET: 1, 1000
};

// Renews each factor from its selection; a selection outside its list leaves that factor as it was.
void set_display_factors(DisplayFactors& f, const CalcState& s);

enum PlotCurve : int { CurvePOI = 0, CurveTime = 1, CurveVelocity = 2, CurveDrop = 3 };

// Ordinate of a curve at a range in display range units, in display units; 0 for another curve.
float plot_value(const Trajectory& tr, const DisplayFactors& f, int curve, float range);

}  // namespace velora
