// Where the Open and Save dialogs start, the extension Save adds, and the real file dialogs
// driven offscreen: they start in the documents folder, then where the user last chose a file,
// never in a folder the user cannot write; "run1" typed with the log filter is saved as run1.log.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "logdata/log_data_host.h"
#include "platform/dialog_folder.h"
#include "platform/qt_user_dialogs.h"

using namespace tarvik;

namespace {

// Answers the next file dialog that opens: records the folder it started in, types `name`.
struct DialogDriver {
    QString startedIn;
    QString selectedFilter;
    void answerNext(const QString& name) {
        QTimer::singleShot(50, [this, name] { answer(name); });
    }
    void answer(const QString& name) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QTimer::singleShot(20, [this, name] { answer(name); });
            return;
        }
        startedIn = dialog->directory().absolutePath();
        selectedFilter = dialog->selectedNameFilter();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
    }
};

}  // namespace

class TestDialogFolder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startFolder_data();
    void startFolder();
    void filterExtension_data();
    void filterExtension();
    void realDialogsStartWhereTheUserWas();
};

void TestDialogFolder::startFolder_data() {
    QTest::addColumn<QString>("last");  // relative to the scratch folder; "" for none
    QTest::addColumn<bool>("docsExist");
    QTest::addColumn<QString>("expected");  // relative to the scratch folder
    QTest::newRow("first dialog: documents") << QString() << true << QStringLiteral("Documents");
    QTest::newRow("no documents folder: home") << QString() << false << QStringLiteral("home");
    QTest::newRow("last used folder") << QStringLiteral("runs") << true << QStringLiteral("runs");
    QTest::newRow("last folder unwritable")
        << QStringLiteral("locked") << true << QStringLiteral("Documents");
    QTest::newRow("last folder removed")
        << QStringLiteral("gone") << true << QStringLiteral("Documents");
}

void TestDialogFolder::startFolder() {
    QFETCH(QString, last);
    QFETCH(bool, docsExist);
    QFETCH(QString, expected);
    QTemporaryDir scratch;
    QDir root(scratch.path());
    root.mkpath(QStringLiteral("home"));
    root.mkpath(QStringLiteral("runs"));
    root.mkpath(QStringLiteral("locked"));
    root.mkpath(QStringLiteral("gone"));
    if (docsExist) {
        root.mkpath(QStringLiteral("Documents"));
    }
    QFile::setPermissions(root.filePath(QStringLiteral("locked")),
                          QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(root.filePath(QStringLiteral("locked"))).isWritable() &&
        last == QLatin1String("locked")) {
        QSKIP("running with rights that write anywhere");
    }
    DialogFolder folder(root.filePath(QStringLiteral("Documents")),
                        root.filePath(QStringLiteral("home")));
    if (!last.isEmpty()) {
        folder.remember(root.filePath(last + QStringLiteral("/chosen.log")));
    }
    root.rmdir(QStringLiteral("gone"));
    QCOMPARE(folder.startFolder(), root.filePath(expected));
    // Forgetting nothing: an empty choice keeps the folder.
    folder.remember(QString());
    QCOMPARE(folder.startFolder(), root.filePath(expected));
    QFile::setPermissions(root.filePath(QStringLiteral("locked")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestDialogFolder::filterExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    const QString logs = QStringLiteral("Nitrous Controller log files (*.log)");
    QTest::newRow("no extension") << "/d/run1" << logs << "/d/run1.log";
    QTest::newRow("has .log") << "/d/run1.log" << logs << "/d/run1.log";
    QTest::newRow("an extension of its own") << "/d/run1.csv" << logs << "/d/run1.csv";
    QTest::newRow("dotted name") << "/d/run.v2" << logs << "/d/run.v2";
    QTest::newRow("dot in the folder only") << "/d.x/run1" << logs << "/d.x/run1.log";
    QTest::newRow("spaces") << "/d/lap 3" << logs << "/d/lap 3.log";
    QTest::newRow("all files") << "/d/run1"
                               << "All Files (*.*)"
                               << "/d/run1";
    QTest::newRow("several patterns") << "/d/run1"
                                      << "Logs (*.log *.txt)"
                                      << "/d/run1";
    QTest::newRow("cancelled") << "" << logs << "";
}

void TestDialogFolder::filterExtension() {
    QFETCH(QString, path);
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(withFilterExtension(path, filter), expected);
}

void TestDialogFolder::realDialogsStartWhereTheUserWas() {
    QTemporaryDir scratch;
    QDir root(scratch.path());
    root.mkpath(QStringLiteral("home/Documents"));
    root.mkpath(QStringLiteral("home/track day"));
    qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("home/.config")).toUtf8());
    // An installed program's folder is not writable; the current folder must not matter.
    QDir::setCurrent(QStringLiteral("/"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY2(QFileInfo(documents).isDir(), qPrintable(documents));

    QtUserDialogs dialogs;
    DialogDriver driver;
    // Save: starts in the documents folder; "run1" with the log filter becomes run1.log.
    driver.answerNext(root.filePath(QStringLiteral("home/track day/run1")));
    const QString saved = dialogs.saveFileName(QStringLiteral("Save File"), kLogFileFilter);
    QCOMPARE(driver.startedIn, QFileInfo(documents).absoluteFilePath());
    QCOMPARE(driver.selectedFilter, QStringLiteral("Nitrous Controller log files (*.log)"));
    QCOMPARE(saved, root.filePath(QStringLiteral("home/track day/run1.log")));
    // Open: where the user last chose a file.
    {
        QFile f(saved);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    driver.answerNext(QStringLiteral("run1.log"));
    const QString opened = dialogs.openFileName(QStringLiteral("Open File"), kLogFileFilter);
    QCOMPARE(driver.startedIn, root.filePath(QStringLiteral("home/track day")));
    QCOMPARE(opened, saved);
    // Leaving the dialog changes nothing.
    driver.answerNext(QString());
    QCOMPARE(dialogs.openFileName(QStringLiteral("Open File"), kLogFileFilter), QString());
    QCOMPARE(dialogs.folder().startFolder(), root.filePath(QStringLiteral("home/track day")));
}

QTEST_MAIN(TestDialogFolder)
#include "test_dialog_folder.moc"
