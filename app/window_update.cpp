#include "app/window_update.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolTip>

#include "app/accessibility.h"
#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/dark_theme.h"
#include "engine/atmosphere.h"
#include "output/plot_canvas.h"
#include "output/popup_menus.h"
#include "output/range_table.h"
#include "output/table_view.h"
#include "solver/display_texts.h"

namespace velora {

namespace {

void set_text_colour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

void show_confidence_page(App& app, const ConfidencePage& page) {
    MainWindow& w = app.window;
    set_control_text(w, ConfidenceMethod, page.heading);
    set_control_text(w, ConfidenceDragLaw, page.drag_law_heading);
    set_control_text(w, MaxBcValue, page.maximum);
    set_control_text(w, MeanBcValue, page.mean);
    set_control_text(w, NaiveBcValue, page.bc);
    set_control_text(w, MinBcValue, page.minimum);
    set_control_text(w, FieldMVTol, page.muzzle_tolerance);
    set_control_text(w, FieldTVTol, page.target_tolerance);

    // Only two chronographs use the target chronograph's error; otherwise it is greyed out.
    const QColor grey(128, 128, 128);
    set_text_colour(control(w, PlusMinusMV), grey);
    for (int id : {FieldMVTol, CaptionMVTol}) control(w, id)->setEnabled(true);
    for (int id : {FieldTVTol, CaptionTVTol, PlusMinusTV}) {
        control(w, id)->setEnabled(page.target_tolerance_enabled);
        if (id != FieldTVTol) set_text_colour(control(w, id), page.target_tolerance_enabled ? QColor(Qt::black) : grey);
    }
    if (app.state.DarkMode) theme_tolerance_controls(w, page.target_tolerance_enabled);
}

}  // namespace

void run_recalculate(App& app) {
    const RecalcOutcome outcome = recalculate(app.state, app.results, app.state.mode == 1);
    show_recalculation(app, outcome);
}

void show_recalculation(App& app, const RecalcOutcome& outcome) {
    CalcState& s = app.state;
    MainWindow& w = app.window;
    show_unit_markers(w, s);
    set_caption_fonts(w, s);
    if (outcome.message) show_message(app, ImprobableBcTitle, *outcome.message);
    if (outcome.bc_predicted)
        for (int id : {FieldBC, BcResult}) set_text_colour(control(w, id), QColor(0, 160, 0));

    const WindowTexts& t = outcome.texts;
    for (const FieldDisplay& f : t.fields) {
        const int id = static_cast<int>(f.field);
        if ((id == FieldMVTol || id == FieldTVTol) && s.mode != 1) continue;
        set_control_text(w, id, f.text);
        if (f.range_hint) set_tooltip(app, id, *f.range_hint);
    }
    set_control_text(w, CaptionZR, t.zero.caption);
    control(w, BcResult)->setVisible(t.bc_as_result);
    control(w, FieldBC)->setVisible(!t.bc_as_result);
    set_control_text(w, BcResult, t.bc);
    set_control_text(w, FieldBC, t.bc);
    set_control_text(w, DragLawDescription, t.drag_law_description);

    if (s.mode == 1) redraw_outputs(app);
    if (outcome.confidence) show_confidence_page(app, *outcome.confidence);
    set_control_text(w, PanelButton, t.panel_toggle.text);
    set_tooltip(app, PanelButton, t.panel_toggle.tooltip);
    enable_fields_for_method(w, s);
    apply_accessible_texts(app);
}

void redraw_outputs(App& app) {
    const CalcState& s = app.state;
    MainWindow& w = app.window;
    QListWidget* header = table_list(w, TableHeader);
    QListWidget* rows = table_list(w, TableRows);
    if (header != nullptr && rows != nullptr) show_table(*header, *rows, fill_table(s, app.results));
    if (w.table_menu != nullptr) refresh_popup_menu(*w.table_menu, table_menu_items(s));
    if (w.plot != nullptr) w.plot->redraw(s, app.results);
    if (w.plot_menu != nullptr) refresh_popup_menu(*w.plot_menu, plot_menu_items(s));
}

void set_tooltip(App& app, int id, const std::string& text) {
    const QString tip = app.state.EnableToolTips ? QString::fromStdString(text) : QString();
    // A caption under a click area shows its tooltip through the area that the mouse is over.
    for (int target : {id, click_area_over(id)})
        if (QWidget* c = control(app.window, target)) c->setToolTip(tip);
}

void apply_tooltips(App& app) {
    for (const auto& [id, text] : fixed_tooltips()) set_tooltip(app, id, text);
}

void show_field_notice(App& app, int id, const std::string& text) {
    QWidget* c = control(app.window, id);
    if (c == nullptr) return;
    // Under the field, where it hides nothing of the field itself.
    QToolTip::showText(c->mapToGlobal(QPoint(0, c->height())), QString::fromStdString(text), c);
}

void show_message(App& app, const std::string& title, const std::string& text) {
    if (app.dialogs.message) app.dialogs.message({title, text, MessageButtons::Ok});
}

void show_about(App& app) { show_message(app, AboutTitle, about_text()); }

void show_tolerances(App& app) {
    set_control_text(app.window, FieldMVTol, tolerance_text(app.state.MV_TOL));
    set_control_text(app.window, FieldTVTol, tolerance_text(app.state.TV_TOL));
    apply_accessible_texts(app);
}

void show_zero(App& app) {
    const ZeroDisplay zero = zero_display(app.state, app.results);
    set_control_text(app.window, CaptionZR, zero.caption);
    set_control_text(app.window, FieldZR, zero.text);
    set_tooltip(app, FieldZR, zero.tooltip);
    apply_accessible_texts(app);
}

void refresh_density_readout(App& app) {
    const CalcState& s = app.state;
    set_control_text(app.window, DensityLine, density_readout_text(s.TMP, s.PRES, s.HUMID, s.DensityUnit));
    apply_accessible_texts(app);
}

}  // namespace velora
