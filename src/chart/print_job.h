#pragma once

#include <QPainter>
#include <QPrinter>
#include <QString>

namespace tarvik {

/// One printed document, on a printer of its own set up as `setup` (the printer set-up that
/// Print Setup edits) says: printer or file, paper, orientation, colour, copies. The set-up
/// itself is never printed on, so a print that fails to start (which leaves Qt's printer object
/// refusing any later change) cannot spoil a choice made in Print Setup afterwards.
///
/// A page for a file is written beside it under another name and takes the file's place only
/// when it is complete: a print that fails, at its start or part-way, leaves a file that was
/// there before exactly as it was, and leaves no half-written document behind.
class PrintJob {
public:
    explicit PrintJob(const QPrinter& setup);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    /// The job's printer: its page may still be changed (orientation) before begin().
    QPrinter& printer() { return printer_; }
    /// The file the page is for, "" when it goes to a printer.
    const QString& targetFile() const { return target_; }
    /// Whether begin() was called: a job is good for one try only.
    bool tried() const { return tried_; }

    /// Starts the document. Throws AppError (source "Printer") saying why the printer would
    /// not take it.
    QPainter& begin();
    /// Ends the document, which sends the page to the printer or puts the file in its place.
    /// Throws AppError when that fails.
    void finish();

private:
    QPrinter printer_;
    QPainter painter_;
    QString target_;
    QString partFile_;
    bool tried_ = false;
};

}  // namespace tarvik
