// The splash window: what the branding file does to it, each way the file can be wrong and
// the error box it brings, and closing on its timer.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#include <QTimer>
#include <QtTest>

#include "branding/frm_splash.h"
#include "common/windows_1252.h"
#include "scripted_dialogs.h"
#include "watchdog.h"

using namespace tarvik;
using test::ScriptedDialogs;

namespace {

const QSize kSplashSize(FrmSplash::kWindowWidth, FrmSplash::kWindowHeight);
const QString kNoSeparator =
    QStringLiteral("The branding file Tarvik.cfg ends before its first \"!\" separator line.");
// The box for line `line` of the first section when the section has only `count` lines.
QString missing(int line, int count) {
    static const char* const what[] = {"the company name", "the font name", "the font size",
                                       "the font style", "the logo file"};
    return QStringLiteral(
               "The first section of the branding file Tarvik.cfg has %1; line %2, "
               "%3, is missing.")
        .arg(count == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(count))
        .arg(line)
        .arg(QLatin1String(what[line - 1]));
}
// The boxes for every line missing from a first section of `count` lines.
QStringList missingFrom(int count) {
    QStringList texts;
    for (int line = count + 1; line <= 5; ++line) {
        texts << missing(line, count);
    }
    return texts;
}
QString logoMissing(const QString& name) {
    return QStringLiteral(
               "The logo file \"%1\" named in the branding file Tarvik.cfg was not "
               "found.")
        .arg(name);
}
QString logoUnreadable(const QString& name) {
    return QStringLiteral(
               "The logo file \"%1\" named in the branding file Tarvik.cfg is not a "
               "picture the program can read.")
        .arg(name);
}

// A program folder of the test's own, with the shipped logo in it.
struct Folder {
    QTemporaryDir dir;
    Folder() {
        QFile::copy(QStringLiteral(TARVIK_RESOURCES "/Orvenna_Logo.gif"),
                    dir.filePath(QStringLiteral("Orvenna_Logo.gif")));
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    void cfg(const QByteArray& bytes) { write(QStringLiteral("Tarvik.cfg"), bytes); }
    QString path() const { return dir.path(); }
};

QByteArray file(const QByteArray& name, const QByteArray& font, const QByteArray& size,
                const QByteArray& style, const QByteArray& logo) {
    return "! test branding\n" + name + '\n' + font + '\n' + size + '\n' + style + '\n' + logo +
           "\n!\nBrand\nLine 2\n";
}

bool hasLogo(FrmSplash& s) {
    return !s.imgLogo().pixmap().isNull();
}

}  // namespace

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void designedControls();
    void noFileGivesDefaultsWithoutMessage();
    void noFileAndNoLogo();
    void fileAppliesItsLines();
    void fiveSplashLinesTwoBrandLines();
    void nullLogo_data();
    void nullLogo();
    void styleLine_data();
    void styleLine();
    void fontSize_data();
    void fontSize();
    void longNameShrinksToFit();
    void badFiles_data();
    void badFiles();
    void shortSectionAppliesLinesInOrder_data();
    void shortSectionAppliesLinesInOrder();
    void windowsTextOnTheSplash();
    void abortEndsTheLoadThere();
    void retryReadsTheFileAgain();
    void logoProblems_data();
    void logoProblems();
    void logoKeptInsideTheProgramFolder_data();
    void logoKeptInsideTheProgramFolder();
    void timerClosesTheSplash();
    void execReturnsWhenTheTimerFires();
    void escapeDoesNotCloseIt();
    void brandingFileNotAFile_data();
    void brandingFileNotAFile();
};

void TestSplash::designedControls() {
    ScriptedDialogs d;
    FrmSplash s(d, QStringLiteral("/nonexistent"));
    QCOMPARE(s.objectName(), QStringLiteral("frmSplash"));
    for (const char* name :
         {"fraSplash", "imgLogo", "lblCompanyName", "lblProductName", "lblVersion"}) {
        QVERIFY2(s.findChild<QWidget*>(QLatin1String(name)) != nullptr, name);
    }
    QCOMPARE(s.lblProductName().text(), QStringLiteral("Nitrous Controller Data Logging"));
    QCOMPARE(s.lblVersion().text(), QStringLiteral("Version 2.0"));
    QCOMPARE(s.lblProductName().font().family(), QStringLiteral("Arial"));
    QCOMPARE(s.lblVersion().font().family(), QStringLiteral("Arial"));
    QCOMPARE(s.tmrSplashUnload().objectName(), QStringLiteral("tmrSplashUnload"));
    QCOMPARE(s.tmrSplashUnload().interval(), 4000);
    QVERIFY(!s.tmrSplashUnload().isActive());  // counts from when it is shown
    QVERIFY(s.isModal());
}

void TestSplash::noFileGivesDefaultsWithoutMessage() {
    Folder f;
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.branding().splashLines, Branding::defaults().splashLines);
    QCOMPARE(s.branding().brandLines, Branding::defaults().brandLines);
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Orvenna"));
    const QFont font = s.lblCompanyName().font();
    QCOMPARE(font.family(), QStringLiteral("Arial"));
    QCOMPARE(font.pointSizeF(), 28.0);
    QVERIFY(font.bold());
    QVERIFY(font.italic());
    QVERIFY(hasLogo(s));
    QCOMPARE(s.imgLogo().pixmap().size(), QSize(140, 140));
}

void TestSplash::noFileAndNoLogo() {
    // The defaults name the shipped logo; without it the load says so.
    QTemporaryDir dir;
    ScriptedDialogs d;
    d.expectErrorBox(logoMissing(QStringLiteral("Orvenna_Logo.gif")), MsgResult::Ignore);
    FrmSplash s(d, dir.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QVERIFY(!hasLogo(s));
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Orvenna"));
}

void TestSplash::fileAppliesItsLines() {
    Folder f;
    f.cfg(file("Strada Nitro", "Courier New", "22", "italic", "Orvenna_Logo.gif"));
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Strada Nitro"));
    QCOMPARE(s.lblCompanyName().font().family(), QStringLiteral("Courier New"));
    QCOMPARE(s.lblCompanyName().font().pointSizeF(), 22.0);
    QVERIFY(!s.lblCompanyName().font().bold());
    QVERIFY(s.lblCompanyName().font().italic());
    QVERIFY(hasLogo(s));
    QCOMPARE(s.branding().brandLines,
             (QStringList{QStringLiteral("Brand"), QStringLiteral("Line 2")}));
}

void TestSplash::fiveSplashLinesTwoBrandLines() {
    Folder f;
    f.cfg("!a\n!b\nAcme\nArial\n20\nbold\nNULL\n!\nAcme Racing\nCall us\n");
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.branding().brandLines.size(), 2);
    QCOMPARE(s.branding().brandName(), QStringLiteral("Acme Racing"));
}

void TestSplash::nullLogo_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("NULL") << QByteArray("NULL");
    QTest::newRow("null") << QByteArray("null");
    QTest::newRow("Null") << QByteArray("Null");
}

void TestSplash::nullLogo() {
    QFETCH(QByteArray, line);
    Folder f;
    f.cfg(file("Acme", "Arial", "20", "bold", line));
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QVERIFY(!hasLogo(s));
}

void TestSplash::styleLine_data() {
    QTest::addColumn<QByteArray>("style");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("bold italic") << QByteArray("bold italic") << true << true;
    QTest::newRow("BOLD") << QByteArray("BOLD") << true << false;
    QTest::newRow("Italic") << QByteArray("Italic") << false << true;
    QTest::newRow("regular") << QByteArray("regular") << false << false;
    QTest::newRow("empty") << QByteArray("") << false << false;
}

void TestSplash::styleLine() {
    QFETCH(QByteArray, style);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    Folder f;
    f.cfg(file("Acme", "Arial", "20", style, "NULL"));
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().font().bold(), bold);
    QCOMPARE(s.lblCompanyName().font().italic(), italic);
}

void TestSplash::fontSize_data() {
    QTest::addColumn<QByteArray>("size");
    QTest::addColumn<double>("applied");
    QTest::newRow("20") << QByteArray("20") << 20.0;
    QTest::newRow("12.5 points") << QByteArray("12.5 points") << 12.5;
    QTest::newRow("letters count as 0: designed size") << QByteArray("big") << 28.0;
    QTest::newRow("0: designed size") << QByteArray("0") << 28.0;
    QTest::newRow("-3: designed size") << QByteArray("-3") << 28.0;
    QTest::newRow("100000: largest") << QByteArray("100000") << 72.0;
    QTest::newRow("1e308: largest") << QByteArray("1e308") << 72.0;
    QTest::newRow("1e999 (infinite): designed size") << QByteArray("1e999") << 28.0;
    QTest::newRow("0.2: smallest") << QByteArray("0.2") << 6.0;
}

void TestSplash::fontSize() {
    QFETCH(QByteArray, size);
    QFETCH(double, applied);
    Folder f;
    f.cfg(file("Acme", "Arial", size, "bold", "NULL"));
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.appliedFontSize(), applied);
    // A short name fits at any size the rule allows; the window never grows.
    QCOMPARE(s.lblCompanyName().font().pointSizeF(), applied);
    s.show();
    QCOMPARE(s.size(), kSplashSize);
    QVERIFY(s.lblCompanyName().height() <= s.height());
}

void TestSplash::longNameShrinksToFit() {
    Folder f;
    f.cfg(file("Highline Motorsport Distribution and Performance Engineering", "Arial", "72",
               "bold", "NULL"));
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.appliedFontSize(), 72.0);
    const QFont font = s.lblCompanyName().font();
    QVERIFY(font.pointSizeF() < 72.0);
    QVERIFY(font.pointSizeF() >= FrmSplash::kMinFontSize);
    s.show();
    QCOMPARE(s.size(), kSplashSize);
}

void TestSplash::badFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("company");

    QTest::newRow("empty") << QByteArray() << QStringList{kNoSeparator} + missingFrom(0)
                           << QString();
    QTest::newRow("no separator") << QByteArray("Acme\nArial\n20\nbold\nNULL\n")
                                  << QStringList{kNoSeparator} << "Acme";
    QTest::newRow("four splash lines")
        << QByteArray("Acme\nArial\n20\nbold\n!\nAcme\n") << missingFrom(4) << "Acme";
    QTest::newRow("one splash line, no separator")
        << QByteArray("Acme") << QStringList{kNoSeparator} + missingFrom(1) << "Acme";
    QTest::newRow("single huge line")
        << QByteArray(300 * 1024, 'W') << QStringList{kNoSeparator} + missingFrom(1)
        << QString(64 * 1024, u'W');
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) {
        binary += char((i * 7919) & 0xFF);
    }
    binary.replace('\n', 'n').replace('\r', 'r').replace('!', 'x');
    QTest::newRow("binary, one long line")
        << binary << QStringList{kNoSeparator} + missingFrom(1) << fromWindows1252(binary);
}

void TestSplash::badFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, texts);
    QFETCH(QString, company);
    Folder f;
    f.cfg(bytes);
    ScriptedDialogs d;
    // Ignore goes on with what was read; each missing line is a box of its own and leaves its
    // control as designed.
    for (const QString& text : texts) {
        d.expectErrorBox(text, MsgResult::Ignore);
    }
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().text(), company);
    QVERIFY(!hasLogo(s));
    QVERIFY(s.lblCompanyName().font().pointSizeF() <= FrmSplash::kMaxFontSize);
    QVERIFY(s.branding().brandLines.isEmpty() ||
            QTest::currentDataTag() == QByteArray("four splash lines"));
    s.show();
    QCOMPARE(s.size(), kSplashSize);
}

void TestSplash::shortSectionAppliesLinesInOrder_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("box");
    QTest::newRow("name only") << QByteArray("Acme\n!\nBrand\n") << QStringLiteral("Arial") << 28.0
                               << missing(2, 1);
    QTest::newRow("name and font") << QByteArray("Acme\nCourier New\n!\nBrand\n")
                                   << QStringLiteral("Courier New") << 28.0 << missing(3, 2);
    QTest::newRow("no style line") << QByteArray("Acme\nCourier New\n16\n!\nBrand\n")
                                   << QStringLiteral("Courier New") << 16.0 << missing(4, 3);
}

void TestSplash::shortSectionAppliesLinesInOrder() {
    // Retry applies the same line again (it is still missing), then Abort ends the load there:
    // the lines before the missing one stay applied, nothing after it is.
    QFETCH(QByteArray, bytes);
    QFETCH(QString, family);
    QFETCH(double, size);
    QFETCH(QString, box);
    Folder f;
    f.cfg(bytes);
    ScriptedDialogs d;
    d.expectErrorBox(box, MsgResult::Retry);
    d.expectErrorBox(box, MsgResult::Abort);
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Acme"));
    QCOMPARE(s.lblCompanyName().font().family(), family);
    QCOMPARE(s.lblCompanyName().font().pointSizeF(), size);
    QVERIFY(!s.lblCompanyName().font().bold());
    QVERIFY(!hasLogo(s));
    QCOMPARE(s.branding().brandName(), QStringLiteral("Brand"));
}

void TestSplash::windowsTextOnTheSplash() {
    // A dealer's file saved on Windows: the euro sign, trade mark sign and curly quotes show.
    Folder f;
    f.cfg("Caf\xE9 \x93Nitro\x94\x99 \x80\nArial\n20\nbold\nNULL\n!\nCaf\xE9 \x96 Parts\n");
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Caf\u00E9 \u201CNitro\u201D\u2122 \u20AC"));
    QCOMPARE(s.branding().brandName(), QStringLiteral("Caf\u00E9 \u2013 Parts"));
}

void TestSplash::abortEndsTheLoadThere() {
    Folder f;
    f.cfg("Acme\nCourier New\n20\nbold\nNULL\n");  // no separator
    ScriptedDialogs d;
    d.expectErrorBox(kNoSeparator, MsgResult::Abort);
    FrmSplash s(d, f.path());
    const QString designed = s.lblCompanyName().text();
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    // Nothing after the failing step was applied.
    QCOMPARE(s.lblCompanyName().text(), designed);
    QCOMPARE(s.lblCompanyName().font().family(), QStringLiteral("Arial"));
    QCOMPARE(s.branding().splashLines.size(), 5);
    QVERIFY(s.branding().brandLines.isEmpty());
    // The splash still closes on its timer.
    s.show();
    QVERIFY(s.tmrSplashUnload().isActive());
}

void TestSplash::retryReadsTheFileAgain() {
    Folder f;
    f.cfg("Acme\nArial\n20\n");
    ScriptedDialogs d;
    // The user mends the file while the box is up, then chooses Retry.
    d.expectMessage(QStringLiteral("Error"), kNoSeparator, MsgIcon::Critical,
                    MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                    [&] { f.cfg(file("Mended", "Arial", "20", "bold", "NULL")); });
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Mended"));
    QCOMPARE(s.branding().brandLines.first(), QStringLiteral("Brand"));
}

void TestSplash::logoProblems_data() {
    QTest::addColumn<QByteArray>("logoLine");
    QTest::addColumn<QByteArray>("logoBytes");  // written as "bad.gif" when not empty
    QTest::addColumn<QString>("text");
    QTest::newRow("missing") << QByteArray("missing.gif") << QByteArray()
                             << logoMissing(QStringLiteral("missing.gif"));
    QTest::newRow("empty name") << QByteArray("") << QByteArray() << logoMissing(QString());
    QTest::newRow("a folder") << QByteArray(".") << QByteArray() << logoMissing(".");
    QTest::newRow("corrupt") << QByteArray("bad.gif") << QByteArray("GIF89a\x10\x00garbage")
                             << logoUnreadable(QStringLiteral("bad.gif"));
    QTest::newRow("text file") << QByteArray("bad.gif") << QByteArray("not a picture at all\n")
                               << logoUnreadable(QStringLiteral("bad.gif"));
    // A GIF header claiming 65535 x 65535 pixels.
    QTest::newRow("absurd size")
        << QByteArray("bad.gif")
        << QByteArray("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00,\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00", 24)
        << QStringLiteral(
               "The logo file \"bad.gif\" named in the branding file Tarvik.cfg is "
               "too large a picture (65535 x 65535 pixels).");
}

void TestSplash::logoProblems() {
    QFETCH(QByteArray, logoLine);
    QFETCH(QByteArray, logoBytes);
    QFETCH(QString, text);
    Folder f;
    if (!logoBytes.isEmpty()) {
        f.write(QStringLiteral("bad.gif"), logoBytes);
    }
    f.cfg(file("Acme", "Arial", "20", "bold", logoLine));
    ScriptedDialogs d;
    d.expectErrorBox(text, MsgResult::Ignore);
    FrmSplash s(d, f.path());
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QVERIFY(!hasLogo(s));
    // The steps before the logo were applied, and Ignore let the load end normally.
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Acme"));
}

void TestSplash::logoKeptInsideTheProgramFolder_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("refused");
    QTest::newRow("absolute path out") << QStringLiteral("absolute") << true;
    QTest::newRow("climbing out with ..") << QStringLiteral("parent") << true;
    QTest::newRow("link leading out") << QStringLiteral("link") << true;
    QTest::newRow("absolute path to a missing file") << QStringLiteral("absent") << true;
    QTest::newRow("subfolder inside") << QStringLiteral("subfolder") << false;
    QTest::newRow(".. that stays inside") << QStringLiteral("inside-dots") << false;
}

void TestSplash::logoKeptInsideTheProgramFolder() {
    QFETCH(QString, how);
    QFETCH(bool, refused);
    // outer/program is the program's folder; outer/elsewhere holds a picture it must not read.
    QTemporaryDir outer;
    QDir(outer.path()).mkpath(QStringLiteral("program/logos"));
    QDir(outer.path()).mkpath(QStringLiteral("elsewhere"));
    const QString program = outer.filePath(QStringLiteral("program"));
    const QString outside = outer.filePath(QStringLiteral("elsewhere/logo.gif"));
    const QString gif = QStringLiteral(TARVIK_RESOURCES "/Orvenna_Logo.gif");
    QVERIFY(QFile::copy(gif, outside));
    QVERIFY(QFile::copy(gif, program + QStringLiteral("/logos/logo.gif")));
    QString line;
    if (how == QLatin1String("absolute")) {
        line = outside;
    } else if (how == QLatin1String("parent")) {
        line = QStringLiteral("../elsewhere/logo.gif");
    } else if (how == QLatin1String("link")) {
        QVERIFY(QFile::link(outside, program + QStringLiteral("/link.gif")));
        line = QStringLiteral("link.gif");
    } else if (how == QLatin1String("absent")) {
        line = outer.filePath(QStringLiteral("elsewhere/none.gif"));
    } else if (how == QLatin1String("subfolder")) {
        line = QStringLiteral("logos/logo.gif");
    } else {
        line = QStringLiteral("logos/../logos/logo.gif");
    }
    QFile cfg(program + QStringLiteral("/Tarvik.cfg"));
    QVERIFY(cfg.open(QIODevice::WriteOnly));
    cfg.write(file("Acme", "Arial", "20", "bold", line.toUtf8()));
    cfg.close();

    ScriptedDialogs d;
    if (refused) {
        d.expectErrorBox(QStringLiteral("The logo file \"%1\" named in the branding file "
                                        "Tarvik.cfg is outside the program's folder. The logo "
                                        "must be a picture in the folder of the program's files.")
                             .arg(line),
                         MsgResult::Ignore);
    }
    FrmSplash s(d, program);
    s.Form_Load();
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QCOMPARE(hasLogo(s), !refused);
    QCOMPARE(s.lblCompanyName().text(), QStringLiteral("Acme"));
}

void TestSplash::timerClosesTheSplash() {
    Folder f;
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    s.show();
    QVERIFY(s.isVisible());
    QVERIFY(s.tmrSplashUnload().isActive());
    QCOMPARE(s.tmrSplashUnload().remainingTime() > 3000, true);
    s.tmrSplashUnload_Timer();
    QVERIFY(!s.isVisible());
    QCOMPARE(s.result(), int(QDialog::Accepted));
}

void TestSplash::execReturnsWhenTheTimerFires() {
    Folder f;
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    // The real timer, shortened: the modal loop ends on its own first tick.
    QTimer::singleShot(0, &s, [&] { s.tmrSplashUnload().start(20); });
    QCOMPARE(s.exec(), int(QDialog::Accepted));
    QVERIFY(!s.isVisible());
    QVERIFY(!s.tmrSplashUnload().isActive());
}

void TestSplash::escapeDoesNotCloseIt() {
    Folder f;
    ScriptedDialogs d;
    FrmSplash s(d, f.path());
    s.Form_Load();
    s.show();
    QTest::keyClick(&s, Qt::Key_Escape);
    QVERIFY(s.isVisible());
    s.tmrSplashUnload_Timer();
    QVERIFY(!s.isVisible());
}

void TestSplash::brandingFileNotAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("words");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("a folder");
#ifdef Q_OS_UNIX
    QTest::newRow("named pipe") << QStringLiteral("fifo")
                                << QStringLiteral("a device, pipe or socket");
#endif
}

void TestSplash::brandingFileNotAFile() {
    // A pipe without a writer would block the start-up for good; a folder has no lines.
    QFETCH(QString, kind);
    QFETCH(QString, words);
    Folder f;
    const QString path = f.dir.filePath(QStringLiteral("Tarvik.cfg"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    }
    ScriptedDialogs d;
    d.expectErrorBox(QStringLiteral("The branding file Tarvik.cfg is %1, not a file.").arg(words),
                     MsgResult::Abort);
    FrmSplash s(d, f.path());
    {
        test::Watchdog watchdog("reading a branding file that is not a file",
                                std::chrono::seconds(10));
        s.Form_Load();
    }
    QVERIFY2(d.ok(), qPrintable(d.report()));
    QVERIFY(s.branding().brandLines.isEmpty());
}

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
