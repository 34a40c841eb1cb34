#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

/// The chart's printed page. Text positions are in twips (1/1440 inch), as the page is laid out
/// whatever the printer's resolution; the chart image is placed in printer pixels.
namespace print_page {

/// The heading is printed this far below the top of the page.
inline constexpr double kTextTopTwips = 500;
/// The chart image leaves this much room at the left of the page.
inline constexpr double kImageLeftTwips = 1000;
/// The heading is the page's title; the comment and the read-outs are body text.
inline constexpr int kHeadingPoints = 14;
inline constexpr int kTextPoints = 10;
/// Room between the text and the chart's plot below it.
inline constexpr double kTextGapTwips = 120;
/// The text lines' font: the first when installed, else the second.
inline const QString kPreferredFont = QStringLiteral("Monospac821 BT");
inline const QString kFallbackFont = QStringLiteral("Courier New");

/// Where the chart image goes, in printer pixels.
struct ImageRect {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

/// The image rectangle of a page of the given size in twips on a printer with the given twips
/// per pixel: from the top, 1000 twips in from the left, to the right and bottom edges; each
/// value rounded with ties to even. A printer that reports no resolution, or a page whose
/// numbers do not fit, is reported as an error, never turned into a nonsense rectangle.
ImageRect imageRect(double pageWidthTwips, double pageHeightTwips, double twipsPerPixelX,
                    double twipsPerPixelY);

/// The heading: the brand name, " Nitrous Controller Data Printed: " and the download date.
QString headingLine(const QString& brandName, const QString& downloadDate);
/// The comment line, or "" when there is no comment (and so no line).
QString commentLine(const QString& comment);

/// The heading font out of the installed families: kPreferredFont when the list holds it in any
/// case (named as installed), else kFallbackFont.
QString headingFontFamily(const QStringList& installedFamilies);

}  // namespace print_page
}  // namespace tarvik
