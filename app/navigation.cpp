#include "app/navigation.h"

#include "app/control_ids.h"

namespace velora {

int last_field(const CalcState& s) {
    if (s.mode != 1 || s.statePAN != TabConfidence) return LastInputsAreaField;
    return s.stateRB == DeltaV ? FieldTVTol : FieldMVTol;
}

namespace {

// The BC field, or the temperature field after it while the BC is shown as a result.
int bc_or_next(const CalcState& s) { return s.stateBC_VAL == 1 ? FieldTMP : FieldBC; }

int skip_forward(const CalcState& s, int n) {
    switch (s.stateRB) {
        case DeltaPOI:
            if (n == FieldTV) return FieldPOI;
            if (n == FieldET) return bc_or_next(s);
            break;
        case DeltaT:
            if (n == FieldZR) return FieldTR;
            if (n == FieldSH) return FieldET;
            if (n == FieldDROP) return bc_or_next(s);
            break;
        case DeltaV:
            if (n == FieldZR) return FieldTR;
            if (n == FieldSH) return FieldTV;
            if (n == FieldPOI) return bc_or_next(s);
            break;
        case DeltaD:
            if (n == FieldZR) return FieldTR;
            if (n == FieldSH) return FieldDROP;
            if (n == FieldBC && s.stateBC_VAL == 1) return FieldTMP;
            break;
        default: break;
    }
    return n;
}

int skip_backward(const CalcState& s, int n) {
    const bool bc_hidden = s.stateBC_VAL == 1;
    switch (s.stateRB) {
        case DeltaPOI:
            if (n == FieldBC && bc_hidden) return FieldPOI;
            if (n == FieldDROP) return FieldPOI;
            if (n == FieldTV) return FieldSH;
            break;
        case DeltaT:
            if (n == FieldBC && bc_hidden) return FieldET;
            if (n == FieldDROP) return FieldET;
            if (n == FieldPOI) return FieldTR;
            if (n == FieldZR) return FieldMV;
            break;
        case DeltaV:
            if (n == FieldZR) return FieldMV;
            if (n == FieldSH) return FieldTR;
            if (n == FieldBC && bc_hidden) return FieldTV;
            if (n == FieldDROP) return FieldTV;
            break;
        case DeltaD:
            if (n == FieldBC && bc_hidden) return FieldDROP;
            if (n == FieldET) return FieldTR;
            if (n == FieldZR) return FieldMV;
            break;
        default: break;
    }
    return n;
}

}  // namespace

int next_field(CalcState& s, int focused, int key) {
    const int last = last_field(s);
    int n = focused;
    if (key == KeyTab) {
        if (!is_input_field(focused)) {
            n = FieldMV;
        } else {
            n = focused + 1;
            if (n > last) n = FieldMV;
            n = skip_forward(s, n);
        }
    } else if (key == KeyBacktab) {
        if (!is_input_field(focused) || focused < FieldZR) {
            n = last;
        } else {
            n = focused - 1;
        }
        n = skip_backward(s, n);
    }
    if (is_input_field(n) && n <= LastInputsAreaField) s.mpag = n;
    return n;
}

bool method_enables_field(int method, int field) {
    // The Confidence page's fields are not the set-ups' to switch.
    if (!is_input_field(field) || field > LastInputsAreaField) return false;
    const int set_up = input(static_cast<FieldId>(field)).set_up;
    return set_up == AnySetUp || set_up == method;
}

}  // namespace velora
