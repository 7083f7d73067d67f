#include "app/accessible_texts.h"

#include <algorithm>

#include "app/control_ids.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "output/plot_layout.h"
#include "solver/display_texts.h"
#include "solver/field_checks.h"
#include "solver/fields.h"

namespace velora {

namespace {

// A unit as it is heard: its spoken name, with the list's caption beside it where the caption is
// an abbreviation ("feet per second (Ft/s)", but "yards").
std::string spoken_unit(Quantity q, int unit) {
    struct Spoken {
        Quantity q;
        int unit;
        const char* words;
        bool abbreviated;
    };
    static constexpr Spoken table[] = {
        {Quantity::Velocity, FtPerS, "feet per second", true},
        {Quantity::Velocity, MPerS, "metres per second", true},
        {Quantity::Velocity, Mach, "Mach", false},
        {Quantity::Range, Foot, "feet", false},
        {Quantity::Range, Yard, "yards", false},
        {Quantity::Range, Metre, "metres", false},
        {Quantity::SmallLength, Inch, "inches", false},
        {Quantity::SmallLength, Cm, "centimetres", true},
        {Quantity::SmallLength, Mm, "millimetres", true},
        {Quantity::Time, Second, "seconds", false},
        {Quantity::Time, MilliSecond, "milliseconds", true},
        {Quantity::Temperature, Celsius, "degrees Celsius", true},
        {Quantity::Temperature, Fahrenheit, "degrees Fahrenheit", true},
        {Quantity::Pressure, InHg, "inches of mercury", true},
        {Quantity::Pressure, MmHg, "millimetres of mercury", true},
        {Quantity::Pressure, MBar, "millibar", true},
    };
    for (const Spoken& e : table)
        if (e.q == q && e.unit == unit)
            return e.abbreviated ? std::string(e.words) + " (" + unit_caption(q, unit) + ")" : e.words;
    return unit_caption(q, unit);
}

// A value in internal units as the field of `unit` writes it, with `decimals` (the unit's own when
// negative).
std::string shown(Quantity q, int unit, float internal, float tmp_c, int decimals = -1) {
    return format_fixed(to_display(q, unit, internal, tmp_c), decimals < 0 ? unit_decimals(q, unit) : decimals);
}

// "in <unit>, <low> to <high>" for a value field.
std::string unit_and_range(Quantity q, int unit, float low, float high, float tmp_c) {
    return "in " + spoken_unit(q, unit) + ", " + shown(q, unit, low, tmp_c) + " to " + shown(q, unit, high, tmp_c);
}

// The list's units in words for a unit list's description: "Ft/s, m/s or Mach".
std::string unit_choices(Quantity q) {
    std::string out;
    const int n = unit_count(q);
    for (int i = 0; i < n; ++i) {
        if (i > 0) out += i == n - 1 ? " or " : ", ";
        out += unit_caption(q, i);
    }
    return out;
}

std::string law_name(const CalcState& s) { return drag_law_name(s.CURVE); }

// The set-up that measures a value, as its description says it: "an input only with the timer".
const char* with_set_up(int method) {
    static constexpr const char* SetUpWords[4] = {"with one chronograph", "with the timer", "with two chronographs",
                                                  "with the bore sighter"};
    return method >= 0 && method < 4 ? SetUpWords[method] : "";
}

// The values a field takes, in the words of its description.
std::string values_words(const Input& in, const CalcState& s, Range range) {
    const Quantity q = quantity_of(in.kind);
    const int unit = in.unit != nullptr ? s.*in.unit : 0;
    switch (in.words) {
        case Words::InUnit: return unit_and_range(q, unit, range.low, range.high, s.TMP);
        case Words::Below:
            return "in " + spoken_unit(q, unit) + ", at least " + shown(q, unit, -range.high, 0.0f, 2) +
                   " below; a number typed without a sign counts as below";
        case Words::AnyAbove0: return "in " + spoken_unit(q, unit) + ", any time above 0";
        case Words::Percent:
            return "in percent, " + format_fixed(range.low, in.shown) + " to " + format_fixed(range.high, in.shown);
        case Words::PercentAfter:
            return format_fixed(range.low, in.shown) + " to " + format_fixed(range.high, in.shown) + " percent";
        case Words::Plain: return format_fixed(range.low, in.shown) + " to " + format_fixed(range.high, in.shown);
    }
    return {};
}

// What a description says after a field's values: the limits that follow from the other values
// and what becomes of a value outside.
std::string values_note(const Input& in, const CalcState& s) {
    switch (in.field) {
        case FieldId::MV: return s.stateMV == Mach ? " at the air temperature" : "";
        case FieldId::TR: return s.stateRB == DeltaPOI ? "; at least a quarter beyond the far zero" : "";
        case FieldId::TV: return ", below the muzzle velocity";
        case FieldId::BC: return ". A typed BC predicts the measurements";
        default: return in.outside == Outside::Refused ? "; a value outside is refused" : "";
    }
}

// The description of a field for the set-up of the moment.
std::string field_description(const Input& in, const CalcState& s, const CalcResults& r) {
    // The zero field says which zero it shows.
    const std::string zero = in.field == FieldId::ZR ? (s.ShowFarZero == 1 ? ", the far zero" : ", the near zero") : "";
    const bool measured = in.set_up == AnySetUp || in.set_up == s.stateRB;
    if (!measured && in.elsewhere == Elsewhere::Predicted) {
        const std::string unit =
            in.field == FieldId::ZR ? zero : ", in " + spoken_unit(quantity_of(in.kind), s.*in.unit);
        return "Predicted " + std::string(in.other_set_ups) + unit + "; an input only " + with_set_up(in.set_up) + ".";
    }
    if (!measured && in.elsewhere == Elsewhere::NotUsed)
        return std::string(in.other_set_ups) + "; not used by this set-up.";
    std::string about = in.about + zero;
    if (in.field == FieldId::BC) about += " under the drag law " + law_name(s) + ", in lb/in²";
    std::string d = about + "; " + values_words(in, s, field_range(s, r, in.field)) + values_note(in, s) + ".";
    if (!measured) d += std::string(" Used only ") + with_set_up(in.set_up) + ".";
    return d;
}

AccessibleText field_text_of(const CalcState& s, const CalcResults& r, int id) {
    const Input& in = input(static_cast<FieldId>(id));
    const std::string name = in.field == FieldId::ZR ? zero_display(s, r).caption : in.spoken;
    return {name, field_description(in, s, r)};
}

struct UnitList {
    int id;
    const char* name;
    const char* quantity_words;
    Quantity q;
};

constexpr UnitList UnitLists[] = {
    {UnitMV, "Muzzle Velocity unit", "the muzzle velocity", Quantity::Velocity},
    {UnitZR, "Zero Range unit", "the zero range", Quantity::Range},
    {UnitTR, "Target Range unit", "the target range", Quantity::Range},
    {UnitSH, "Sight Height unit", "the sight height", Quantity::SmallLength},
    {UnitTV, "Velocity at Target unit", "the velocity at the target", Quantity::Velocity},
    {UnitPOI, "Point of Impact unit", "the point of impact", Quantity::SmallLength},
    {UnitET, "Time of Flight unit", "the time of flight", Quantity::Time},
    {UnitDROP, "Drop unit", "the drop from the line of departure", Quantity::SmallLength},
    {UnitTMP, "Temperature unit", "the air temperature", Quantity::Temperature},
    {UnitPRES, "Pressure unit", "the air pressure", Quantity::Pressure},
};

struct SetUp {
    const char* name;
    const char* description;
};

constexpr SetUp SetUps[4] = {
    {"One Chronograph",
     "Measuring set-up: a single chronograph at the muzzle; the point of impact below the point of "
     "aim at the target is measured."},
    {"One Chronograph + Timer",
     "Measuring set-up: a chronograph at the muzzle and a time-of-flight timer; the time to "
     "the target is measured."},
    {"Two Chronographs",
     "Measuring set-up: one chronograph at the muzzle and another at the target; the velocity at "
     "the target is measured."},
    {"One Chronograph + BoreSighter",
     "Measuring set-up: a chronograph at the muzzle and a bore sighter; the drop "
     "below the line of departure at the target is measured."},
};

// "Maximum BC 0.0219": a result quoted with its caption.
std::string with_value(const char* caption, const std::string& value) {
    return value.empty() ? caption : std::string(caption) + " " + value;
}

}  // namespace

AccessibleText accessible_text(const CalcState& s, const CalcResults& r, int id, const std::string& value) {
    if (is_input_field(id)) return field_text_of(s, r, id);
    for (const UnitList& u : UnitLists)
        if (u.id == id) return {u.name, "Unit of " + std::string(u.quantity_words) + ": " + unit_choices(u.q) + "."};
    if (id >= MethodButtonPOI && id <= MethodButtonD)
        return {SetUps[id - MethodButtonPOI].name, SetUps[id - MethodButtonPOI].description};
    if (id >= ClickMethodPOI && id <= ClickMethodD)
        return {SetUps[id - ClickMethodPOI].name, SetUps[id - ClickMethodPOI].description};
    const std::string law = law_name(s);
    switch (id) {
        case DragLawList:
            return {"Drag law", "Drag law the BC refers to: " + drag_law_names_in_list_order() + ". Now " +
                                    drag_law_description(s.CURVE) + "."};
        case MaxBcValue:
            return {with_value("Maximum BC", value), "The largest BC within the chronographs' errors, " + law + "."};
        case MeanBcValue:
            return {with_value("Mean BC", value), "The mean of the largest and the smallest BC, " + law + "."};
        case NaiveBcValue: return {with_value("Naïve BC", value), "The BC of the readings as they are, " + law + "."};
        case MinBcValue:
            return {with_value("Minimum BC", value), "The smallest BC within the chronographs' errors, " + law + "."};
        case BcResult:
            return {with_value("Calculated Ballistic Coefficient", value),
                    "The BC under the drag law " + law +
                        ", in lb/in², worked out from the measurement. The BC entry switch "
                        "(the Ballistic Coefficient caption) lets you type a BC instead."};
        case DensityLine:
            return {value.empty() ? "Air density" : value,
                    "Density of the air from its temperature, pressure and humidity. The density unit switch changes "
                    "between Lbm/Ft³ and Kg/m³."};
        case ClickZero:
            return {"Near and far zero switch", std::string("Shows the ") + (s.ShowFarZero == 1 ? "near" : "far") +
                                                    " zero in the zero field instead of the " +
                                                    (s.ShowFarZero == 1 ? "far" : "near") + " zero."};
        case ClickBC:
            return {"BC entry switch", s.stateBC_VAL == 1 ? "Opens the BC field to type a BC in."
                                                          : "Shows the BC as a calculated result instead of a field."};
        case ClickDensity: return {"Density unit switch", "Switches the air density between Lbm/Ft³ and Kg/m³."};
        case PanelButton:
            return s.mode == 1
                       ? AccessibleText{"Hide output panel", "Hides the table, the plot and the confidence limits."}
                       : AccessibleText{"Show output panel",
                                        "Shows the table, the plot and the confidence limits beside the inputs."};
        case OutputPanel:
            return {"Output pages",
                    "The Table, Plot and Confidence pages; Ctrl+Tab and Ctrl+Shift+Tab switch between them."};
        case TableHeader: return {"Range table columns", "The headings of the range table with their units."};
        case TableRows:
            return {"Range table",
                    "One row per range step from the muzzle. The Menu key or Shift+F10 opens the table menu: "
                    "step, gaps, print and CSV export."};
        case PlotSurface:
            return {"Plot", plot_summary(s, r) +
                                " The Menu key or Shift+F10 opens the plot menu: target marker, print "
                                "and PNG export."};
        case ConfidenceBox:
            return {"Confidence limits", "The band of BC values that the chronographs' stated errors allow."};
        case PlusMinusMV:
        case PlusMinusTV: return {"plus or minus", ""};
        case MarkerMV:
        case MarkerPOI:
        case MarkerTR:
        case MarkerET:
        case MarkerDROP:
            return {"Shown in the output", "The output page shows this quantity in the unit of this list."};
        default: return {};
    }
}

const std::vector<int>& named_controls() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (int id = FieldMV; id <= FieldTVTol; ++id) v.push_back(id);
        for (const UnitList& u : UnitLists) v.push_back(u.id);
        for (int id = MethodButtonPOI; id <= MethodButtonD; ++id) v.push_back(id);
        for (int id = ClickMethodPOI; id <= ClickMethodD; ++id) v.push_back(id);
        for (int id :
             {DragLawList, MaxBcValue,   MeanBcValue, NaiveBcValue, MinBcValue,  BcResult,  DensityLine, ClickZero,
              ClickBC,     ClickDensity, PanelButton, OutputPanel,  TableHeader, TableRows, PlotSurface, ConfidenceBox,
              PlusMinusMV, PlusMinusTV,  MarkerMV,    MarkerPOI,    MarkerTR,    MarkerET,  MarkerDROP})
            v.push_back(id);
        return v;
    }();
    return ids;
}

const std::vector<CaptionPair>& caption_pairs() {
    static const std::vector<CaptionPair> pairs = [] {
        std::vector<CaptionPair> p;
        for (const FieldControls& c : ControlsOfFields) p.push_back({c.caption, c.field});
        for (const CaptionPair more : {CaptionPair{MethodCaptionPOI, MethodButtonPOI},
                                       {MethodCaptionT, MethodButtonT},
                                       {MethodCaptionV, MethodButtonV},
                                       {MethodCaptionD, MethodButtonD},
                                       {MaxBcCaption, MaxBcValue},
                                       {MeanBcCaption, MeanBcValue},
                                       {NaiveBcCaption, NaiveBcValue},
                                       {MinBcCaption, MinBcValue}})
            p.push_back(more);
        return p;
    }();
    return pairs;
}

std::string plot_summary(const CalcState& s, const CalcResults& r) {
    const PlotTexts texts = plot_texts(s, field_text(s, r, FieldId::MV));
    // The range axis does not depend on the canvas; any size gives the same span.
    const PlotAxes axes = compute_plot_axes(s, r.trajectory, plot_factors(s, r.factors), 390.0f, 528.0f);
    const char* range_unit = unit_caption(Quantity::Range, s.stateTR);
    std::string subtitle = texts.subtitle;
    if (subtitle.size() >= 2 && subtitle.front() == '(' && subtitle.back() == ')')
        subtitle = subtitle.substr(1, subtitle.size() - 2);

    std::string out = "Plot of " + texts.title + ", " + subtitle + ", from " + format_fixed(axes.xMin, 0) + " to " +
                      std::to_string(axes.xMax) + " " + range_unit + ".";
    out += " At the target, " + field_text(s, r, FieldId::TR) + " " + range_unit + ": point of impact " +
           field_text(s, r, FieldId::POI) + " " + unit_caption(Quantity::SmallLength, s.statePOI) + ", velocity " +
           field_text(s, r, FieldId::TV) + " " + unit_caption(Quantity::Velocity, s.stateTV) + ", time " +
           field_text(s, r, FieldId::ET) + " " + unit_caption(Quantity::Time, s.stateET) + ", drop " +
           field_text(s, r, FieldId::DROP) + " " + unit_caption(Quantity::SmallLength, s.stateDROP) + ".";
    if (s.ShowTarget != 0) out += " The target is marked.";
    return out;
}

AccessibleText preferences_text(int row) {
    switch (row) {
        case 0:
            return {"Enable update check on start up",
                    "Looks for a newer version on the web site each time the program starts."};
        case 1:
            return {"Enable ORMA logo on start and exit",
                    "Shows the logo for two seconds at start and for one second at exit."};
        case 2: return {"Enable Tooltips", "Shows the hover texts of the controls (may require restart)."};
        case 3: return {"OK", "Keeps the options as set, saves them and closes the window."};
        default: return {};
    }
}

}  // namespace velora
