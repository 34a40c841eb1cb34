// The About box, the help window, the printer set-up dialog and the chart's printed page.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextStream>
#include <functional>

#include "../../tests/chart/drag_pass_data.h"
#include "../../tests/support/memory_settings.h"
#include "app/help_window.h"
#include "app/shell_commands.h"
#include "branding/about_text.h"
#include "branding/branding.h"
#include "chart/chart_print.h"
#include "chart/frm_chart1.h"
#include "common/program_paths.h"
#include "platform/qt_user_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "shots.h"

namespace tarvik::shots {

namespace {

// Answers the comment prompt as a user typing a comment would; any other box is a fault.
class CommentAnswer final : public UserDialogs {
public:
    MsgResult message(const QString& title, const QString& text, MsgIcon, MsgButtons) override {
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << '\n';
        return MsgResult::Abort;
    }
    QString inputBox(const QString&, const QString&, const QString&) override {
        return QStringLiteral("Pass 2: slicks, 75 shot on stage 1, 100 on stage 2");
    }
    QString openAnswer;  ///< the log "chosen" in the open dialog
    QString openFileName(const QString&, const QString&) override { return openAnswer; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

void settle(QWidget& w) {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
    w.repaint();
}

// Prints the chart window as `prepare` leaves it, to <name>.pdf and <name>.png.
void printedPage(const QString& folder, const QString& name,
                 const std::function<void(FrmChart1&, DataBuffer&, CommentAnswer&)>& prepare) {
    DataBuffer data;
    Settings settings;
    settings.maxRPMDisplay = 8000;
    settings.maxVSSDisplay = 150;
    test::MemorySettings backing;
    SettingsStore store(backing);
    CommentAnswer dialogs;
    test::fillDragPass(data);
    FrmChart1 w(ChartServices{data, settings, store, dialogs, QString(),
                              QStringLiteral("pass2_slicks.log")});
    w.show();
    w.Form_Load();
    settle(w);
    if (prepare) {
        prepare(w, data, dialogs);
        settle(w);
    }

    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = QDir(folder).filePath(name + QStringLiteral(".pdf"));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printChart(dialogs, data, w, printer, Branding::defaults().brandName());
    QTextStream(stdout) << pdf << '\n';
    // The page as a picture, through the same poppler tool a user's viewer would be like.
    const QString png = QDir(folder).filePath(name);
    const int rc =
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                           QStringLiteral("-singlefile"), pdf, png});
    if (rc == 0) {
        QTextStream(stdout) << png << ".png\n";
    } else {
        QTextStream(stderr) << "pdftoppm failed (" << rc << "): no picture of the printed page\n";
    }
}

}  // namespace

void printShots(const QString& folder) {
    {
        const auto box =
            QtUserDialogs::makeMessageBox(kAboutTitle, aboutText(Branding::defaults().brandLines),
                                          MsgIcon::Information, MsgButtons::Ok, nullptr);
        box->show();
        settle(*box);
        save(*box, QStringLiteral("about"));
    }
    {
        const auto box = QtUserDialogs::makeMessageBox(
            QStringLiteral("Error"), QStringLiteral("RS-232 timeout. Check cable and click Abort."),
            MsgIcon::Critical, MsgButtons::AbortRetryIgnore, nullptr);
        box->show();
        settle(*box);
        save(*box, QStringLiteral("error_box"));
    }
    {
        HelpWindow help;
        if (help.openFile(programFile(kHelpFileName))) {
            help.show();
            settle(help);
            save(help, QStringLiteral("help_contents"));
            help.browser().scrollToAnchor(QStringLiteral("troubleshooting"));
            settle(help);
            save(help, QStringLiteral("help_troubleshooting"));
        } else {
            QTextStream(stderr) << "no help file beside the program\n";
        }
    }
    {
        QPrinter printer(QPrinter::HighResolution);
        const auto dialog =
            QtUserDialogs::makePrinterSetupDialog(printer, kPrinterSetupTitle, nullptr);
        dialog->show();
        settle(*dialog);
        save(*dialog, QStringLiteral("printer_setup"));
    }
    printedPage(folder, QStringLiteral("chart_printed"), {});
    printedPage(folder, QStringLiteral("chart_printed_onoff"),
                [](FrmChart1& w, DataBuffer&, CommentAnswer&) {
                    if (auto* gpi = w.findChild<QRadioButton*>(QStringLiteral("optTrace2GPI"))) {
                        gpi->click();
                    }
                });
    printedPage(folder, QStringLiteral("chart_pass_compared_printed"),
                [&folder](FrmChart1& w, DataBuffer& data, CommentAnswer& dialogs) {
                    dialogs.openAnswer = writeComparedLog(folder);
                    showPassAnalysis(w, data);
                });
}

}  // namespace tarvik::shots
