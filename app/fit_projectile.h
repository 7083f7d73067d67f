// The Fit window's projectile: its weight, calibre and length with their units, and the energy
// limit (none, 12 ft·lbf, 7.5 J or a typed value). From them the window shows the sectional
// density, the form factor beside each law's BC, the energy and momentum at the muzzle and the
// energy of each shot of an imported string, and says when the string or a shot passes the limit.
// A string's recorded weight is taken where none is typed and shown "as set on the device". The
// fields are kept beside the preferences in "Velora.projectile" (services/projectile_file.h).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/projectile.h"

class QVBoxLayout;

namespace velora {

struct App;

// The projectile's fields under `layout`, read from the file beside the preferences.
void build_projectile_part(App& app, QVBoxLayout* layout);

// The projectile the fit uses: the typed values, the string's weight as set on the device where
// none is typed (its source says which).
Projectile fit_projectile(const App& app);

// The path of the drag table kept with the projectile ("" for none), and keeping another.
std::string fit_drag_table_path(const App& app);
void keep_drag_table_path(App& app, const std::string& path);

// The energy limit chosen in the fields, or none.
std::optional<EnergyLimit> fit_energy_limit(const App& app);

// The form factor against a law at `bc`, with three decimals; empty without a sectional density.
std::string fit_form_factor_text(const App& app, float bc);

// Shows the projectile's lines again: after a fit, a change of the fields or of the string. `mv`
// is the muzzle velocity the fit flew (ft/s).
void show_projectile(App& app, float mv);

// The lines shown: the sectional density, the energy and momentum at `mv`, the energies of
// `shots` (id and muzzle velocity) and whether the string (at `mv`) or any shot passes the limit.
std::vector<std::string> projectile_lines(const Projectile& p, const std::optional<EnergyLimit>& limit, float mv,
                                          const std::vector<std::pair<std::string, float>>& shots);

}  // namespace velora
