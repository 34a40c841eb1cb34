#include "chart/chart_print.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <functional>

#include "chart/chart_control.h"
#include "chart/comment_command.h"
#include "chart/print_page.h"
#include "link/error_trap.h"
#include "logdata/data_buffer.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Printer");
constexpr std::size_t kLayoutStep = 3;

AppError printerError(const QString& what) {
    return AppError(AppError::kPrinterError, kSource, QStringLiteral("Printer error: ") + what);
}

/// Why the printer would not take the page, as plainly as the printer object can tell.
AppError notStarted(const QPrinter& printer) {
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    if (toFile ? printer.outputFileName().isEmpty() : printer.printerName().isEmpty()) {
        return printerError(QStringLiteral(
            "no printer is installed. Choose a printer, or printing to a PDF file, with File > "
            "Print Setup."));
    }
    if (toFile) {
        return printerError(
            QStringLiteral("the file \"%1\" could not be written.").arg(printer.outputFileName()));
    }
    return printerError(
        QStringLiteral("printing could not start on \"%1\".").arg(printer.printerName()));
}

/// One printed document: begun on construction, abandoned unless finished. An error part-way
/// through a page never leaves a half-written document open on the printer.
class PrintJob {
public:
    explicit PrintJob(QPrinter& printer) : printer_(printer) {
        if (!painter_.begin(&printer_)) {
            throw notStarted(printer_);
        }
    }
    ~PrintJob() {
        if (painter_.isActive()) {
            // A PDF cannot be aborted: end it, then take the unfinished file away.
            const bool aborted = printer_.abort();
            painter_.end();
            if (!aborted && printer_.outputFormat() == QPrinter::PdfFormat) {
                QFile::remove(printer_.outputFileName());
            }
        }
    }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    QPainter& painter() { return painter_; }

    /// Ends the document, which sends the page to the printer (or writes the PDF file).
    void finish() {
        if (!painter_.end()) {
            throw notStarted(printer_);
        }
    }

private:
    QPrinter& printer_;
    QPainter painter_;
};

}  // namespace

void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart, QPrinter& printer,
                const QString& brandName) {
    ErrorTrap trap(dialogs);
    QString family;
    print_page::ImageRect rect;
    double twipsPerPixelY = 0;
    const std::function<void()> steps[] = {
        // 1. Cancel answers "" and so erases the comment.
        [&] { editComment(dialogs, data); },
        // 2.
        [&] { family = print_page::headingFontFamily(QFontDatabase::families()); },
        // 3. The orientation first: the page sizes below are those of the landscape page.
        [&] { printer.setPageOrientation(QPageLayout::Landscape); },
        // 4. The page in twips from its size in printer pixels and the printer's resolution.
        [&] {
            const int dpiX = printer.logicalDpiX();
            const int dpiY = printer.logicalDpiY();
            const double tppX = dpiX > 0 ? 1440.0 / dpiX : 0;
            twipsPerPixelY = dpiY > 0 ? 1440.0 / dpiY : 0;
            rect = print_page::imageRect(printer.width() * tppX, printer.height() * twipsPerPixelY,
                                         tppX, twipsPerPixelY);
        },
        // 5-9. The page: heading, comment, chart, end of document.
        [&] {
            PrintJob job(printer);
            QPainter& p = job.painter();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            QFont font(family);
            font.setPointSize(print_page::kFontPoints);
            p.setFont(font);
            p.setPen(Qt::black);
            const QFontMetricsF metrics(font, &printer);
            // Lines are placed by their top, as the print position gives it.
            double top = print_page::kTextTopTwips / twipsPerPixelY;
            p.drawText(QPointF(0, top + metrics.ascent()),
                       print_page::headingLine(brandName, data.DownloadDate));
            const QString comment = print_page::commentLine(data.Comment);
            if (!comment.isEmpty()) {
                top += metrics.lineSpacing();
                p.drawText(QPointF(0, top + metrics.ascent()), comment);
            }
            chart.DrawToDevice(p, ChartControl::kDrawWholeChart, ChartControl::kDrawFitToRectangle,
                               rect.top, rect.left, rect.height, rect.width);
            job.finish();
        },
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const StepResult r = trap.step(steps[i]);
        // Without a page layout there is nothing sensible to print, even after Ignore.
        if (r == StepResult::Aborted || (i == kLayoutStep && r != StepResult::Done)) {
            return;
        }
    }
}

}  // namespace tarvik
