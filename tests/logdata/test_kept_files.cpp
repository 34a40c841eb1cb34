// Kept downloads as files: made with the permissions Save File gives a log (the user's umask),
// and on a disk that fills up, a message that names the cause and the file the user would look
// for, never the hidden file the download was being written as, which is gone.
#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "core/app_error.h"
#include "log_test_data.h"
#include "logdata/kept_downloads.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

const QDateTime kWhen(QDate(2026, 12, 8), QTime(14, 3, 22));

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0
               ? static_cast<int>(st.st_mode & 0777)
               : -1;
}

// Sets the umask while it lives.
struct Umask {
    mode_t before;
    explicit Umask(mode_t mask) : before(::umask(mask)) {}
    ~Umask() { ::umask(before); }
};

}  // namespace

class TestKeptFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keptAsASavedLogIsKept_data();
    void keptAsASavedLogIsKept();
    void fullDiskNamesTheCause();
};

void TestKeptFiles::keptAsASavedLogIsKept_data() {
    QTest::addColumn<int>("umask");
    QTest::newRow("022: others may read") << 022;
    QTest::newRow("027: the group may read") << 027;
    QTest::newRow("077: private") << 077;
}

void TestKeptFiles::keptAsASavedLogIsKept() {
    QFETCH(int, umask);
    QTemporaryDir dir;
    const Umask mask(static_cast<mode_t>(umask));
    DataBuffer b;
    fillDownloadLike(b);
    const QString kept = KeptDownloads(dir.filePath(QStringLiteral("downloads")))
                             .keep(b, QStringLiteral("Orvenna"), kWhen);
    QSaveFile saved(dir.filePath(QStringLiteral("saved.log")));  // as Save File writes
    QVERIFY(saved.open(QIODevice::WriteOnly));
    saved.write("x");
    QVERIFY(saved.commit());
    QCOMPARE(modeOf(kept), modeOf(saved.fileName()));
    QCOMPARE(modeOf(kept), 0666 & ~umask);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("downloads"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(kept).fileName()});
}

void TestKeptFiles::fullDiskNamesTheCause() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("downloads"));
    DataBuffer b;
    fillDownloadLike(b);
    QString why;
    {
        // Writes stop part way through the file, as on a disk that fills up.
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before;
        small.rlim_cur = 40000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        why = KeptDownloads(folder).keepOrSayWhy(b, QStringLiteral("Orvenna"), kWhen);
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldSignal);
    }
    QCOMPARE(why, QDir::toNativeSeparators(folder) +
                      QStringLiteral("/2026-12-08_14-03-22_QX-2.log: ") +
                      QString::fromLocal8Bit(std::strerror(EFBIG)));
    QVERIFY(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());  // nothing half kept
}

QTEST_MAIN(TestKeptFiles)
#include "test_kept_files.moc"
