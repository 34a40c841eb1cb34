#include "chart/print_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

#include "core/app_error.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Printer");

AppError printerError(const QString& what) {
    return AppError(AppError::kPrinterError, kSource, QStringLiteral("Printer error: ") + what);
}

/// Why the printer would not take the page, as plainly as the printer object can tell.
/// `target` is the file the page was to go to ("" when it was for a printer).
AppError notStarted(const QPrinter& printer, const QString& target) {
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat || !target.isEmpty();
    if (toFile ? target.isEmpty() : printer.printerName().isEmpty()) {
        return printerError(QStringLiteral(
            "no printer is installed. Choose a printer, or printing to a PDF file, with File > "
            "Print Setup."));
    }
    if (toFile) {
        return printerError(QStringLiteral("the file \"%1\" could not be written.").arg(target));
    }
    return printerError(
        QStringLiteral("printing could not start on \"%1\".").arg(printer.printerName()));
}

std::filesystem::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

/// A name for the page while it is being written: in the same folder as the file it is for (so
/// that it can take the file's place in one step), not used by any file there now.
QString partFileName(const QString& target) {
    const QFileInfo info(target);
    for (;;) {
        const QString tag = QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                                     QLatin1Char('0'));
        const QString name =
            info.dir().filePath(u'.' + info.fileName() + u'.' + tag + QStringLiteral(".part"));
        if (!QFileInfo::exists(name)) {
            return name;
        }
    }
}

}  // namespace

PrintJob::PrintJob(const QPrinter& setup)
    : printer_(QPrinter::HighResolution), target_(setup.outputFileName()) {
    printer_.setOutputFormat(setup.outputFormat());
    if (setup.outputFormat() == QPrinter::NativeFormat) {
        printer_.setPrinterName(setup.printerName());
    }
    // An empty file name would switch the printer back to the native format.
    printer_.setOutputFileName(target_);
    printer_.setOutputFormat(setup.outputFormat());
    printer_.setPageLayout(setup.pageLayout());
    printer_.setColorMode(setup.colorMode());
    printer_.setDuplex(setup.duplex());
    printer_.setCopyCount(setup.copyCount());
    printer_.setCollateCopies(setup.collateCopies());
    printer_.setFullPage(setup.fullPage());
    printer_.setDocName(QStringLiteral("Nitrous Controller Chart"));
}

PrintJob::~PrintJob() {
    if (painter_.isActive()) {
        // Stopped part-way: a PDF cannot be aborted, so it is ended and then taken away.
        printer_.abort();
        painter_.end();
    }
    if (!partFile_.isEmpty()) {
        QFile::remove(partFile_);
    }
}

QPainter& PrintJob::begin() {
    tried_ = true;
    if (!target_.isEmpty()) {
        partFile_ = partFileName(target_);
        printer_.setOutputFileName(partFile_);
    }
    if (!painter_.begin(&printer_)) {
        throw notStarted(printer_, target_);
    }
    return painter_;
}

void PrintJob::finish() {
    if (!painter_.end()) {
        throw notStarted(printer_, target_);
    }
    if (partFile_.isEmpty()) {
        return;
    }
    // Takes the place of any file of that name in one step.
    std::error_code failed;
    std::filesystem::rename(nativePath(partFile_), nativePath(target_), failed);
    if (failed) {
        QFile::remove(partFile_);
        partFile_.clear();
        throw printerError(QStringLiteral("the file \"%1\" could not be written: %2")
                               .arg(target_, QString::fromLocal8Bit(failed.message())));
    }
    partFile_.clear();
}

}  // namespace tarvik
