#pragma once

// Reads printed PDF files back with the poppler tools, as a person checking the printout would.
#include <QProcess>
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
