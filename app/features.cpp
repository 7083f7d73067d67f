#include "app/features.h"

namespace velora {

void show_preferences_dialog(App&) {}
void check_for_update(App&, bool) {}
void open_maker_website(App&) {}
void print_table(App&) {}
void save_table_csv(App&) {}
void print_plot(App&) {}
void save_plot_png(App&) {}

}  // namespace velora
