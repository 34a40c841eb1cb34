// Print Setup through the real printer dialog after a print that failed: the choice made with
// the dialog's OK takes effect, and the next print goes where it says.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "../chart/drag_pass_data.h"
#include "app/frm_main.h"
#include "chart/comment_command.h"
#include "chart/frm_chart1.h"
#include "memory_settings.h"
#include "pdf_tools.h"
#include "platform/qt_user_dialogs.h"
#include "scripted_dialogs.h"

using namespace tarvik;

namespace {

/// The boxes scripted as usual, the printer set-up the real Qt dialog.
class RealPrinterDialog final : public UserDialogs {
public:
    explicit RealPrinterDialog(test::ScriptedDialogs& boxes) : boxes_(boxes) {}
    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override {
        return boxes_.message(title, text, icon, buttons);
    }
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override {
        return boxes_.inputBox(prompt, title, defaultText);
    }
    QString openFileName(const QString& title, const QString& filter) override {
        return boxes_.openFileName(title, filter);
    }
    QString saveFileName(const QString& title, const QString& filter) override {
        return boxes_.saveFileName(title, filter);
    }
    bool printerSetup(QPrinter& printer, const QString& title) override {
        return real_.printerSetup(printer, title);
    }

private:
    test::ScriptedDialogs& boxes_;
    QtUserDialogs real_;
};

const QString kNoPrinter = QStringLiteral(
    "Printer error: no printer is installed. Choose a printer, or printing to a "
    "PDF file, with File > Print Setup.");

struct Fixture {
    test::MemorySettings store;
    test::ScriptedDialogs boxes;
    RealPrinterDialog dialogs{boxes};
    std::unique_ptr<FrmMain> window;

    Fixture() {
        window = std::make_unique<FrmMain>(MainWindowServices{&dialogs, &store});
        window->setClosePortAction([] {});
        window->setExitAction([] {});
        window->Form_Load();
        test::fillDragPass(window->dataBuffer());
        window->dataBuffer().bufferEmpty = false;
    }
    void trigger(const char* action) {
        window->findChild<QAction*>(QLatin1String(action))->trigger();
    }
    // View Chart, "Print" in the chart window, then "Exit".
    bool printFromChart() {
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
        trigger("mnuViewChart");
        return printed;
    }
    // Print Setup in the real dialog: printing to a PDF file at `path`, then OK.
    bool chooseFile(const QString& path) {
        bool accepted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            auto* printers = dialog != nullptr
                                 ? dialog->findChild<QComboBox*>(QStringLiteral("printers"))
                                 : nullptr;
            auto* file = dialog != nullptr
                             ? dialog->findChild<QLineEdit*>(QStringLiteral("filename"))
                             : nullptr;
            auto* buttons = dialog != nullptr ? dialog->findChild<QDialogButtonBox*>() : nullptr;
            if (printers == nullptr || file == nullptr || buttons == nullptr) {
                if (dialog != nullptr) {
                    dialog->reject();
                }
                return;
            }
            const int pdf = printers->findText(QStringLiteral("Print to File (PDF)"));
            printers->setCurrentIndex(pdf);
            file->setText(path);
            buttons->button(QDialogButtonBox::Ok)->click();
            accepted = pdf >= 0;
        });
        trigger("mnuPrintSetup");
        return accepted;
    }
};

}  // namespace

class TestPrintSetup : public QObject {
    Q_OBJECT

private slots:
    void choiceAfterFailedPrintTakesEffect();
    void choiceAfterFailedFileTakesEffect();
};

void TestPrintSetup::choiceAfterFailedPrintTakesEffect() {
    Fixture f;
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        QSKIP("this machine has a printer, so the first print would not fail");
    }
    // The first print finds no printer.
    f.boxes.expectInput(kCommentPrompt, kCommentTitle, QString(), QStringLiteral("first"));
    f.boxes.expectErrorBox(kNoPrinter, MsgResult::Abort);
    QVERIFY(f.printFromChart());
    QVERIFY2(f.boxes.ok(), qPrintable(f.boxes.report()));

    // Doing what the box says: Print Setup, printing to a PDF file, OK.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("after.pdf"));
    QVERIFY(f.chooseFile(path));
    QCOMPARE(f.window->printer().outputFileName(), path);
    QCOMPARE(f.window->printer().outputFormat(), QPrinter::PdfFormat);

    // The next print goes there.
    f.boxes.expectInput(kCommentPrompt, kCommentTitle, QStringLiteral("first"),
                        QStringLiteral("second"));
    QVERIFY(f.printFromChart());
    QVERIFY2(f.boxes.ok(), qPrintable(f.boxes.report()));
    QString error;
    const QString text = test::pdfText(path, &error);
    QVERIFY2(text.contains(QStringLiteral("Comment: second")), qPrintable(text + error));
}

void TestPrintSetup::choiceAfterFailedFileTakesEffect() {
    // A file in a folder that is not there; then another file, chosen in the real dialog.
    Fixture f;
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("gone/page.pdf"));
    const QString good = dir.filePath(QStringLiteral("page.pdf"));
    f.window->printer().setOutputFormat(QPrinter::PdfFormat);
    f.window->printer().setOutputFileName(bad);
    f.boxes.expectInput(kCommentPrompt, kCommentTitle, QString(), QString());
    f.boxes.expectErrorBox(
        QStringLiteral("Printer error: the file \"%1\" could not be written.").arg(bad),
        MsgResult::Ignore);
    QVERIFY(f.printFromChart());
    QVERIFY(f.chooseFile(good));
    f.boxes.expectInput(kCommentPrompt, kCommentTitle, QString(), QStringLiteral("landed"));
    QVERIFY(f.printFromChart());
    QVERIFY2(f.boxes.ok(), qPrintable(f.boxes.report()));
    QVERIFY(test::pdfText(good).contains(QStringLiteral("Comment: landed")));
    QVERIFY(!QFile::exists(bad));
}

QTEST_MAIN(TestPrintSetup)
#include "test_print_setup.moc"
