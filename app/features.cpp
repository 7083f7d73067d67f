#include "app/features.h"

namespace velora {

void print_table(App&) {}
void save_table_csv(App&) {}
void print_plot(App&) {}
void save_plot_png(App&) {}

}  // namespace velora
