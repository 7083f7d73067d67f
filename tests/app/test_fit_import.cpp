// The Fit window's import of a shot string: Import… answered through the dialogs, the string shown
// shot by shot with its marks greyed and told, shots taken out and in again with their check
// boxes, the string kept beside the preferences, Ctrl+V, a refusal that leaves the window as it
// was, and a Xero string's mean muzzle velocity entered in the main window.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include <atomic>
#include <thread>

#include "app/background.h"
#include "app/fit_import.h"
#include "app/fit_results_view.h"
#include "app/fit_window.h"
#include "app_fixture.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "solver/fit_energy.h"
#include "solver/string_fit_texts.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;
using testing_support::TestTimers;
using testing_support::write_file;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;

class FitImportTest : public AppTest {
protected:
    FitWindow& fit() { return *app().fit_window; }
    std::string string_path() const { return home() + "/config/Velora/" + StringFileName; }

    void open_fit_window() {
        window().items.at(MenuFitShots)->trigger();
        ASSERT_TRUE(app().fit_window);
        QDialog* dialog = fit().dialog;
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    }

    // Import… with the dialog answering `path`.
    void import(const std::filesystem::path& path) {
        app().dialogs.open_file = [path, this](const OpenFileRequest& r) {
            requests_.push_back(r);
            return path.string();
        };
        QTest::keyClick(fit().dialog, Qt::Key_O, Qt::ControlModifier);
    }

    // A fresh window with SR0038 imported and fitted.
    void fit_sr0038() {
        write_prefs();
        start();
        open_fit_window();
        import(Real / "labradar-22lr-topgenorth/SR0038");
        ASSERT_TRUE(fit().string);
        QTest::mouseClick(fit().fit, Qt::LeftButton);
        ASSERT_EQ(fit().fits.size(), 10u);
    }

    std::vector<OpenFileRequest> requests_;
};

#define REQUIRE_REAL_DATA() \
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real

TEST_F(FitImportTest, ASeriesIsShownShotByShotAndShotsGoOutAndInAgain) {
    REQUIRE_REAL_DATA();
    write_prefs();
    start();
    open_fit_window();
    import(Real / "labradar-22lr-topgenorth/SR0038");
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(requests_[0].folders);
    EXPECT_NE(requests_[0].filter.find("LabRadar"), std::string::npos);
    EXPECT_TRUE(messages_.empty());
    QTreeWidget* view = fit().string_view;
    ASSERT_EQ(view->topLevelItemCount(), 30);
    QTreeWidgetItem* first = view->topLevelItem(0);
    EXPECT_EQ(first->text(0).toStdString(), "Shot 0001");
    EXPECT_EQ(first->text(1).toStdString(), "1239.31 (extrapolated)");
    // Its energy at the muzzle with the 36 gr recorded on the device.
    EXPECT_EQ(first->text(4).toStdString(), shot_energy_text(36.0, *fit().string->shots[0].MV));
    EXPECT_EQ(first->checkState(0), Qt::Checked);
    // Its five gates, then its track as a count that opens to the samples.
    ASSERT_EQ(first->childCount(), 6);
    QTreeWidgetItem* track = first->child(5);
    EXPECT_EQ(track->text(3).toStdString(), "80 samples");
    ASSERT_EQ(track->childCount(), 80);
    EXPECT_EQ(track->child(0)->checkState(0), Qt::Unchecked);
    EXPECT_NE(track->child(0)->toolTip(0).toStdString().find("back-extrapolated"), std::string::npos);
    // Shot 2 is set aside, greyed, with its reason for the eye and the screen reader.
    QTreeWidgetItem* lost = view->topLevelItem(1);
    EXPECT_EQ(lost->checkState(0), Qt::Unchecked);
    EXPECT_NE(lost->foreground(0).color(), first->foreground(0).color());
    const std::string why = lost->data(0, Qt::AccessibleDescriptionRole).toString().toStdString();
    EXPECT_EQ(why, "Shot 0002: set aside: lost track: the device wrote 0 for the muzzle velocity");
    EXPECT_EQ(lost->toolTip(2).toStdString(), why);
    EXPECT_NE(fit().string_summary->text().toStdString().find("30 shots; projectile 36.0 gr as set on the device"),
              std::string::npos);

    // Out with shot 1, kept so; in again.
    first->setCheckState(0, Qt::Unchecked);
    ASSERT_TRUE(fit().string);
    EXPECT_FALSE(fit().string->shots[0].marks.used());
    EXPECT_NE(read_file(string_path()).find("excluded_by_user"), std::string::npos);
    first->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(fit().string->shots[0].marks.used());
    EXPECT_EQ(read_file(string_path()).find("excluded_by_user"), std::string::npos);
    // The lost shot taken in: its marks stay, overridden.
    lost->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(fit().string->shots[1].marks.used());
    EXPECT_NE(read_file(string_path()).find("\"overridden\""), std::string::npos);

    // Fit takes the string shot by shot.
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    EXPECT_TRUE(messages_.empty()) << (messages_.empty() ? "" : messages_.front().text);
    EXPECT_EQ(fit().fits.size(), 10u);

    // A new run shows the string as it was left.
    app_.reset();
    write_prefs();
    start();
    open_fit_window();
    ASSERT_EQ(fit().string_view->topLevelItemCount(), 30);
    EXPECT_EQ(fit().string_view->topLevelItem(1)->checkState(0), Qt::Checked);
}

TEST_F(FitImportTest, ARefusedFileIsToldAndTheStringStays) {
    write_prefs();
    start();
    open_fit_window();
    QApplication::clipboard()->setText(QStringLiteral("id\tmv(m/s)\tv@10m\n1\t250,5\t240\n2\t251\t241\n"));
    QTest::keyClick(fit().dialog, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(fit().string);
    EXPECT_EQ(fit().string_view->topLevelItemCount(), 2);
    const std::string kept = read_file(string_path());
    // Rows without a header go to the list of typed shots, in the main window's units.
    QApplication::clipboard()->setText(QStringLiteral("20\tvelocity\t738.2\n40\tPOI (mm)\t-19.5\t2\n"));
    QTest::keyClick(fit().dialog, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(messages_.empty()) << messages_.front().text;
    ASSERT_EQ(complete_shots(fit()).size(), 2u);
    EXPECT_EQ(complete_shots(fit())[1].quantity, ShotQuantity::Poi);
    EXPECT_NEAR(complete_shots(fit())[1].value, -19.5f / 25.4f, 1e-6f);
    EXPECT_EQ(fit().string_view->topLevelItemCount(), 2);
    write_file(home() + "/junk.csv", "nothing,we,read\n1,2,3\n");
    import(home() + "/junk.csv");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("Nothing was imported. junk.csv: expected one of these formats:"),
              std::string::npos);
    EXPECT_EQ(fit().string_view->topLevelItemCount(), 2);
    EXPECT_EQ(read_file(string_path()), kept);
    // An unreadable kept string is set aside and told at the next start.
    app_.reset();
    write_file(string_path(), "{\"schema\": 2}");
    write_prefs();
    start();
    open_fit_window();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_NE(messages_[1].text.find("could not be read"), std::string::npos);
    EXPECT_EQ(read_file(string_path() + ".bad"), "{\"schema\": 2}");
    EXPECT_FALSE(fit().string);
}

// A series is read beside the window: held as it starts, the window goes on; its progress (busy,
// the reader tells no steps) comes up once the read took its moment, and Cancel ends the import
// with the window's string as it was. The same import let run shows the series.
TEST_F(FitImportTest, AnImportRunsBesideTheWindowAndCancelLeavesTheStringAsItWas) {
    REQUIRE_REAL_DATA();
    write_prefs();
    TestTimers timers;
    later_ = timers.seam();
    work_grace_ = std::chrono::milliseconds(0);
    std::atomic<bool> held{false};
    std::atomic<bool> hold{true};
    work_step_ = [&held, &hold](double, const std::function<bool()>& cancelled) {
        if (!hold) return;
        held = true;
        while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    start();
    open_fit_window();
    import(Real / "labradar-22lr-topgenorth/SR0038");
    ASSERT_TRUE(QTest::qWaitFor([&held] { return held.load(); }));
    EXPECT_TRUE(work_running(app()));
    EXPECT_FALSE(fit().string);
    EXPECT_EQ(timers.pass(ProgressDelay), 1);
    QDialog* progress = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == "Importing a Shot String") progress = qobject_cast<QDialog*>(w);
    ASSERT_NE(progress, nullptr);
    auto* bar = progress->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 0) << "busy";
    QTest::keyClick(progress, Qt::Key_Escape);
    EXPECT_FALSE(work_running(app()));
    EXPECT_FALSE(progress->isVisible());
    EXPECT_FALSE(fit().string);
    EXPECT_EQ(fit().string_view->topLevelItemCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(string_path()));
    EXPECT_EQ(fit().status->text().toStdString(), "The import was cancelled; the string is as it was.");

    hold = false;
    import(Real / "labradar-22lr-topgenorth/SR0038");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !work_running(app()); }, 120000));
    EXPECT_EQ(fit().string_view->topLevelItemCount(), 30);
    EXPECT_TRUE(std::filesystem::exists(string_path()));
    EXPECT_TRUE(messages_.empty());
}

// Fit flies each shot of the series from its own muzzle velocity: the verdict, a shot set aside
// marked in the string and taken back in with its check box, and Use entering the law, its BC and
// the string's mean muzzle velocity in the main window.
TEST_F(FitImportTest, AStringIsFittedShotByShotAndUseFillsTheMainWindow) {
    REQUIRE_REAL_DATA();
    fit_sr0038();
    if (HasFatalFailure()) return;
    const std::string verdict = fit().results->verdict->text().toStdString();
    const std::string best = drag_law_name(fit().fits.front().law);
    EXPECT_TRUE(verdict.rfind(best + " fits best", 0) == 0 || verdict.rfind("Cannot tell these laws apart", 0) == 0)
        << verdict;
    EXPECT_NE(fit().results->trend->text().toStdString().find("BC against muzzle velocity"), std::string::npos);
    const std::string notes = fit().results->notes->text().toStdString();

    // Each shot says the muzzle velocity the fit flew it with and where that came from.
    EXPECT_NE(fit().string_view->topLevelItem(0)->text(1).toStdString().find("(extrapolated); flown: fitted, 12"),
              std::string::npos)
        << fit().string_view->topLevelItem(0)->text(1).toStdString();

    // The shots set aside are named and unticked in the string.
    std::vector<int> aside;
    for (std::size_t k = 0; k < fit().string->shots.size(); ++k)
        if (fit().string->shots[k].marks.has(MarkKind::Outlier)) aside.push_back(static_cast<int>(k));
    ASSERT_FALSE(aside.empty()) << notes;
    QTreeWidgetItem* item = fit().string_view->topLevelItem(aside.front());
    EXPECT_EQ(item->checkState(0), Qt::Unchecked);
    const std::string name = "shot " + fit().string->shots[static_cast<std::size_t>(aside.front())].id;
    EXPECT_NE(notes.find(name + " set aside: "), std::string::npos) << notes;
    EXPECT_NE(item->toolTip(0).toStdString().find("set aside"), std::string::npos);

    // Taken back in, it stays in the next fit.
    item->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(fit().fits.empty()) << "the fit of before is stale";
    EXPECT_EQ(fit().string_view->topLevelItem(0)->text(1).toStdString().find("flown"), std::string::npos);
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_EQ(fit().fits.size(), 10u);
    EXPECT_EQ(fit().results->notes->text().toStdString().find(name + " set aside: "), std::string::npos);
    EXPECT_EQ(fit().string_view->topLevelItem(aside.front())->checkState(0), Qt::Checked);

    // Use: the law, its BC and the string's mean muzzle velocity, as if typed.
    const LawFit chosen = fit().fits.front();
    ASSERT_TRUE(fit().use->isEnabled());
    QTest::mouseClick(fit().use, Qt::LeftButton);
    // The mean of the shots in use, those the fit set aside left out.
    const MvSummary mv = mv_summary(*fit().string);
    EXPECT_LT(mv.count, 29);
    EXPECT_NEAR(mv.mean, 1229.3, 0.5);
    const std::string mean = format_fixed(mv.mean, 1);
    EXPECT_TRUE(QTest::qWaitFor([this, mean] { return text(FieldMV) == mean; })) << text(FieldMV);
    EXPECT_EQ(app().state.CURVE, chosen.law);
    EXPECT_EQ(text(BcResult), format_fixed(chosen.BC, 4));
}

// The results of a real LabRadar series in the window: the verdict, the spread and the trend where
// the user reads them, one line a shot with its muzzle velocity and where it came from, its own
// BC under the chosen law and its mark, the pictures of the chosen law, and a shot set aside or
// taken back in from its line, which fits again.
TEST_F(FitImportTest, TheResultsShowTheVerdictAndEachShotAndItsCheckBoxFitsAgain) {
    REQUIRE_REAL_DATA();
    fit_sr0038();
    if (HasFatalFailure()) return;
    const FitResultsView& v = *fit().results;
    ASSERT_TRUE(v.fit);
    const ShotUnits u = shot_units(app().state);

    // What the window shows is what the texts of this fit say, in sight.
    const std::string best = drag_law_name(fit().fits.front().law);
    const FitSummaryTexts texts = fit_summary_texts(*v.fit, v.fitted, fit().fits.front().law, v.groups, u);
    EXPECT_TRUE(v.verdict->isVisible());
    EXPECT_EQ(v.verdict->text().toStdString(), texts.verdict);
    EXPECT_TRUE(texts.verdict.rfind(best + " fits best", 0) == 0 ||
                texts.verdict.rfind("Cannot tell these laws apart", 0) == 0)
        << texts.verdict;
    const std::string spread = v.spread->text().toStdString();
    EXPECT_TRUE(v.spread->isVisible());
    EXPECT_EQ(spread.rfind("Under " + best + ": The shots' own BCs (", 0), 0u) << spread;
    EXPECT_NE(spread.find(", SD 0.0"), std::string::npos) << spread;
    const std::string trend = v.trend->text().toStdString();
    EXPECT_TRUE(v.trend->isVisible());
    EXPECT_EQ(trend.rfind("BC against muzzle velocity: ", 0), 0u) << trend;
    EXPECT_NE(trend.find(" per 100 Ft/s ("), std::string::npos) << trend;

    // One line a shot of the string, the lost one too.
    QTableWidget* list = v.shots;
    ASSERT_EQ(list->rowCount(), 30);
    EXPECT_EQ(list->horizontalHeaderItem(ResultBc)->text().toStdString(), "BC (" + best + ")");
    EXPECT_EQ(list->item(0, ResultShot)->text().toStdString(), "Shot 0001");
    EXPECT_EQ(list->item(0, ResultOrigin)->text().toStdString(), "fitted");
    EXPECT_NEAR(std::stod(list->item(0, ResultMv)->text().toStdString()), 1239.3, 15.0);
    const ShotFit& own = v.fit->laws.front().shots[0];
    EXPECT_EQ(list->item(0, ResultBc)->text().toStdString(), format_fixed(own.BC, 4));
    EXPECT_EQ(list->item(0, ResultRms)->text().toStdString(), format_fixed(own.rms, 2));
    EXPECT_EQ(list->item(1, ResultShot)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(1, ResultMark)->text().toStdString(),
              "set aside: lost track: the device wrote 0 for the muzzle velocity");

    // The shots the fit set aside, with the figure that did it.
    int aside = -1;
    for (int row = 0; row < list->rowCount() && aside < 0; ++row)
        if (fit().string->shots[static_cast<std::size_t>(row)].marks.has(MarkKind::Outlier)) aside = row;
    ASSERT_GE(aside, 0);
    EXPECT_EQ(list->item(aside, ResultShot)->checkState(), Qt::Unchecked);
    const std::string mark = list->item(aside, ResultMark)->text().toStdString();
    EXPECT_TRUE(mark.find(" × the scatter ") != std::string::npos || mark.find("runs out") != std::string::npos)
        << mark;
    EXPECT_NE(list->item(aside, ResultMark)->toolTip().toStdString().find(" set aside: its "), std::string::npos);

    // The pictures of the best law, described for screen readers.
    const FitPlot& measured = shown_fit_plot(v.plots.measurements);
    ASSERT_EQ(measured.panels.size(), 2u);
    EXPECT_NE(measured.title.find("under " + best), std::string::npos) << measured.title;
    EXPECT_GT(measured.panels[0].points.size(), 1000u) << "the tracks' samples";
    EXPECT_NE(v.plots.measurements->accessibleDescription().toStdString().find(" measurements of "), std::string::npos);
    const FitPlot& bcs = shown_fit_plot(v.plots.bc_mv);
    ASSERT_EQ(bcs.panels.size(), 1u);
    EXPECT_GE(bcs.panels[0].points.size(), 27u);
    EXPECT_NE(v.plots.bc_mv->accessibleDescription().toStdString().find(trend.substr(0, 30)), std::string::npos);

    // Another law chosen: its own BCs and spread.
    fit().laws->setCurrentCell(1, 0);
    const std::string second = drag_law_name(fit().fits[1].law);
    EXPECT_EQ(list->horizontalHeaderItem(ResultBc)->text().toStdString(), "BC (" + second + ")");
    EXPECT_EQ(v.spread->text().toStdString().rfind("Under " + second + ":", 0), 0u);
    EXPECT_EQ(list->item(0, ResultBc)->text().toStdString(), format_fixed(v.fit->laws[1].shots[0].BC, 4));
    EXPECT_NE(shown_fit_plot(v.plots.bc_mv).title.find(second + " BC"), std::string::npos);

    // Taken back in from its line: fitted again with it in the series.
    list->item(aside, ResultShot)->setCheckState(Qt::Checked);
    const auto mark_of = [&](int row) {
        return v.fit && list->rowCount() == 30 ? list->item(row, ResultMark)->text().toStdString() : std::string();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return mark_of(aside).rfind("taken back in despite: outlier: ", 0) == 0; }))
        << mark_of(aside);
    EXPECT_EQ(list->item(aside, ResultShot)->checkState(), Qt::Checked);
    EXPECT_EQ(fit().fits.size(), 10u);
    EXPECT_TRUE(fit().string->shots[static_cast<std::size_t>(aside)].marks.used());
    EXPECT_EQ(v.notes->text().toStdString().find("shot " + fit().string->shots[static_cast<std::size_t>(aside)].id +
                                                 " set aside"),
              std::string::npos);

    // Shot 1 set aside by the user from its line: out of the fit, and the string keeps it so.
    list->item(0, ResultShot)->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mark_of(0) == "set aside: set aside by the user"; })) << mark_of(0);
    EXPECT_EQ(list->item(0, ResultShot)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(0, ResultBc)->text().toStdString(), "not fitted");
    EXPECT_FALSE(fit().string->shots[0].marks.used());
    EXPECT_EQ(fit().string_view->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(fit().fits.size(), 10u);

    // A change of the string makes the results stale: they go.
    fit().string_view->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_FALSE(v.fit);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_FALSE(v.verdict->isVisible());
}

TEST_F(FitImportTest, AXeroStringOffersItsMeanMuzzleVelocity) {
    REQUIRE_REAL_DATA();
    write_prefs();
    start();
    open_fit_window();
    import(Real / "garmin-xero-topgenorth/csv/Phoenix_Indoor_range_2026-05-05_15-14-49.csv");
    ASSERT_EQ(fit().string_view->topLevelItemCount(), 32);
    const std::string summary = fit().string_summary->text().toStdString();
    EXPECT_NE(summary.find("Muzzle velocity: mean 1075.4, SD 18.1, extreme spread 97.3 Ft/s over 32 shots"),
              std::string::npos)
        << summary;
    const float tolerance = app().state.MV_TOL;
    ASSERT_TRUE(fit().use_mean->isEnabled());
    QTest::mouseClick(fit().use_mean, Qt::LeftButton);
    EXPECT_FLOAT_EQ(app().state.MV, 1075.4f);
    EXPECT_EQ(app().state.MV_TOL, tolerance);
}

}  // namespace
}  // namespace velora
