// The pass library without its window: the rows and figures of a folder of made-up logs (the
// figures those of `tarvik --report` for each file), filtering and sorting through the model,
// the user's fields through a rebuild, the damaged, later-version, in-use and read-only
// libraries, a moved file found again by its content, the files that are not logs, a full disk,
// and the list exported as CSV and read back by Python's csv module.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "library/library_database.h"
#include "library/log_index.h"
#include "library/pass_picture.h"
#include "library_fixture.h"
#include "logdata/download_command.h"
#include "watchdog.h"

using namespace tarvik;
using test::LibraryHarness;
using test::passLog;
using test::Run;
using test::strip;
using test::writeLogFile;

Q_DECLARE_METATYPE(LibraryColumn)
Q_DECLARE_METATYPE(Qt::SortOrder)

namespace {

const QDateTime kStamp(QDate(2026, 12, 8), QTime(14, 3, 22));
const QString kDamagedName = QStringLiteral("library.sqlite.damaged-20261208-140322");

// --- the report as the program prints it ---------------------------------------------------

QList<QStringList> reportLines(const QString& path) {
    QProcess p;
    p.start(QStringLiteral(TARVIK_PROGRAM), {QStringLiteral("--report"), path});
    if (!p.waitForFinished(30000)) {
        return {};
    }
    QList<QStringList> lines;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty()) {
            lines << QString::fromLatin1(line.trimmed()).split(u',');
        }
    }
    return lines;
}

// The best launch of a report, read from its text: shortest 1/4 mile, else 1/8 mile, else 60 ft.
int bestLine(const QList<QStringList>& lines) {
    for (const char* mark : {"1/4 mile", "1/8 mile", "60 ft"}) {
        const qsizetype c = lines.at(0).indexOf(QLatin1String(mark));
        int best = -1;
        for (int i = 1; i < lines.size(); ++i) {
            const QString f = lines.at(i).at(c);
            if (!f.isEmpty() && (best < 0 || f.toDouble() < lines.at(best).at(c).toDouble())) {
                best = i;
            }
        }
        if (best > 0) {
            return best;
        }
    }
    return -1;
}

// --- made-up entries for the model ---------------------------------------------------------

LibraryEntry made(qint64 id, const QString& when, PassKind kind, const QString& model,
                  const QString& comment, const QString& track, const QString& tags,
                  const QString& notes, int launches,
                  std::array<std::optional<double>, kFigureCount> figures, const QByteArray& sha) {
    LibraryEntry e;
    e.id = id;
    e.path = QStringLiteral("/runs/pass %1.log").arg(id);
    e.when = QDateTime::fromString(when, Qt::ISODate);
    e.kind = kind;
    e.model = model;
    e.firmware = model + QStringLiteral(" V4.1");
    e.comment = comment;
    e.track = track;
    e.tags = tags;
    e.notes = notes;
    e.launches = launches;
    e.figures = figures;
    e.sha256 = sha;
    return e;
}

std::vector<LibraryEntry> fourPasses() {
    const auto none = std::nullopt;
    return {
        made(1, QStringLiteral("2026-05-01T10:00:00"), PassKind::Download, QStringLiteral("QX-2"),
             QStringLiteral("slicks"), QStringLiteral("Kauhava"), QStringLiteral("wet"), QString(),
             2, {2.05, 7.1, 11.2, 3.4, 7200, 120}, "aa"),
        made(2, QStringLiteral("2026-05-02T10:00:00"), PassKind::Recording, QStringLiteral("QX-1"),
             QStringLiteral("street tyres"), QStringLiteral("Alastaro"), QStringLiteral("dry"),
             QString(), 1, {2.2, 7.5, none, 3.9, 6800, 95}, "bb"),
        made(3, QStringLiteral("2026-04-30T10:00:00"), PassKind::File, QStringLiteral("Unknown"),
             QString(), QString(), QString(), QStringLiteral("blew a hose"), 0,
             {none, none, none, none, none, none}, "cc"),
        made(4, QStringLiteral("2026-05-03T10:00:00"), PassKind::Download, QStringLiteral("QX-2"),
             QStringLiteral("slicks, 75 shot"), QStringLiteral("Kauhava"), QStringLiteral("dry"),
             QString(), 1, {2.0996, none, 10.9, none, 7600, 130}, "aa"),
    };
}

QList<qint64> shownIds(const LibraryModel& model) {
    QList<qint64> ids;
    for (int r = 0; r < model.rowCount(); ++r) {
        ids << model.entryAt(r)->id;
    }
    return ids;
}

int column(LibraryColumn c) {
    return static_cast<int>(c);
}

// --- damaging a library --------------------------------------------------------------------

void overwrite(const QString& path, const QByteArray& bytes, qint64 at = 0) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(at));
    QCOMPARE(f.write(bytes), bytes.size());
}

void makeForeignDatabase(const QString& path) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "foreign");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE contacts (name TEXT)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO contacts VALUES ('someone')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
}

// --- another process on the same library ---------------------------------------------------

struct Probe {
    QProcess process;
    QMap<QString, QString> said;

    /// Starts library_probe; `asNobody` runs it as a user without rights to the folder.
    bool start(const QString& folder, bool hold, bool asNobody = false) {
        QStringList args{folder};
        if (hold) {
            args << QStringLiteral("--hold");
        }
        QString program = QStringLiteral(TARVIK_LIBRARY_PROBE);
        if (asNobody) {
            args.prepend(program);
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups")} +
                   args;
            program = QStringLiteral("setpriv");
        }
        process.start(program, args);
        if (!process.waitForStarted(10000)) {
            return false;
        }
        const QByteArray last = hold ? "holding" : "rows=";
        QByteArray out;
        while (!out.contains(last) && process.waitForReadyRead(20000)) {
            out += process.readAllStandardOutput();
        }
        if (!hold) {
            process.waitForFinished(20000);
            out += process.readAllStandardOutput();
        }
        for (const QByteArray& line : out.split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0) {
                said.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
            }
        }
        return out.contains(last);
    }
    void release() {
        process.closeWriteChannel();
        process.waitForFinished(20000);
    }
};

}  // namespace

class TestPassLibrary : public QObject {
    Q_OBJECT

private slots:
    void figuresEqualTheReport();
    void downloadsAndRecordingsAtFirstOpen();
    void filterNarrows_data();
    void filterNarrows();
    void sortOrders_data();
    void sortOrders();
    void userFieldsSurviveARebuild();
    void damagedLibraryIsSetAside_data();
    void damagedLibraryIsSetAside();
    void emptyFileIsRebuiltWithoutAWord();
    void laterVersionIsRefused();
    void movedFileIsLocatedByItsContent();
    void movedFileIsFoundAgainByItsContent();
    void inUseByAnotherCopy();
    void readOnlyDataFolder_data();
    void readOnlyDataFolder();
    void filesThatAreNotLogsAreSkipped();
    void fullDiskKeepsTheLibraryWhole();
    void exportReadsBackWithPythonCsv();
    void downloadDates_data();
    void downloadDates();
    void picturePointsSpanTheLaunch();
};

void TestPassLibrary::figuresEqualTheReport() {
    LibraryHarness h;
    const QString folder = h.file(QStringLiteral("season"));
    auto slow = passLog(0.125F, {Run{5.0, 2.0, 20.0}});
    auto twoRuns = passLog(0.125F, {Run{5.0, 8.0}, Run{60.0, 9.0}});
    twoRuns->downloadDate = QStringLiteral("not a date");
    const QString cut = folder + QStringLiteral("/sub/cut short.log");
    writeLogFile(folder + QStringLiteral("/one run.log"), *strip());
    writeLogFile(folder + QStringLiteral("/two runs.log"), *twoRuns);
    writeLogFile(folder + QStringLiteral("/slow.log"), *slow);
    writeLogFile(folder + QStringLiteral("/eighth only.log"), *passLog(0.125F, {Run{5, 3, 12}}));
    writeLogFile(folder + QStringLiteral("/fast logging.log"), *passLog(0.016F, {Run{5.0}}));
    writeLogFile(cut, *strip(3.0));
    QFile(cut).resize(QFileInfo(cut).size() / 3);
    h.openAndSettle();
    h.library->addFolder(folder);
    h.settle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.model().entryCount(), 6);
    QVERIFY(h.library->indexer().skipped().empty());

    int withBest = 0;
    for (int row = 0; row < h.model().rowCount(); ++row) {
        const LibraryEntry* e = h.model().entryAt(row);
        const QList<QStringList> report = reportLines(e->path);
        QVERIFY2(!report.isEmpty(), qPrintable(e->path));
        QCOMPARE(e->launches, report.size() - 1);
        QCOMPARE(e->kind, PassKind::File);
        QCOMPARE(h.model().text(row, LibraryColumn::Launches), QString::number(e->launches));
        const int best = bestLine(report);
        withBest += best > 0 ? 1 : 0;
        for (int f = 0; f < kFigureCount; ++f) {
            const QString heading = figureHeading(static_cast<Figure>(f));
            const QString expected =
                best > 0 ? report.at(best).at(report.at(0).indexOf(heading)) : QString();
            QCOMPARE(
                h.model().text(row, static_cast<LibraryColumn>(column(LibraryColumn::Ft60) + f)),
                expected);
        }
    }
    QCOMPARE(withBest, 5);  // the slow run never launches
    const LibraryEntry* two = h.entry(folder + QStringLiteral("/two runs.log"));
    QVERIFY(two != nullptr);
    QCOMPARE(two->launches, 2);
    // No download date it can read: the file's time.
    QCOMPARE(two->when, QFileInfo(two->path).lastModified());
    QVERIFY(h.entry(cut)->endedEarly);
    QCOMPARE(h.entry(folder + QStringLiteral("/one run.log"))->when,
             QDateTime(QDate(2026, 5, 3), QTime(14, 2, 11)));
}

void TestPassLibrary::downloadsAndRecordingsAtFirstOpen() {
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    auto recording = strip(4.0, 8.0, QStringLiteral("Real-time recording"), QString());
    recording->rows = 400;
    writeLogFile(h.recordings() + QStringLiteral("/2026-05-04_09-00-00_QX-2.log"), *recording);
    // A missing library is made and filled from the two folders without a word.
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.library->access(), LibraryAccess::Writable);
    QVERIFY(QFileInfo::exists(h.data() + QStringLiteral("/library.sqlite")));
    QCOMPARE(h.model().rowCount(), 2);
    // Newest first: the recording (named 09:00 on the 4th, no date in its trailer).
    QCOMPARE(h.model().text(0, LibraryColumn::Kind), QStringLiteral("Recording"));
    QCOMPARE(h.model().text(0, LibraryColumn::Date), QStringLiteral("2026-05-04 09:00:00"));
    QCOMPARE(h.model().text(1, LibraryColumn::Kind), QStringLiteral("Download"));
    QCOMPARE(h.model().text(1, LibraryColumn::Model), QStringLiteral("QX-2"));
    QCOMPARE(h.model().text(1, LibraryColumn::Firmware), QStringLiteral("QX-2 V4.1"));
    QCOMPARE(h.model().text(1, LibraryColumn::Comment), QStringLiteral("test"));
    // A file the program used later is entered as it is told of.
    const QString used = h.file(QStringLiteral("elsewhere/friday.log"));
    writeLogFile(used, *strip(6.0));
    h.library->enterFile(used);
    h.settle();
    QCOMPARE(h.model().rowCount(), 3);
    QCOMPARE(h.entry(used)->kind, PassKind::File);
}

void TestPassLibrary::filterNarrows_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QList<qint64>>("shown");
    QTest::newRow("nothing: all, newest first") << "" << QList<qint64>{4, 2, 1, 3};
    QTest::newRow("a track, any case") << "kauhava" << QList<qint64>{4, 1};
    QTest::newRow("a comment word") << "SLICKS" << QList<qint64>{4, 1};
    QTest::newRow("a phrase with a comma") << "\"slicks, 75\"" << QList<qint64>{4};
    QTest::newRow("two words, both needed") << "kauhava dry" << QList<qint64>{4};
    QTest::newRow("notes") << "hose" << QList<qint64>{3};
    QTest::newRow("the kind") << "recording" << QList<qint64>{2};
    QTest::newRow("the model") << "qx-1" << QList<qint64>{2};
    QTest::newRow("the file name") << "pass 3.log" << QList<qint64>{3};
    QTest::newRow("the date") << "2026-05-02" << QList<qint64>{2};
    // 2.0996 shows as 2.100: the condition is on the figure as shown.
    QTest::newRow("60 ft below") << "60ft<2.1" << QList<qint64>{1};
    QTest::newRow("60 ft at most") << "60ft<=2.1" << QList<qint64>{4, 1};
    QTest::newRow("1/4 mile") << "1/4<11" << QList<qint64>{4};
    QTest::newRow("two conditions") << "rpm>7000 mph>=120" << QList<qint64>{4, 1};
    QTest::newRow("condition and word") << "1/4<12 wet" << QList<qint64>{1};
    QTest::newRow("launches") << "launches>1" << QList<qint64>{1};
    QTest::newRow("no launch") << "launches=0" << QList<qint64>{3};
    QTest::newRow("same content twice") << "copies>1" << QList<qint64>{4, 1};
    QTest::newRow("unknown name: a word") << "speed<3" << QList<qint64>{};
    QTest::newRow("not a number: a word") << "60ft<fast" << QList<qint64>{};
    QTest::newRow("nothing matches") << "zzz" << QList<qint64>{};
}

void TestPassLibrary::filterNarrows() {
    QFETCH(QString, filter);
    QFETCH(QList<qint64>, shown);
    LibraryModel model;
    model.setEntries(fourPasses());
    model.setFilterText(filter);
    QCOMPARE(shownIds(model), shown);
    QCOMPARE(model.rowCount(), shown.size());
    QCOMPARE(model.entryCount(), 4);
}

void TestPassLibrary::sortOrders_data() {
    QTest::addColumn<LibraryColumn>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QList<qint64>>("shown");
    const auto up = Qt::AscendingOrder;
    const auto down = Qt::DescendingOrder;
    QTest::newRow("date up") << LibraryColumn::Date << up << QList<qint64>{3, 1, 2, 4};
    // Ties: newest first whichever the order; empty cells last whichever the order.
    QTest::newRow("track up") << LibraryColumn::Track << up << QList<qint64>{2, 4, 1, 3};
    QTest::newRow("track down") << LibraryColumn::Track << down << QList<qint64>{4, 1, 2, 3};
    QTest::newRow("60 ft up") << LibraryColumn::Ft60 << up << QList<qint64>{1, 4, 2, 3};
    QTest::newRow("60 ft down") << LibraryColumn::Ft60 << down << QList<qint64>{2, 4, 1, 3};
    QTest::newRow("1/4 mile up") << LibraryColumn::QuarterMile << up << QList<qint64>{4, 1, 2, 3};
    QTest::newRow("launches down") << LibraryColumn::Launches << down << QList<qint64>{1, 4, 2, 3};
    QTest::newRow("copies down") << LibraryColumn::Copies << down << QList<qint64>{4, 1, 2, 3};
    QTest::newRow("kind up") << LibraryColumn::Kind << up << QList<qint64>{4, 1, 2, 3};
    QTest::newRow("notes up") << LibraryColumn::Notes << up << QList<qint64>{3, 4, 2, 1};
}

void TestPassLibrary::sortOrders() {
    QFETCH(LibraryColumn, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QList<qint64>, shown);
    LibraryModel model;
    model.setEntries(fourPasses());
    model.sort(static_cast<int>(column), order);
    QCOMPARE(shownIds(model), shown);
    // A filter keeps the order chosen.
    model.setFilterText(QStringLiteral("2026"));
    QCOMPARE(shownIds(model), shown);
}

void TestPassLibrary::userFieldsSurviveARebuild() {
    LibraryHarness h;
    const QString a = h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log");
    const QString b = h.downloads() + QStringLiteral("/2026-05-03_15-00-00_QX-2.log");
    writeLogFile(a, *strip());
    writeLogFile(b, *strip(7.0));
    h.openAndSettle();
    const int row = h.model().rowOf(h.entry(a)->id);
    LibraryModel& m = h.model();
    QVERIFY(m.setData(m.index(row, column(LibraryColumn::Track)), QStringLiteral("Kauhava")));
    QVERIFY(m.setData(m.index(row, column(LibraryColumn::Tags)), QStringLiteral("slicks, dry")));
    QVERIFY(
        m.setData(m.index(row, column(LibraryColumn::Notes)), QStringLiteral("line 1\nline 2")));
    // Read every file again, and the file changed on disk is read again at the next start.
    h.library->rebuild();
    h.settle();
    writeLogFile(a, *strip(6.0, 9.0));
    h.make();
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    const LibraryEntry* e = h.entry(a);
    QVERIFY(e != nullptr);
    QCOMPARE(e->track, QStringLiteral("Kauhava"));
    QCOMPARE(e->tags, QStringLiteral("slicks, dry"));
    QCOMPARE(e->notes, QStringLiteral("line 1\nline 2"));
    QCOMPARE(e->sha256, *fileSha256(a));  // the new content, read again
    QCOMPARE(h.model().entryCount(), 2);
    QVERIFY(h.entry(b)->track.isEmpty());
    // The log files are never written by the library.
    QCOMPARE(QFileInfo(b).lastModified(), QDateTime::fromMSecsSinceEpoch(h.entry(b)->modifiedMs));
}

void TestPassLibrary::damagedLibraryIsSetAside_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("random bytes") << "random"
                                  << "file is not a database";
    QTest::newRow("another program's database") << "foreign"
                                                << "it is not a pass library of this program";
    QTest::newRow("a folder in its place") << "folder"
                                           << "it is a folder, not a database";
    QTest::newRow("integrity check fails") << "pages"
                                           << "its integrity check failed";
    QTest::newRow("its tables are another's") << "tables"
                                              << "its tables are not those of a pass library";
}

void TestPassLibrary::damagedLibraryIsSetAside() {
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    LibraryHarness h;
    for (int i = 0; i < 12; ++i) {
        writeLogFile(h.downloads() +
                         QStringLiteral("/2026-05-03_14-02-%1_QX-2.log").arg(i, 2, 10, QChar('0')),
                     *strip(4.0 + i));
    }
    h.openAndSettle();
    LibraryModel& m = h.model();
    QVERIFY(m.setData(m.index(0, column(LibraryColumn::Track)), QStringLiteral("Kauhava")));
    h.library.reset();
    const QString db = h.data() + QStringLiteral("/library.sqlite");
    if (damage == QLatin1String("random")) {
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        QFile::remove(db);
        overwrite(db, noise);
    } else if (damage == QLatin1String("foreign")) {
        QFile::remove(db);
        makeForeignDatabase(db);
    } else if (damage == QLatin1String("folder")) {
        QFile::remove(db);
        QVERIFY(QDir().mkpath(db + QStringLiteral("/inside")));
    } else if (damage == QLatin1String("tables")) {
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "tables");
            raw.setDatabaseName(db);
            QVERIFY(raw.open());
            QVERIFY(QSqlQuery(raw).exec(QStringLiteral("ALTER TABLE files RENAME TO old_files")));
            raw.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("tables"));
    } else {
        // The cell pointers of the last page point outside it.
        const qint64 lastPage = QFileInfo(db).size() / 4096 - 1;
        QVERIFY(lastPage >= 2);
        overwrite(db, QByteArray(32, '\xee'), lastPage * 4096 + 8);
    }
    const QString aside = h.data() + u'/' + kDamagedName;
    QString told = QStringLiteral(
                       "The pass library could not be read: %1.\r\nIt was renamed to %2 and a new "
                       "library was made from the downloads and recordings folders.")
                       .arg(reason, kDamagedName);
    if (damage != QLatin1String("folder")) {
        told += QStringLiteral("\r\nThe Track, Tags and Notes entered before are in %1.")
                    .arg(QDir::toNativeSeparators(aside));
    }
    h.dialogs.expectMessage(QStringLiteral("Pass Library"), told, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    h.make();
    h.library->setClock([] { return kStamp; });
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QVERIFY(QFileInfo::exists(aside));
    QCOMPARE(h.library->access(), LibraryAccess::Writable);
    QCOMPARE(h.model().entryCount(), 12);  // rebuilt from the downloads folder
    // Told once: the next start finds a sound library.
    h.make();
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.model().entryCount(), 12);
    if (damage == QLatin1String("folder")) {
        QVERIFY(QFileInfo::exists(aside + QStringLiteral("/inside")));
    }
}

void TestPassLibrary::emptyFileIsRebuiltWithoutAWord() {
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    QDir().mkpath(h.data());
    overwrite(h.data() + QStringLiteral("/library.sqlite"), QByteArray());
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.model().entryCount(), 1);
    QCOMPARE(h.library->access(), LibraryAccess::Writable);
}

void TestPassLibrary::laterVersionIsRefused() {
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    h.openAndSettle();
    h.library.reset();
    const QString db = h.data() + QStringLiteral("/library.sqlite");
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "later");
        raw.setDatabaseName(db);
        QVERIFY(raw.open());
        QSqlQuery q(raw);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version=2")));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("later"));
    QFile before(db);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    h.dialogs.expectMessage(
        QStringLiteral("Pass Library"),
        QStringLiteral("The pass library %1 was made by a later version of Tarvik (library version "
                       "2; this version reads version 1).\r\nIt is left as it is, and no pass "
                       "library is kept while this version runs.")
            .arg(QDir::toNativeSeparators(db)),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    h.make();
    h.openAndSettle();
    writeLogFile(h.file(QStringLiteral("new.log")), *strip());
    h.library->enterFile(h.file(QStringLiteral("new.log")));
    h.settle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.library->access(), LibraryAccess::Refused);
    QCOMPARE(h.model().entryCount(), 0);
    QFile after(db);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QVERIFY(!QFileInfo::exists(h.data() + u'/' + kDamagedName));
}

void TestPassLibrary::movedFileIsLocatedByItsContent() {
    LibraryHarness h;
    const QString folder = h.file(QStringLiteral("season"));
    const QString original = folder + QStringLiteral("/run.log");
    const QString other = folder + QStringLiteral("/other.log");
    writeLogFile(original, *strip());
    writeLogFile(other, *strip(8.0));
    h.openAndSettle();
    h.library->addFolder(folder);
    h.settle();
    const qint64 id = h.entry(original)->id;
    LibraryModel& m = h.model();
    QVERIFY(m.setData(m.index(m.rowOf(id), column(LibraryColumn::Notes)), QStringLiteral("PB")));
    const QString moved = h.file(QStringLiteral("usb stick/run renamed.log"));
    QDir().mkpath(QFileInfo(moved).absolutePath());
    QVERIFY(QFile::rename(original, moved));
    h.library->refresh();
    h.settle();
    QVERIFY(m.entry(id)->isGone());
    QVERIFY(m.data(m.index(m.rowOf(id), 0), LibraryModel::GoneRole).toBool());
    // Another pass is not it.
    QString why;
    QVERIFY(!h.library->locate(id, other, why));
    QCOMPARE(why, QStringLiteral("its content is not that of this pass (another log, or the file "
                                 "was changed)"));
    QVERIFY(h.library->locate(id, moved, why));
    QVERIFY(!m.entry(id)->isGone());
    QCOMPARE(m.entry(id)->path, QDir::cleanPath(moved));
    QCOMPARE(m.entry(id)->notes, QStringLiteral("PB"));
    h.make();
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.entry(moved)->notes, QStringLiteral("PB"));
    QCOMPARE(h.model().entryCount(), 2);
}

void TestPassLibrary::movedFileIsFoundAgainByItsContent() {
    LibraryHarness h;
    const QString folder = h.file(QStringLiteral("season"));
    writeLogFile(folder + QStringLiteral("/run.log"), *strip());
    h.openAndSettle();
    h.library->addFolder(folder);
    h.settle();
    const qint64 id = h.entry(folder + QStringLiteral("/run.log"))->id;
    QVERIFY(h.model().setData(h.model().index(0, column(LibraryColumn::Track)),
                              QStringLiteral("Alastaro")));
    QDir().mkpath(folder + QStringLiteral("/may"));
    QVERIFY(QFile::rename(folder + QStringLiteral("/run.log"),
                          folder + QStringLiteral("/may/run 1.log")));
    h.library->refresh();
    h.settle();
    QCOMPARE(h.model().entryCount(), 1);
    const LibraryEntry* e = h.entry(folder + QStringLiteral("/may/run 1.log"));
    QVERIFY(e != nullptr);
    QCOMPARE(e->id, id);
    QCOMPARE(e->track, QStringLiteral("Alastaro"));
    QVERIFY(!e->isGone());
}

void TestPassLibrary::inUseByAnotherCopy() {
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    h.openAndSettle();
    h.library.reset();
    Probe other;
    QVERIFY(other.start(h.data(), true));
    QCOMPARE(other.said.value(QStringLiteral("access")),
             QString::number(static_cast<int>(LibraryAccess::Writable)));
    h.dialogs.expectMessage(QStringLiteral("Pass Library"),
                            QStringLiteral("The pass library is in use by another copy of Tarvik."
                                           "\r\nIt is shown as it is: Track, Tags and Notes "
                                           "cannot be changed here, and files used here are not "
                                           "entered."),
                            MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    h.make();
    h.openAndSettle();
    LIBRARY_DIALOGS_OK(h);
    QCOMPARE(h.library->access(), LibraryAccess::ReadOnly);
    QCOMPARE(h.model().entryCount(), 1);
    const QModelIndex track = h.model().index(0, column(LibraryColumn::Track));
    QVERIFY(!(h.model().flags(track) & Qt::ItemIsEditable));
    QVERIFY(!h.model().setData(track, QStringLiteral("x")));
    writeLogFile(h.file(QStringLiteral("new.log")), *strip());
    h.library->enterFile(h.file(QStringLiteral("new.log")));
    h.settle();
    QCOMPARE(h.model().entryCount(), 1);
    QVERIFY(h.library->stateText().startsWith(QStringLiteral("Read-only.")));
    // This copy, started first, is the one that keeps it; the other sees it in use.
    other.release();
    h.make();
    h.openAndSettle();
    QCOMPARE(h.library->access(), LibraryAccess::Writable);
    Probe second;
    QVERIFY(second.start(h.data(), false));
    QCOMPARE(second.said.value(QStringLiteral("access")),
             QString::number(static_cast<int>(LibraryAccess::ReadOnly)));
    QCOMPARE(second.said.value(QStringLiteral("rows")), QStringLiteral("1"));
    LIBRARY_DIALOGS_OK(h);
}

void TestPassLibrary::readOnlyDataFolder_data() {
    QTest::addColumn<bool>("libraryExists");
    QTest::addColumn<LibraryAccess>("access");
    QTest::addColumn<QString>("rows");
    QTest::newRow("library there: shown read-only") << true << LibraryAccess::ReadOnly << "1";
    QTest::newRow("no library: listed for this run") << false << LibraryAccess::Memory << "0";
}

void TestPassLibrary::readOnlyDataFolder() {
#ifdef Q_OS_UNIX
    QFETCH(bool, libraryExists);
    QFETCH(LibraryAccess, access);
    QFETCH(QString, rows);
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    if (libraryExists) {
        h.openAndSettle();
    }
    h.library.reset();
    // Readable by all, writable by no one but its owner; run as another user when this test
    // has rights that write anywhere.
    const bool root = ::geteuid() == 0;
    if (root && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
        QSKIP("running with rights that write anywhere, and no setpriv to drop them");
    }
    ::chmod(QFile::encodeName(h.dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(h.data()).constData(), root ? 0755 : 0555);
    Probe probe;
    QVERIFY(probe.start(h.data(), false, root));
    ::chmod(QFile::encodeName(h.data()).constData(), 0755);
    QCOMPARE(probe.said.value(QStringLiteral("access")), QString::number(static_cast<int>(access)));
    QCOMPARE(probe.said.value(QStringLiteral("rows")), rows);
    QVERIFY2(
        probe.said.value(QStringLiteral("notice")).contains(QStringLiteral("cannot be written")),
        qPrintable(probe.said.value(QStringLiteral("notice"))));
    QVERIFY(!QFileInfo::exists(h.data() + QStringLiteral("/library.sqlite-wal")));
#else
    QSKIP("permissions as Unix has them");
#endif
}

void TestPassLibrary::filesThatAreNotLogsAreSkipped() {
    LibraryHarness h;
    const QString folder = h.file(QStringLiteral("mixed"));
    writeLogFile(folder + QStringLiteral("/good.log"), *strip());
    QVERIFY(
        QFile::copy(folder + QStringLiteral("/good.log"), folder + QStringLiteral("/copy.log")));
    overwrite(folder + QStringLiteral("/empty.log"), QByteArray());
    overwrite(folder + QStringLiteral("/binary.log"), QByteArray("\x7f"
                                                                 "ELF\x02\x01\x01\0\0\0",
                                                                 10));
    QFile big(folder + QStringLiteral("/huge.log"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(200LL * 1024 * 1024));
    big.close();
    QDir().mkpath(folder + QStringLiteral("/folder.log"));
    overwrite(folder + QStringLiteral("/notes.txt"), QByteArray("not looked at"));
#ifdef Q_OS_UNIX
    QVERIFY(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.log")).constData(), 0600) ==
            0);
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/device.log")));
#endif
    h.openAndSettle();
    {
        test::Watchdog guard("indexing a folder with a pipe and a device",
                             std::chrono::seconds(30));
        h.library->addFolder(folder);
        h.settle();
    }
    QCOMPARE(h.model().entryCount(), 2);
    QCOMPARE(h.model().text(0, LibraryColumn::Copies), QStringLiteral("2"));
    QCOMPARE(h.model().text(1, LibraryColumn::Copies), QStringLiteral("2"));
    QMap<QString, QString> skipped;
    for (const SkippedFile& s : h.library->indexer().skipped()) {
        skipped.insert(QFileInfo(s.path).fileName(), s.reason);
    }
    QMap<QString, QString> expected{
        {QStringLiteral("empty.log"), QStringLiteral("not a log file: it ends before its first "
                                                     "sample")},
        {QStringLiteral("binary.log"), QStringLiteral("not a log file: it holds binary data")},
        {QStringLiteral("huge.log"), QStringLiteral("not a log file: it is larger than any log "
                                                    "file (4 MB)")},
        {QStringLiteral("folder.log"), QStringLiteral("a folder, not a log file")},
    };
#ifdef Q_OS_UNIX
    expected.insert(QStringLiteral("pipe.log"), QStringLiteral("a device, pipe or socket, not a "
                                                               "log file"));
    expected.insert(QStringLiteral("device.log"), QStringLiteral("a device, pipe or socket, not "
                                                                 "a log file"));
#endif
    QCOMPARE(skipped, expected);
    LIBRARY_DIALOGS_OK(h);
}

void TestPassLibrary::fullDiskKeepsTheLibraryWhole() {
    LibraryHarness h;
    writeLogFile(h.downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    h.openAndSettle();
    h.library->database().limitToCurrentSize();
    const QString folder = h.file(QStringLiteral("more"));
    for (int i = 0; i < 40; ++i) {
        writeLogFile(folder + QStringLiteral("/run %1.log").arg(i), *strip(3.0 + i * 0.25));
    }
    h.dialogs.expectMessage(
        QStringLiteral("Pass Library"),
        QStringLiteral("The pass library could not be written: database or disk is full.\r\nIt is "
                       "as it was before; the log files are not touched, "
                       "and the library looks at them again the next time it is opened."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    h.library->addFolder(folder);
    h.settle();
    LIBRARY_DIALOGS_OK(h);
    // The slices written before the disk filled stand whole; the one that failed left nothing,
    // so the file holds what the list shows.
    const int shown = h.model().entryCount();
    QVERIFY(shown >= 1 && shown < 41);
    h.library.reset();
    {
        LibraryDatabase db(h.data());
        QCOMPARE(db.open().access, LibraryAccess::Writable);
        QCOMPARE(static_cast<int>(db.loadEntries().size()), shown);
    }
    // With room again, the next start enters the rest.
    h.make();
    h.openAndSettle();
    QCOMPARE(h.model().entryCount(), 41);
    LIBRARY_DIALOGS_OK(h);
}

void TestPassLibrary::exportReadsBackWithPythonCsv() {
    LibraryModel model;
    std::vector<LibraryEntry> entries = fourPasses();
    entries[0].track = QString(100 * 1024, u'x') + QStringLiteral("end");
    entries[1].notes = QStringLiteral("said \"6\" slicks,\r\nthen, \"75 shot\"\nok");
    entries[2].comment = QStringLiteral("Ä, ö and ü");
    model.setEntries(entries);
    model.sort(column(LibraryColumn::Ft60), Qt::AscendingOrder);
    model.setFilterText(QStringLiteral("2026"));
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(TARVIK_LIBRARY_CSV_SCRIPT)});
    python.write(model.csv());
    python.closeWriteChannel();
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(python.exitCode(), 0);
    const QJsonObject read = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    QStringList heading;
    for (const QJsonValue& v : read.value(QStringLiteral("heading")).toArray()) {
        heading << v.toString();
    }
    QCOMPARE(heading, LibraryModel::headings().mid(1));
    const QJsonArray rows = read.value(QStringLiteral("rows")).toArray();
    QCOMPARE(rows.size(), model.rowCount());
    for (int r = 0; r < model.rowCount(); ++r) {
        const QJsonArray fields = rows.at(r).toArray();
        QCOMPARE(fields.size(), kLibraryColumns - 1);
        for (int c = 1; c < kLibraryColumns; ++c) {
            QCOMPARE(fields.at(c - 1).toString(), model.text(r, static_cast<LibraryColumn>(c)));
        }
    }
}

void TestPassLibrary::downloadDates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("when");
    const QDateTime may3(QDate(2026, 5, 3), QTime(14, 2, 11));
    QTest::newRow("as written here") << downloadDateText(may3) << may3;
    QTest::newRow("ISO") << "2026-05-03 14:02:11" << may3;
    QTest::newRow("US, four-digit year") << "5/3/2026 2:02:11 PM" << may3;
    QTest::newRow("US, two-digit year") << "05/03/26 14:02:11" << may3;
    QTest::newRow("dotted") << "3.5.2026 14:02:11" << may3;
    QTest::newRow("blanks around") << "  2026-05-03   14:02:11 " << may3;
    QTest::newRow("no date") << "" << QDateTime();
    QTest::newRow("not a date") << "yesterday" << QDateTime();
}

void TestPassLibrary::downloadDates() {
    QFETCH(QString, text);
    QFETCH(QDateTime, when);
    QCOMPARE(parseDownloadDateText(text), when);
}

void TestPassLibrary::picturePointsSpanTheLaunch() {
    const auto data = strip();
    const std::vector<PicturePoint> points = picturePoints(*data, 40, 120);
    QCOMPARE(static_cast<int>(points.size()), kPicturePoints);
    QCOMPARE(points.front().kmh, 0.0F);  // the launch: standing
    QCOMPARE(points.back().kmh, data->at(Column::VSS, 120));
    QVERIFY(
        std::is_sorted(points.begin(), points.end(),
                       [](const PicturePoint& a, const PicturePoint& b) { return a.kmh < b.kmh; }));
    QCOMPARE(decodePicture(encodePicture(points)).size(), points.size());
    QCOMPARE(decodePicture(encodePicture(points)).back().rpm, points.back().rpm);
    QCOMPARE(picturePoints(*data, 10, 12).size(), std::size_t(3));
    QVERIFY(picturePoints(*data, 50, 40).empty());
    QVERIFY(decodePicture(QByteArray(7, 'x')).empty());
}

QTEST_MAIN(TestPassLibrary)
#include "test_pass_library.moc"
