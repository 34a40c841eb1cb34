// File names that are not valid UTF-8 (a log copied from an old memory card, "caf\xE9.log"):
// every byte kept from the command line to the open and into Recent Files and back, the name
// shown with replacement characters, and the real program opening such a file named on its
// command line.
#include <fcntl.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/frm_main.h"
#include "logdata/data_buffer.h"
#include "logdata/log_file_writer.h"
#include "memory_settings.h"
#include "platform/local_path.h"
#include "platform/qsettings_backing.h"
#include "scripted_dialogs.h"
#include "settings/recent_files.h"

using namespace tarvik;

namespace {

const QString kProgram = QStringLiteral(TARVIK_PROGRAM);
const QChar kReplacement = QChar::ReplacementCharacter;

QByteArray sampleLog() {
    DataBuffer b;
    for (int row = 1; row <= kDataRows; ++row) {
        b.column(Column::ElapsedTime)[row - 1] = static_cast<float>(row) * 0.112f;
        b.column(Column::RPM)[row - 1] = static_cast<float>(1000 + row);
    }
    b.firmwareId = QStringLiteral("QX-2 v1.4");
    QByteArray out;
    QBuffer dev(&out);
    dev.open(QIODevice::WriteOnly);
    LogFileWriter(dev).writeAll(b, QStringLiteral("Orvenna"));
    return out;
}

// Writes a file by the bytes of its name, as a copy from another system would leave it.
bool writeByBytes(const QByteArray& name, const QByteArray& content) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok =
        ::write(fd, content.constData(), static_cast<size_t>(content.size())) == content.size();
    ::close(fd);
    return ok;
}

}  // namespace

class TestFileNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bytesOfANameAreKept_data();
    void bytesOfANameAreKept();
    void recentFilesKeepTheBytes();
    void openedByItsBytesAndShownReadably();
    void programOpensSuchANameFromItsCommandLine();

private:
    QTemporaryDir dir_;
};

void TestFileNames::bytesOfANameAreKept_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<int>("replaced");  // characters shown as U+FFFD
    QTest::newRow("plain") << QByteArray("/runs/a.log") << false << 0;
    QTest::newRow("UTF-8 letters") << QByteArray("/runs/Lauf N\xC3\xBCr.log") << false << 0;
    QTest::newRow("UTF-8 chequered flag") << QByteArray("/runs/\xF0\x9F\x8F\x81.log") << false << 0;
    QTest::newRow("Latin-1 letter") << QByteArray("/runs/caf\xE9.log") << true << 1;
    QTest::newRow("two Windows-1252 bytes") << QByteArray("/runs/\x93Q\x94.log") << true << 2;
    QTest::newRow("overlong slash") << QByteArray("/runs/\xC0\xAF.log") << true << 2;
    QTest::newRow("encoded surrogate") << QByteArray("/runs/\xED\xA0\x80.log") << true << 3;
    QTest::newRow("cut sequence") << QByteArray("/runs/\xE2\x82.log") << true << 2;
    QTest::newRow("past U+10FFFF") << QByteArray("/runs/\xF5\x80\x80\x80") << true << 4;
    QTest::newRow("stray continuation") << QByteArray("\x80/a") << true << 1;
}

void TestFileNames::bytesOfANameAreKept() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, raw);
    QFETCH(int, replaced);
    const QString path = local_path::fromBytes(bytes);
    QCOMPARE(local_path::toBytes(path), bytes);
    QCOMPARE(local_path::holdsRawBytes(path), raw);
    if (!raw) {
        QCOMPARE(path, QFile::decodeName(bytes));  // a valid name is Qt's own
    }
    const QString shown = local_path::shown(path);
    QCOMPARE(static_cast<int>(shown.count(kReplacement)), replaced);
    QVERIFY(!local_path::holdsRawBytes(shown));
    // Stored as text and read back, every byte is there.
    const QString stored = local_path::toStored(path);
    if (raw) {
        QVERIFY2(stored.startsWith(QStringLiteral("file://")), qPrintable(stored));
        QCOMPARE(QString::fromLatin1(stored.toLatin1()), stored);  // plain ASCII
    } else {
        QCOMPARE(stored, path);  // as earlier versions stored it
    }
    QCOMPARE(local_path::toBytes(local_path::fromStored(stored)), bytes);
}

void TestFileNames::recentFilesKeepTheBytes() {
    // Recent Files lives in the settings file, which is UTF-8 text: the name's bytes must
    // survive it, and a name stored by an earlier version reads as before.
    const QByteArray bytes = QFile::encodeName(dir_.path()) + "/caf\xE9.log";
    const QString path = local_path::fromBytes(bytes);
    QSettingsBacking settings(dir_.filePath(QStringLiteral("Tarvik.conf")));
    RecentFiles recent(settings);
    recent.remember(QStringLiteral("/runs/plain.log"));
    recent.remember(path);
    QCOMPARE(recent.paths().size(), 2);
    QCOMPARE(local_path::toBytes(recent.paths().first()), bytes);
    QCOMPARE(recent.paths().last(), QStringLiteral("/runs/plain.log"));
    QSettings raw(dir_.filePath(QStringLiteral("Tarvik.conf")), QSettings::IniFormat);
    const QString storedText = raw.value(QStringLiteral("RecentFiles/File1")).toString();
    QVERIFY2(storedText.endsWith(QStringLiteral("/caf%E9.log")), qPrintable(storedText));
    QCOMPARE(raw.value(QStringLiteral("RecentFiles/File2")).toString(),
             QStringLiteral("/runs/plain.log"));
    QCOMPARE(RecentFiles::menuText(0, path),
             QStringLiteral("&1 ") + local_path::shown(path).replace(u'&', QStringLiteral("&&")));
    recent.forget(path);
    QCOMPARE(recent.paths(), QStringList{QStringLiteral("/runs/plain.log")});
}

void TestFileNames::openedByItsBytesAndShownReadably() {
    const QByteArray bytes = QFile::encodeName(dir_.path()) + "/Lauf \xD6l.log";  // Latin-1 Ö
    QVERIFY(writeByBytes(bytes, sampleLog()));
    const QString path = local_path::fromBytes(bytes);
    QVERIFY(!QFileInfo::exists(path));  // Qt alone does not find it
    QVERIFY(local_path::exists(path) && local_path::isFile(path));

    test::ScriptedDialogs dialogs;
    test::MemorySettings store;
    FrmMain w(MainWindowServices{&dialogs, &store, Branding::defaults()});
    w.setExitAction([] {});
    w.Form_Load();
    int charts = 0;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++charts;
            modal->close();
        }
    });
    closer.start();
    w.openLogFile(path);  // as the command line hands it on
    QTRY_COMPARE(charts, 1);
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
    QCOMPARE(w.dataBuffer().at(Column::RPM, 1), 1001.0F);
    QCOMPARE(w.windowTitle(), FrmMain::kDesignedCaption + QStringLiteral(" - Lauf ") +
                                  kReplacement + QStringLiteral("l.log"));
    QCOMPARE(w.recentFiles().size(), 1);
    QCOMPARE(local_path::toBytes(w.recentFiles().first()), bytes);

    // From Recent Files again, shown readably, opened by its bytes.
    auto* menu = w.findChild<QMenu*>(QStringLiteral("mnuRecentFiles"));
    emit menu->aboutToShow();
    QAction* entry = menu->actions().first();
    QVERIFY2(
        entry->text().endsWith(QStringLiteral("/Lauf ") + kReplacement + QStringLiteral("l.log")),
        qPrintable(entry->text()));
    dialogs.expectMessage(QStringLiteral("Open Log File"),
                          QStringLiteral("Data buffer not empty. OK to overwrite?"), MsgIcon::None,
                          MsgButtons::OkCancel, MsgResult::Ok);
    entry->trigger();
    QTRY_COMPARE(charts, 2);
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
}

void TestFileNames::programOpensSuchANameFromItsCommandLine() {
    // The real program, its argument made by the shell from bytes: it opens the file (and so
    // remembers it in Recent Files, by its bytes) instead of saying "File not found.".
    QTemporaryDir config;
    const QByteArray bytes = QFile::encodeName(dir_.path()) + "/caf\xE9 run.log";
    QVERIFY(writeByBytes(bytes, sampleLog()));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("exec \"$0\" \"$(printf '%s/caf\\351 run.log' \"$1\")\""), kProgram,
             dir_.path()});
    QVERIFY(p.waitForStarted());
    const QString conf = config.filePath(QStringLiteral("Tarvik/Tarvik.conf"));
    QByteArray text;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile f(conf);
            text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            return text.contains("RecentFiles");
        }(),
        30000);
    p.kill();
    p.waitForFinished();
    const QSettings stored(conf, QSettings::IniFormat);
    const QString file = stored.value(QStringLiteral("RecentFiles/File1")).toString();
    QCOMPARE(local_path::toBytes(local_path::fromStored(file)), bytes);
}

QTEST_MAIN(TestFileNames)
#include "test_file_names.moc"
