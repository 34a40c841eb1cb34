#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QIODevice;

namespace tarvik {

/// The brand texts of the branding file: SplashLines (company name, font name, font size, font
/// style, logo file) and BrandLines (brand name first, then the About box lines).
struct Branding {
    QStringList splashLines;
    QStringList brandLines;

    /// What the program uses when there is no branding file.
    static Branding defaults();

    /// The brand name (BrandLines line 1), or "" when there are no brand lines.
    QString brandName() const { return brandLines.isEmpty() ? QString() : brandLines.first(); }
};

/// The name of the branding file in the program's folder.
inline const QString kBrandingFileName = QStringLiteral("Tarvik.cfg");

/// What can be wrong with a branding file. The lists are filled as far as the file goes even
/// when something is wrong.
enum class BrandingProblem {
    /// The file stops before the "!" line that closes the splash section.
    NoSeparator,
    /// The splash section has fewer than the five lines the splash uses.
    TooFewSplashLines,
    /// The file is far larger than any branding file; only its beginning was read.
    TooLarge,
};

/// The splash's message for a line of the first section that the file does not have (line is
/// 1 to 5: company name, font name, font size, font style, logo file).
QString missingSplashLineText(qsizetype line, qsizetype linesInSection);

/// The outcome of reading a branding file.
struct BrandingRead {
    Branding branding;
    QList<BrandingProblem> problems;
    /// Lines in the splash section, including those beyond the ones kept.
    qsizetype splashLineCount = 0;

    bool ok() const { return problems.isEmpty(); }
    /// The problems as the error box shows them, one sentence each, joined with CR LF.
    QString describeProblems() const;
};

/// Limits that keep a damaged or hostile file from taking the program's memory or time.
namespace branding_limits {
/// Bytes read from the file at most; a real branding file is a few hundred bytes.
inline constexpr qsizetype kMaxFileBytes = 1024 * 1024;
/// A longer line is cut to this many characters.
inline constexpr qsizetype kMaxLineChars = 64 * 1024;
/// Lines kept in each list; further lines are counted and dropped.
inline constexpr qsizetype kMaxLinesKept = 100;
}  // namespace branding_limits

/// The number of splash lines the splash applies (company name to logo file).
inline constexpr qsizetype kSplashLinesUsed = 5;

/// Reads a branding file's bytes: lines beginning with "!" before the first section are
/// skipped; the splash section runs up to the next "!" line (required, consumed); the brand
/// section runs up to the next "!" line or the end; the rest is not read. Only a line's first
/// character makes it a separator, and an empty line is an ordinary (empty) item. The text is
/// 8-bit Windows text (Windows-1252) unless it starts with a UTF-8 byte-order mark. Lines end at
/// LF, CR LF or CR.
BrandingRead parseBranding(const QByteArray& bytes);

/// Reads at most kMaxFileBytes (and one byte more, to tell a file that is too large) from the
/// device and parses them as above.
BrandingRead parseBranding(QIODevice& device);

/// The splash's reading of the font size line: the leading numeric value, a text that does
/// not start with a number counting as 0.
double brandingFontSize(const QString& line);
/// Bold and italic of the style line: whether it contains "bold" / "italic", in any case.
bool brandingBold(const QString& line);
bool brandingItalic(const QString& line);
/// Whether the logo line says "no logo" ("NULL" in any case).
bool brandingNoLogo(const QString& line);

/// Where the logo named by the branding file is.
struct LogoLookup {
    enum Place { Found, NotFound, Outside };
    Place place = NotFound;
    /// The file, when found.
    QString path;
};

/// Looks for the logo `name` in each folder in turn. The logo must lie inside the folder it is
/// found in (or a folder within it): an absolute path, a path climbing out with "..", or a link
/// leading out of the folder is Outside, so the branding file cannot make the program read any
/// file on the machine.
LogoLookup findLogoFile(const QString& name, const QStringList& folders);

}  // namespace tarvik
