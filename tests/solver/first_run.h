// The inputs a first run starts with, as a calculator state.
#pragma once

#include "app/calc_state.h"

namespace velora::testing {

inline CalcState first_run_state() {
    CalcState s;
    s.MV = 785.0f;
    s.ZR = 32.0f;
    s.TR = 40.0f;
    s.TRArray[0] = 40.0f;
    s.TRArray[1] = 50.0f;
    s.TRArray[2] = 60.0f;
    s.TRArray[3] = 50.0f;
    s.SH = 1.65f;
    s.TV = 633.4f;
    s.POI = -0.767f;
    s.ET = 0.1708f;
    s.BC = 0.0195f;
    s.MV_TOL = 1.6f;
    s.TV_TOL = 1.3f;
    s.TMP = 23.5f;
    s.PRES = 28.42f;
    s.HUMID = 32.0f;
    s.TableStep = 5.0f;
    s.CURVE = GA2;
    s.stateBC = 2;
    s.statePOI = 2;
    s.stateET = 0;
    s.statePAN = 2;
    s.stateBC_VAL = 1;
    s.stateRB = DeltaPOI;
    s.mode = 1;
    s.Scheme = 12;
    return s;
}

}  // namespace velora::testing
