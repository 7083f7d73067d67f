// The main window: its controls, each registered under its number, the menu bar and the two
// context menus, laid out at fixed pixel positions.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <QPoint>

#include <map>
#include <memory>
#include <string>

#include "state/calc_state.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QTabWidget;

namespace velora {

class PlotCanvas;

// The fonts of the program, by number: 7 the plot, 8 the table lists, 9 the input fields and the
// "±" signs, 10 the captions, 11 the captions that stand out, 12 the drag-law description, 14 the
// BC results.
QFont program_font(int number);

struct MainWindow {
    std::unique_ptr<QMainWindow> window;
    QWidget* inputs = nullptr;  // the area below the menu bar that holds every control
    std::map<int, QWidget*> controls;
    std::map<int, QAction*> items;  // menu items by number
    QMenu* plot_menu = nullptr;
    QMenu* table_menu = nullptr;
    PlotCanvas* plot = nullptr;  // the drawing surface of the "Plot" tab (control 100)
    int menu_bar_height = 0;
};

// Builds the window, invisible, from the state: the layout metrics, the position (centred on the
// primary screen on a first run, written back into WinX/WinY), the menus, every control with its
// unit list set from the state, the selected set-up, tab and BC display, the enabling of the
// fields, the width of `mode` and the focus on field `mpag`. The value texts are left to the
// first recalculation.
void build_main_window(MainWindow& w, CalcState& s);

// Where a window of `size` placed at `at` opens so that it lies inside `area` (the screen less its
// panels): moved left and up as far as it overhangs the right and bottom edges, but never past
// the left and top edges, so that its title bar and menu bar stay on the screen even when the
// window is larger than the area.
QPoint keep_inside(QPoint at, QSize size, const QRect& area);

// The free area of the screen that holds the point `at` (the nearest screen's when none does; an
// empty rectangle without screens).
QRect available_area_at(QPoint at);

// Moves `window` to (x, y) kept inside the free area of its screen; the position it gets is
// written back into x and y.
void place_on_screen(QWidget& window, int& x, int& y);

// The control registered under `id`, or null.
QWidget* control(const MainWindow& w, int id);
QLineEdit* field(const MainWindow& w, int id);
QComboBox* list(const MainWindow& w, int id);
QLabel* label(const MainWindow& w, int id);
QTabWidget* panel(const MainWindow& w);
// The two lists of the "Table" tab: TableHeader (99) and TableRows (98).
QListWidget* table_list(const MainWindow& w, int id);

// The number of a widget of the window (0 for one without a number).
int control_id_of(const QWidget* widget);
// The number of the control that has the keyboard focus (0 when none of ours has it).
int focused_control(const MainWindow& w);
void focus_control(MainWindow& w, int id);
// Selects the whole text of an input field (nothing for another control).
void select_field_text(MainWindow& w, int id);
void clear_focus(MainWindow& w);

// Opens fields 6 and 8..12 and closes those the set-up does not use.
void enable_fields_for_method(MainWindow& w, const CalcState& s);
// Shows the unit markers of the quantities that the output panel's page shows.
void show_unit_markers(MainWindow& w, const CalcState& s);
// The width of `mode` (400 without the panel, 830 with it); position and height stay.
void resize_for_mode(MainWindow& w, const CalcState& s);
// Ticks the table-step item that equals TableStep.
void update_step_menu_checks(MainWindow& w, const CalcState& s);
// The set-up's captions in the bold caption font, the others in the regular one; a left-aligned
// caption that would run into a field beside it is set just small enough to end before it.
void set_caption_fonts(MainWindow& w, const CalcState& s);
// The width a caption's text may take from its left edge: its own width, or less where a field
// or list lies beside it (ending a few pixels before it).
int caption_room(const MainWindow& w, const QLabel& caption);

// Selects the output panel's tab without it counting as the user's choice.
void select_tab(MainWindow& w, int tab);
// Selects the option button of the set-up.
void select_method_button(MainWindow& w, int method);
// Sets a list's selection without it counting as the user's choice.
void set_list_selection(MainWindow& w, int id, int position);

// Copies what the controls hold into the state: the unit selections, the drag-law list position,
// the selected tab and the window's position.
void read_controls_into_state(const MainWindow& w, CalcState& s);

// Writes a text into a caption, field or button; does nothing for an unknown number.
void set_control_text(MainWindow& w, int id, const std::string& text);
std::string control_text(const MainWindow& w, int id);

}  // namespace velora
