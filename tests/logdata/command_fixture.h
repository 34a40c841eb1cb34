#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "logdata/data_buffer.h"
#include "logdata/log_data_context.h"
#include "scripted_dialogs.h"

namespace tarvik::test {

/// The main window's side of the data-set commands, recorded for the tests.
struct CommandFixture {
    static inline const QString kBase = QStringLiteral("Nitrous Data Logging Program Version 2.0");
    static inline const QString kFilter =
        QStringLiteral("Nitrous Controller log files (*.log)|*.log");

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DataBuffer buffer;
    QString caption = QStringLiteral("untouched");
    bool abortRequested = false;
    int charts = 0;
    int yields = 0;
    std::function<void(int)> onYield;
    LogDataContext ctx{buffer,
                       dialogs,
                       kBase,
                       QStringLiteral("Orvenna"),
                       [this] { return abortRequested; },
                       [this](bool on) { abortRequested = on; },
                       [this] {
                           ++yields;
                           if (onYield) {
                               onYield(yields);
                           }
                       },
                       [this](const QString& c) { caption = c; },
                       [this] { ++charts; },
                       {},
                       {}};

    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray read(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& p, const QByteArray& bytes) {
        QFile f(p);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

}  // namespace tarvik::test
