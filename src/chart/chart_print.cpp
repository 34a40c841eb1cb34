#include "chart/chart_print.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <functional>
#include <memory>

#include "chart/chart_control.h"
#include "chart/comment_command.h"
#include "chart/print_job.h"
#include "chart/print_page.h"
#include "core/error_trap.h"
#include "logdata/data_buffer.h"

namespace tarvik {

namespace {

// The steps that make the job's printer and lay out its page.
constexpr std::size_t kPrinterStep = 2;
constexpr std::size_t kLayoutStep = 3;

}  // namespace

void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart, const QPrinter& setup,
                const QString& brandName) {
    ErrorTrap trap(dialogs);
    QString family;
    std::unique_ptr<PrintJob> job;
    print_page::ImageRect rect;
    double twipsPerPixelY = 0;
    // The orientation first: the page sizes below are those of the landscape page.
    auto makeJob = [&] {
        job = std::make_unique<PrintJob>(setup);
        job->printer().setPageOrientation(QPageLayout::Landscape);
    };
    // The page in twips from its size in printer pixels and the printer's resolution.
    auto layOut = [&] {
        const QPrinter& printer = job->printer();
        const int dpiX = printer.logicalDpiX();
        const int dpiY = printer.logicalDpiY();
        const double tppX = dpiX > 0 ? 1440.0 / dpiX : 0;
        twipsPerPixelY = dpiY > 0 ? 1440.0 / dpiY : 0;
        rect = print_page::imageRect(printer.width() * tppX, printer.height() * twipsPerPixelY,
                                     tppX, twipsPerPixelY);
    };
    const std::function<void()> steps[] = {
        // Cancel answers "" and so erases the comment.
        [&] { editComment(dialogs, data); },
        [&] { family = print_page::headingFontFamily(QFontDatabase::families()); },
        makeJob,
        layOut,
        // The page: heading, comment, chart, end of document.
        [&] {
            if (job->tried()) {
                // Retry: a fresh printer, set up as Print Setup says now.
                makeJob();
                layOut();
            }
            QPainter& p = job->begin();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            QFont font(family);
            font.setPointSize(print_page::kFontPoints);
            p.setFont(font);
            p.setPen(Qt::black);
            const QFontMetricsF metrics(font, &job->printer());
            // Lines are placed by their top, as the print position gives it.
            double top = print_page::kTextTopTwips / twipsPerPixelY;
            p.drawText(QPointF(0, top + metrics.ascent()),
                       print_page::headingLine(brandName, data.downloadDate));
            const QString comment = print_page::commentLine(data.comment);
            if (!comment.isEmpty()) {
                top += metrics.lineSpacing();
                p.drawText(QPointF(0, top + metrics.ascent()), comment);
            }
            chart.drawToDevice(p, DrawContent::WholeChart, DrawFit::FitToRectangle, rect.top,
                               rect.left, rect.height, rect.width);
            job->finish();
        },
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const StepResult r = trap.step(steps[i]);
        // Without a printer or a page layout there is nothing sensible to print, even after
        // Ignore.
        const bool preparing = i == kPrinterStep || i == kLayoutStep;
        if (r == StepResult::Aborted || (preparing && r != StepResult::Done)) {
            return;
        }
    }
}

}  // namespace tarvik
