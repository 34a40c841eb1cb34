#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "library/library_model.h"
#include "library/pass_library.h"
#include "logdata/log_file_writer.h"
#include "pass_logs.h"
#include "scripted_dialogs.h"

namespace tarvik::test {

/// Writes a data set as the program writes a log file.
inline void writeLogFile(const QString& path, const DataBuffer& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    LogFileWriter(f).writeAll(data, QStringLiteral("Orvenna"));
}

/// A made-up log with one run starting at `start` s, logged every 0.125 s, pulling at
/// `accel` m/s², with its own comment and download date.
inline std::shared_ptr<DataBuffer> strip(
    double start = 5.0, double accel = 8.0, const QString& comment = QStringLiteral("test"),
    const QString& date = QStringLiteral("2026-05-03 14:02:11")) {
    Run r;
    r.start = start;
    r.accel = accel;
    auto data = passLog(0.125F, {r});
    data->comment = comment;
    data->downloadDate = date;
    return data;
}

/// A data folder with downloads/ and recordings/, a library over it and scripted dialogs.
struct LibraryHarness {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<PassLibrary> library;

    LibraryHarness() { make(); }
    QString data() const { return dir.filePath(QStringLiteral("data")); }
    QString downloads() const { return dir.filePath(QStringLiteral("data/downloads")); }
    QString recordings() const { return dir.filePath(QStringLiteral("data/recordings")); }
    QString file(const QString& name) const { return dir.filePath(name); }
    LibraryPlaces places() const { return {data(), downloads(), recordings()}; }
    /// A fresh library object over the same folders (the program started again).
    void make() {
        library.reset();
        library = std::make_unique<PassLibrary>(places(), dialogs);
    }
    /// Runs the queued work to its end, as the event loop would.
    void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            library->indexer().runToEnd();
        }
    }
    void openAndSettle() {
        library->open();
        settle();
    }
    LibraryModel& model() { return library->model(); }
    const LibraryEntry* entry(const QString& path) {
        return model().entryForPath(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    }
};

#define LIBRARY_DIALOGS_OK(h) QVERIFY2((h).dialogs.ok(), qPrintable((h).dialogs.report()))

}  // namespace tarvik::test
