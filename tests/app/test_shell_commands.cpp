// About, Help > Contents and Print Setup from the main window's menus, and the printer chosen in
// Print Setup being the one the chart prints on.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include "../chart/drag_pass_data.h"
#include "app/frm_main.h"
#include "app/help_window.h"
#include "app/shell_commands.h"
#include "chart/frm_chart1.h"
#include "common/program_paths.h"
#include "memory_settings.h"
#include "pdf_tools.h"
#include "platform/qt_user_dialogs.h"
#include "scripted_dialogs.h"
#include "watchdog.h"

using namespace tarvik;

namespace {

const QString kRevision = QStringLiteral(" Nitrous Data Logging Program Revision 2.01");

struct Fixture {
    test::MemorySettings store;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<FrmMain> window;

    FrmMain& load(Branding branding = Branding::defaults(), QString helpFile = QString()) {
        MainWindowServices services{&dialogs, &store, std::move(branding)};
        services.helpFile = std::move(helpFile);
        window = std::make_unique<FrmMain>(std::move(services));
        window->setClosePortAction([] {});
        window->setExitAction([] {});
        window->Form_Load();
        return *window;
    }
    void trigger(const char* action) {
        QAction* a = window->findChild<QAction*>(QLatin1String(action));
        if (a == nullptr) {
            qFatal("no action %s", action);
        }
        a->trigger();
    }
};

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The page's contents links and the anchors they lead to.
QStringList matches(const QString& text, const QString& pattern) {
    QStringList found;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext()) {
        found << it.next().captured(1);
    }
    return found;
}

}  // namespace

class TestShellCommands : public QObject {
    Q_OBJECT

private slots:
    void about_data();
    void about();

    void helpOpensGuide();
    void helpLinksLeadSomewhere();
    void helpReusesItsWindow();
    void helpMissing();
    void helpResourcesOnlyFromItsFolder();
    void helpPictureNamingAPipeNeverHangs_data();
    void helpPictureNamingAPipeNeverHangs();

    void printerSetupCancelChangesNothing();
    void printerSetupChoiceIsUsedForPrinting();
    void realPrinterDialog();
};

void TestShellCommands::about_data() {
    QTest::addColumn<QStringList>("brandLines");
    QTest::addColumn<QString>("text");
    const QString crlf = QStringLiteral("\r\n");
    QTest::newRow("default branding")
        << Branding::defaults().brandLines
        << QStringLiteral("Orvenna") + kRevision + crlf + crlf +
               QStringLiteral("Orvenna Performance Electronics Ltd.") + crlf +
               QStringLiteral("1480 Foundry Road, Unit 7") + crlf +
               QStringLiteral("Harlow Springs, OR 97420") + crlf +
               QStringLiteral("Tel. (541) 555-0187") + crlf +
               QStringLiteral("www.orvenna.example") + crlf;
    QTest::newRow("single line") << QStringList{QStringLiteral("Acme")}
                                 << QStringLiteral("Acme") + kRevision + crlf + crlf;
    QTest::newRow("empty further line kept")
        << QStringList{QStringLiteral("Acme"), QString(), QStringLiteral("Shop")}
        << QStringLiteral("Acme") + kRevision + crlf + crlf + crlf + QStringLiteral("Shop") + crlf;
    QTest::newRow("no brand lines")
        << QStringList{} << QStringLiteral("Nitrous Data Logging Program Revision 2.01");
}

void TestShellCommands::about() {
    QFETCH(QStringList, brandLines);
    QFETCH(QString, text);
    Fixture f;
    Branding b = Branding::defaults();
    b.brandLines = brandLines;
    f.load(b);
    f.dialogs.expectMessage(QStringLiteral("About"), text, MsgIcon::Information, MsgButtons::Ok,
                            MsgResult::Ok);
    f.trigger("mnuAbout");
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestShellCommands::helpOpensGuide() {
    Fixture f;
    FrmMain& w = f.load();
    QVERIFY2(QFile::exists(programFile(kHelpFileName)), "the guide is not beside the program");
    QVERIFY(w.helpWindow() == nullptr);
    f.trigger("mnuHelpContents");
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    HelpWindow* help = w.helpWindow();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowTitle(), HelpWindow::kCaption);
    QTextBrowser& browser = help->browser();
    QCOMPARE(browser.verticalScrollBar()->value(), 0);
    // The guide's first lines are its contents, and it covers what users ask about.
    const QString text = browser.toPlainText();
    QVERIFY2(text.left(600).contains(QStringLiteral("Contents")), qPrintable(text.left(600)));
    for (const char* topic : {"Port Setup", "Download Data", "Print Setup", "Printer Setup",
                              "Real Time Display Options", "Reset Time Display",
                              "Communications Error", "No data found"}) {
        QVERIFY2(text.contains(QLatin1String(topic)), topic);
    }
}

void TestShellCommands::helpLinksLeadSomewhere() {
    QFile file(programFile(kHelpFileName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    const QStringList links = matches(html, QStringLiteral("href=\"#([^\"]+)\""));
    const QStringList anchors = matches(html, QStringLiteral("name=\"([^\"]+)\""));
    QVERIFY2(links.size() >= 10, "the contents list is missing");
    for (const QString& link : links) {
        QVERIFY2(anchors.contains(link), qPrintable(QStringLiteral("no anchor for #") + link));
    }

    // Following a link moves down the page; Back and Contents return to the top.
    Fixture f;
    FrmMain& w = f.load();
    f.trigger("mnuHelpContents");
    HelpWindow& help = *w.helpWindow();
    help.resize(700, 500);
    QApplication::processEvents();
    QTextBrowser& browser = help.browser();
    browser.setSource(QUrl(QStringLiteral("#") + links.last()));
    QApplication::processEvents();
    QVERIFY(browser.verticalScrollBar()->value() > 0);
    auto* back = help.findChild<QToolButton*>(QStringLiteral("cmdBack"));
    QVERIFY(back != nullptr && back->isEnabled());
    help.findChild<QToolButton*>(QStringLiteral("cmdContents"))->click();
    QApplication::processEvents();
    QCOMPARE(browser.verticalScrollBar()->value(), 0);
}

void TestShellCommands::helpReusesItsWindow() {
    Fixture f;
    FrmMain& w = f.load();
    f.trigger("mnuHelpContents");
    HelpWindow* first = w.helpWindow();
    first->close();
    f.trigger("mnuHelpContents");
    QCOMPARE(w.helpWindow(), first);
    QVERIFY(first->isVisible());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestShellCommands::helpMissing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tarvik_Help.html"));
    Fixture f;
    FrmMain& w = f.load(Branding::defaults(), path);
    f.dialogs.expectMessage(
        QStringLiteral("Help"),
        QStringLiteral("The help file could not be found:\r\n") + QDir::toNativeSeparators(path),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    f.trigger("mnuHelpContents");
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QVERIFY(w.helpWindow() == nullptr);
}

void TestShellCommands::helpResourcesOnlyFromItsFolder() {
    // A guide whose pictures name a device, a pipe, a huge file and files outside its folder:
    // it opens at once, shows its own picture, and reads none of the others.
    QTemporaryDir dir;
    const QString guideDir = dir.filePath(QStringLiteral("guide"));
    QVERIFY(QDir().mkpath(guideDir));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    };
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(guideDir + QStringLiteral("/pic.png")));
    QVERIFY(image.save(dir.filePath(QStringLiteral("outside.png"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside.png")),
                        guideDir + QStringLiteral("/link.png")));
    QCOMPARE(::mkfifo(QFile::encodeName(guideDir + QStringLiteral("/pipe.png")).constData(), 0600),
             0);
    {
        QFile big(guideDir + QStringLiteral("/big.png"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(HelpWindow::kMaxResourceBytes + 1));
    }
    const QStringList refused = {QStringLiteral("file:///dev/zero"),
                                 QStringLiteral("/dev/zero"),
                                 QStringLiteral("../outside.png"),
                                 QStringLiteral("link.png"),
                                 QStringLiteral("pipe.png"),
                                 QStringLiteral("big.png"),
                                 QStringLiteral("https://example.com/x.png")};
    QByteArray page = "<html><body><p>Guide</p><img src=\"pic.png\">";
    for (const QString& src : refused) {
        page += "<img src=\"" + src.toUtf8() + "\">";
    }
    page += "</body></html>";
    const QString guide = guideDir + QStringLiteral("/Tarvik_Help.html");
    write(guide, page);

    HelpWindow help;
    {
        test::Watchdog dog("help page naming a device and a pipe", std::chrono::seconds(10));
        QVERIFY(help.openFile(guide));
        help.show();
        QCoreApplication::processEvents();
    }
    QVERIFY(help.browser().toPlainText().contains(QStringLiteral("Guide")));
    const QUrl base = QUrl::fromLocalFile(guide);
    QCOMPARE(help.guideResource(QUrl(QStringLiteral("pic.png")), base),
             fileBytes(guideDir + QStringLiteral("/pic.png")));
    for (const QString& src : refused) {
        QVERIFY2(help.guideResource(QUrl(src), base).isEmpty(), qPrintable(src));
    }
    // What the page's document took in is bounded too.
    const QVariant zero =
        help.browser().document()->resource(QTextDocument::ImageResource, QUrl(refused[0]));
    QVERIFY(zero.toByteArray().isEmpty());
}

void TestShellCommands::helpPictureNamingAPipeNeverHangs_data() {
    QTest::addColumn<bool>("inGuideFolder");
    QTest::newRow("an absolute path to a pipe elsewhere") << false;
    QTest::newRow("a pipe in the guide's folder, the program's current folder") << true;
}

void TestShellCommands::helpPictureNamingAPipeNeverHangs() {
    // A picture the guide refuses is never read behind its back: the page's image loader would
    // otherwise open the named file by itself, and a pipe without a writer waits for good.
    QFETCH(bool, inGuideFolder);
    QTemporaryDir dir;
    const QString guideDir = dir.filePath(QStringLiteral("guide"));
    QVERIFY(QDir().mkpath(guideDir));
    const QString pipe = inGuideFolder ? guideDir + QStringLiteral("/pipe.png")
                                       : dir.filePath(QStringLiteral("elsewhere.png"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString src = inGuideFolder ? QStringLiteral("pipe.png") : pipe;
    const QString guide = guideDir + QStringLiteral("/Tarvik_Help.html");
    {
        QFile f(guide);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<html><body><p>Guide</p><img src=\"" + src.toUtf8() + "\"></body></html>");
    }
    // The program runs in its own folder, where the guide is: a bare name resolves there.
    const QString before = QDir::currentPath();
    QDir::setCurrent(inGuideFolder ? guideDir : dir.path());
    HelpWindow help;
    {
        test::Watchdog dog("help page with a picture naming a pipe", std::chrono::seconds(10));
        QVERIFY(help.openFile(guide));
        help.show();
        const QImage shown = help.grab().toImage();  // lays the page out, pictures and all
        QVERIFY(!shown.isNull());
        QCoreApplication::processEvents();
    }
    QDir::setCurrent(before);
    QVERIFY(help.browser().toPlainText().contains(QStringLiteral("Guide")));
    const QVariant picture =
        help.browser().document()->resource(QTextDocument::ImageResource, QUrl(src));
    QVERIFY(picture.canConvert<QImage>());
    QVERIFY(!picture.value<QImage>().isNull());  // drawn as a missing picture
}

void TestShellCommands::printerSetupCancelChangesNothing() {
    Fixture f;
    FrmMain& w = f.load();
    QTemporaryDir dir;
    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    w.printer().setOutputFormat(QPrinter::PdfFormat);
    w.printer().setOutputFileName(before);
    w.printer().setPageOrientation(QPageLayout::Portrait);
    // The user picks other settings in the dialog, then cancels: none of them may stick.
    f.dialogs.expectPrinterSetup(QStringLiteral("Printer Setup"), false);
    f.trigger("mnuPrintSetup");
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(w.printer().outputFileName(), before);
    QCOMPARE(w.printer().pageLayout().orientation(), QPageLayout::Portrait);
}

void TestShellCommands::printerSetupChoiceIsUsedForPrinting() {
    Fixture f;
    FrmMain& w = f.load();
    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("chosen.pdf"));
    QPrinter* seen = nullptr;
    f.dialogs.expectPrinterSetup(QStringLiteral("Printer Setup"), true, [&](QPrinter& p) {
        seen = &p;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(chosen);
    });
    f.trigger("mnuPrintSetup");
    QCOMPARE(seen, &w.printer());

    // View Chart, then Print in the chart window: the page goes where Print Setup said.
    test::fillDragPass(w.dataBuffer());
    w.dataBuffer().bufferEmpty = false;
    f.dialogs.expectInput(QStringLiteral("Enter or edit comment. Cancel will erase any comment."),
                          QStringLiteral("Optional Information Entry/Edit"), QString(),
                          QStringLiteral("via set-up"));
    bool printed = false;
    QTimer::singleShot(0, [&] {
        auto* chart = qobject_cast<FrmChart1*>(QApplication::activeModalWidget());
        if (chart == nullptr) {
            return;
        }
        chart->findChild<QPushButton*>(QStringLiteral("cmdPrint"))->click();
        printed = true;
        chart->cmdExit_Click();
    });
    f.trigger("mnuViewChart");
    QVERIFY(printed);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QString error;
    const QString text = test::pdfText(chosen, &error);
    QVERIFY2(text.contains(QStringLiteral("Orvenna Nitrous Controller Data Printed: 6/14/2024")),
             qPrintable(text + error));
    QVERIFY(text.contains(QStringLiteral("Comment: via set-up")));
}

void TestShellCommands::realPrinterDialog() {
    // The real dialog: titled "Printer Setup", OK rather than Print, and Cancel leaves the
    // printer as it was.
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("kept.pdf")));
    printer.setPageOrientation(QPageLayout::Portrait);
    QString title;
    QString okText;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        title = dialog->windowTitle();
        if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
            okText = box->button(QDialogButtonBox::Ok)->text();
        }
        dialog->reject();
    });
    QtUserDialogs dialogs;
    QVERIFY(!dialogs.printerSetup(printer, QStringLiteral("Printer Setup")));
    QCOMPARE(title, QStringLiteral("Printer Setup"));
    QCOMPARE(okText, QStringLiteral("OK"));
    QCOMPARE(printer.outputFileName(), dir.filePath(QStringLiteral("kept.pdf")));
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
}

QTEST_MAIN(TestShellCommands)
#include "test_shell_commands.moc"
