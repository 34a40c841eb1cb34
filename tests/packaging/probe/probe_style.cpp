// A test instrument, never installed: a Qt style plugin that the packaging test loads into the
// installed program through Qt's own QT_PLUGIN_PATH and QT_STYLE_OVERRIDE, so the program
// runs unchanged. It watches the program's windows and writes what it saw to the file named by
// TARVIK_PROBE_REPORT: the splash's company name and whether it has a logo, every message box
// (answered with Ignore or OK), the chart window's axis titles (from the chart template), the
// main window's caption, and the file the help window shows after Help > Contents. Then it
// closes the main window, which ends the program.
#include <QAbstractAxis>
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleFactory>
#include <QStylePlugin>
#include <QTextBrowser>
#include <QTimer>

namespace {

class Probe : public QObject {
public:
    Probe() : report_(qEnvironmentVariable("TARVIK_PROBE_REPORT")) {
        report_.open(QIODevice::WriteOnly | QIODevice::Text);
        timer_.setInterval(50);
        connect(&timer_, &QTimer::timeout, this, [this] { look(); });
        timer_.start();
        // However the program is stuck, the test gets an answer.
        QTimer::singleShot(60000, this, [this] {
            say(QStringLiteral("timeout"), QStringLiteral("the program did not get to its help"));
            report_.flush();
            std::_Exit(3);
        });
    }

private:
    void say(const QString& key, const QString& value) {
        report_.write((key + QStringLiteral(": ") + value + u'\n').toUtf8());
        report_.flush();
    }

    QWidget* visible(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->objectName() == QLatin1String(name)) {
                return w;
            }
        }
        return nullptr;
    }

    void look() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box != nullptr && box->isVisible()) {
                say(QStringLiteral("message"),
                    box->windowTitle() + QStringLiteral(" | ") +
                        box->text().replace(u'\n', QStringLiteral(" / ")));
                QAbstractButton* button = box->button(QMessageBox::Ignore);
                if (button == nullptr)  // the error box has buttons of its own, in its order
                    button = box->findChild<QAbstractButton*>(QStringLiteral("cmdIgnore"));
                if (button == nullptr)
                    button = box->button(QMessageBox::Ok);
                if (button == nullptr)
                    button = box->button(QMessageBox::Cancel);
                if (button != nullptr)
                    button->click();
                return;
            }
        }
        if (QWidget* splash = visible("frmSplash"); splash != nullptr && !splashSeen_) {
            splashSeen_ = true;
            auto* name = splash->findChild<QLabel*>(QStringLiteral("lblCompanyName"));
            auto* logo = splash->findChild<QLabel*>(QStringLiteral("imgLogo"));
            say(QStringLiteral("splash company"), name ? name->text() : QStringLiteral("?"));
            say(QStringLiteral("splash logo"), logo && !logo->pixmap().isNull()
                                                   ? QStringLiteral("shown")
                                                   : QStringLiteral("none"));
            return;
        }
        if (QWidget* chart = visible("frmChart1")) {
            QStringList titles;
            for (QChartView* view : chart->findChildren<QChartView*>()) {
                for (QAbstractAxis* axis : view->chart()->axes()) {
                    titles << axis->titleText();
                }
            }
            say(QStringLiteral("chart axes"), titles.join(QStringLiteral(" | ")));
            chart->close();
            return;
        }
        QWidget* main = visible("frmMain");
        if (main == nullptr || QApplication::activeModalWidget() != nullptr) {
            return;
        }
        if (!helpAsked_) {
            // Give a file named on the command line its turn first.
            if (++mainTicks_ < 10) {
                return;
            }
            helpAsked_ = true;
            say(QStringLiteral("caption"), main->windowTitle());
            if (auto* contents = main->findChild<QAction*>(QStringLiteral("mnuHelpContents"))) {
                // Not from this timer's own slot: a box the command shows runs a nested event
                // loop, in which this timer must go on firing.
                QTimer::singleShot(0, contents, &QAction::trigger);
            }
            return;
        }
        QString shown = QStringLiteral("none");
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* browser = w->findChild<QTextBrowser*>(); browser && w->isVisible()) {
                shown = browser->source().toLocalFile();
            }
        }
        say(QStringLiteral("help file"), shown);
        say(QStringLiteral("done"), QStringLiteral("yes"));
        timer_.stop();
        main->close();
    }

    QFile report_;
    QTimer timer_;
    bool splashSeen_ = false;
    bool helpAsked_ = false;
    int mainTicks_ = 0;
};

class ProbeStylePlugin : public QStylePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "probe_style.json")

public:
    QStyle* create(const QString&) override {
        new Probe;  // lives as long as the program
        return QStyleFactory::create(QStringLiteral("Fusion"));
    }
};

}  // namespace

#include "probe_style.moc"
