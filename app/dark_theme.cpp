#include "app/dark_theme.h"

#include <QApplication>
#include <QMainWindow>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

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

QColor qcolour(Colour c) { return QColor(red_of(c), green_of(c), blue_of(c)); }

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

QPalette dark_application_palette() {
    const SystemColours sys = system_colours();
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, Colour c) { p.setColor(role, qcolour(c)); };
    set(QPalette::Window, WindowGrey);
    set(QPalette::WindowText, White);
    set(QPalette::Base, FieldGrey);
    set(QPalette::AlternateBase, rgb(53, 53, 53));
    set(QPalette::Text, White);
    set(QPalette::Button, rgb(68, 68, 68));
    set(QPalette::ButtonText, White);
    set(QPalette::BrightText, rgb(255, 96, 96));
    set(QPalette::ToolTipBase, rgb(72, 72, 72));
    set(QPalette::ToolTipText, White);
    set(QPalette::PlaceholderText, rgb(160, 160, 160));
    set(QPalette::Light, rgb(96, 96, 96));
    set(QPalette::Midlight, rgb(78, 78, 78));
    set(QPalette::Mid, rgb(44, 44, 44));
    set(QPalette::Dark, rgb(36, 36, 36));
    set(QPalette::Shadow, rgb(20, 20, 20));
    set(QPalette::Highlight, sys.highlight);
    set(QPalette::HighlightedText, White);
    set(QPalette::Link, rgb(110, 170, 255));
    set(QPalette::LinkVisited, rgb(190, 150, 255));
    const Colour disabled = disabled_text_colour(White);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, qcolour(disabled));
    p.setColor(QPalette::Disabled, QPalette::Highlight, qcolour(rgb(80, 80, 80)));
    return p;
}

namespace {

struct ApplicationLook {
    QString style;
    QPalette palette;
    QPalette tooltips;
};

}  // namespace

std::shared_ptr<void> use_dark_application_look() {
    auto* before = new ApplicationLook{QApplication::style()->name(), QApplication::palette(), QToolTip::palette()};
    const bool restyled = before->style.compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0;
    if (restyled) QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QPalette dark = dark_application_palette();
    QApplication::setPalette(dark);
    QToolTip::setPalette(dark);
    return std::shared_ptr<ApplicationLook>(before, [restyled](ApplicationLook* look) {
        if (restyled) QApplication::setStyle(QStyleFactory::create(look->style));
        QApplication::setPalette(look->palette);
        QToolTip::setPalette(look->tooltips);
        delete look;
    });
}

}  // namespace velora
