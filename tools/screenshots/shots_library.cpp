// The Pass Library window over a made-up season of about forty passes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include "../../tests/support/pass_logs.h"
#include "library/frm_library.h"
#include "library/library_model.h"
#include "library/pass_library.h"
#include "logdata/log_file_writer.h"
#include "platform/qt_user_dialogs.h"
#include "shots.h"

namespace tarvik::shots {

namespace {

struct Pass {
    const char* track;
    const char* tags;
    const char* notes;
};

const Pass kPasses[] = {
    {"Kauhava", "slicks, 75 shot", "best of the day"},  {"Kauhava", "slicks, 75 shot", ""},
    {"Kauhava", "slicks, 100 shot", "spun at the hit"}, {"Alastaro", "street tyres", ""},
    {"Alastaro", "street tyres, dry", "new plugs"},     {"Alastaro", "slicks", ""},
    {"Kemora", "slicks, 75 shot", "headwind"},          {"Kemora", "", ""},
};

void writeLog(const QString& path, const DataBuffer& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        LogFileWriter(f).writeAll(data, QStringLiteral("Orvenna"));
    }
}

}  // namespace

void libraryShots() {
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString downloads = data + QStringLiteral("/downloads");
    QDir().mkpath(downloads);
    QDir().mkpath(data + QStringLiteral("/recordings"));
    QStringList paths;
    for (int i = 0; i < 40; ++i) {
        test::Run run;
        run.start = 4.0 + (i % 5);
        run.accel = 6.5 + (i * 37 % 30) / 10.0;
        run.pull = 10.0 + (i % 4);
        run.stageOn = i % 3 == 0 ? -1 : 0.4;
        run.stageFor = 3.0;
        run.stage2 = i % 2 == 0;
        std::vector<test::Run> runs{run};
        if (i % 6 == 0) {
            test::Run second = run;
            second.start = 70.0;
            second.accel = run.accel - 0.8;
            runs.push_back(second);
        }
        if (i % 13 == 7) {
            runs = {test::Run{5.0, 2.0, 20.0}};  // a slow roll: no launch
        }
        auto log = test::passLog(i % 4 == 0 ? 0.112F : 0.125F, runs);
        const QDateTime when = QDateTime(QDate(2026, 4, 12), QTime(10, 5, 0))
                                   .addDays(i / 3 * 4)
                                   .addSecs((i % 3) * 1800 + i * 7);
        log->downloadDate = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        log->comment = i % 4 == 1 ? QStringLiteral("6\" slicks, 75 shot") : QStringLiteral(" ");
        if (i % 9 == 4) {
            log->firmwareId = QStringLiteral("QX-1 V3.0");
            log->controllerVersion = QStringLiteral("QX-1");
        }
        const QString path = downloads + when.toString(QStringLiteral("/yyyy-MM-dd_HH-mm-ss_")) +
                             log->controllerVersion + QStringLiteral(".log");
        writeLog(path, *log);
        paths << path;
    }
    // One pass copied elsewhere under another name, and a file that is not a log.
    QFile::copy(paths.at(3), data + QStringLiteral("/downloads/copy of a pass.log"));
    QFile bad(data + QStringLiteral("/downloads/notes.log"));
    if (bad.open(QIODevice::WriteOnly)) {
        bad.write("\x01\x02\x03 not a log", 14);
    }

    QtUserDialogs dialogs;
    PassLibrary library({data, downloads, data + QStringLiteral("/recordings")}, dialogs);
    library.open();
    library.indexer().runToEnd();
    LibraryModel& model = library.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        const Pass& p = kPasses[static_cast<std::size_t>(row) % std::size(kPasses)];
        model.setData(model.index(row, static_cast<int>(LibraryColumn::Track)),
                      QString::fromUtf8(p.track));
        model.setData(model.index(row, static_cast<int>(LibraryColumn::Tags)),
                      QString::fromUtf8(p.tags));
        model.setData(model.index(row, static_cast<int>(LibraryColumn::Notes)),
                      QString::fromUtf8(p.notes));
    }
    // A pass whose file has gone: grey, waiting to be located.
    QFile::remove(paths.at(30));
    library.refresh();
    library.indexer().runToEnd();

    FrmLibrary window({library, dialogs, {}, {}, [] { return true; }});
    window.resize(1500, 820);
    window.show();
    window.selectEntry(model.entryAt(2)->id);
    QApplication::processEvents();
    save(window, QStringLiteral("library_window"));

    window.findChild<QLineEdit*>(QStringLiteral("txtFilter"))
        ->setText(QStringLiteral("kauhava 60ft<2.2"));
    window.table().sortByColumn(static_cast<int>(LibraryColumn::QuarterMile), Qt::AscendingOrder);
    QApplication::processEvents();
    save(window, QStringLiteral("library_window_filtered"));
}

}  // namespace tarvik::shots
