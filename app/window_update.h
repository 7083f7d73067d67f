// Bringing the window up to date: the recalculation pass applied to the controls, the tooltips,
// the About box and the other small displays the dispatcher calls.
#pragma once

#include <string>

#include "app/app.h"
#include "solver/recalculate.h"

namespace velora {

// Runs the recalculation pass with the state's ChangeKind and shows its outcome: the improbable-BC
// message when a solve failed, every field in its unit with its range hint, the zero field, the
// BC display, the drag-law description, the panel button, the range table, the plot and the
// Confidence page while the panel is shown, the captions of the set-up and the enabling of its
// fields.
void run_recalculate(App& app);

// Shows what a pass produced (run_recalculate and the drag-law change use it).
void show_recalculation(App& app, const RecalcOutcome& outcome);

// The range table in its two lists, the plot on its canvas and both popup menus with their
// current texts and ticks, from the state and the last results. The pass calls it only while the
// output panel is shown; otherwise the lists and the canvas keep what they last showed.
void redraw_outputs(App& app);

// The control's tooltip becomes `text` while tooltips are enabled, or is removed; a caption's
// click area gets the same.
void set_tooltip(App& app, int id, const std::string& text);
// The fixed tooltips of the window.
void apply_tooltips(App& app);

// A short notice beside a field (a text it did not take, and why), shown as a tooltip under it
// whether or not tooltips are enabled; it goes with the next click, focus change or after a while.
void show_field_notice(App& app, int id, const std::string& text);

void show_about(App& app);
void show_message(App& app, const std::string& title, const std::string& text);

// The two tolerance fields with their "%".
void show_tolerances(App& app);
// The zero field's caption, value and tooltip.
void show_zero(App& app);
// The air-density line in the density unit of the moment.
void refresh_density_readout(App& app);

}  // namespace velora
