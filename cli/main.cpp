#include "cli/cli.h"

#include <cstdlib>
#include <iostream>
#include <memory>

#ifdef VELORA_CLI_WRITES_PDF
#include <QGuiApplication>

#include "output/report_pdf.h"
#endif

int main(int argc, char** argv) {
    velora::ReportPdfWriter pdf;
#ifdef VELORA_CLI_WRITES_PDF
    // The PDF writer sets its text with the system's fonts, which take an application of the
    // toolkit; it is started only for the report and draws on no screen.
    std::unique_ptr<QGuiApplication> toolkit;
    pdf = [&toolkit, &argc, argv](const std::string& path, const velora::ReportContent& content) {
        if (!toolkit && QCoreApplication::instance() == nullptr) {
            if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
            // Its notes about the session (no runtime folder, no screen) are no concern of a report.
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
            toolkit = std::make_unique<QGuiApplication>(argc, argv);
        }
        const velora::WriteOutcome written = velora::write_report_pdf(path, content, velora::paper_of_environment());
        return written.ok ? std::string() : written.reason;
    };
#endif
    return velora::run_cli(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr, pdf);
}
