#include "solver/string_fit_texts.h"

#include <cmath>

#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/projectile.h"

namespace velora {

namespace {

std::string velocity_text(double fps, const ShotUnits& u) {
    return format_fixed(to_display(Quantity::Velocity, u.velocity, static_cast<float>(fps), u.tmp),
                        unit_decimals(Quantity::Velocity, u.velocity)) +
           " " + unit_caption(Quantity::Velocity, u.velocity);
}

std::string range_text(double yd, const ShotUnits& u) {
    return format_fixed(to_display(Quantity::Range, u.range, static_cast<float>(yd), u.tmp), 0) + " " +
           unit_caption(Quantity::Range, u.range);
}

// "G7, GA and GL"
std::string laws_text(const std::vector<int>& laws) {
    std::string out;
    for (std::size_t k = 0; k < laws.size(); ++k)
        out += (k == 0 ? "" : k + 1 == laws.size() ? " and " : ", ") + drag_law_name(laws[k]);
    return out;
}

std::string bare_name(const std::string& name) { return name.rfind("shot ", 0) == 0 ? name.substr(5) : name; }

std::string signed_bc(double bc) { return (bc >= 0.0 ? "+" : "−") + format_fixed(std::fabs(bc), 4); }

}  // namespace

std::string shot_names_text(const std::vector<int>& shots, const std::vector<FitShot>& all) {
    if (shots.empty()) return "no shot";
    const auto name_of = [&](int i) {
        return i >= 0 && static_cast<std::size_t>(i) < all.size() ? all[static_cast<std::size_t>(i)].name
                                                                  : "shot " + std::to_string(i + 1);
    };
    if (shots.size() == 1) return name_of(shots.front());
    std::string out = "shots ";
    for (std::size_t k = 0; k < shots.size(); ++k)
        out += (k == 0 ? "" : k + 1 == shots.size() ? " and " : ", ") + bare_name(name_of(shots[k]));
    return out;
}

std::string mv_source_text(MvSource source, float flown, const ShotUnits& u) {
    const std::string v = velocity_text(flown, u);
    switch (source) {
        case MvSource::Own: return "its own, " + v;
        case MvSource::Fitted: return "fitted, " + v;
        case MvSource::StringMean: return "the string's mean, " + v;
        case MvSource::Window: return "the main window's, " + v;
    }
    return v;
}

std::string fit_message_text(const FitMessage& m, const std::vector<FitShot>& shots, const ShotUnits& u) {
    std::string who = shot_names_text(m.shots, shots);
    if (!who.empty()) who[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(who[0])));
    // "the typed shots" are one shot of the fit, but many.
    const bool one = m.shots.size() == 1 && !(static_cast<std::size_t>(m.shots.front()) < shots.size() &&
                                              shots[static_cast<std::size_t>(m.shots.front())].typed);
    switch (m.kind) {
        case FitMessageKind::FasterThanMuzzle:
            return who + (one ? " is" : " are") + " faster downrange than the muzzle velocity " +
                   (m.value > 0.0 ? velocity_text(m.value, u) + " " : "") + (one ? "it is" : "they are") +
                   " flown with, which no BC can explain: enter the muzzle velocity of the string, or fit it.";
        case FitMessageKind::NothingToFit:
            return "There is nothing to fit: no shot has a measurement in use downrange.";
        case FitMessageKind::TooFewToFitMv:
            return who + (one ? " has" : " have") + " fewer than " + std::to_string(static_cast<int>(m.value)) +
                   " measurements downrange to fit " + (one ? "its" : "their") + " own muzzle velocity, so " +
                   (one ? "it is" : "they are") + " flown from the velocity recorded.";
        case FitMessageKind::BeyondFlight:
            return who + (one ? " lies" : " lie") + " beyond " + range_text(m.value, u) +
                   ", farther than the flight reaches in this air, and " + (one ? "is" : "are") + " left out.";
        case FitMessageKind::ZeroBeyondFlight:
            return who + " need" + (one ? "s" : "") + " the zero for a point of impact, but the zero lies beyond " +
                   range_text(m.value, u) + ", farther than the flight reaches in this air.";
        case FitMessageKind::EveryBcAtLimit:
            return "Under every law the BC of " + shot_names_text(m.shots, shots) +
                   " runs out at 0.0040 or 1.2000: the shots, their muzzle velocities or the air do not fit together.";
        case FitMessageKind::NotShared: return "The strings fitted together do not share one BC: fit each on its own.";
    }
    return {};
}

std::string outlier_text(const Outlier& o, const std::vector<FitShot>& shots) {
    const std::string who = shot_names_text({o.shot}, shots) + " set aside: ";
    const std::string law = drag_law_name(o.law);
    switch (o.figure) {
        case OutlierFigure::Bc:
            return who + "its " + law + " BC " + format_fixed(o.value, 4) + " lies " + format_fixed(o.deviations, 1) +
                   " times the scatter (" + format_fixed(o.robust_sd, 4) + ") from " + format_fixed(o.expected, 4) +
                   ", the line through the others at its muzzle velocity.";
        case OutlierFigure::Rms:
            return who + "its rms " + format_fixed(o.value, 2) + " under " + law + " lies " +
                   format_fixed(o.deviations, 1) + " times the scatter above the others' median " +
                   format_fixed(o.expected, 2) + ".";
        case OutlierFigure::AtLimit: return who + "no " + law + " BC from 0.0040 to 1.2000 explains it on its own.";
    }
    return who;
}

std::string verdict_text(const StringFit& f, const ShotUnits& u) {
    if (f.refused || f.laws.empty()) return "Nothing was fitted.";
    const Verdict& v = f.verdict;
    if (v.inseparable.empty()) return "No law fits these shots.";
    std::string rule = "(weighted sum of squares within " + format_fixed(v.threshold, 0) +
                       (v.scale > 1.0 ? " × " + format_fixed(v.scale, 2) : std::string()) +
                       (v.correlation >= 1.005 ? " × " + format_fixed(v.correlation, 2) : std::string()) +
                       " of the best";
    if (v.correlation >= 1.005)
        rule += "; the residuals along each track run together, and by their lag-1 autocorrelation the " +
                std::to_string(v.samples) + " measurements count as " +
                std::to_string(static_cast<int>(std::lround(v.effective))) + " independent ones";
    rule += ")";
    std::string out;
    if (v.inseparable.size() == 1) {
        out = drag_law_name(v.inseparable.front()) + " fits best, and the data tell it apart from every other law " +
              rule + ".";
    } else {
        int fitted = 0;
        for (const StringLawFit& l : f.laws) fitted += l.series.outcome == FitOutcome::Fitted ? 1 : 0;
        out = static_cast<int>(v.inseparable.size()) == fitted && fitted > 2
                  ? "Cannot tell these laws apart: every law that fits explains the shots as well " + rule + "."
                  : "Cannot tell these laws apart: " + laws_text(v.inseparable) + " " + rule + ".";
    }
    if (v.mach_high > 0.0)
        out += " The shots cover Mach " + format_fixed(v.mach_low, 2) + " to " + format_fixed(v.mach_high, 2) + ".";
    if (v.inseparable.size() > 1) {
        if (v.range_needed)
            out += " Measured out to " + range_text(*v.range_needed, u) + " instead of " + range_text(v.range_now, u) +
                   ", they would part.";
        else if (v.beyond_reach)
            out +=
                " They would not part within " + range_text(v.reach, u) + ": shots over a wider span of speed would.";
    }
    return out;
}

std::string spread_text(const BcSpread& s) {
    if (s.count == 0) return "No shot has a BC of its own.";
    if (s.count == 1) return "One shot with a BC of its own: " + format_fixed(s.mean, 4) + ".";
    return "The shots' own BCs (" + std::to_string(s.count) + "): mean " + format_fixed(s.mean, 4) + ", SD " +
           format_fixed(s.sd, 4) + ", " + format_fixed(s.low, 4) + " to " + format_fixed(s.high, 4) + ".";
}

std::string trend_text(const BcTrend& t, const ShotUnits& u) {
    if (!t.valid) return "BC against muzzle velocity: needs three shots or more with different velocities.";
    // Per 100 of the shown unit.
    const double per = 100.0 / unit_factor(Quantity::Velocity, u.velocity, u.tmp);
    return "BC against muzzle velocity: " + signed_bc(t.slope * per) + " per 100 " +
           unit_caption(Quantity::Velocity, u.velocity) + " (" + signed_bc(t.slope_low * per) + " to " +
           signed_bc(t.slope_high * per) + "), " + format_fixed(t.at_mean, 4) + " at " + velocity_text(t.mean_mv, u) +
           ".";
}

std::string shared_text(const SharedBc& s, const std::vector<std::string>& groups, const ShotUnits& u) {
    if (!s.tested) return {};
    std::string out;
    for (const GroupBc& g : s.groups) {
        const std::string name = g.group >= 0 && static_cast<std::size_t>(g.group) < groups.size()
                                     ? groups[static_cast<std::size_t>(g.group)]
                                     : "string " + std::to_string(g.group + 1);
        out += (out.empty() ? "" : ", ") + name + " " + format_fixed(g.bc, 4) + " ± " + format_fixed(g.se, 4);
    }
    out += " at " + velocity_text(s.at_mv, u) + ": " + format_fixed(s.separation, 1) + " standard errors apart, ";
    out += s.shared() ? "one BC may serve them all." : "not one BC.";
    return out;
}

std::string mv_origin_text(MvSource source, MvKind kind) {
    switch (source) {
        case MvSource::Own:
            return kind == MvKind::Measured ? "measured" : kind == MvKind::Extrapolated ? "the radar's" : "recorded";
        case MvSource::Fitted: return "fitted";
        case MvSource::StringMean: return "the string's mean";
        case MvSource::Window: return "the main window's";
    }
    return {};
}

std::string shot_mark_text(const Outlier* outlier, const Marks& marks) {
    if (outlier) {
        const std::string law = drag_law_name(outlier->law);
        switch (outlier->figure) {
            case OutlierFigure::Bc:
                return "set aside: " + law + " BC " + format_fixed(outlier->value, 4) + ", " +
                       format_fixed(outlier->deviations, 1) + " × the scatter from the line";
            case OutlierFigure::Rms:
                return "set aside: " + law + " rms " + format_fixed(outlier->value, 2) + ", " +
                       format_fixed(outlier->deviations, 1) + " × the scatter above the median";
            case OutlierFigure::AtLimit: return "set aside: its " + law + " BC runs out of the range";
        }
    }
    if (marks.marks.empty()) return {};
    return (marks.used() ? "taken back in despite: " : "set aside: ") + marks.reasons();
}

ShotResultTexts shot_result_texts(const StringFit& f, const std::vector<FitShot>& shots, std::size_t i,
                                  const StringLawFit& law, const ShotUnits& u) {
    ShotResultTexts out;
    if (i >= shots.size() || i >= f.plan.size()) return out;
    const float mv = i < law.mv.size() ? law.mv[i] : f.plan[i].mv;
    out.mv = shot_value_text(ShotQuantity::Velocity, mv, u);
    out.origin = mv_origin_text(f.plan[i].source, shots[i].mv_kind);
    const ShotFit& own = i < law.shots.size() ? law.shots[i] : ShotFit{false};
    if (!own.flown) {
        out.bc = "not flown";
        return out;
    }
    const FitRowTexts row = fit_row_texts(
        LawFit{law.series.law, own.outcome, own.BC, own.BC_low, own.BC_high, own.MV, own.chi_square, own.rms, {}},
        false, u.velocity, u.tmp);
    out.bc = row.bc;
    out.interval = row.interval;
    out.rms = row.rms;
    return out;
}

FitSummaryTexts fit_summary_texts(const StringFit& f, const std::vector<FitShot>& shots, int law,
                                  const std::vector<std::string>& groups, const ShotUnits& u) {
    FitSummaryTexts out;
    out.verdict = verdict_text(f, u);
    for (const FitMessage& m : f.messages) out.notes.push_back(fit_message_text(m, shots, u));
    for (const Outlier& o : f.outliers) out.notes.push_back(outlier_text(o, shots));
    const StringLawFit* l = f.law(law);
    if (!l) return out;
    out.law = "Under " + drag_law_name(law) + ":";
    out.spread = spread_text(l->spread);
    out.trend = trend_text(l->trend, u);
    if (const std::string shared = shared_text(l->shared, groups, u); !shared.empty())
        out.shared = "One BC for the strings: " + shared;
    return out;
}

std::string string_fit_report(const StringFit& f, const std::vector<FitShot>& shots,
                              const std::vector<std::string>& groups, const ShotUnits& u,
                              std::optional<double> sectional_density) {
    std::string out = verdict_text(f, u) + "\n";
    for (const FitMessage& m : f.messages) out += fit_message_text(m, shots, u) + "\n";
    for (const Outlier& o : f.outliers) out += outlier_text(o, shots) + "\n";
    if (f.laws.empty()) return out;
    out += std::string("\nLaw   BC      BC interval        rms  Weighted SS") +
           (sectional_density ? "  Form factor" : "") + "\n";
    for (const StringLawFit& l : f.laws) {
        const FitRowTexts row = fit_row_texts(l.series, false, u.velocity, u.tmp);
        std::string line = row.law;
        line.resize(6, ' ');
        std::string bc = row.bc;
        bc.resize(std::max<std::size_t>(bc.size() + 1, 8), ' ');
        std::string interval = row.interval;
        interval.resize(std::max<std::size_t>(interval.size() + 1, 19), ' ');
        std::string ss = format_fixed(l.series.chi_square, 1);
        ss.insert(0, ss.size() < 13 ? 13 - ss.size() : 0, ' ');
        std::string row_text = line + bc + interval + row.rms + ss;
        if (sectional_density) {
            std::string ff = l.series.BC > 0 ? format_fixed(form_factor(*sectional_density, l.series.BC), 3) : "-";
            ff.insert(0, ff.size() < 13 ? 13 - ff.size() : 0, ' ');
            row_text += ff;
        }
        out += row_text + "\n";
    }
    const StringLawFit& best = f.laws.front();
    out += "\nUnder " + drag_law_name(best.series.law) + ":\n" + spread_text(best.spread) + "\n" +
           trend_text(best.trend, u) + "\n";
    if (const std::string shared = shared_text(best.shared, groups, u); !shared.empty())
        out += "One BC for the strings: " + shared + "\n";
    out += "\nShot        Muzzle velocity                 Own BC   Interval           rms\n";
    for (std::size_t i = 0; i < shots.size() && i < f.plan.size(); ++i) {
        std::string name = shots[i].name;
        name.resize(std::max<std::size_t>(name.size() + 1, 12), ' ');
        const float mv = i < best.mv.size() ? best.mv[i] : f.plan[i].mv;
        std::string source = mv_source_text(f.plan[i].source, mv, u);
        source.resize(std::max<std::size_t>(source.size() + 1, 32), ' ');
        std::string line = name + source;
        const ShotResultTexts own = shot_result_texts(f, shots, i, best, u);
        if (own.rms.empty()) {
            line += own.bc;
        } else {
            std::string bc = own.bc;
            bc.resize(std::max<std::size_t>(bc.size() + 1, 9), ' ');
            std::string interval = own.interval;
            interval.resize(std::max<std::size_t>(interval.size() + 1, 19), ' ');
            line += bc + interval + own.rms;
        }
        if (!f.in_series[i]) line += "  (set aside)";
        out += line + "\n";
    }
    return out;
}

}  // namespace velora
