#include "app/dark_theme.h"

#include <QMainWindow>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "theme/widget_theme.h"

namespace velora {

namespace {

constexpr Colour WindowGrey = rgb(58, 58, 58);
constexpr Colour FieldGrey = rgb(48, 48, 48);
constexpr Colour Orange = rgb(255, 127, 0);
constexpr Colour Red = rgb(255, 0, 0);
constexpr Colour Magenta = rgb(255, 0, 255);
constexpr Colour Green = rgb(0, 160, 0);
constexpr Colour LightGrey = rgb(208, 208, 208);
constexpr Colour Grey = rgb(128, 128, 128);

void own_colours(const MainWindow& w, int id, Colour back, Colour front) {
    if (QWidget* c = control(w, id)) set_control_theme(c, back, front);
}

}  // namespace

void theme_main_window(MainWindow& w) {
    QWidget* window = w.window.get();
    set_window_theme(window, AutomaticColour, AutomaticColour);
    set_window_theme(window, WindowGrey, AutomaticColour);
    for (int id : {CaptionZR, DensityLine}) own_colours(w, id, AutomaticColour, Orange);
    own_colours(w, MaxBcValue, AutomaticColour, Red);
    own_colours(w, MeanBcValue, AutomaticColour, Magenta);
    for (int id : {NaiveBcValue, BcResult}) own_colours(w, id, AutomaticColour, Green);
    own_colours(w, MinBcValue, AutomaticColour, LightGrey);
    for (int id : {FieldMVTol, FieldTVTol}) own_colours(w, id, AutomaticColour, White);
}

void theme_tolerance_controls(MainWindow& w, bool target_chronograph_used) {
    for (int id : {FieldMVTol, FieldTVTol}) own_colours(w, id, FieldGrey, White);
    for (int id : {CaptionMVTol, CaptionTVTol, PlusMinusMV, PlusMinusTV}) {
        if (QWidget* c = control(w, id)) c->setEnabled(true);
        own_colours(w, id, AutomaticColour, White);
    }
    for (int id : {CaptionTVTol, PlusMinusTV}) own_colours(w, id, WindowGrey, target_chronograph_used ? White : Grey);
}

void theme_preferences_window(QWidget* window) {
    set_window_theme(window, AutomaticColour, AutomaticColour);
    set_window_theme(window, WindowGrey, AutomaticColour);
}

void theme_fit_window(QWidget* window) { theme_preferences_window(window); }

}  // namespace velora
