#include "chart/print_page.h"

#include <cmath>
#include <limits>

#include "common/rounding.h"
#include "core/app_error.h"

namespace tarvik::print_page {

namespace {

const QString kSource = QStringLiteral("Printer");

AppError tooSmall() {
    return AppError(AppError::kPrinterError, kSource,
                    QStringLiteral("Printer error: the page is too small for the chart."));
}

int toPixels(double twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0) || !std::isfinite(twipsPerPixel)) {
        throw AppError(AppError::kPrinterError, kSource,
                       QStringLiteral("Printer error: the printer reports no resolution."));
    }
    const double r = roundHalfEven(twips / twipsPerPixel, 0);
    if (!(r >= 0 && r <= std::numeric_limits<int>::max())) {
        throw AppError::overflow(kSource);
    }
    return static_cast<int>(r);
}

}  // namespace

ImageRect imageRect(double pageWidthTwips, double pageHeightTwips, double twipsPerPixelX,
                    double twipsPerPixelY) {
    // A page no wider than the left margin (or a printer reporting no page) has no room for
    // the chart.
    if (!(pageWidthTwips > kImageLeftTwips) || !(pageHeightTwips > 0)) {
        throw tooSmall();
    }
    ImageRect r;
    r.top = 0;
    r.left = toPixels(kImageLeftTwips, twipsPerPixelX);
    r.width = toPixels(pageWidthTwips - kImageLeftTwips, twipsPerPixelX);
    r.height = toPixels(pageHeightTwips, twipsPerPixelY);
    if (r.width <= 0 || r.height <= 0) {
        throw tooSmall();
    }
    return r;
}

QString headingLine(const QString& brandName, const QString& downloadDate) {
    return brandName + QStringLiteral(" Nitrous Controller Data Printed: ") + downloadDate;
}

QString commentLine(const QString& comment) {
    return comment.isEmpty() ? QString() : QStringLiteral("Comment: ") + comment;
}

QString headingFontFamily(const QStringList& installedFamilies) {
    for (const QString& family : installedFamilies) {
        if (family.compare(kPreferredFont, Qt::CaseInsensitive) == 0) {
            return family;
        }
    }
    return kFallbackFont;
}

}  // namespace tarvik::print_page
