#include "output/curve_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/drag_laws.h"
#include "engine/number_text.h"
#include "engine/projectile.h"
#include "solver/table_fit.h"

namespace velora {
namespace {

// The laws' colours: ten that tell apart on white, none near the curve's dark blue.
constexpr Rgb LawColours[] = {{230, 25, 75},  {60, 180, 75},   {245, 130, 48}, {145, 30, 180},
                              {70, 200, 200}, {240, 50, 230},  {150, 150, 0},  {0, 128, 128},
                              {170, 110, 40}, {128, 128, 128}, {128, 0, 0},    {0, 0, 0}};

constexpr int Samples = 120;  // points along each line

int decimals_of(double step) { return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9))); }

}  // namespace

std::vector<double> nice_ticks(double low, double high, int count) {
    std::vector<double> out;
    if (!(high > low) || count < 1) return out;
    const double raw = (high - low) / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * power;
        if (step >= raw) break;
    }
    for (double v = std::ceil(low / step - 1e-9) * step; v <= high + step * 1e-9; v += step)
        out.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    return out;
}

namespace {

// A line beside the main curve: a law's or a table's curve times its form factor.
struct ScaledLine {
    std::string name;
    const DragCurve* curve = nullptr;
    double form = 1;
};

// The plot of a main curve given by `main_at` (its Cd and band at a Mach number) over mach_low to
// mach_high, with `scaled` beside it; `band` fills the band.
CurvePlot plot_of(const std::function<CurvePoint(double)>& main_at, bool band, const std::string& main_name,
                  double mach_low, double mach_high, const std::vector<ScaledLine>& scaled, const std::string& title,
                  double width, double height) {
    CurvePlot p;
    p.width = width;
    p.height = height;
    p.title = title;
    p.left = 70;
    p.top = 40;
    p.right = std::max(p.left + 10, width - 200);  // the legend to the right
    p.bottom = std::max(p.top + 10, height - 55);
    p.mach_low = mach_low;
    p.mach_high = mach_high > mach_low ? mach_high : mach_low + 0.01;

    const auto mach_at = [&](int i) { return p.mach_low + (p.mach_high - p.mach_low) * i / Samples; };
    std::vector<CurvePoint> along;
    for (int i = 0; i <= Samples; ++i) along.push_back(main_at(mach_at(i)));
    double lo = along.front().cd_low, hi = along.front().cd_high;
    for (const CurvePoint& c : along) {
        lo = std::min(lo, c.cd_low);
        hi = std::max(hi, c.cd_high);
    }
    struct Line {
        std::string name;
        std::vector<double> cd;
    };
    std::vector<Line> lines;
    for (const ScaledLine& s : scaled) {
        Line l{s.name + " × " + format_fixed(s.form, 3), {}};
        DragCursor cursor(*s.curve);
        for (int i = 0; i <= Samples; ++i) {
            const double cd = s.form * cursor.at(mach_at(i));
            l.cd.push_back(cd);
            lo = std::min(lo, cd);
            hi = std::max(hi, cd);
        }
        lines.push_back(std::move(l));
    }
    const double pad = 0.05 * std::max(hi - lo, 0.01);
    p.cd_low = std::max(0.0, lo - pad);
    p.cd_high = hi + pad;

    const auto column = [&](double mach) {
        return p.left + (mach - p.mach_low) / (p.mach_high - p.mach_low) * (p.right - p.left);
    };
    const auto row = [&](double cd) {
        return p.bottom - (cd - p.cd_low) / (p.cd_high - p.cd_low) * (p.bottom - p.top);
    };
    const std::vector<double> xs = nice_ticks(p.mach_low, p.mach_high, 6), ys = nice_ticks(p.cd_low, p.cd_high, 6);
    const int x_decimals = xs.size() > 1 ? decimals_of(xs[1] - xs[0]) : 2;
    const int y_decimals = ys.size() > 1 ? decimals_of(ys[1] - ys[0]) : 2;
    for (double x : xs) p.x_ticks.push_back({x, column(x), format_fixed(x, x_decimals)});
    for (double y : ys) p.y_ticks.push_back({y, row(y), format_fixed(y, y_decimals)});

    if (band) {
        for (const CurvePoint& c : along) p.band.push_back({column(c.mach), row(c.cd_high)});
        for (auto c = along.rbegin(); c != along.rend(); ++c) p.band.push_back({column(c->mach), row(c->cd_low)});
    }
    p.curve = {main_name, CurvePlotCurveColour, 2.5, {}};
    for (const CurvePoint& c : along) p.curve.points.push_back({column(c.mach), row(c.cd)});
    for (std::size_t k = 0; k < lines.size(); ++k) {
        CurvePlotSeries s{lines[k].name, LawColours[k % std::size(LawColours)], 1.0, {}};
        for (int i = 0; i <= Samples; ++i) s.points.push_back({column(mach_at(i)), row(lines[k].cd[i])});
        p.others.push_back(std::move(s));
    }
    return p;
}

}  // namespace

CurvePlot curve_plot(const CurveFit& fit, const std::vector<ComparedCurve>& tables, const std::string& title,
                     double width, double height) {
    std::vector<ScaledLine> scaled;
    for (const CurveCandidate& c : fit.laws) scaled.push_back({c.name, &drag_law_curve(c.law), c.form_factor});
    for (std::size_t i = 0; i < fit.tables.size() && i < tables.size(); ++i)
        scaled.push_back({fit.tables[i].name, &tables[i].curve, fit.tables[i].form_factor});
    return plot_of([&fit](double mach) { return fit.at(mach); }, true, "fitted curve", fit.mach_low, fit.mach_high,
                   scaled, title, width, height);
}

CurvePlot table_curve_plot(const std::string& name, const DragCurve& table, double first_mach, double last_mach,
                           const std::vector<LawFit>& fits, std::optional<double> sectional_density,
                           const std::string& title, double width, double height) {
    // The table's own BC, to scale the laws by when there is no sectional density.
    double table_bc = 0;
    for (const LawFit& f : fits)
        if (f.law == DragTableLaw && f.outcome == FitOutcome::Fitted) table_bc = f.BC;
    const auto form_of = [&](const LawFit& f) {
        return sectional_density ? form_factor(*sectional_density, f.BC) : table_bc / static_cast<double>(f.BC);
    };
    double table_form = 1;
    std::vector<ScaledLine> scaled;
    for (const LawFit& f : fits) {
        if (f.outcome != FitOutcome::Fitted || !(f.BC > 0)) continue;
        if (f.law == DragTableLaw) {
            if (sectional_density) table_form = form_of(f);
        } else if (sectional_density || table_bc > 0) {
            scaled.push_back({drag_law_name(f.law), &drag_law_curve(f.law), form_of(f)});
        }
    }
    DragCursor cursor(table);
    return plot_of(
        [&](double mach) {
            const double cd = table_form * cursor.at(mach);
            return CurvePoint{mach, cd, cd, cd};
        },
        false, name + " × " + format_fixed(table_form, 3), first_mach, last_mach, scaled, title, width, height);
}

}  // namespace velora
