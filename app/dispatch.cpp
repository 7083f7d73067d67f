#include "app/dispatch.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/features.h"
#include "app/fit_window.h"
#include "app/navigation.h"
#include "app/program.h"
#include "app/window_update.h"
#include "engine/drag.h"
#include "output/popup_menus.h"
#include "solver/display_texts.h"
#include "solver/field_checks.h"
#include "solver/recalculate.h"

namespace velora {

namespace {

// Takes over what an input field holds, as Return, Tab and Shift+Tab do. False when the text was
// not read (a unit the field does not take): the field shows its value again and says why.
bool commit(App& app, int id) {
    MainWindow& w = app.window;
    const auto field = static_cast<FieldId>(id);
    const FieldCommit commit = commit_field(app.state, app.results, field, control_text(w, id));
    if (!commit.refusal.empty()) {
        set_control_text(w, id, field_text(app.state, app.results, field));
        show_field_notice(app, id, refused_entry_text(field, commit.refusal));
        return false;
    }
    if (commit.bc_text) set_control_text(w, FieldBC, *commit.bc_text);
    if (commit.changed) {
        run_recalculate(app);
    } else {
        // A refused, clamped or equal entry: the field shows again the value in use, in its
        // unit and decimals, and never a typed text that the calculation did not take.
        set_control_text(w, id, field_text(app.state, app.results, field));
    }
    return true;
}

// The field reached has its whole text selected, so that what is typed next replaces it; a text
// that was not read keeps the focus in its field.
void commit_and_move(App& app, int key) {
    const int focused = focused_control(app.window);
    const int next = is_input_field(focused) && !commit(app, focused) ? focused : next_field(app.state, focused, key);
    focus_control(app.window, next);
    select_field_text(app.window, next);
}

bool tolerance_focused(const App& app) {
    const int focused = focused_control(app.window);
    return focused == FieldMVTol || focused == FieldTVTol;
}

void show_panel_tab(App& app, int tab) {
    CalcState& s = app.state;
    s.mode = 1;
    resize_for_mode(app.window, s);
    select_tab(app.window, tab);
    s.statePAN = tab;
    if (tab != TabConfidence && !tolerance_focused(app)) focus_control(app.window, s.mpag);
    run_recalculate(app);
}

void popup(QMenu* menu, const Event& e) { menu->popup(QPoint(e.x, e.y)); }

void menu_command(App& app, int number) {
    CalcState& s = app.state;
    MainWindow& w = app.window;
    switch (number) {
        case MenuTogglePanel:
            s.mode = s.mode == 1 ? 0 : 1;
            focus_control(w, s.mpag);
            resize_for_mode(w, s);
            run_recalculate(app);
            break;
        case MenuTablePanel: show_panel_tab(app, TabTable); break;
        case MenuPlotPanel: show_panel_tab(app, TabPlot); break;
        case MenuConfidence: show_panel_tab(app, TabConfidence); break;
        case MenuFitShots: show_fit_window(app); break;
        case MenuPreferences:
            show_preferences_dialog(app);
            run_recalculate(app);
            break;
        case MenuHelpTopics: open_help(app); break;
        case MenuWebsite: open_maker_website(app); break;
        case MenuCheckUpdates: check_for_update(app, true); break;
        case MenuAbout: show_about(app); break;
        case TableStep1:
        case TableStep5:
        case TableStep10:
        case TableStep25: {
            const float steps[] = {1.0f, 5.0f, 10.0f, 25.0f};
            s.TableStep = steps[number - TableStep1];
            update_step_menu_checks(w, s);
            run_recalculate(app);
            break;
        }
        case TableGaps:
            s.Gaps = s.Gaps == 1 ? 0 : 1;
            w.items.at(TableGaps)->setText(
                QString::fromStdString(with_mnemonic(gaps_item_text(s.Gaps), command_mnemonic(TableGaps))));
            run_recalculate(app);
            break;
        case PrintTable:
            print_table(app);
            run_recalculate(app);
            break;
        case SaveTableCsv: save_table_csv(app); break;
        case PlotTargetMarker:
            s.ShowTarget = s.ShowTarget != 0 ? 0 : 1;
            w.items.at(PlotTargetMarker)
                ->setText(QString::fromStdString(
                    with_mnemonic(target_marker_item_text(s.ShowTarget), command_mnemonic(PlotTargetMarker))));
            run_recalculate(app);
            break;
        case PrintImage: print_plot(app); break;
        case SaveImage: save_plot_png(app); break;
        case SaveImagePrintSize: save_plot_print_size(app); break;
        case MenuSaveReport: save_report(app); break;
        case SaveTableSpreadsheet: save_table_spreadsheet(app); break;
        default: break;
    }
}

void select_method(App& app, int method) {
    CalcState& s = app.state;
    select_method_button(app.window, method);
    s.stateRB = method;
    enable_fields_for_method(app.window, s);
    s.ChangeKind = 1;
    run_recalculate(app);
}

// False when the new law's BC was improbable and the old law stays.
bool change_law(App& app) {
    CalcState& s = app.state;
    const int position = list(app.window, DragLawList)->currentIndex();
    const DragLawChange change = change_drag_law(s, app.results, position, s.mode == 1);
    if (change.message) show_message(app, ImprobableBcTitle, *change.message);
    set_list_selection(app.window, DragLawList, change.list_position);
    show_recalculation(app, change.recalc);
    return !change.message;
}

void control_event(App& app, const Event& e) {
    CalcState& s = app.state;
    MainWindow& w = app.window;
    const int id = e.number;
    switch (id) {
        case PanelButton:
            s.mode = s.mode == 1 ? 0 : 1;
            if (!tolerance_focused(app)) focus_control(w, FieldMV);
            resize_for_mode(w, s);
            run_recalculate(app);
            return;
        case ClickDensity:
            if (e.action != ControlAction::LeftClick) return;
            s.DensityUnit = s.DensityUnit == 1 ? 0 : 1;
            refresh_density_readout(app);
            return;
        case ClickZero:
            if (e.action != ControlAction::LeftClick) return;
            s.ShowFarZero = s.ShowFarZero == 1 ? 0 : 1;
            show_zero(app);
            return;
        case MethodButtonPOI:
        case MethodButtonT:
        case MethodButtonV:
        case MethodButtonD: select_method(app, id - MethodButtonPOI); return;
        case ClickMethodPOI:
        case ClickMethodT:
        case ClickMethodV:
        case ClickMethodD: select_method(app, id - ClickMethodPOI); return;
        case ClickBC:
            if (e.action != ControlAction::DoubleClick) return;
            s.stateBC_VAL = 1 - s.stateBC_VAL;
            run_recalculate(app);
            return;
        case PlotSurface:
            if (e.action == ControlAction::RightClick || e.action == ControlAction::MenuKey) popup(w.plot_menu, e);
            return;
        case OutputPanel:
            s.statePAN = panel(w)->currentIndex();
            if (s.statePAN == TabConfidence) {
                show_tolerances(app);
                show_unit_markers(w, s);
            } else if (focused_control(w) != OutputPanel) {
                // A page chosen with the arrow keys on the tab strip leaves the focus there.
                focus_control(w, s.mpag);
            }
            run_recalculate(app);
            return;
        case TableRows:
        case TableHeader:
            if (e.action == ControlAction::MenuKey) {
                popup(w.table_menu, e);
                return;
            }
            clear_focus(w);
            if (e.action == ControlAction::RightClick) popup(w.table_menu, e);
            return;
        case DragLawList: change_law(app); return;
        default: break;
    }
    if ((id >= UnitMV && id <= UnitET) || id == UnitTMP || id == UnitPRES) {
        // Another unit shows the same values: nothing is solved.
        read_controls_into_state(w, s);
        run_recalculate(app);
    }
}

}  // namespace

int dispatch_event(App& app, const Event& e) {
    app.state.ChangeKind = 0;
    if (e.kind == EventKind::Menu) {
        switch (e.number) {
            case KeyReturn:
            case KeyTab:
            case KeyBacktab: commit_and_move(app, e.number); return 1;
            case KeyQuit:
            case MenuQuit: return 0;
            case KeyHelp: open_help(app); return 1;
            case KeyAbout: show_about(app); return 1;
            default: menu_command(app, e.number); return 1;
        }
    }
    if (e.kind == EventKind::Close) return 0;
    control_event(app, e);
    return 1;
}

bool enter_fitted_values(App& app, int law, const std::string& bc_text, const std::optional<std::string>& mv_text) {
    CalcState& s = app.state;
    MainWindow& w = app.window;
    if (mv_text) enter_muzzle_velocity(app, *mv_text);
    if (law != s.CURVE) {
        s.ChangeKind = 0;
        set_list_selection(w, DragLawList, list_position_of_drag_law(law));
        if (!change_law(app)) return false;
    }
    s.ChangeKind = 0;
    set_control_text(w, FieldBC, bc_text);
    commit(app, FieldBC);
    return true;
}

void enter_muzzle_velocity(App& app, const std::string& mv_text) {
    app.state.ChangeKind = 0;
    set_control_text(app.window, FieldMV, mv_text);
    commit(app, FieldMV);
}

void deliver_event(App& app, const Event& event) {
    if (!app.dispatching) return;
    if (dispatch_event(app, event) == 0) {
        app.dispatching = false;
        app.ended = true;
        if (app.end_loop) app.end_loop();
        return;
    }
    for (int id : {TableRows, TableHeader})
        if (auto* l = qobject_cast<QListWidget*>(control(app.window, id))) l->clearSelection();
    save_preferences_soon(app);
}

}  // namespace velora
