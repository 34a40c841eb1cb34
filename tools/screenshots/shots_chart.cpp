#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QSvgRenderer>

#include "../../tests/chart/drag_pass_data.h"
#include "../../tests/support/memory_settings.h"
#include "chart/chart_analysis.h"
#include "chart/chart_control.h"
#include "chart/chart_export.h"
#include "chart/frm_chart1.h"
#include "chart/launch_finder.h"
#include "core/app_error.h"
#include "logdata/log_file_writer.h"
#include "platform/qt_user_dialogs.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "shots.h"

#include <QTextStream>
#include <cmath>

namespace tarvik::shots {

namespace {

struct Fixture {
    DataBuffer data;
    Settings settings;
    test::MemorySettings backing;
    SettingsStore store{backing};
    QtUserDialogs dialogs;

    Fixture() {
        settings.maxRPMDisplay = 8000;
        settings.maxVSSDisplay = 150;
        test::fillDragPass(data);
    }
    ChartServices services() { return {data, settings, store, dialogs, QString()}; }
};

void settle(QWidget& w) {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
    w.repaint();
}

// Clicks the chart where Trace 1 draws the sample of a row, as the user would.
void clickSample(FrmChart1& w, const DataBuffer& data, int row,
                 Qt::MouseButton button = Qt::LeftButton) {
    ChartControl& c = w.chart();
    const QPointF p = c.dataToPixel(1, data.at(Column::ElapsedTime, row), 0);
    const QPoint at(qRound(p.x()), qRound(c.plotAreaRect().center().y()));
    QMouseEvent press(QEvent::MouseButtonPress, at, c.viewport()->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(c.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, c.viewport()->mapToGlobal(at), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(c.viewport(), &release);
}

// Answers the open dialog with the compared log; any other box is a fault.
class CompareAnswer final : public UserDialogs {
public:
    explicit CompareAnswer(QString path) : path_(std::move(path)) {}
    MsgResult message(const QString& title, const QString& text, MsgIcon, MsgButtons) override {
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << '\n';
        return MsgResult::Abort;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&) override { return path_; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }

private:
    QString path_;
};

// What Save Picture writes of the window: the PNG, and the SVG drawn into a PNG to look at.
void savedPictures(FrmChart1& w) {
    const QDir folder(g_folder);
    const std::vector<ReadOutLine> lines = w.analysis().readOutLines();
    for (const char* name : {"chart_saved_picture.png", "chart_saved_picture.svg"}) {
        const QString path = folder.filePath(QLatin1String(name));
        try {
            writePicture(path, w.chart(), lines);
            QTextStream(stdout) << path << '\n';
        } catch (const AppError& e) {
            QTextStream(stderr) << e.description() << '\n';
        }
    }
    QSvgRenderer svg(folder.filePath(QStringLiteral("chart_saved_picture.svg")));
    QImage drawn(svg.defaultSize(), QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    QPainter p(&drawn);
    svg.render(&p);
    p.end();
    const QString png = folder.filePath(QStringLiteral("chart_saved_picture_svg.png"));
    drawn.save(png);
    QTextStream(stdout) << png << '\n';
}

}  // namespace

QString writeComparedLog(const QString& folder) {
    DataBuffer other;
    test::fillDragPass(other);
    // The earlier pass of the day, a touch slower: less engine speed and road speed.
    for (int row = 1; row <= kDataRows; ++row) {
        other.at(Column::RPM, row) = std::round(other.at(Column::RPM, row) * 0.96f);
        other.at(Column::VSS, row) = other.at(Column::VSS, row) * 0.93f;
    }
    other.comment = QStringLiteral("Pass 1: street tyres");
    const QString path = QDir(folder).filePath(QStringLiteral("pass1_street_tyres.log"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        LogFileWriter(f).writeAll(other, QStringLiteral("Orvenna"));
    }
    return path;
}

void showPassAnalysis(FrmChart1& w, const DataBuffer& data) {
    w.findChild<QAction*>(QStringLiteral("cmdGoToLaunch"))->trigger();
    w.findChild<QAction*>(QStringLiteral("cmdGoToLaunch"))->trigger();
    w.findChild<QAction*>(QStringLiteral("cmdCompareWith"))->trigger();
    settle(w);
    const int launch = findLaunches(data).rows.at(1);
    clickSample(w, data, launch + 20);
    clickSample(w, data, launch + 75, Qt::RightButton);
}

void chartShots() {
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        settle(w);
        save(w, QStringLiteral("chart_opened"));
    }
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace2Stage1Trig"))->click();
        // The second pass, one minute wide around the marked sample.
        clickSample(w, f.data, 1840);
        w.findChild<QRadioButton*>(QStringLiteral("optTimeScale2"))->click();
        clickSample(w, f.data, 1830);
        settle(w);
        save(w, QStringLiteral("chart_onoff_marker"));
    }
    {
        Fixture f;
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace1Input1AFR"))->click();
        w.findChild<QRadioButton*>(QStringLiteral("optTrace2Stage2PWM"))->click();
        clickSample(w, f.data, 1830);
        w.findChild<QRadioButton*>(QStringLiteral("optTimeScale1"))->click();
        clickSample(w, f.data, 1850);
        settle(w);
        save(w, QStringLiteral("chart_afr_pwm_15s"));
    }
    {
        Fixture f;
        f.data.controllerVersion = QStringLiteral("QX-1");
        FrmChart1 w(f.services());
        w.show();
        w.Form_Load();
        settle(w);
        save(w, QStringLiteral("chart_qx1"));
    }
    {
        Fixture f;
        f.data.comment = QStringLiteral("Pass 2: slicks");
        CompareAnswer answer(writeComparedLog(g_folder));
        ChartServices services{f.data, f.settings, f.store,
                               answer, QString(),  QStringLiteral("pass2_slicks.log")};
        FrmChart1 w(services);
        w.show();
        w.Form_Load();
        settle(w);
        showPassAnalysis(w, f.data);
        settle(w);
        save(w, QStringLiteral("chart_pass_compared"));
        savedPictures(w);
    }
}

}  // namespace tarvik::shots
