// The "Fit from Shots…" window in the running program: the menu item, shots typed into the list,
// Fit and Use reaching the main window through its own paths, the shots file, the units, the
// messages, the keyboard, the accessible names and the dark mode.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include <atomic>
#include <thread>

#include "app/background.h"
#include "app/fit_window.h"
#include "app_fixture.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "services/shots_file.h"
#include "solver/bc_solver.h"
#include "solver/shot_fit.h"
#include "theme/widget_theme.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;
using testing_support::TestTimers;
using testing_support::write_file;

// A latch at the steps of the work beside the window: it holds the work at its first step past
// `from` until the work is cancelled or the test lets it go.
struct Latch {
    std::atomic<double> held_at{-1.0};
    std::atomic<bool> released{false};
    double from = 0.0;

    WorkStepHook hook() {
        return [this](double done, const std::function<bool()>& cancelled) {
            if (done < from || (from > 0.0 && done <= 0.0) || held_at.load() >= 0.0) return;
            held_at = done;
            while (!cancelled() && !released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
    }
    bool holding() const { return held_at.load() >= 0.0; }
};

std::string many_shots(int count) {
    std::string text = "range,quantity,value\n";
    for (int i = 0; i < count; ++i) text += i % 2 ? "40,velocity,640\n" : "20,velocity,700\n";
    return text;
}

class FitWindowTest : public AppTest {
protected:
    FitWindow& fit() { return *app().fit_window; }
    std::string shots_path() const { return home() + "/config/Velora/" + ShotsFileName; }

    void open_fit_window() {
        window().items.at(MenuFitShots)->trigger();
        ASSERT_TRUE(app().fit_window);
        ASSERT_TRUE(fit().dialog->isVisible());
        QDialog* dialog = fit().dialog;
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    }

    // Types into the current cell of the shots list as the user does: unless its editor is open
    // already (Tab opens the next cell's), the first key opens it; Tab takes the text and moves on.
    void type_cell(const std::string& text) {
        QTableWidget* t = fit().shots;
        QWidget* editor = QApplication::focusWidget();
        std::string rest = text;
        if (editor == t) {
            QTest::keyClicks(t, QString::fromStdString(text.substr(0, 1)));
            editor = QApplication::focusWidget();
            ASSERT_NE(editor, t) << "an editor took the typing";
            rest = text.substr(1);
        }
        ASSERT_TRUE(t->isAncestorOf(editor));
        QTest::keyClicks(editor, QString::fromStdString(rest));
        QTest::keyClick(editor, Qt::Key_Tab);
    }

    // A whole line: range, (the quantity left as it is, or chosen with the arrow keys), value.
    void type_shot(int line, const std::string& range, int quantity_steps, const std::string& value) {
        QTableWidget* t = fit().shots;
        t->setFocus();
        t->setCurrentCell(line, ColumnRange);
        type_cell(range);
        ASSERT_EQ(t->currentColumn(), ColumnQuantity);
        // The quantity's list is open now.
        QWidget* list = QApplication::focusWidget();
        ASSERT_TRUE(qobject_cast<QComboBox*>(list));
        for (int i = 0; i < quantity_steps; ++i) QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Tab);
        ASSERT_EQ(t->currentColumn(), ColumnValue);
        type_cell(value);
    }

    std::string cell(QTableWidget* t, int row, int column) {
        QTableWidgetItem* item = t->item(row, column);
        return item ? item->text().toStdString() : std::string();
    }

    void remove_first() {
        fit().shots->setCurrentCell(0, ColumnValue);
        QTest::mouseClick(fit().remove, Qt::LeftButton);
    }

    // 2000 shots fitted with their muzzle velocity beside the window and held by `latch` at its
    // first step past the start: the click that started the fit has returned.
    void start_long_fit_held(Latch& latch) {
        write_prefs();
        write_file(shots_path(), many_shots(2000));
        work_grace_ = std::chrono::milliseconds(0);
        latch.from = 0.01;
        work_step_ = latch.hook();
        start();
        open_fit_window();
        fit().fit_mv->setChecked(true);
        QTest::mouseClick(fit().fit, Qt::LeftButton);
        EXPECT_TRUE(work_running(app())) << "the click returns while the fit runs";
        ASSERT_TRUE(QTest::qWaitFor([&latch] { return latch.holding(); }, 120000)) << "the fit reached its first steps";
    }

    // The velocities the model gives at `ranges` for the first-run inputs under `law` and `bc`.
    std::vector<float> model_velocities(int law, float bc, const std::vector<float>& ranges) {
        std::vector<Shot> shots;
        for (float r : ranges) shots.push_back(Shot{r, ShotQuantity::Velocity, 0.0f, std::nullopt});
        return predict_shots(shots, state_.MV, bc, law, shot_fit_inputs(state_));
    }
};

TEST_F(FitWindowTest, TheMenuItemStandsBesideTheUtilityMenusOwnItems) {
    write_prefs();
    start();
    QMenu* utility = window().window->menuBar()->actions().at(0)->menu();
    ASSERT_NE(utility, nullptr);
    std::vector<std::string> items;
    for (QAction* a : utility->actions()) items.push_back(a->isSeparator() ? "—" : testing_support::menu_text(a));
    EXPECT_EQ(items, (std::vector<std::string>{"Table Panel", "Plot Panel", "Confidence", "—", "Toggle Panel", "—",
                                               "Fit from Shots…", "Save Report…", "—", "Preferences", "—", "Quit"}));
}

TEST_F(FitWindowTest, ThreeShotsTypedFittedAndUsedReachTheMainWindow) {
    write_prefs();  // the first run: GA2, BC 0.0195, velocities in Ft/s, ranges in yards
    start();
    const std::string prefs_before = read_file(prefs_path());
    open_fit_window();
    const std::vector<float> v = model_velocities(G1, 0.0250f, {20.0f, 35.0f, 50.0f});
    type_shot(0, "20", 0, format_fixed(v[0], 2));
    type_shot(1, "35", 0, format_fixed(v[1], 2));
    type_shot(2, "50", 0, format_fixed(v[2], 2));
    ASSERT_EQ(fit().shots->rowCount(), 4) << "three shots and the empty line for the next";
    EXPECT_EQ(cell(fit().shots, 1, ColumnQuantity), "Velocity (Ft/s)");
    ASSERT_EQ(complete_shots(fit()).size(), 3u);

    QTest::mouseClick(fit().fit, Qt::LeftButton);
    EXPECT_TRUE(messages_.empty()) << messages_.front().text;
    ASSERT_EQ(fit().laws->rowCount(), 10);
    EXPECT_EQ(cell(fit().laws, 0, 0), "G1");
    EXPECT_EQ(cell(fit().laws, 0, 1), "0.0250");
    EXPECT_EQ(fit().laws->currentRow(), 0);
    EXPECT_FALSE(cell(fit().shots, 0, ColumnResidual).empty()) << "the best law's residuals beside the shots";
    ASSERT_TRUE(fit().use->isEnabled());

    const std::string velocity_before = text(FieldTV);
    QTest::mouseClick(fit().use, Qt::LeftButton);
    EXPECT_EQ(state_.CURVE, G1);
    EXPECT_EQ(list(window(), DragLawList)->currentText().toStdString(), "G1");
    EXPECT_EQ(text(BcResult), "0.0250") << "the first run shows the BC as a result";
    EXPECT_NEAR(state_.BC, 0.0250f, 1e-6f);
    // The prediction pass ran for the new law and BC: the velocity at the target follows them.
    EXPECT_NE(text(FieldTV), velocity_before);
    EXPECT_EQ(text(FieldTV), format_fixed(velocity_at(app().results.trajectory, state_.TR), 1));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(read_file(prefs_path()), prefs_before) << "the preferences file is not touched by the fit";

    // A poorer law of the list can be chosen and used as well.
    fit().laws->setCurrentCell(1, 0);
    const std::string second = cell(fit().laws, 1, 0);
    QTest::mouseClick(fit().use, Qt::LeftButton);
    EXPECT_EQ(list(window(), DragLawList)->currentText().toStdString(), second);
    EXPECT_EQ(text(BcResult), cell(fit().laws, 1, 1));
}

TEST_F(FitWindowTest, ShotsAreKeptInTheirOwnFileInInternalUnits) {
    write_prefs({{"statePOI", "2"}, {"stateTR", "2"}});  // POI in mm, ranges in metres
    start();
    open_fit_window();
    EXPECT_EQ(fit().shots->horizontalHeaderItem(ColumnRange)->text().toStdString(), "Range (Metre)");
    type_shot(0, "36.576", 2, "-19.5");  // 40 yd, the POI chosen from the list
    EXPECT_EQ(cell(fit().shots, 0, ColumnQuantity), "POI (mm)");
    EXPECT_EQ(cell(fit().shots, 0, ColumnRange), "36.6");
    type_shot(1, "50yd", 0, "0.2");  // the line below takes the quantity of the one above
    EXPECT_EQ(cell(fit().shots, 1, ColumnRange), "45.7");
    EXPECT_EQ(cell(fit().shots, 1, ColumnQuantity), "POI (mm)");

    const ShotsText saved = parse_shots_text(read_file(shots_path()));
    ASSERT_TRUE(saved.errors.empty());
    ASSERT_EQ(saved.shots.size(), 2u);
    EXPECT_NEAR(saved.shots[0].range, 40.0f, 1e-4f);
    EXPECT_EQ(saved.shots[0].quantity, ShotQuantity::Poi);
    EXPECT_NEAR(saved.shots[0].value, -0.7677f, 1e-4f);
    EXPECT_NEAR(saved.shots[1].value, 0.2f / 25.4f, 1e-6f);
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(shots_path()).parent_path()))
        EXPECT_TRUE(entry.path().filename() == ShotsFileName || entry.path().filename() == "Velora.prefs" ||
                    entry.path().filename() == "Velora.lock")
            << "no temporary file is left: " << entry.path();

    // A new run shows them again, in the units it starts with.
    app_.reset();
    write_prefs({{"statePOI", "0"}});
    start();
    open_fit_window();
    ASSERT_EQ(fit().shots->rowCount(), 3);
    EXPECT_EQ(cell(fit().shots, 0, ColumnRange), "40.0");
    EXPECT_EQ(cell(fit().shots, 0, ColumnQuantity), "POI (Inch)");
    EXPECT_EQ(cell(fit().shots, 0, ColumnValue), "-0.768");

    // Removing a shot rewrites the file.
    fit().shots->setCurrentCell(0, ColumnValue);
    QTest::mouseClick(fit().remove, Qt::LeftButton);
    EXPECT_EQ(parse_shots_text(read_file(shots_path())).shots.size(), 1u);
    EXPECT_EQ(fit().shots->rowCount(), 2);
}

TEST_F(FitWindowTest, ADecimalCommaInACellIsItsPointAndIsShownAsOne) {
    write_prefs();
    start();
    open_fit_window();
    type_shot(0, "52,5", 0, "633,4");
    EXPECT_EQ(cell(fit().shots, 0, ColumnRange), "52.5");
    EXPECT_EQ(cell(fit().shots, 0, ColumnValue), "633.4");
    ASSERT_TRUE(fit().rows[0].range.value && fit().rows[0].value.value);
    EXPECT_EQ(*fit().rows[0].range.value, 52.5f);
    EXPECT_EQ(*fit().rows[0].value.value, 633.4f);
    // The uncertainty too, as a percentage of the value.
    type_cell("1,5%");
    ASSERT_TRUE(fit().rows[0].uncertainty.value);
    EXPECT_NEAR(*fit().rows[0].uncertainty.value, 9.501f, 1e-3f);
}

TEST_F(FitWindowTest, ProblemsAreToldThroughTheDialogsAndNothingIsFitted) {
    write_prefs();
    start();
    open_fit_window();
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, FitWindowTitle);
    EXPECT_NE(messages_[0].text.find("no shot"), std::string::npos);

    type_shot(0, "40", 0, "fast");
    EXPECT_EQ(fit().shots->item(0, ColumnValue)->foreground().color(), QColor(220, 40, 40)) << "an unread text in red";
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "Shot 1: the value 'fast' cannot be read: not a number.");

    type_shot(0, "4000", 0, "600");
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_NE(messages_[2].text.find("Shot 1: its range lies beyond the flight's limit of"), std::string::npos)
        << messages_[2].text;
    EXPECT_EQ(fit().laws->rowCount(), 0);
    EXPECT_FALSE(fit().use->isEnabled());
}

TEST_F(FitWindowTest, AShotsFileThatCannotBeWrittenIsToldOnce) {
    write_prefs();
    start();
    open_fit_window();
    std::filesystem::create_directories(shots_path());  // a folder where the file belongs
    type_shot(0, "20", 0, "700");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("The shots could not be saved in " + shots_path()), std::string::npos)
        << messages_[0].text;
    type_shot(1, "30", 0, "680");
    EXPECT_EQ(messages_.size(), 1u) << "told once";
    EXPECT_NE(fit().status->text().toStdString().find("could not be saved"), std::string::npos);
    EXPECT_EQ(complete_shots(fit()).size(), 2u) << "the shots stay in the list";
}

TEST_F(FitWindowTest, AnUnreadableShotsFileIsReportedAndKeptAside) {
    write_prefs();
    write_file(shots_path(), "range,quantity,value\n20,velocity,738\n30,speed,700\n");
    start();
    open_fit_window();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("Line 3: unknown quantity 'speed'"), std::string::npos) << messages_[0].text;
    EXPECT_NE(messages_[0].text.find("the file as it was is kept as Velora.shots.csv.bad."), std::string::npos);
    EXPECT_EQ(read_file(shots_path() + ".bad"), "range,quantity,value\n20,velocity,738\n30,speed,700\n");
    EXPECT_EQ(complete_shots(fit()).size(), 1u) << "the readable lines are there";
    EXPECT_EQ(parse_shots_text(read_file(shots_path())).shots.size(), 1u) << "and saved in its place";
}

// A shots file that exists but cannot be read (here larger than the readers take; a file without
// read permission is refused the same way, as the program's run as another user shows) is told
// once, naming the file and why, and nothing the window does writes over it.
TEST_F(FitWindowTest, AShotsFileThatCannotBeReadIsNeverWritten) {
    write_prefs();
    const std::string big = "range,quantity,value\n20,velocity,738\n" + std::string(LargestShotsFile, '#') + "\n";
    write_file(shots_path(), big);
    start();
    open_fit_window();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "The shots could not be read from " + shots_path() +
                                     " (it is larger than 1 MiB). The file is left as it is: changes are not saved "
                                     "in it in this run.");
    EXPECT_EQ(complete_shots(fit()).size(), 0u);
    type_shot(0, "20", 0, "700");
    QTest::mouseClick(fit().remove, Qt::LeftButton);
    app().ended = true;
    end_program(app());
    EXPECT_EQ(read_file(shots_path()), big);
    EXPECT_EQ(messages_.size(), 1u) << "told once";
    EXPECT_FALSE(std::filesystem::exists(shots_path() + ".bad"));
}

// Another program (or another run) saved the shots after this window read them: the next change
// asks before writing over them; No reads the file again, Yes writes the window's shots.
TEST_F(FitWindowTest, AShotsFileChangedOnTheDiskIsNotOverwrittenBlind) {
    write_prefs();
    write_file(shots_path(), "range,quantity,value\n20,velocity,738\n30,velocity,700\n");
    start();
    open_fit_window();
    const std::string theirs = "range,quantity,value\n20,velocity,738\n30,velocity,700\n40,velocity,650\n";
    write_file(shots_path(), theirs);
    answers_ = {MessageAnswer::No};
    remove_first();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].buttons, MessageButtons::YesNo);
    EXPECT_NE(messages_[0].text.find("were changed by another program"), std::string::npos) << messages_[0].text;
    EXPECT_EQ(read_file(shots_path()), theirs);
    ASSERT_TRUE(QTest::qWaitFor([this] { return complete_shots(fit()).size() == 3u; })) << "read again";
    EXPECT_EQ(*fit().rows[2].value.value, 650.0f);

    // Read again, it is this window's file: the next change is saved unasked.
    remove_first();
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(parse_shots_text(read_file(shots_path())).shots.size(), 2u);

    write_file(shots_path(), "range,quantity,value\n");
    answers_ = {MessageAnswer::Yes};
    remove_first();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(parse_shots_text(read_file(shots_path())).shots.size(), 1u) << "the window's shots";
}

// The progress of the work beside the window, when it is shown.
QDialog* shown_progress(const char* title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<QDialog*>(w);
        if (d != nullptr && d->isVisible() && d->windowTitle() == QString::fromUtf8(title)) return d;
    }
    return nullptr;
}

// A long fit runs beside the window: the click that started it returns while the fit is held
// mid-way; its progress comes up only once the fit has taken its moment, and Cancel stops the fit
// there, the laws left empty and nothing asked.
TEST_F(FitWindowTest, ALongFitRunsBesideTheWindowAndCancelStopsItMidWay) {
    TestTimers timers;
    later_ = timers.seam();
    Latch latch;
    start_long_fit_held(latch);
    EXPECT_LT(latch.held_at.load(), 1.0);

    EXPECT_EQ(shown_progress("Fitting the Shots"), nullptr) << "no progress before its moment";
    EXPECT_EQ(timers.pass(ProgressDelay), 1);
    QDialog* progress = shown_progress("Fitting the Shots");
    ASSERT_NE(progress, nullptr);
    auto* bar = progress->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == static_cast<int>(latch.held_at.load() * 1000.0); }))
        << bar->value() << " of " << bar->maximum() << ", held at " << latch.held_at.load();
    QPushButton* cancel = nullptr;
    for (QPushButton* b : progress->findChildren<QPushButton*>())
        if (b->text() == "Cancel") cancel = b;
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(work_running(app()));
    EXPECT_EQ(shown_progress("Fitting the Shots"), nullptr);
    EXPECT_TRUE(fit().fits.empty());
    EXPECT_EQ(fit().laws->rowCount(), 0);
    EXPECT_EQ(fit().status->text().toStdString(), "The fit was stopped before it ended.");
    EXPECT_TRUE(end_work(app(), std::chrono::minutes(1))) << "the cancelled fit's thread ends at its next step";
    EXPECT_TRUE(messages_.empty());
}

// A fit let go runs to its end beside the window and shows its laws; one whose shots changed
// while it ran is not shown against the shots as they are now.
TEST_F(FitWindowTest, AFitOfShotsChangedMeanwhileIsNotShown) {
    write_prefs();
    const std::vector<float> v = model_velocities(GA2, 0.0195f, {15.0f, 30.0f, 45.0f, 60.0f});
    std::string text = "range,quantity,value\n";
    for (int i = 0; i < 4; ++i) text += std::to_string(15 * (i + 1)) + ",velocity," + format_fixed(v[i], 2) + "\n";
    write_file(shots_path(), text);
    TestTimers timers;
    later_ = timers.seam();
    work_grace_ = std::chrono::milliseconds(0);
    Latch latch;
    work_step_ = latch.hook();
    start();
    open_fit_window();
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&latch] { return latch.holding(); }));
    remove_first();
    latch.released = true;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !work_running(app()); }, 120000));
    EXPECT_TRUE(fit().fits.empty());
    EXPECT_EQ(fit().status->text().toStdString(),
              "The shots changed while the fit ran: Fit again to fit them as they are now.");

    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !work_running(app()); }, 120000));
    ASSERT_EQ(fit().laws->rowCount(), 10);
    EXPECT_EQ(fit().fitted_rows, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(timers.pass(ProgressDelay), 0) << "the progress of a fit that ended never comes up";
    EXPECT_EQ(shown_progress("Fitting the Shots"), nullptr);
}

// A request to end the run (a signal, the session ending) that comes while a fit runs ends it
// there: nothing more is shown or asked, and the fit's thread stops at its next step.
TEST_F(FitWindowTest, ALongFitStopsWhenTheRunIsAskedToEnd) {
    Latch latch;
    start_long_fit_held(latch);
    end_on_request(app());
    EXPECT_TRUE(app().ended);
    EXPECT_FALSE(work_running(app()));
    EXPECT_TRUE(end_work(app(), std::chrono::minutes(1)));
    QTest::qWait(20);
    EXPECT_TRUE(fit().fits.empty());
    EXPECT_EQ(fit().status->text().toStdString(), "") << "nothing told once the run ends";
    EXPECT_TRUE(messages_.empty());
}

// A value still being typed into a cell when the run is asked to end is kept, as Tab keeps it.
TEST_F(FitWindowTest, ACellBeingTypedIsKeptWhenTheRunEnds) {
    write_prefs();
    start();
    open_fit_window();
    type_shot(0, "20", 0, "700");
    QTableWidget* t = fit().shots;
    t->setCurrentCell(0, ColumnUncertainty);
    QTest::keyClicks(t, "3");
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor && t->isAncestorOf(editor)) << "the cell's editor is open";
    editor->setText("3.5");
    end_on_request(app());
    const ShotsText saved = parse_shots_text(read_file(shots_path()));
    ASSERT_EQ(saved.shots.size(), 1u);
    ASSERT_TRUE(saved.shots[0].uncertainty);
    EXPECT_EQ(*saved.shots[0].uncertainty, 3.5f);
}

TEST_F(FitWindowTest, KeyboardAccessibleNamesAndTheMuzzleVelocityFit) {
    write_prefs();
    start();
    open_fit_window();
    // Every control says what it is to a screen reader.
    for (QWidget* w : fit().dialog->findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QLabel*>(w))
            continue;
        if (qobject_cast<QAbstractItemView*>(w->parentWidget())) continue;  // the lists' own parts
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        EXPECT_FALSE(w->accessibleDescription().isEmpty()) << w->accessibleName().toStdString();
    }

    const std::vector<float> v = model_velocities(GA2, 0.0195f, {15.0f, 30.0f, 45.0f, 60.0f});
    for (int i = 0; i < 4; ++i) type_shot(i, std::to_string(15 * (i + 1)), 0, format_fixed(v[i], 2));
    // Alt and the underlined letter: the check box, then Fit (each button clicks as it is shown pressed).
    FitWindow& f = fit();
    QTest::keyClick(f.dialog, Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&f] { return f.fit_mv->isChecked(); }));
    QTest::keyClick(f.dialog, Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&f] { return f.laws->rowCount() == 10; }));
    EXPECT_FALSE(fit().laws->isColumnHidden(4)) << "the fitted muzzle velocity is shown";
    EXPECT_EQ(cell(fit().laws, 0, 0), "GA2");
    EXPECT_EQ(cell(fit().laws, 0, 4), "785.0");
    // Every header shown whole, the fitted velocity's too.
    for (QTableWidget* t : {fit().laws, fit().shots}) {
        QHeaderView* h = t->horizontalHeader();
        for (int c = 0; c < t->columnCount(); ++c) {
            if (t->isColumnHidden(c)) continue;
            const QString header = t->horizontalHeaderItem(c)->text();
            EXPECT_GE(h->sectionSize(c), h->fontMetrics().horizontalAdvance(header)) << header.toStdString();
        }
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == fit().laws; }))
        << "the ranked laws take the focus (once the window is active again after the fit's progress)";
    QTest::keyClick(f.dialog, Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return text(FieldMV) == "785.0"; })) << text(FieldMV);
    EXPECT_EQ(text(BcResult), "0.0195");

    QTest::keyClick(fit().laws, Qt::Key_Escape);
    EXPECT_FALSE(fit().dialog->isVisible()) << "Escape closes the window";
    EXPECT_EQ(loop_ends_, 0) << "and not the program";
}

// Tab goes from a shot's uncertainty to the next shot's range, past the residual no one types
// into; Shift+Tab comes back the same way.
TEST_F(FitWindowTest, TabSkipsTheResidualColumn) {
    write_prefs();
    start();
    open_fit_window();
    QTableWidget* t = fit().shots;
    type_shot(0, "20", 0, "700");
    ASSERT_EQ(t->currentColumn(), ColumnUncertainty);
    type_cell("2");
    EXPECT_EQ(t->currentRow(), 1);
    EXPECT_EQ(t->currentColumn(), ColumnRange);
    type_cell("40");
    EXPECT_EQ(t->currentColumn(), ColumnQuantity);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    t->setCurrentCell(1, ColumnRange);
    QTest::keyClick(t, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(t->currentRow(), 0);
    EXPECT_EQ(t->currentColumn(), ColumnUncertainty);
    EXPECT_FALSE(cell(t, 0, ColumnUncertainty).empty());
    EXPECT_FALSE(cell(t, 1, ColumnRange).empty());
}

// The window opens beside the main window where the screen has room, never over its left part
// where the fields are.
TEST(FitWindowSpot, BesideTheMainWindowOrOverItsOutputs) {
    // Room on the right.
    WindowSpot s = fit_window_spot(100, 50, 700, 600, 700, 0, 0, 1920, 1050);
    EXPECT_EQ(s.x, 808);
    EXPECT_EQ(s.y, 50);
    // Room on the left only.
    s = fit_window_spot(1100, 50, 700, 600, 700, 0, 0, 1920, 1050);
    EXPECT_EQ(s.x, 1100 - 8 - 600);
    // No room on either side: against the right edge, over the main window's right part.
    s = fit_window_spot(200, 300, 800, 900, 900, 0, 0, 1366, 768);
    EXPECT_EQ(s.x, 1366 - 900);
    EXPECT_EQ(s.y, 0) << "moved up to stay on the screen";
    // Its height: lowered to the screen's free area less the frame, but never below its parts' needs.
    EXPECT_EQ(fit_window_height(900, 300, 30, 1050), 900);
    EXPECT_EQ(fit_window_height(900, 300, 30, 768), 738);
    EXPECT_EQ(fit_window_height(900, 300, 30, 240), 300);
}

// On a low screen the parts scroll while the status and the window's buttons stay in sight; where
// there is room nothing scrolls.
TEST_F(FitWindowTest, OnALowScreenThePartsScrollAndTheButtonsStayInSight) {
    start();
    open_fit_window();
    QDialog* dialog = fit().dialog;
    auto* scroll = dialog->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const auto in_sight = [dialog](QWidget* w) {
        const QRect at(w->mapTo(dialog, QPoint(0, 0)), w->size());
        return dialog->rect().contains(at);
    };
    dialog->resize(900, 480);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->height(), 480);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    EXPECT_TRUE(in_sight(fit().close));
    EXPECT_TRUE(in_sight(fit().use));
    EXPECT_TRUE(in_sight(fit().status));
    EXPECT_GT(scroll->widget()->height(), scroll->viewport()->height());

    dialog->resize(900, 900);
    QCoreApplication::processEvents();
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
    EXPECT_EQ(scroll->widget()->height(), scroll->viewport()->height()) << "the parts fill the window";
}

TEST_F(FitWindowTest, DrawnDarkWithTheDesktop) {
    dark_desktop_ = true;
    write_prefs();
    start();
    open_fit_window();
    const auto back = theme_colours_of(fit().dialog);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->back, rgb(58, 58, 58));
    EXPECT_EQ(fit().shots->palette().color(QPalette::Text), QColor(255, 255, 255));
    EXPECT_FALSE(theme_colours_of(fit().fit).has_value()) << "buttons keep the system look";
}

}  // namespace
}  // namespace velora
