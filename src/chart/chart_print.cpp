#include "chart/chart_print.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <functional>
#include <memory>

#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/comment_command.h"
#include "chart/frm_chart1.h"
#include "chart/print_job.h"
#include "chart/print_page.h"
#include "chart/text_block.h"
#include "core/error_trap.h"
#include "logdata/data_buffer.h"

namespace tarvik {

namespace {

// The steps that make the job's printer and lay out its page.
constexpr std::size_t kPrinterStep = 2;
constexpr std::size_t kLayoutStep = 3;

QFont pageFont(const QString& family, int points, bool bold) {
    QFont font(family);
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

// The page's text: the heading, the comment when there is one, then the read-out lines.
std::vector<TextRow> pageText(const QString& family, const QString& heading, const QString& comment,
                              const std::vector<ReadOutLine>& readOut) {
    std::vector<TextRow> rows;
    rows.push_back({pageFont(family, print_page::kHeadingPoints, true), {{heading}}});
    if (!comment.isEmpty()) {
        rows.push_back({pageFont(family, print_page::kTextPoints, false), {{comment}}});
    }
    for (TextRow& r : readOutRows(readOut, pageFont(family, print_page::kTextPoints, true))) {
        rows.push_back(std::move(r));
    }
    return rows;
}

}  // namespace

void printChart(UserDialogs& dialogs, DataBuffer& data, FrmChart1& window, const QPrinter& setup,
                const QString& brandName) {
    printChart(dialogs, data, window.chart(), window.analysis().readOutLines(), setup, brandName);
}

void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart,
                const std::vector<ReadOutLine>& readOut, const QPrinter& setup,
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
        // The page: the text lines from the print position down, the chart below them, end of
        // document.
        [&] {
            if (job->tried()) {
                // Retry: a fresh printer, set up as Print Setup says now.
                makeJob();
                layOut();
            }
            QPrinter& printer = job->printer();
            QPainter& p = job->begin();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            const TextBlock text =
                layOutText(pageText(family, print_page::headingLine(brandName, data.downloadDate),
                                    print_page::commentLine(data.comment), readOut),
                           printer.width(), &printer);
            const double top = print_page::kTextTopTwips / twipsPerPixelY;
            drawTextBlock(p, text, QPointF(0, top));
            // The chart's plot starts below the last line of text.
            const double band = (top + text.height) * twipsPerPixelY + print_page::kTextGapTwips;
            chart.drawToDevice(p, DrawContent::WholeChart, DrawFit::FitToRectangle, rect.top,
                               rect.left, rect.height, rect.width, band);
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
