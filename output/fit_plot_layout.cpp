#include "output/fit_plot_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/string_fit_texts.h"

namespace velora {

namespace {

constexpr int CurveSteps = 40;  // points of a flight across the plot's range

// The span of some values, grown by each value added.
struct Span {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    void add(double v) {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool empty() const { return low > high; }
};

std::string unit_text(Quantity q, int unit) { return unit_caption(q, unit); }

}  // namespace

FitPlotAxis fit_plot_axis(double low, double high, int ticks, const std::string& caption) {
    FitPlotAxis a;
    a.caption = caption;
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
    if (high < low) std::swap(low, high);
    if (high - low <= std::max(std::fabs(high), std::fabs(low)) * 1e-9) {
        const double pad = low == 0.0 ? 1.0 : std::fabs(low) * 0.05;
        low -= pad;
        high += pad;
    }
    const double raw = (high - low) / std::max(ticks, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    a.step = 10.0 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw * (1.0 - 1e-9)) {
            a.step = m * power;
            break;
        }
    a.low = std::floor(low / a.step + 1e-9) * a.step;
    a.high = std::ceil(high / a.step - 1e-9) * a.step;
    if (a.high <= a.low) a.high = a.low + a.step;
    a.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(a.step) + 1e-9)));
    const int n = static_cast<int>(std::lround((a.high - a.low) / a.step));
    for (int k = 0; k <= n; ++k) {
        double v = a.low + k * a.step;
        if (std::fabs(v) < a.step * 1e-6) v = 0.0;  // the zero line, not a hair beside it
        a.ticks.push_back(v);
        a.labels.push_back(format_fixed(v, a.decimals));
    }
    return a;
}

FitPlot measurement_plot(const StringFit& f, const std::vector<FitShot>& shots, int law, const ShotFitInputs& in,
                         const ShotUnits& u) {
    const StringLawFit* l = f.law(law);
    if (!l || l->series.outcome != FitOutcome::Fitted) return {};
    // The quantity most measured.
    std::array<int, ShotQuantityCount> counts{};
    for (const FitShot& s : shots)
        for (const Shot& m : s.measurements) ++counts[static_cast<std::size_t>(m.quantity)];
    const auto most = std::max_element(counts.begin(), counts.end());
    if (*most == 0) return {};
    const auto q = static_cast<ShotQuantity>(most - counts.begin());
    const Quantity Q = quantity_of(q);
    const int unit = unit_of(u, q);
    const auto value = [&](double v) { return to_display(Q, unit, static_cast<float>(v), u.tmp); };
    const auto range = [&](double yd) { return to_display(Quantity::Range, u.range, static_cast<float>(yd), u.tmp); };
    const double difference = unit_factor(Q, unit, u.tmp);

    FitPlotPanel top, bottom;
    top.share = 2;
    bottom.share = 1;
    Span xs, ys, rs;
    double far = 0, mv_sum = 0;
    int drawn = 0, aside = 0, others = 0, mv_count = 0;
    for (std::size_t i = 0; i < shots.size() && i < f.in_series.size(); ++i) {
        const bool taken = f.in_series[i];
        const std::vector<double>* residuals = i < l->residuals.size() ? &l->residuals[i] : nullptr;
        if (residuals && residuals->size() != shots[i].measurements.size()) residuals = nullptr;
        double shot_far = 0;
        for (std::size_t j = 0; j < shots[i].measurements.size(); ++j) {
            const Shot& m = shots[i].measurements[j];
            if (m.quantity != q) {
                ++others;
                continue;
            }
            const double x = range(m.range), y = value(m.value);
            top.points.push_back({x, y, !taken, 0, 0, static_cast<int>(i)});
            xs.add(x);
            ys.add(y);
            shot_far = std::max(shot_far, static_cast<double>(m.range));
            ++(taken ? drawn : aside);
            if (taken && residuals) {
                const double r = (*residuals)[j] * difference;
                bottom.points.push_back({x, r, false, 0, 0, static_cast<int>(i)});
                rs.add(r);
            }
        }
        far = std::max(far, shot_far);
        if (!taken || shot_far <= 0.0 || i >= l->mv.size()) continue;
        mv_sum += l->mv[i];
        ++mv_count;
        // The shot's own flight under the series BC, from its muzzle velocity out to its farthest measurement.
        std::vector<float> at;
        for (int k = 0; k <= CurveSteps; ++k) at.push_back(static_cast<float>(shot_far * k / CurveSteps));
        const std::vector<float> flown = flown_values(l->mv[i], l->series.BC, law, q, at, in);
        FitPlotLine line;
        for (std::size_t k = 0; k < flown.size() && k < at.size(); ++k) {
            line.points.emplace_back(range(at[k]), value(flown[k]));
            xs.add(line.points.back().first);
            ys.add(line.points.back().second);
        }
        top.lines.push_back(std::move(line));
    }
    if (top.points.empty()) return {};
    if (mv_count > 0 && far > 0.0) {
        std::vector<float> at;
        for (int k = 0; k <= CurveSteps; ++k) at.push_back(static_cast<float>(far * k / CurveSteps));
        const std::vector<float> flown =
            flown_values(static_cast<float>(mv_sum / mv_count), l->series.BC, law, q, at, in);
        FitPlotLine line;
        line.style = FitLineStyle::Bold;
        for (std::size_t k = 0; k < flown.size() && k < at.size(); ++k)
            line.points.emplace_back(range(at[k]), value(flown[k]));
        top.lines.push_back(std::move(line));
    }
    const std::string range_caption = "Range (" + unit_text(Quantity::Range, u.range) + ")";
    xs.add(0.0);
    top.x = fit_plot_axis(xs.low, xs.high, 8, range_caption);
    top.y = fit_plot_axis(ys.low, ys.high, 6, shot_quantity_caption(q, u));
    bottom.x = top.x;
    rs.add(0.0);
    bottom.y = fit_plot_axis(rs.low, rs.high, 4, "Residual (" + unit_text(Q, unit) + ")");
    bottom.lines.push_back({{{bottom.x.low, 0.0}, {bottom.x.high, 0.0}}, FitLineStyle::Dashed});

    FitPlot p;
    const std::string name = drag_law_name(law);
    p.title = shot_quantity_caption(q, u) + " against range under " + name + ", BC " + format_fixed(l->series.BC, 4);
    p.description = std::to_string(drawn) + " measurements of " + std::to_string(mv_count) +
                    (mv_count == 1 ? " shot" : " shots") + " with each shot's flight under " + name + " and BC " +
                    format_fixed(l->series.BC, 4) + " from its own muzzle velocity, and their residuals beneath";
    if (aside > 0) p.description += "; " + std::to_string(aside) + " of shots set aside drawn as rings";
    if (others > 0) p.description += "; " + std::to_string(others) + " measurements of other quantities are not drawn";
    if (!rs.empty())
        p.description += ". The residuals lie between " + format_fixed(rs.low, bottom.y.decimals + 1) + " and " +
                         format_fixed(rs.high, bottom.y.decimals + 1) + " " + unit_text(Q, unit);
    p.description += ".";
    p.panels = {std::move(top), std::move(bottom)};
    return p;
}

FitPlot bc_mv_plot(const StringFit& f, const std::vector<FitShot>& shots, int law, const ShotUnits& u) {
    const StringLawFit* l = f.law(law);
    if (!l || l->series.outcome != FitOutcome::Fitted) return {};
    const auto speed = [&](double v) {
        return to_display(Quantity::Velocity, u.velocity, static_cast<float>(v), u.tmp);
    };
    FitPlotPanel panel;
    Span xs, ys;
    int aside = 0;
    double mv_low = std::numeric_limits<double>::max(), mv_high = 0;
    for (std::size_t i = 0; i < shots.size() && i < l->shots.size() && i < f.in_series.size(); ++i) {
        const ShotFit& own = l->shots[i];
        if (!own.flown || own.outcome != FitOutcome::Fitted || i >= l->mv.size()) continue;
        const double x = speed(l->mv[i]);
        panel.points.push_back({x, own.BC, !f.in_series[i], own.BC_low, own.BC_high, static_cast<int>(i)});
        xs.add(x);
        ys.add(own.BC_low);
        ys.add(own.BC_high);
        aside += f.in_series[i] ? 0 : 1;
        if (f.in_series[i]) {
            mv_low = std::min(mv_low, static_cast<double>(l->mv[i]));
            mv_high = std::max(mv_high, static_cast<double>(l->mv[i]));
        }
    }
    if (panel.points.empty()) return {};
    ys.add(l->series.BC);
    const std::string velocity = unit_text(Quantity::Velocity, u.velocity);
    if (l->trend.valid && mv_high > mv_low) {
        panel.lines.push_back(
            {{{speed(mv_low), l->trend.at(mv_low)}, {speed(mv_high), l->trend.at(mv_high)}}, FitLineStyle::Bold});
        ys.add(l->trend.at(mv_low));
        ys.add(l->trend.at(mv_high));
    }
    panel.x = fit_plot_axis(xs.low, xs.high, 6, "Muzzle Velocity (" + velocity + ")");
    panel.y = fit_plot_axis(ys.low, ys.high, 6, "BC (" + drag_law_name(law) + ")");
    panel.lines.push_back({{{panel.x.low, l->series.BC}, {panel.x.high, l->series.BC}}, FitLineStyle::Dashed});

    FitPlot p;
    p.title = "Each shot's " + drag_law_name(law) + " BC against its muzzle velocity";
    const int count = static_cast<int>(panel.points.size());
    p.description = std::to_string(count) + (count == 1 ? " shot's own BC" : " shots' own BCs") +
                    " with their intervals against their muzzle velocities";
    if (aside > 0) p.description += ", " + std::to_string(aside) + " set aside drawn as rings";
    p.description += "; the series BC " + format_fixed(l->series.BC, 4) + " dashed";
    if (l->trend.valid)
        p.description += ". " + trend_text(l->trend, u);
    else
        p.description += ".";
    p.panels = {std::move(panel)};
    return p;
}

}  // namespace velora
