#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

#include "app/accessibility.h"
#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/key_groups.h"
#include "app/navigation.h"
#include "engine/atmosphere.h"
#include "engine/drag_laws.h"
#include "engine/units.h"
#include "output/plot_canvas.h"
#include "output/plot_draw.h"
#include "output/popup_menus.h"
#include "output/table_view.h"

namespace velora {

namespace {

constexpr const char* IdProperty = "veloraControl";

const QColor Orange(255, 127, 0);
const QColor Red(255, 0, 0);
const QColor Magenta(255, 0, 255);
const QColor Green(0, 160, 0);

QString qs(const char* text) { return QString::fromUtf8(text); }

template <class T>
T* add(MainWindow& w, QWidget* parent, int id, int x, int y, int width, int height) {
    T* widget = new T(parent);
    widget->setGeometry(x, y, width, height);
    if (id != NoControl) {
        widget->setProperty(IdProperty, id);
        w.controls[id] = widget;
    }
    return widget;
}

void set_text_colour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    widget->setPalette(p);
}

QLabel* add_caption(MainWindow& w, QWidget* parent, int id, const char* text, int x, int y, int width, int height,
                    int font = 10, Qt::Alignment align = Qt::AlignHCenter | Qt::AlignVCenter) {
    QLabel* caption = add<QLabel>(w, parent, id, x, y, width, height);
    caption->setText(qs(text));
    caption->setFont(program_font(font));
    caption->setAlignment(align);
    return caption;
}

QLineEdit* add_field(MainWindow& w, QWidget* parent, int id, int x, int y, int width, int height) {
    QLineEdit* f = add<QLineEdit>(w, parent, id, x, y, width, height);
    f->setFont(program_font(9));
    f->setAlignment(Qt::AlignCenter);
    return f;
}

QComboBox* add_list(MainWindow& w, QWidget* parent, int id, const QStringList& items, int selection, int x, int y,
                    int width, int height) {
    QComboBox* l = add<QComboBox>(w, parent, id, x, y, width, height);
    l->setEditable(false);
    l->addItems(items);
    l->setCurrentIndex(selection >= 0 && selection < items.size() ? selection : 0);
    return l;
}

QStringList unit_items(Quantity q) {
    QStringList items;
    for (int i = 0; i < unit_count(q); ++i) items << qs(unit_caption(q, i));
    return items;
}

// A transparent area over a caption that takes the caption's mouse clicks.
QWidget* add_click_area(MainWindow& w, QWidget* parent, int id, int x, int y, int width, int height) {
    QWidget* area = add<QWidget>(w, parent, id, x, y, width, height);
    area->setAttribute(Qt::WA_NoSystemBackground);
    area->setCursor(Qt::PointingHandCursor);
    return area;
}

// A menu item with its mnemonic: the menu shows `text`, the letter underlined while Alt is held.
QAction* add_item(MainWindow& w, QMenu* menu, int id, const char* text) {
    QAction* item = menu->addAction(QString::fromStdString(with_mnemonic(text, menu_bar_mnemonic(id))));
    item->setProperty(IdProperty, id);
    w.items[id] = item;
    return item;
}

void add_title_item(QMenu* menu, const char* text) { add_menu_title(*menu, qs(text)); }

void build_menus(MainWindow& w, const CalcState& s) {
    QMenuBar* bar = w.window->menuBar();
    QMenu* utility =
        bar->addMenu(QString::fromStdString(with_mnemonic("Utility", menu_bar_mnemonic(UtilityMenuTitle))));
    add_item(w, utility, MenuTablePanel, "Table Panel");
    add_item(w, utility, MenuPlotPanel, "Plot Panel");
    add_item(w, utility, MenuConfidence, "Confidence");
    utility->addSeparator();
    add_item(w, utility, MenuTogglePanel, "Toggle Panel");
    utility->addSeparator();
    add_item(w, utility, MenuFitShots, "Fit from Shots…");
    add_item(w, utility, MenuSaveReport, "Save Report…");
    utility->addSeparator();
    add_item(w, utility, MenuPreferences, "Preferences");
    utility->addSeparator();
    add_item(w, utility, MenuQuit, "Quit");

    QMenu* help = bar->addMenu(QString::fromStdString(with_mnemonic("Help", menu_bar_mnemonic(HelpMenuTitle))));
    add_item(w, help, MenuHelpTopics, "Help Topics");
    add_item(w, help, MenuWebsite, "Tarvo Website");
    help->addSeparator();
    add_item(w, help, MenuCheckUpdates, "Check for updates");
    help->addSeparator();
    add_item(w, help, MenuAbout, "About");

    w.plot_menu = new QMenu(w.window.get());
    w.plot_menu->setProperty(IdProperty, int(PlotMenu));
    add_title_item(w.plot_menu, "Plot Popup Menu:");
    w.plot_menu->addSeparator();
    add_item(w, w.plot_menu, PlotTargetMarker, target_marker_item_text(s.ShowTarget));
    w.plot_menu->addSeparator();
    add_item(w, w.plot_menu, PrintImage, "Print Image");
    add_item(w, w.plot_menu, SaveImage, "Save Image");
    add_item(w, w.plot_menu, SaveImagePrintSize, "Save Image at Print Size…");

    w.table_menu = new QMenu(w.window.get());
    w.table_menu->setProperty(IdProperty, int(TableMenu));
    add_title_item(w.table_menu, "Table Popup Menu:");
    w.table_menu->addSeparator();
    QMenu* steps = w.table_menu->addMenu(qs("Table Step ..."));
    add_title_item(steps, "Step Size:");
    steps->addSeparator();
    const char* step_texts[] = {"1", "5", "10", "25"};
    for (int i = 0; i < 4; ++i) add_item(w, steps, TableStep1 + i, step_texts[i])->setCheckable(true);
    w.table_menu->addSeparator();
    add_item(w, w.table_menu, TableGaps, gaps_item_text(s.Gaps));
    w.table_menu->addSeparator();
    add_item(w, w.table_menu, PrintTable, "Print Table");
    add_item(w, w.table_menu, SaveTableCsv, "Save Table as .CSV");
    add_item(w, w.table_menu, SaveTableSpreadsheet, "Save Table as Spreadsheet CSV…");

    // The popup menus' items carry their mnemonics from the start, as every rebuilt menu does.
    refresh_popup_menu(*w.plot_menu, plot_menu_items(s, MenuStage::Initial));
    refresh_popup_menu(*w.table_menu, table_menu_items(s, MenuStage::Initial));
}

// A field's caption over it, in the window's words.
const char* caption_of(int field) { return input(static_cast<FieldId>(field)).caption; }

// A field's unit list, with the state's selection.
void add_unit_list(MainWindow& w, QWidget* p, const CalcState& s, int field, int x, int y) {
    const Input& in = input(static_cast<FieldId>(field));
    add_list(w, p, controls_of_field(field).unit_list, unit_items(quantity_of(in.kind)), s.*in.unit, x, y,
             s.ColumnWidth, s.ListHeight);
}

struct Group {
    int field;
    int extra;   // the caption's width beyond the field's
    int marker;  // 0 for none
    int x, y;
};

void build_inputs(MainWindow& w, const CalcState& s) {
    QWidget* p = w.inputs;
    const int lh = s.LabelHeight, fh = s.FieldHeight, cw = s.ColumnWidth;
    const Group groups[] = {
        {FieldMV, 20, MarkerMV, 20, 10},   {FieldZR, 0, 0, 150, 10},
        {FieldTR, 20, MarkerTR, 275, 10},  {FieldSH, 0, 0, 20, 100},
        {FieldTV, 40, 0, 150, 100},        {FieldPOI, 20, MarkerPOI, 275, 100},
        {FieldET, 20, MarkerET, 275, 190}, {FieldDROP, 20, MarkerDROP, 275, 280},
    };
    for (const Group& g : groups) {
        const int caption_id = controls_of_field(g.field).caption;
        QLabel* caption = add_caption(w, p, caption_id, caption_of(g.field), g.x - g.extra / 2, g.y, cw + g.extra, lh);
        if (caption_id == CaptionZR) {
            caption->setFont(program_font(11));
            set_text_colour(caption, Orange);
            add_click_area(w, p, ClickZero, g.x - g.extra / 2, g.y, cw + g.extra, lh);
        }
        add_field(w, p, g.field, g.x, g.y + 20, cw, fh);
        add_unit_list(w, p, s, g.field, g.x, g.y + 52);
        if (g.marker != 0) {
            QLabel* marker = add_caption(w, p, g.marker, "●", g.x + 102, g.y + 55, 15, fh);
            marker->hide();
        }
    }

    // The four measuring set-ups: one group of option buttons with a clickable caption each.
    auto* methods = new QButtonGroup(w.window.get());
    methods->setExclusive(true);
    const int method_y[] = {190, 230, 270, 310};
    for (int i = 0; i < 4; ++i) {
        auto* button = add<QRadioButton>(w, p, MethodButtonPOI + i, 20, method_y[i], 12, 12);
        methods->addButton(button, i);
    }
    const char* method_texts[] = {" One Chronograph", " One Chronograph + Timer", " Two Chronographs",
                                  " One Chronograph + BoreSighter"};
    const int method_width[] = {205, 205, 205, 250};
    for (int i = 0; i < 4; ++i)
        add_caption(w, p, MethodCaptionPOI + i, method_texts[i], 40, method_y[i] - 3, method_width[i], lh, 11,
                    Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < 4; ++i) add_click_area(w, p, ClickMethodPOI + i, 40, method_y[i], method_width[i], lh);

    QLabel* description =
        add_caption(w, p, DragLawDescription, "", 20, 370, 205, 4 * lh, 12, Qt::AlignLeft | Qt::AlignTop);
    description->setWordWrap(true);
    add_caption(w, p, CaptionBC, caption_of(FieldBC), 255, 370, 140, lh);
    add_click_area(w, p, ClickBC, 255, 370, 140, lh);
    add_field(w, p, FieldBC, 275, 390, cw, fh);
    add_caption(w, p, BcResult, "", 270, 389, 110, fh, 14);
    QStringList laws;
    for (int position = 0; position < DragLawCount; ++position)
        laws << qs(drag_law_name(drag_law_at_list_position(position)).c_str());
    add_list(w, p, DragLawList, laws, s.stateBC, 275, 422, cw, s.ListHeight);

    auto* separator = add<QFrame>(w, p, NoControl, 10, 462, 380, 1);
    separator->setFrameShape(QFrame::Box);

    // The air: temperature, pressure and humidity.
    struct Air {
        int field, caption_x, caption_width, x;
    };
    for (const Air& a : {Air{FieldTMP, 5, 130, 20}, Air{FieldPRES, 140, 120, 150}, Air{FieldHUMID, 255, 140, 275}}) {
        add_caption(w, p, controls_of_field(a.field).caption, caption_of(a.field), a.caption_x, 478, a.caption_width,
                    lh);
        add_field(w, p, a.field, a.x, 498, cw, fh);
        if (controls_of_field(a.field).unit_list != NoControl) add_unit_list(w, p, s, a.field, a.x, 530);
    }
}

void build_confidence_page(MainWindow& w, QWidget* page, int panel_height) {
    QWidget* box = add<QWidget>(w, page, ConfidenceBox, 15, 10, 390, panel_height - 50);
    auto* frame = add<QGroupBox>(w, box, NoControl, 15, 200, 360, 312);
    frame->lower();

    add_field(w, box, FieldMVTol, 50, 50, 100, 30);
    add_caption(w, box, PlusMinusMV, "±", 20, 55, 15, 25, 9);
    const std::string muzzle = message_display_text(caption_of(FieldMVTol));
    add_caption(w, box, CaptionMVTol, muzzle.c_str(), 200, 45, 250, 40, 10, Qt::AlignLeft | Qt::AlignVCenter);
    add_field(w, box, FieldTVTol, 50, 110, 100, 30);
    add_caption(w, box, PlusMinusTV, "±", 20, 115, 15, 25, 9);
    const std::string target = message_display_text(caption_of(FieldTVTol));
    add_caption(w, box, CaptionTVTol, target.c_str(), 200, 105, 250, 40, 10, Qt::AlignLeft | Qt::AlignVCenter);

    add_caption(w, box, ConfidenceMethod, "Chronograph Mode : ", 20, 260, 340, 25, 11);
    struct Row {
        int caption;
        const char* text;
        int value;
        QColor colour;
        int y;
    };
    const Row rows[] = {{MaxBcCaption, "Maximum BC:", MaxBcValue, Red, 285},
                        {MeanBcCaption, " Mean BC:", MeanBcValue, Magenta, 323},
                        {NaiveBcCaption, "Naïve BC:", NaiveBcValue, Green, 361},
                        {MinBcCaption, "Minimum BC:", MinBcValue, Orange, 399}};
    for (const Row& r : rows) {
        add_caption(w, box, r.caption, r.text, 1, r.y, 210, 25, 14, Qt::AlignRight | Qt::AlignVCenter);
        QLabel* value = add_caption(w, box, r.value, "", 210, r.y, 150, 25, 14);
        set_text_colour(value, r.colour);
    }
    add_caption(w, box, ConfidenceDragLaw, "Reference Drag Law : ", 20, 444, 340, 25, 11);
}

void build_output_panel(MainWindow& w, const CalcState& s) {
    const int height = s.WinH - 32;
    auto* tabs = add<QTabWidget>(w, w.inputs, OutputPanel, 400, 5, s.WinW[1] - 400 - 5, height);
    QWidget* table = new QWidget;
    QWidget* plot = new QWidget;
    QWidget* confidence = new QWidget;
    tabs->addTab(table, qs("Table"));
    tabs->addTab(plot, qs("Plot"));
    tabs->addTab(confidence, qs("Confidence"));

    const int list_width = tabs->width() - 35;
    for (int id : {TableHeader, TableRows}) {
        auto* l = add<QListWidget>(w, table, id, 15, id == TableHeader ? 10 : 46, list_width,
                                   id == TableHeader ? 45 : height - 85);
        l->setFocusPolicy(Qt::NoFocus);
        l->viewport()->setProperty(IdProperty, id);
    }
    setup_table_lists(*table_list(w, TableHeader), *table_list(w, TableRows));
    // The canvas's right clicks reach the dispatcher as clicks on control 100, like those on the
    // table lists, so it needs no context-menu handler of its own.
    w.plot = add<PlotCanvas>(w, plot, PlotSurface, 15, 10, list_width, height - 50);
    build_confidence_page(w, confidence, height);
}

}  // namespace

QFont program_font(int number) {
    QFont f;
    switch (number) {
        case 7: f = plot_font(); break;
        case 8: f = table_list_font(); break;
        case 9: f = QFont(qs("Courier New"), 15, QFont::Bold); break;
        case 10: f = QFont(qs("Helvetica"), 11); break;
        case 11: f = QFont(qs("Helvetica"), 11, QFont::Bold); break;
        case 12:
            f = QFont(qs("Helvetica"), 12);
            f.setItalic(true);
            break;
        case 14: f = QFont(qs("Courier New"), 20, QFont::Bold); break;
        default: break;
    }
    return f;
}

void build_main_window(MainWindow& w, CalcState& s) {
    s.LabelHeight = 18;
    s.FieldHeight = 30;
    s.ListHeight = 25;
    s.RowGap = 2;
    s.ColumnWidth = 100;

    if (s.WinX[0] == -1 && s.WinY[0] == -1) {
        // Centred for the wide window, whichever width it opens with.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect desktop = screen->geometry();
            s.WinX[0] = (desktop.width() - s.WinW[1]) / 2;
            s.WinY[0] = (desktop.height() - s.WinH) / 2;
        }
    }

    prepare_accessibility();
    w.window = std::make_unique<QMainWindow>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    w.window->setWindowTitle(qs(WindowTitle));
    w.window->setProperty(IdProperty, 0);
    w.inputs = new QWidget;
    w.window->setCentralWidget(w.inputs);

    build_menus(w, s);
    w.menu_bar_height = w.window->menuBar()->sizeHint().height();
    build_inputs(w, s);
    select_method_button(w, s.stateRB);
    enable_fields_for_method(w, s);

    const int bottom = s.WinH - w.menu_bar_height;
    auto* toggle = add<QPushButton>(w, w.inputs, PanelButton, 353, bottom - 32, 40, 25);
    toggle->setText(qs(">>"));
    toggle->setAutoDefault(false);
    QLabel* density =
        add_caption(w, w.inputs, DensityLine, InitialDensityCaption, 15, bottom - 27, 235, s.LabelHeight, 11);
    set_text_colour(density, Orange);
    add_click_area(w, w.inputs, ClickDensity, 15, bottom - 27, 350, s.LabelHeight);
    build_output_panel(w, s);
    select_tab(w, s.statePAN);

    const bool bc_as_result = s.stateBC_VAL == 1;
    control(w, BcResult)->setVisible(bc_as_result);
    control(w, FieldBC)->setVisible(!bc_as_result);

    // The click areas lie on top of their captions.
    for (int id : {ClickMethodPOI, ClickMethodT, ClickMethodV, ClickMethodD, ClickBC, ClickZero, ClickDensity})
        control(w, id)->raise();

    update_step_menu_checks(w, s);
    enable_fields_for_method(w, s);
    resize_for_mode(w, s);
    // A saved or centred position that would put the title bar or the menu bar off the screen
    // (another screen, a smaller one) is moved onto it.
    place_on_screen(*w.window, s.WinX[0], s.WinY[0]);
    // A selection the lists could not take (a damaged file) stands as the lists show it.
    read_controls_into_state(w, s);
    set_up_accessibility(w);
    focus_control(w, s.mpag);
}

QPoint keep_inside(QPoint at, QSize size, const QRect& area) {
    if (area.isEmpty()) return at;
    const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

QRect available_area_at(QPoint at) {
    if (const QScreen* screen = QGuiApplication::screenAt(at)) return screen->availableGeometry();
    // Off every screen (one that is gone): the screen nearest to the point.
    const QScreen* nearest = QGuiApplication::primaryScreen();
    long long best = -1;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        const long long dx = std::max({g.left() - at.x(), 0, at.x() - g.right()});
        const long long dy = std::max({g.top() - at.y(), 0, at.y() - g.bottom()});
        if (best < 0 || dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = screen;
        }
    }
    return nearest != nullptr ? nearest->availableGeometry() : QRect();
}

namespace {

// Once a window is shown its frame is known: a frame that overhangs the free area is moved onto
// it, each time the window is shown.
class KeptOnScreen : public QObject {
public:
    explicit KeptOnScreen(QWidget& window) : QObject(&window), window_(window) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Show) {
            int x = window_.frameGeometry().x(), y = window_.frameGeometry().y();
            const QSize frame = window_.frameGeometry().size();
            const QPoint at = keep_inside({x, y}, frame, available_area_at({x + frame.width() / 2, y + 10}));
            if (at != QPoint(x, y)) window_.move(at);
        }
        return false;
    }

private:
    QWidget& window_;
};

}  // namespace

void place_on_screen(QWidget& window, int& x, int& y) {
    constexpr const char* Kept = "veloraKeptOnScreen";
    if (!window.property(Kept).toBool()) {
        window.setProperty(Kept, true);
        new KeptOnScreen(window);
    }
    // The frame's size where the window system reports it already, else the window's own.
    const QSize frame = window.frameGeometry().size().expandedTo(window.size());
    // The screen is the one under the title bar's middle.
    const QPoint at = keep_inside({x, y}, frame, available_area_at({x + frame.width() / 2, y + 10}));
    window.move(at);
    x = at.x();
    y = at.y();
}

QWidget* control(const MainWindow& w, int id) {
    const auto it = w.controls.find(id);
    return it == w.controls.end() ? nullptr : it->second;
}

QLineEdit* field(const MainWindow& w, int id) { return qobject_cast<QLineEdit*>(control(w, id)); }
QComboBox* list(const MainWindow& w, int id) { return qobject_cast<QComboBox*>(control(w, id)); }
QLabel* label(const MainWindow& w, int id) { return qobject_cast<QLabel*>(control(w, id)); }
QTabWidget* panel(const MainWindow& w) { return qobject_cast<QTabWidget*>(control(w, OutputPanel)); }

QListWidget* table_list(const MainWindow& w, int id) {
    return id == TableHeader || id == TableRows ? qobject_cast<QListWidget*>(control(w, id)) : nullptr;
}

int control_id_of(const QWidget* widget) {
    for (const QWidget* x = widget; x != nullptr; x = x->parentWidget()) {
        const QVariant id = x->property(IdProperty);
        if (id.isValid()) return id.toInt();
        // A combo box's inner parts belong to the list itself, the tab strip to the output panel;
        // stop at anything else.
        const bool tab_strip =
            qobject_cast<const QTabBar*>(x) != nullptr && qobject_cast<const QTabWidget*>(x->parentWidget()) != nullptr;
        if (qobject_cast<const QComboBox*>(x->parentWidget()) == nullptr && !tab_strip) break;
    }
    return NoControl;
}

int focused_control(const MainWindow& w) {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus->window() != w.window.get()) return NoControl;
    return control_id_of(focus);
}

void focus_control(MainWindow& w, int id) {
    if (QWidget* c = control(w, id)) c->setFocus(Qt::OtherFocusReason);
}

void select_field_text(MainWindow& w, int id) {
    if (QLineEdit* f = is_input_field(id) ? field(w, id) : nullptr) f->selectAll();
}

void clear_focus(MainWindow& w) {
    if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && focus->window() == w.window.get())
        focus->clearFocus();
}

void enable_fields_for_method(MainWindow& w, const CalcState& s) {
    for (int id : {FieldZR, FieldSH, FieldTV, FieldPOI, FieldET, FieldDROP})
        control(w, id)->setEnabled(method_enables_field(s.stateRB, id));
}

void show_unit_markers(MainWindow& w, const CalcState& s) {
    for (int id = MarkerMV; id <= MarkerDROP; ++id) control(w, id)->setVisible(unit_marker_shown(s, id));
}

void resize_for_mode(MainWindow& w, const CalcState& s) {
    const int width = s.WinW[s.mode == 1 ? 1 : 0];
    w.window->setFixedSize(width, s.WinH);
}

void update_step_menu_checks(MainWindow& w, const CalcState& s) {
    const int ticked = table_step_item(s.TableStep);
    for (int id = TableStep1; id <= TableStep25; ++id) w.items.at(id)->setChecked(id == ticked);
}

int caption_room(const MainWindow& w, const QLabel& caption) {
    constexpr int Gap = 4;
    const QRect at = caption.geometry();
    int room = at.width();
    for (const auto& [id, c] : w.controls) {
        const bool field_or_list = qobject_cast<QLineEdit*>(c) != nullptr || qobject_cast<QComboBox*>(c) != nullptr;
        if (!field_or_list || c->parentWidget() != caption.parentWidget() || c->isHidden()) continue;
        const QRect other = c->geometry();
        if (other.left() <= at.left() || other.top() > at.bottom() || other.bottom() < at.top()) continue;
        room = std::min(room, other.left() - at.left() - Gap);
    }
    return std::max(room, 0);
}

void set_caption_font(QLabel& caption, QFont font, int room) {
    // A left-aligned caption whose text would reach a field beside it is set a little smaller.
    if (caption.alignment() & Qt::AlignLeft) {
        const QString text = caption.text();
        while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 7.0)
            font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    caption.setFont(font);
}

void set_caption_fonts(MainWindow& w, const CalcState& s) {
    for (int id : SetUpCaptions)
        if (QLabel* caption = label(w, id))
            set_caption_font(*caption, program_font(caption_emphasised(s.stateRB, id) ? 11 : 10),
                             caption_room(w, *caption));
}

void select_tab(MainWindow& w, int tab) {
    QTabWidget* tabs = panel(w);
    const QSignalBlocker quiet(tabs);
    tabs->setCurrentIndex(tab >= 0 && tab < tabs->count() ? tab : 0);
}

void select_method_button(MainWindow& w, int method) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(w, MethodButtonPOI + method))) {
        const QSignalBlocker quiet(button);
        button->setChecked(true);
    }
}

void set_list_selection(MainWindow& w, int id, int position) {
    if (QComboBox* l = list(w, id)) {
        const QSignalBlocker quiet(l);
        l->setCurrentIndex(position);
    }
}

void read_controls_into_state(const MainWindow& w, CalcState& s) {
    const std::pair<int, int*> selections[] = {
        {UnitMV, &s.stateMV},   {UnitZR, &s.stateZR},     {UnitTR, &s.stateTR},     {UnitSH, &s.stateSH},
        {UnitTV, &s.stateTV},   {UnitPOI, &s.statePOI},   {UnitET, &s.stateET},     {DragLawList, &s.stateBC},
        {UnitTMP, &s.stateTMP}, {UnitPRES, &s.statePRES}, {UnitDROP, &s.stateDROP},
    };
    for (const auto& [id, value] : selections)
        if (const QComboBox* l = list(w, id)) *value = l->currentIndex();
    if (const QTabWidget* tabs = panel(w)) s.statePAN = tabs->currentIndex();
    if (w.window) {
        s.WinX[0] = w.window->x();
        s.WinY[0] = w.window->y();
    }
}

void set_control_text(MainWindow& w, int id, const std::string& text) {
    QWidget* c = control(w, id);
    const QString t = QString::fromStdString(text);
    if (auto* l = qobject_cast<QLabel*>(c))
        l->setText(t);
    else if (auto* f = qobject_cast<QLineEdit*>(c))
        f->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(c))
        b->setText(t);
}

std::string control_text(const MainWindow& w, int id) {
    QWidget* c = control(w, id);
    if (auto* l = qobject_cast<QLabel*>(c)) return l->text().toStdString();
    if (auto* f = qobject_cast<QLineEdit*>(c)) return f->text().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(c)) return b->text().toStdString();
    if (auto* l = qobject_cast<QComboBox*>(c)) return l->currentText().toStdString();
    return {};
}

}  // namespace velora
