#pragma once

// Reads printed PDF files back with the poppler tools, as a person checking the printout would.
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace tarvik::test {

/// Runs a poppler tool and returns what it printed; a null string when the tool is missing or
/// fails (the tests then fail with the reason in `error`).
inline QString runPdfTool(const QString& tool, const QStringList& args, QString* error = nullptr) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error != nullptr) {
            *error = tool +
                     QStringLiteral(" failed (install poppler-utils with scripts/install-deps): ") +
                     p.errorString() + u' ' + QString::fromLocal8Bit(p.readAllStandardError());
        }
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

/// The page's text in reading order ("-layout" keeps each printed line on one line).
inline QString pdfText(const QString& path, QString* error = nullptr) {
    return runPdfTool(QStringLiteral("pdftotext"),
                      {QStringLiteral("-layout"), path, QStringLiteral("-")}, error);
}

/// A word of a printed page and its box, in points from the page's top left corner.
struct PdfWord {
    QString text;
    QRectF box;
};

/// The page's words with their boxes, as pdftotext -bbox reads them.
inline QList<PdfWord> pdfWords(const QString& path, QString* error = nullptr) {
    const QString html = runPdfTool(QStringLiteral("pdftotext"),
                                    {QStringLiteral("-bbox"), path, QStringLiteral("-")}, error);
    QList<PdfWord> words;
    static const QRegularExpression re(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">"
        "([^<]*)</word>"));
    auto it = re.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.append({m.captured(5), QRectF(topLeft, bottomRight)});
    }
    return words;
}

/// pdfinfo's "Key: value" lines as a map.
struct PdfInfo {
    int pages = 0;
    double widthPt = 0;
    double heightPt = 0;
};
inline PdfInfo pdfInfo(const QString& path, QString* error = nullptr) {
    PdfInfo info;
    const QString out = runPdfTool(QStringLiteral("pdfinfo"), {path}, error);
    const auto pages =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(out);
    if (pages.hasMatch()) {
        info.pages = pages.captured(1).toInt();
    }
    const auto size = QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                         QRegularExpression::MultilineOption)
                          .match(out);
    if (size.hasMatch()) {
        info.widthPt = size.captured(1).toDouble();
        info.heightPt = size.captured(2).toDouble();
    }
    return info;
}

}  // namespace tarvik::test
