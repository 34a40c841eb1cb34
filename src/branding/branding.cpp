#include "branding/branding.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include "common/number_parse.h"
#include "common/windows_1252.h"

namespace tarvik {

Branding Branding::defaults() {
    Branding b;
    b.splashLines = {QStringLiteral("Orvenna"), QStringLiteral("Arial"), QStringLiteral("28"),
                     QStringLiteral("bold italic"), QStringLiteral("Orvenna_Logo.gif")};
    b.brandLines = {QStringLiteral("Orvenna"),
                    QStringLiteral("Orvenna Performance Electronics Ltd."),
                    QStringLiteral("1480 Foundry Road, Unit 7"),
                    QStringLiteral("Harlow Springs, OR 97420"),
                    QStringLiteral("Tel. (541) 555-0187"),
                    QStringLiteral("www.orvenna.example")};
    return b;
}

QString BrandingRead::describeProblems() const {
    QStringList texts;
    for (BrandingProblem p : problems) {
        switch (p) {
            case BrandingProblem::TooLarge:
                texts << QStringLiteral(
                             "The branding file %1 is larger than 1 MB; only its "
                             "first 1 MB was read.")
                             .arg(kBrandingFileName);
                break;
            case BrandingProblem::NoSeparator:
                texts << QStringLiteral(
                             "The branding file %1 ends before its first \"!\" "
                             "separator line.")
                             .arg(kBrandingFileName);
                break;
            case BrandingProblem::TooFewSplashLines:
                texts << QStringLiteral(
                             "The first section of the branding file %1 has %2; it "
                             "needs five: company name, font name, font size, font "
                             "style and logo file.")
                             .arg(kBrandingFileName,
                                  splashLineCount == 1
                                      ? QStringLiteral("1 line")
                                      : QStringLiteral("%1 lines").arg(splashLineCount));
                break;
        }
    }
    return texts.join(QStringLiteral("\r\n"));
}

QString missingSplashLineText(qsizetype line, qsizetype linesInSection) {
    static const char* const kWhat[kSplashLinesUsed] = {
        "the company name", "the font name", "the font size", "the font style", "the logo file"};
    const QString what = line >= 1 && line <= kSplashLinesUsed ? QLatin1String(kWhat[line - 1])
                                                               : QStringLiteral("a line");
    return QStringLiteral(
               "The first section of the branding file %1 has %2; line %3, %4, is "
               "missing.")
        .arg(kBrandingFileName, linesInSection == 1
                                    ? QStringLiteral("1 line")
                                    : QStringLiteral("%1 lines").arg(linesInSection))
        .arg(line)
        .arg(what);
}

namespace {

enum class Section { Header, Splash, Brand, Done };

// Drops the byte order mark an editor that marks UTF-8 puts first; without this the first
// "!" would not be seen. Returns whether the file is UTF-8.
bool dropUtf8Mark(QByteArrayView& data) {
    if (!data.startsWith("\xEF\xBB\xBF")) {
        return false;
    }
    data = data.sliced(3);
    return true;
}

// The next line from pos (LF, CR LF or a lone CR ends it), cut to the longest line kept; pos
// moves past its end.
QByteArrayView nextLine(QByteArrayView data, qsizetype& pos) {
    const qsizetype size = data.size();
    qsizetype end = pos;
    while (end < size && data[end] != '\n' && data[end] != '\r') {
        ++end;
    }
    const QByteArrayView raw =
        data.sliced(pos, std::min(end - pos, branding_limits::kMaxLineChars));
    pos = end;
    if (pos < size) {
        const bool cr = data[pos] == '\r';
        ++pos;
        if (cr && pos < size && data[pos] == '\n') {
            ++pos;
        }
    }
    return raw;
}

// Sorts the file's lines into their sections: header lines starting with "!", the splash
// lines up to the next "!" line, then the brand lines up to the one after.
struct LineSorter {
    BrandingRead& result;
    bool utf8 = false;
    Section section = Section::Header;
    qsizetype brandLineCount = 0;

    void take(QByteArrayView raw) {
        using branding_limits::kMaxLinesKept;
        const bool separator = !raw.isEmpty() && raw[0] == '!';
        auto text = [&] { return utf8 ? QString::fromUtf8(raw) : fromWindows1252(raw); };
        switch (section) {
            case Section::Header:
                if (separator) {
                    break;
                }
                section = Section::Splash;
                [[fallthrough]];
            case Section::Splash:
                if (separator) {
                    section = Section::Brand;
                    break;
                }
                if (result.splashLineCount++ < kMaxLinesKept) {
                    result.branding.splashLines << text();
                }
                break;
            case Section::Brand:
                if (separator) {
                    section = Section::Done;
                    break;
                }
                if (brandLineCount++ < kMaxLinesKept) {
                    result.branding.brandLines << text();
                }
                break;
            case Section::Done:
                break;
        }
    }
};

BrandingRead parseBytes(QByteArrayView data, bool moreBeyond) {
    BrandingRead result;
    LineSorter sorter{result};
    sorter.utf8 = dropUtf8Mark(data);
    if (moreBeyond) {
        // The last line was cut by the size limit: it is not a line of the file.
        const qsizetype lastEnd = std::max(data.lastIndexOf('\n'), data.lastIndexOf('\r'));
        data = data.first(lastEnd + 1);
    }
    qsizetype pos = 0;
    while (pos < data.size() && sorter.section != Section::Done) {
        sorter.take(nextLine(data, pos));
    }

    if (moreBeyond && sorter.section != Section::Done) {
        result.problems << BrandingProblem::TooLarge;
    }
    if (sorter.section == Section::Header || sorter.section == Section::Splash) {
        result.problems << BrandingProblem::NoSeparator;
    }
    if (result.splashLineCount < kSplashLinesUsed) {
        result.problems << BrandingProblem::TooFewSplashLines;
    }
    return result;
}

}  // namespace

BrandingRead parseBranding(const QByteArray& bytes) {
    const bool tooLarge = bytes.size() > branding_limits::kMaxFileBytes;
    return parseBytes(
        QByteArrayView(bytes).first(std::min(bytes.size(), branding_limits::kMaxFileBytes)),
        tooLarge);
}

BrandingRead parseBranding(QIODevice& device) {
    // One byte past the limit tells a file that is too large from one that just fits.
    const QByteArray bytes = device.read(branding_limits::kMaxFileBytes + 1);
    return parseBranding(bytes);
}

double brandingFontSize(const QString& line) {
    return leadingNumber(line);
}

bool brandingBold(const QString& line) {
    return line.contains(QLatin1String("bold"), Qt::CaseInsensitive);
}

bool brandingItalic(const QString& line) {
    return line.contains(QLatin1String("italic"), Qt::CaseInsensitive);
}

bool brandingNoLogo(const QString& line) {
    return line.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
}

LogoLookup findLogoFile(const QString& name, const QStringList& folders) {
    if (name.isEmpty()) {
        return {};
    }
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(name));
    if (QDir::isAbsolutePath(clean) || clean == QLatin1String("..") ||
        clean.startsWith(QLatin1String("../")) || QFileInfo(clean).isAbsolute() ||
        (clean.size() >= 2 && clean[1] == u':')) {
        return {LogoLookup::Outside, QString()};
    }
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(clean);
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        // Links are followed before the check, so one pointing out of the folder is refused.
        const QString root = QFileInfo(folder).canonicalFilePath();
        const QString real = QFileInfo(path).canonicalFilePath();
        if (root.isEmpty() || !real.startsWith(root + u'/')) {
            return {LogoLookup::Outside, QString()};
        }
        return {LogoLookup::Found, path};
    }
    return {};
}

}  // namespace tarvik
