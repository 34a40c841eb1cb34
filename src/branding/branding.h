#pragma once

#include <QStringList>

namespace tarvik {

/// The brand texts of the branding file: SplashLines (company name, font name, font size, font
/// style, logo file) and BrandLines (brand name first, then the About box lines).
struct Branding {
    QStringList SplashLines;
    QStringList BrandLines;

    /// What the program uses when there is no branding file.
    static Branding defaults();

    /// The brand name (BrandLines line 1), or "" when there are no brand lines.
    QString brandName() const { return BrandLines.isEmpty() ? QString() : BrandLines.first(); }
};

}  // namespace tarvik
