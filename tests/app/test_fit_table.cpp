// The Fit window's drag table: loaded through Drag Table…, ranked beside the ten laws under its
// own name with its form factor fitted and Use left to the laws, said in the line under the laws,
// drawn in the Drag Curve tab, kept in the projectile's file for the next start, told once when it
// cannot be read then, refused in one line, and removed with No Table; a real table of the corpus;
// the string's own curve fitted, drawn and saved.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <filesystem>
#include <map>

#include "app/fit_results_view.h"
#include "app/fit_table.h"
#include "app/fit_window.h"
#include "app_fixture.h"
#include "engine/drag_curve.h"
#include "engine/number_text.h"
#include "output/popup_menus.h"
#include "services/projectile_file.h"
#include "services/readers/drag_table.h"
#include "services/shots_file.h"
#include "solver/shot_fit.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;
using testing_support::write_file;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;

// G7's own points as a CSV drag table: its fit is G7's.
std::string g7_table() {
    std::string text = "# name: test G7\nmach,cd\n";
    for (const DragPoint& p : drag_law_points(G7)) text += format_fixed(p.mach, 4) + "," + format_fixed(p.cd, 4) + "\n";
    return text;
}

class FitTableTest : public AppTest {
protected:
    FitWindow& fit() { return *app().fit_window; }
    std::string folder() const { return home() + "/config/Velora/"; }
    std::string table_path() const { return home() + "/g7.csv"; }

    // Started with three velocities under G7 at BC 0.0300 kept as the shots, and the window open.
    void start_with_shots() {
        write_prefs();
        start();
        std::vector<Shot> shots;
        for (float r : {10.0f, 30.0f, 50.0f}) shots.push_back(Shot{r, ShotQuantity::Velocity, 0.0f, std::nullopt});
        const std::vector<float> v = predict_shots(shots, state_.MV, 0.0300f, G7, shot_fit_inputs(state_));
        write_file(folder() + ShotsFileName, "range,quantity,value\n10,velocity," + format_fixed(v[0], 3) +
                                                 "\n30,velocity," + format_fixed(v[1], 3) + "\n50,velocity," +
                                                 format_fixed(v[2], 3) + "\n");
        open_window();
    }

    void open_window() {
        window().items.at(MenuFitShots)->trigger();
        ASSERT_TRUE(app().fit_window);
        QDialog* dialog = fit().dialog;
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    }

    void load_table(const std::string& path) {
        app().dialogs.open_file = [path, this](const OpenFileRequest& r) {
            requests_.push_back(r);
            return path;
        };
        QTest::mouseClick(fit().table->load, Qt::LeftButton);
    }

    void fit_now() {
        QTest::mouseClick(fit().fit, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !fit().fits.empty(); }, 60000));
    }

    int row_named(const std::string& name) {
        for (int r = 0; r < fit().laws->rowCount(); ++r)
            if (fit().laws->item(r, 0) && fit().laws->item(r, 0)->text().toStdString() == name) return r;
        return -1;
    }

    std::vector<OpenFileRequest> requests_;
};

TEST_F(FitTableTest, ATableIsRankedByItsNameDrawnKeptAndRemoved) {
    write_file(home() + "/g7.csv", g7_table());
    start_with_shots();
    EXPECT_FALSE(fit().table->note->isVisible()) << "no table, no line";
    EXPECT_FALSE(fit().table->remove->isEnabled());
    load_table(table_path());
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_NE(requests_[0].filter.find("*.drg"), std::string::npos);
    EXPECT_TRUE(messages_.empty()) << messages_.front().text;
    const std::string before = fit().table->note->text().toStdString();
    EXPECT_EQ(before.rfind("Drag table test G7 (g7.csv, ", 0), 0u) << before;
    EXPECT_NE(before.find("in use: Fit ranks it beside the ten laws"), std::string::npos) << before;
    EXPECT_NE(read_file(folder() + ProjectileFileName).find("drag_table=" + table_path() + "\n"), std::string::npos);

    fit_now();
    ASSERT_EQ(fit().laws->rowCount(), 11) << "the ten laws and the table";
    // No shot-by-shot fit beside a table: its list stays empty, with its columns named all the same.
    ASSERT_NE(fit().results->shots->horizontalHeaderItem(0), nullptr);
    EXPECT_EQ(fit().results->shots->horizontalHeaderItem(0)->text(), QStringLiteral("Shot"));
    const int row = row_named("test G7");
    ASSERT_GE(row, 0);
    const LawFit& table = fit().fits[static_cast<std::size_t>(row)];
    const int g7 = row_named("G7");
    ASSERT_GE(g7, 0);
    // The table is G7 itself: the same BC, and the two lead the ranking.
    EXPECT_NEAR(table.BC, 0.0300f, 2e-4f);
    EXPECT_NEAR(table.BC, fit().fits[static_cast<std::size_t>(g7)].BC, 2e-4f);
    EXPECT_LE(std::max(row, g7), 1);
    const std::string after = fit().table->note->text().toStdString();
    EXPECT_NE(after.find("in use: ranked beside the ten laws"), std::string::npos) << after;
    EXPECT_EQ(after.find("left the table's Mach span"), std::string::npos) << "G7's table spans every Mach";
    // Use enters a law in the main window, never the table.
    fit().laws->setCurrentCell(row, 0);
    EXPECT_FALSE(fit().use->isEnabled());
    fit().laws->setCurrentCell(g7, 0);
    EXPECT_TRUE(fit().use->isEnabled());

    // The Drag Curve tab: the table over its span, G7 times its form factor on it.
    const CurvePlot plot = shown_drag_curve(app());
    EXPECT_TRUE(plot.band.empty());
    EXPECT_EQ(plot.curve.name, "test G7 × 1.000");
    ASSERT_EQ(plot.others.size(), 10u);
    const CurvePlotSeries* line = nullptr;
    for (const CurvePlotSeries& s : plot.others)
        if (s.name.rfind("G7 × ", 0) == 0) line = &s;
    ASSERT_TRUE(line);
    for (std::size_t i = 0; i < line->points.size(); i += 10)
        EXPECT_NEAR(line->points[i].y, plot.curve.points[i].y, 2.0) << "at point " << i;

    // Kept for the next start.
    app_.reset();
    write_prefs();
    start();
    open_window();
    ASSERT_TRUE(window_table(app()));
    EXPECT_EQ(window_table_name(app()), "test G7");
    EXPECT_TRUE(fit().table->note->isVisible());
    EXPECT_TRUE(messages_.empty());

    // No Table: the laws alone, the file without it.
    fit_now();
    QTest::mouseClick(fit().table->remove, Qt::LeftButton);
    EXPECT_FALSE(window_table(app()));
    EXPECT_TRUE(fit().fits.empty()) << "the fit with the table is stale";
    EXPECT_FALSE(fit().table->note->isVisible());
    EXPECT_EQ(read_file(folder() + ProjectileFileName).find("drag_table="), std::string::npos);
    fit_now();
    EXPECT_EQ(fit().laws->rowCount(), 10);
}

// Every underlined letter of the Fit window (its buttons, the captions that lead to a list and the
// results' tabs) leads to one place: Alt and a letter shared by two would only move between them.
TEST_F(FitTableTest, EachLetterOfTheWindowLeadsToOnePlace) {
    start_with_shots();
    std::map<char, std::string> taken;
    const auto take = [&](const QString& text) {
        const char letter = mnemonic_of(text.toStdString());
        if (letter == 0) return;
        const auto [at, fresh] = taken.emplace(letter, text.toStdString());
        EXPECT_TRUE(fresh) << "'" << text.toStdString() << "' and '" << at->second << "' share " << letter;
    };
    for (const QAbstractButton* b : fit().dialog->findChildren<QAbstractButton*>()) take(b->text());
    for (const QLabel* l : fit().dialog->findChildren<QLabel*>())
        if (l->buddy() != nullptr) take(l->text());
    for (int i = 0; i < fit().results->tabs->count(); ++i) take(fit().results->tabs->tabText(i));
    EXPECT_GE(taken.size(), 15u);
}

TEST_F(FitTableTest, ATableThatCannotBeReadIsToldInOneLineAndOnceAtTheStart) {
    write_file(home() + "/g7.csv", g7_table());
    write_file(home() + "/bad.csv", "mach,cd\n0.5,0.2\n0.4,0.3\n");
    start_with_shots();
    load_table(table_path());
    ASSERT_TRUE(window_table(app()));
    load_table(home() + "/bad.csv");
    ASSERT_EQ(messages_.size(), 1u);
    const std::string refusal = messages_[0].text;
    EXPECT_NE(refusal.find("bad.csv"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("line 3"), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\r'), std::string::npos) << refusal;
    EXPECT_EQ(window_table_name(app()), "test G7") << "the table in use stays";

    // Gone before the next start: told once, the fit goes on with the laws.
    std::filesystem::remove(table_path());
    app_.reset();
    messages_.clear();
    write_prefs();
    start();
    open_window();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find("The drag table could not be read"), std::string::npos) << messages_[0].text;
    EXPECT_FALSE(window_table(app()));
    fit_now();
    EXPECT_EQ(fit().laws->rowCount(), 10);
    EXPECT_EQ(messages_.size(), 1u);
    window().items.at(MenuFitShots)->trigger();
    EXPECT_EQ(messages_.size(), 1u) << "told once";
}

TEST_F(FitTableTest, ALapuaRadarTableIsRankedUnderItsName) {
    const std::filesystem::path table = Real / "lapua-22lr-radar-cd/22LR-Polar biathlon Lapua  2,59g _Radar.drg";
    if (!std::filesystem::is_regular_file(table)) GTEST_SKIP() << "the real device files are not at " << Real;
    start_with_shots();
    load_table(table.string());
    EXPECT_TRUE(messages_.empty()) << messages_.front().text;
    const std::string name = window_table_name(app());
    ASSERT_FALSE(name.empty());
    fit_now();
    EXPECT_GE(row_named(name), 0) << name;
    EXPECT_EQ(fit().laws->rowCount(), 11);
}

// SR0038's tracks with the 36 gr the device recorded and a typed calibre: the string's own curve
// fitted beside the window, drawn with its band over its span, its note under the laws, and saved
// as a CSV drag table that reads back; without a calibre the sectional density is asked for.
TEST_F(FitTableTest, TheStringsOwnDragCurveIsFittedDrawnAndSaved) {
    const std::filesystem::path series = Real / "labradar-22lr-topgenorth/SR0038";
    if (!std::filesystem::is_directory(series)) GTEST_SKIP() << "the real device files are not at " << Real;
    write_prefs();
    start();
    open_window();
    EXPECT_FALSE(fit().table->fit_curve->isEnabled()) << "no string, no curve";
    app().dialogs.open_file = [series](const OpenFileRequest&) { return series.string(); };
    QTest::keyClick(fit().dialog, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([this] { return fit().string.has_value(); }, 60000));
    ASSERT_TRUE(fit().table->fit_curve->isEnabled());
    QTest::mouseClick(fit().table->fit_curve, Qt::LeftButton);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "A drag coefficient needs the projectile's sectional density: type its calibre.");
    EXPECT_FALSE(fit().table->fitted);

    write_file(folder() + ProjectileFileName, "calibre=0.223\ncalibre_unit=in\n");
    app_.reset();
    messages_.clear();
    write_prefs();
    start();
    open_window();
    ASSERT_TRUE(fit().string);
    QTest::mouseClick(fit().table->fit_curve, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return fit().table->fitted.has_value() || !messages_.empty(); }, 300000));
    ASSERT_TRUE(messages_.empty()) << messages_.front().text;
    const CurveFit& curve = *fit().table->fitted;
    EXPECT_EQ(fit().table->curve_note->text().toStdString(), curve_fit_note(curve));
    EXPECT_TRUE(fit().table->save_curve->isEnabled());
    EXPECT_EQ(fit().results->tabs->currentWidget(), fit().table->curve_view);
    const CurvePlot plot = shown_drag_curve(app());
    EXPECT_EQ(plot.curve.name, "fitted curve");
    EXPECT_EQ(plot.band.size(), 2 * plot.curve.points.size());
    EXPECT_DOUBLE_EQ(plot.mach_low, curve.mach_low);
    EXPECT_DOUBLE_EQ(plot.mach_high, curve.mach_high);
    EXPECT_EQ(plot.others.size(), 10u);

    const std::string saved = home() + "/own.csv";
    app().dialogs.save_file = [saved](const SaveFileRequest& r) {
        EXPECT_NE(r.filter.find("*.csv"), std::string::npos);
        return saved;
    };
    QTest::mouseClick(fit().table->save_curve, Qt::LeftButton);
    const DragTableRead back = read_drag_table_file(saved);
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.table->points.size(), curve.points.size());
    EXPECT_EQ(back.table->format, "csv");

    // A string imported anew makes the curve stale.
    app().dialogs.open_file = [series](const OpenFileRequest&) { return series.string(); };
    QTest::keyClick(fit().dialog, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !fit().table->fitted.has_value(); }, 60000));
    EXPECT_FALSE(fit().table->curve_note->isVisible());
}

// Three tracks that slow through Mach 0.005 only hold one coefficient: the fit's refusal is told
// and no curve is drawn.
TEST_F(FitTableTest, AStringOfTooNarrowAMachSpanIsToldTheFitsReason) {
    write_prefs();
    write_file(folder() + ProjectileFileName, "weight=36\ncalibre=0.223\n");
    start();
    open_window();
    ShotString narrow;
    narrow.format = "labradar";
    narrow.name = "narrow";
    for (int k = 0; k < 3; ++k) {
        StringShot shot;
        shot.id = std::to_string(k + 1);
        shot.MV = 1000.0f + static_cast<float>(k);
        shot.mv_kind = MvKind::Extrapolated;
        for (int i = 0; i < 6; ++i) {
            TrackSample t;
            t.range = 5.0f + 4.0f * static_cast<float>(i);
            t.velocity = *shot.MV - 1.0f * static_cast<float>(i);
            t.time = t.range * 3.0f / t.velocity;
            shot.track.push_back(t);
        }
        narrow.shots.push_back(shot);
    }
    fit().string = narrow;
    refresh_fit_results(app());
    ASSERT_TRUE(fit().table->fit_curve->isEnabled());
    QTest::mouseClick(fit().table->fit_curve, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !messages_.empty(); }, 60000));
    const std::string told = messages_[0].text;
    EXPECT_NE(told.find(" cannot be fitted: "), std::string::npos) << told;
    EXPECT_NE(told.find("0.03"), std::string::npos) << told;
    EXPECT_FALSE(fit().table->fitted);
    EXPECT_FALSE(fit().table->save_curve->isEnabled());
}

}  // namespace
}  // namespace velora
