// The Fit window's "Save Report…": the range report with the fit of the window, and for an
// imported string fitted shot by shot its verdict, spread and the shots set aside, read back with
// pdftotext; the same document the Utility menu's item writes.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <vector>

#include "app/dialogs.h"
#include "app/fit_report.h"
#include "app/fit_results_view.h"
#include "app/fit_window.h"
#include "app_fixture.h"
#include "output/popup_menus.h"
#include "solver/string_fit_texts.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;

// Runs a program to its end; its standard output, or nothing when it could not run or failed.
std::optional<std::string> output_of(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
    return p.readAllStandardOutput().toStdString();
}

// The words of a text, one blank between each: texts wrap in the document.
std::string words(const std::string& text) {
    std::istringstream in(text);
    std::string out, word;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

class FitReportTest : public AppTest {
protected:
    FitWindow& fit() { return *app().fit_window; }

    void open_fit_window() {
        window().items.at(MenuFitShots)->trigger();
        ASSERT_TRUE(app().fit_window);
        QDialog* dialog = fit().dialog;
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
    }

    // "Save Report…" of the Fit window answered with `name` in the test's folder; the report's
    // text as pdftotext reads it back, its words one blank apart.
    std::string save_report(const std::string& name) {
        const std::string path = out_.path().toStdString() + "/" + name;
        app().dialogs.save_file = [this, path](const SaveFileRequest& r) {
            requests_.push_back(r);
            return path;
        };
        QTest::mouseClick(fit().save_report, Qt::LeftButton);
        EXPECT_EQ(read_file(path).substr(0, 5), "%PDF-");
        const std::optional<std::string> text =
            output_of(QStringLiteral("pdftotext"), {QString::fromStdString(path), QStringLiteral("-")});
        return text ? words(*text) : std::string();
    }

    QTemporaryDir out_;
    std::vector<SaveFileRequest> requests_;
};

TEST_F(FitReportTest, TheButtonWritesTheReportWithTheStringsFitShotByShot) {
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real;
    if (!output_of(QStringLiteral("pdftotext"), {QStringLiteral("-v")}))
        GTEST_SKIP() << "pdftotext reads the report back";
    write_prefs();
    start();
    open_fit_window();
    ASSERT_NE(fit().save_report, nullptr);
    EXPECT_EQ(fit().save_report->text().toStdString(), "Save Re&port…");
    EXPECT_EQ(mnemonic_of(fit().save_report->text().toStdString()), 'p');

    // Nothing fitted yet: the report of the main window alone.
    report_details_ = {"SR0038", ".22 LR, 36 gr"};
    const std::string plain = save_report("plain.pdf");
    ASSERT_FALSE(plain.empty());
    EXPECT_NE(plain.find("SR0038 Velora 1.2.2"), std::string::npos) << plain;
    EXPECT_EQ(plain.find("Fit of "), std::string::npos) << plain;
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].default_name, "Velora Report.pdf");

    app().dialogs.open_file = [](const OpenFileRequest&) {
        return (Real / "labradar-22lr-topgenorth/SR0038").string();
    };
    QTest::keyClick(fit().dialog, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(fit().string);
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_EQ(fit().fits.size(), 10u);
    ASSERT_TRUE(fit().results && fit().results->fit);

    // The window's verdict, spread and trend, and each shot it set aside, in the report.
    const std::string report = save_report("fitted.pdf");
    const std::string verdict = fit().results->verdict->text().toStdString();
    ASSERT_FALSE(verdict.empty());
    EXPECT_NE(report.find(words(verdict)), std::string::npos) << verdict << "\n" << report;
    EXPECT_NE(report.find("Fit of 29 shots, each from its own muzzle velocity"), std::string::npos) << report;
    const StringLawFit& best = fit().results->fit->laws.front();
    EXPECT_NE(report.find(words(spread_text(best.spread))), std::string::npos) << report;
    int aside = 0;
    for (const StringShot& shot : fit().string->shots) {
        if (!shot.marks.has(MarkKind::Outlier)) continue;
        EXPECT_NE(report.find("Set aside: Shot " + shot.id + ": outlier: "), std::string::npos) << report;
        ++aside;
    }
    EXPECT_GE(aside, 1);
    EXPECT_NE(report.find("36.00 gr (2.333 g) (as set on the device)"), std::string::npos) << report;
    EXPECT_NE(report.find(" measurements of the fit"), std::string::npos) << report;

    // The Utility menu's item writes the same fit.
    const std::string path = out_.path().toStdString() + "/menu.pdf";
    app().dialogs.save_file = [path](const SaveFileRequest&) { return path; };
    window().items.at(MenuSaveReport)->trigger();
    const std::optional<std::string> menu = output_of(QStringLiteral("pdftotext"), {QString::fromStdString(path), "-"});
    ASSERT_TRUE(menu);
    EXPECT_NE(words(*menu).find(words(verdict)), std::string::npos);

    // A change of the string makes the fit stale: the report goes without it.
    fit().string_view->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    ASSERT_TRUE(fit().fits.empty());
    EXPECT_EQ(save_report("stale.pdf").find("Fit of "), std::string::npos);
}

// The Fit window's pictures at print size: the one in sight, at the size it has on the screen
// times the scale chosen, or as an SVG drawing; the pictures' own menu does the same.
TEST_F(FitReportTest, ThePicturesOfTheFitAreSavedAtTheScaleChosen) {
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real;
    write_prefs();
    start();
    open_fit_window();
    QPushButton* save_plot = nullptr;
    for (QPushButton* b : fit().dialog->findChildren<QPushButton*>())
        if (b->accessibleName() == QStringLiteral("Save Image at Print Size")) save_plot = b;
    ASSERT_NE(save_plot, nullptr);
    EXPECT_EQ(mnemonic_of(save_plot->text().toStdString()), 'z');
    std::vector<ImageScale> scales;
    app().dialogs.image_scale = [&scales](ImageScale& s) {
        scales.push_back(s);
        s.scale = 2.0;
        return true;
    };
    std::string answer;
    app().dialogs.save_file = [this, &answer](const SaveFileRequest& r) {
        requests_.push_back(r);
        return answer;
    };
    // Nothing fitted yet: nothing to draw, and said so.
    QTest::mouseClick(save_plot, Qt::LeftButton);
    EXPECT_TRUE(requests_.empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "There is no picture to save: fit first.");

    app().dialogs.open_file = [](const OpenFileRequest&) {
        return (Real / "labradar-22lr-topgenorth/SR0038").string();
    };
    QTest::keyClick(fit().dialog, Qt::Key_O, Qt::ControlModifier);
    QTest::mouseClick(fit().fit, Qt::LeftButton);
    ASSERT_TRUE(fit().results && fit().results->fit);
    QWidget* measurements = fit().results->plots.measurements;
    QWidget* bc_mv = fit().results->plots.bc_mv;
    fit().results->tabs->setCurrentWidget(measurements);

    answer = out_.path().toStdString() + "/measurements";
    QTest::mouseClick(save_plot, Qt::LeftButton);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Image at Print Size");
    EXPECT_EQ(requests_[0].default_name, "Fit_Measurements_Plot.png");
    ASSERT_EQ(scales.size(), 1u);
    EXPECT_EQ(scales[0].scale, 3.0);
    EXPECT_EQ(scales[0].width, measurements->width());
    EXPECT_EQ(scales[0].height, measurements->height());
    const QImage saved(QString::fromStdString(answer + ".png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), 2 * measurements->size());
    // Drawn, not blank: dark lines and points over much of it.
    int inked = 0;
    for (int y = 0; y < saved.height(); y += 2)
        for (int x = 0; x < saved.width(); x += 2) inked += qGray(saved.pixel(x, y)) < 160 ? 1 : 0;
    EXPECT_GT(inked, 500);

    // The BCs' tab in sight: its picture, here as a drawing.
    fit().results->tabs->setCurrentWidget(bc_mv);
    answer = out_.path().toStdString() + "/bc.svg";
    QTest::mouseClick(save_plot, Qt::LeftButton);
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[1].default_name, "Fit_BC_MV_Plot.png");
    EXPECT_EQ(scales.size(), 1u) << "a drawing has no scale to ask";
    const std::string svg = read_file(answer);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("<title>" + shown_fit_plot(bc_mv).title + "</title>"), std::string::npos) << svg.substr(0, 600);

    // Each picture's own menu.
    ASSERT_EQ(measurements->actions().size(), 1);
    EXPECT_EQ(measurements->contextMenuPolicy(), Qt::ActionsContextMenu);
    answer = out_.path().toStdString() + "/from-menu.png";
    measurements->actions().front()->trigger();
    ASSERT_EQ(requests_.size(), 3u);
    EXPECT_EQ(requests_[2].default_name, "Fit_Measurements_Plot.png");
    EXPECT_FALSE(QImage(QString::fromStdString(answer)).isNull());
}

// The scale of a print-size image in its small dialog: the pixels shown follow the scale typed,
// OK takes it, Cancel leaves it; the scale stays within the largest the image may have.
TEST(ImageScaleDialog, ThePixelsFollowTheScaleAndOkTakesIt) {
    std::string shown;
    double most = 0;
    // The timers live as long as the test: one that held itself in its own call would never go.
    std::vector<std::unique_ptr<QTimer>> timers;
    const auto answer = [&](double value, bool ok) {
        QTimer* timer = timers.emplace_back(std::make_unique<QTimer>()).get();
        QObject::connect(timer, &QTimer::timeout, [&shown, &most, timer, value, ok] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            timer->stop();
            auto* size = dialog->findChild<QDoubleSpinBox*>();
            ASSERT_NE(size, nullptr);
            most = size->maximum();
            size->setValue(value);
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text().endsWith(QStringLiteral(" pixels"))) shown = label->text().toStdString();
            if (ok)
                dialog->accept();
            else
                dialog->reject();
        });
        timer->start(10);
    };
    ImageScale scale{3.0, 390, 528, 30.3};
    answer(4.5, true);
    ASSERT_TRUE(ask_image_scale(nullptr, scale));
    EXPECT_EQ(scale.scale, 4.5);
    EXPECT_EQ(shown, "1755 × 2376 pixels");
    EXPECT_EQ(most, 30.3);

    answer(100.0, true);
    ASSERT_TRUE(ask_image_scale(nullptr, scale));
    EXPECT_EQ(scale.scale, 30.3) << "no larger than the largest";

    answer(2.0, false);
    EXPECT_FALSE(ask_image_scale(nullptr, scale));
    EXPECT_EQ(scale.scale, 30.3);
}

}  // namespace
}  // namespace velora
