// Turns the help manual's HTML into the PDF that the program carries inside itself:
//   velora_make_help resources/help/manual.html resources/VeloraHelp.pdf
// "@VERSION@" in the HTML becomes the program's version.
// The pages are A4 with 18 mm margins, set in the Liberation fonts, numbered at the foot.
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

#include "velora_version.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velora_make_help MANUAL.html OUTPUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument manual;
    manual.setDefaultFont(QFont(QStringLiteral("Helvetica"), 10));
    manual.setHtml(
        QString::fromUtf8(source.readAll()).replace(QStringLiteral("@VERSION@"), QStringLiteral(VELORA_VERSION)));

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("Velora Help"));
    pdf.setCreator(QStringLiteral("Velora"));
    pdf.setResolution(300);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                  QPageLayout::Millimeter));

    // Lay the text out on the page's printable area and draw it page by page with a footer.
    const QRect area = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const double footer = pdf.resolution() * 0.35;
    const QSizeF page(area.width(), area.height() - footer);
    manual.documentLayout()->setPaintDevice(&pdf);  // fonts measured at the PDF's resolution
    manual.setPageSize(page);
    QPainter painter(&pdf);
    const int pages = manual.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) pdf.newPage();
        painter.save();
        painter.translate(0, -page.height() * i);
        manual.drawContents(&painter, QRectF(0, page.height() * i, page.width(), page.height()));
        painter.restore();
        painter.setFont(QFont(QStringLiteral("Helvetica"), 8));
        painter.drawText(QRectF(0, page.height(), page.width(), footer), Qt::AlignCenter,
                         QStringLiteral("Velora Help — page %1 of %2").arg(i + 1).arg(pages));
    }
    painter.end();
    return 0;
}
