#include "cli/cli.h"

#include <cstdlib>
#include <iostream>
#include <memory>

#ifdef VELORA_CLI_WRITES_PDF
#include <QGuiApplication>

#include "output/curve_plot_draw.h"
#include "output/report_pdf.h"
#endif

int main(int argc, char** argv) {
    velora::ReportPdfWriter pdf;
    velora::CurvePlotWriter plot;
#ifdef VELORA_CLI_WRITES_PDF
    // The PDF writer sets its text with the system's fonts, which take an application of the
    // toolkit; it is started only for the report and the drag curve's plot, and draws on no screen.
    std::unique_ptr<QGuiApplication> toolkit;
    const auto start_toolkit = [&toolkit, &argc, argv] {
        if (!toolkit && QCoreApplication::instance() == nullptr) {
            if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
            // Its notes about the session (no runtime folder, no screen) are no concern of a report.
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
            toolkit = std::make_unique<QGuiApplication>(argc, argv);
        }
    };
    plot = [&start_toolkit](const std::string& path, const velora::CurvePlot& p) {
        start_toolkit();
        return velora::save_curve_plot(path, p);
    };
    pdf = [&start_toolkit](const std::string& path, const velora::ReportContent& content) {
        start_toolkit();
        const velora::WriteOutcome written = velora::write_report_pdf(path, content, velora::paper_of_environment());
        return written.ok ? std::string() : written.reason;
    };
#endif
    return velora::run_cli(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr, pdf, plot);
}
