// The Fit window's projectile: its lines for an 8.44 gr .177 pellet at 800 ft/s, the energy limit
// passed by the string or by a shot, its file beside the preferences read, refused and written,
// and the fields in the running window: the form factor beside each law and the lines below.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "app/fit_projectile.h"
#include "app/fit_window.h"
#include "app_fixture.h"
#include "services/projectile_file.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;
using testing_support::write_file;

Projectile pellet() {
    Projectile p;
    p.weight_gr = 8.44;
    p.calibre_in = 0.177;
    return p;
}

TEST(FitProjectileLines, APelletAt800FpsAndTheLimitPassedByTheStringOrAShot) {
    const std::vector<std::string> lines = projectile_lines(pellet(), uk_energy_limit(), 800.0f, {});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Sectional density 0.0385 lb/in²");
    EXPECT_EQ(lines[1], "Energy at the muzzle 11.99 ft·lbf (16.26 J) at 800.0 ft/s, momentum 0.1334 N·s");
    EXPECT_EQ(lines[2], "Within the energy limit of 12 ft·lbf");
    // One shot of the string passes, the string at its mean does not.
    const std::vector<std::string> shots =
        projectile_lines(pellet(), uk_energy_limit(), 800.0f, {{"0001", 795.0f}, {"0002", 806.0f}});
    ASSERT_EQ(shots.size(), 4u);
    EXPECT_EQ(shots[2], "The 2 shots at the muzzle: 11.84 ft·lbf (16.06 J) to 12.17 ft·lbf (16.50 J)");
    EXPECT_EQ(shots[3], "Over the limit: 1 shot passes 12 ft·lbf (0002)");
    // 7.5 J: the string itself passes.
    const std::vector<std::string> german = projectile_lines(pellet(), germany_energy_limit(), 800.0f, {});
    EXPECT_EQ(german.back(), "Over the limit: the muzzle energy passes 7.5 J");
    // Without a weight only the limit's need is said.
    Projectile calibre_only;
    calibre_only.calibre_in = 0.177;
    EXPECT_EQ(projectile_lines(calibre_only, uk_energy_limit(), 800.0f, {}),
              std::vector<std::string>{"The energy limit of 12 ft·lbf needs the projectile's weight"});
}

TEST(ProjectileFile, ReadsBackWhatItWroteAndRefusesInOneLine) {
    ProjectileSettings s;
    s.weight = "0.547";
    s.weight_unit = "g";
    s.calibre = "4.5";
    s.calibre_unit = "mm";
    s.energy_limit = "16.27 J";
    const ProjectileFileRead back = read_projectile_file(projectile_file_text(s), ProjectileFileName);
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.settings.weight, "0.547");
    EXPECT_EQ(back.settings.calibre_unit, "mm");
    EXPECT_EQ(back.settings.energy_limit, "16.27 J");
    const ProjectileOfSettings of = projectile_of(back.settings);
    EXPECT_NEAR(*of.projectile.weight_gr, 0.547 * GrainsPerGram, 1e-9);
    EXPECT_NEAR(*of.projectile.calibre_in, 4.5 / 25.4, 1e-12);
    EXPECT_FALSE(of.projectile.length_in);
    ASSERT_TRUE(of.limit);
    EXPECT_NEAR(of.limit->joules, 16.27, 1e-9);

    // A drag table's path comes back as it was written, and a file without one writes none.
    s.drag_table = "/tables/polar, 2,59g.drg";
    EXPECT_EQ(read_projectile_file(projectile_file_text(s), ProjectileFileName).settings.drag_table, s.drag_table);
    EXPECT_EQ(projectile_file_text(ProjectileSettings{}).find("drag_table"), std::string::npos);

    EXPECT_EQ(read_projectile_file("weight=8.44\nweight_unit=kg\n", "P").error,
              "P line 2: the weight's unit is gr or g, not 'kg'");
    EXPECT_EQ(read_projectile_file("colour=red\n", "P").error, "P line 1: unknown key 'colour'");
    EXPECT_EQ(read_projectile_file("weight\n", "P").error, "P line 1: expected key=value");
    for (const char* bad : {"weight=nan\n", "weight=-3\n", "calibre=5.5\n", "weight=1e400\n", "energy_limit=lots\n"}) {
        const ProjectileFileRead r = read_projectile_file(bad, "P");
        EXPECT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
        EXPECT_EQ(r.error.rfind("P", 0), 0u) << r.error;
    }
}

class FitProjectileTest : public AppTest {
protected:
    FitWindow& fit() { return *app().fit_window; }
    std::string file_path() const { return home() + "/config/Velora/" + ProjectileFileName; }
    template <class W>
    W* named(const char* name) {
        for (W* w : fit().dialog->findChildren<W*>())
            if (w->accessibleName() == QString::fromUtf8(name)) return w;
        return nullptr;
    }
    void type(QLineEdit* edit, const char* text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
        QTest::keyClick(edit, Qt::Key_Return);
    }
};

TEST_F(FitProjectileTest, FieldsTypedAreKeptAndGiveTheLinesAndTheFormFactorColumn) {
    write_prefs();
    start();
    window().items.at(MenuFitShots)->trigger();
    ASSERT_TRUE(app().fit_window);
    QLineEdit* weight = named<QLineEdit>("Weight");
    QLineEdit* calibre = named<QLineEdit>("Calibre");
    QComboBox* limit = named<QComboBox>("Energy limit");
    QLabel* lines = named<QLabel>("Projectile results");
    ASSERT_TRUE(weight && calibre && limit && lines);
    // Without a calibre there is no form factor to show.
    EXPECT_TRUE(fit().laws->isColumnHidden(5));
    type(weight, "8.44");
    type(calibre, ".177");
    limit->setCurrentIndex(1);
    EXPECT_FALSE(fit().laws->isColumnHidden(5));
    EXPECT_EQ(fit().laws->horizontalHeaderItem(5)->text().toStdString(), "Form Factor");
    const std::string shown = lines->text().toStdString();
    EXPECT_NE(shown.find("Sectional density 0.0385 lb/in²"), std::string::npos) << shown;
    // The first run's 785 ft/s.
    EXPECT_NE(shown.find("Energy at the muzzle 11.55 ft·lbf (15.65 J) at 785.0 ft/s"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Within the energy limit of 12 ft·lbf"), std::string::npos) << shown;
    const std::string kept = read_file(file_path());
    EXPECT_NE(kept.find("weight=8.44\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find("calibre=.177\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find("energy_limit=12 ft·lbf\n"), std::string::npos) << kept;
    EXPECT_EQ(fit_form_factor_text(app(), 0.0385f), "1.000");
    // A value that does not read is said, and gives no projectile.
    type(weight, "heavy");
    EXPECT_NE(lines->text().toStdString().find("Weight: "), std::string::npos) << lines->text().toStdString();
}

TEST_F(FitProjectileTest, TheKeptFileIsReadAtTheNextStartAndABadOneLeftAsItIs) {
    write_prefs();
    write_file(file_path(), "weight=0.547\nweight_unit=g\ncalibre=4.5\ncalibre_unit=mm\nenergy_limit=7.5 J\n");
    start();
    window().items.at(MenuFitShots)->trigger();
    ASSERT_TRUE(app().fit_window);
    EXPECT_EQ(named<QLineEdit>("Weight")->text().toStdString(), "0.547");
    EXPECT_EQ(named<QComboBox>("Weight unit")->currentText().toStdString(), "g");
    EXPECT_EQ(named<QComboBox>("Energy limit")->currentIndex(), 2);
    EXPECT_NE(named<QLabel>("Projectile results")->text().toStdString().find("passes 7.5 J"), std::string::npos);
}

TEST_F(FitProjectileTest, AFileThatDoesNotReadIsToldAndNeverWritten) {
    write_prefs();
    write_file(file_path(), "weight=8.44\nweight_unit=stone\n");
    start();
    window().items.at(MenuFitShots)->trigger();
    ASSERT_TRUE(app().fit_window);
    ASSERT_FALSE(messages_.empty());
    EXPECT_NE(messages_.back().text.find("line 2: the weight's unit is gr or g, not 'stone'"), std::string::npos)
        << messages_.back().text;
    QLineEdit* calibre = named<QLineEdit>("Calibre");
    type(calibre, "5.5mm");
    EXPECT_EQ(read_file(file_path()), "weight=8.44\nweight_unit=stone\n");
}

}  // namespace
}  // namespace velora
