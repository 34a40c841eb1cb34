#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/frm_main.h"
#include "memory_settings.h"
#include "realtime/dial_gauge.h"
#include "realtime/real_time_panel.h"
#include "scripted_dialogs.h"

using namespace tarvik;
using test::MemorySettings;
using test::ScriptedDialogs;

namespace {

// The error text of a stored value that does not convert: the conversion's words, the setting
// and the store's file.
QString badSetting(const char* words, const char* key, const char* value) {
    return QString::fromLatin1(words) + QStringLiteral("\r\nSetting: %1 = %2").arg(key, value) +
           QStringLiteral("\r\nSettings file: ") + test::MemorySettings().file;
}

// The box for a stored port the port list does not have.
QString badPortText(const char* stored) {
    const QString text = QString::fromLatin1(stored);
    bool number = false;
    const int port = text.toInt(&number);
    const QString words =
        number ? QStringLiteral(
                     "Invalid property value: port %1 is not in the port list (Com1 to "
                     "Com255).")
                     .arg(port)
               : QStringLiteral("Type mismatch");
    return badSetting(qPrintable(words), "CommPort", stored) +
           QStringLiteral("\r\nThe program uses Com1.");
}

// A main window over an in-memory store and scripted dialogs; closing it does not end the test.
struct Fixture {
    MemorySettings store;
    ScriptedDialogs dialogs;
    std::unique_ptr<FrmMain> window;
    int portCloses = 0;
    int exits = 0;

    FrmMain& make(Branding branding = Branding::defaults()) {
        window = std::make_unique<FrmMain>(MainWindowServices{&dialogs, &store, branding});
        window->setClosePortAction([this] { ++portCloses; });
        window->setExitAction([this] { ++exits; });
        return *window;
    }
    FrmMain& load() {
        FrmMain& w = make();
        w.Form_Load();
        return w;
    }
};

// Records the keys a widget receives.
class KeyRecorder : public QObject {
public:
    QList<int> keys;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            keys << static_cast<QKeyEvent*>(e)->key();
        }
        return false;
    }
};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programIdentityIsSetWithTheApplication();
    void menuTreeIsComplete();
    void portListHasAllPorts();
    void firstRunWritesOnlyThePort();
    void captionCarriesTheBrand();
    void chartMaximaAreClampedAtLoad_data();
    void chartMaximaAreClampedAtLoad();
    void dialLimitsAreAppliedAsStored_data();
    void dialLimitsAreAppliedAsStored();
    void displayFlagsAcceptTextAndNumbers_data();
    void displayFlagsAcceptTextAndNumbers();
    void storedPortPositions_data();
    void storedPortPositions();
    void badPortAbortStillUsesCom1_data();
    void badPortAbortStillUsesCom1();
    void conversionFailureAbortSkipsTheRest();
    void conversionFailureIgnoreLeavesZero();
    void conversionFailureRetryRepeatsTheStep();
    void badValueInEveryKeyNeverCrashes_data();
    void badValueInEveryKeyNeverCrashes();
    void choosingAPortWritesItAndClosesThePort();
    void refusedPortWriteShowsTheErrorBox();
    void portSetupFrameShowsAndHides();
    void escSetsAbortAndStillReachesTheControl();
    void closingClosesPortAndEnds();
    void exitMenuCloses();
};

void TestMainWindow::programIdentityIsSetWithTheApplication() {
    // Set as the application object was made, before any window: the kept downloads and the
    // recordings live under this name.
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Tarvik"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tarvik"));
    QVERIFY2(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                 .endsWith(QStringLiteral("/Tarvik/Tarvik")),
             qPrintable(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

void TestMainWindow::menuTreeIsComplete() {
    Fixture f;
    FrmMain& w = f.load();
    QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
    struct Entry {
        const char* name;
        const char* caption;
        const char* shortcut = "";  // none but the few named; access keys otherwise
    };
    const QList<QPair<QString, QList<Entry>>> expected = {
        {"&File",
         {{"mnuOpenFile", "&Open File"},
          {"mnuSaveFile", "&Save File"},
          {"mnuRecentFiles", "Recent &Files"},
          {"mnuRecentDownloads", "Recent &Downloads"},
          {"mnuRecentRecordings", "Recent Recordings"},
          {"mnuOpenDownloadsFolder", "Open Downloads Fo&lder"},
          {"mnuPassLibrary", "Pass Library...", "Ctrl+L"},
          {"mnuSep1", ""},
          {"mnuPrintSetup", "Print Set&up"},
          {"mnuSep2", ""},
          {"mnuExit", "E&xit"}}},
        {"&Edit",
         {{"mnuEditComment", "&Comment"},
          {"mnuRealTimeDisplayOptions", "Real Time Display &Options"}}},
        {"&View",
         {{"mnuViewRealTime", "View &Real Time Data"},
          {"mnuViewChart", "View &Chart (Downloaded Data)"},
          {"mnuSepRecording", ""},
          {"mnuRecordRealTime", "Record Real Time Data"},
          {"mnuStripChart", "Strip Chart"}}},
        {"&Communications",
         {{"mnuDownload", "&Download Data"},
          {"mnuClearControllerBuffer", "Clear Controller Data Buffer"},
          {"mnuPortSetup", "&Port Setup"},
          {"mnuFindPorts", "&Find Ports..."}}},
        {"&Help", {{"mnuHelpContents", "&Contents"}, {"mnuAbout", "&About"}}},
    };
    const QList<QAction*> menus = w.menuBar()->actions();
    QCOMPARE(menus.size(), expected.size());
    for (int m = 0; m < menus.size(); ++m) {
        QCOMPARE(menus[m]->text(), expected[m].first);
        const QList<QAction*> items = menus[m]->menu()->actions();
        QCOMPARE(items.size(), expected[m].second.size());
        for (int i = 0; i < items.size(); ++i) {
            const Entry& e = expected[m].second[i];
            QCOMPARE(items[i]->objectName(), QString::fromLatin1(e.name));
            QCOMPARE(items[i]->isSeparator(), QByteArray(e.caption).isEmpty());
            if (!items[i]->isSeparator()) {
                QCOMPARE(items[i]->text(), QString::fromLatin1(e.caption));
                QCOMPARE(items[i]->shortcut(), QKeySequence(QString::fromLatin1(e.shortcut)));
            }
        }
    }
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::portListHasAllPorts() {
    Fixture f;
    FrmMain& w = f.load();
    auto* cbo = w.findChild<QComboBox*>(QStringLiteral("cboPort"));
    QVERIFY(cbo);
    QCOMPARE(cbo->count(), 255);
    QCOMPARE(cbo->itemText(0), QStringLiteral("Com1"));
    QCOMPARE(cbo->itemText(9), QStringLiteral("Com10"));
    QCOMPARE(cbo->itemText(254), QStringLiteral("Com255"));
    auto* frame = w.findChild<QGroupBox*>(QStringLiteral("fraPortSelect"));
    QVERIFY(frame);
    QCOMPARE(frame->title(), QStringLiteral("Data Port Setup"));
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblPort"))->text(), QStringLiteral("Port"));
    QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("cmdPortSelectOK"))->text(),
             QStringLiteral("OK"));
}

void TestMainWindow::firstRunWritesOnlyThePort() {
    Fixture f;
    FrmMain& w = f.load();
    QCOMPARE(f.store.writes, QStringList{QStringLiteral("CommPort=1")});
    QCOMPARE(w.portNumber(), qint16(1));
    QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("cboPort"))->currentIndex(), 0);
    const Settings& s = w.settings();
    QCOMPARE(s.tachRedline, 6500.0f);
    QCOMPARE(s.tachMax, 10000.0f);
    QCOMPARE(s.speedoRedline, 85.0f);
    QCOMPARE(s.speedoMax, 140.0f);
    QVERIFY(s.tpsPercentDisplay && s.input1AnalogDisplay && s.input2AnalogDisplay);
    QCOMPARE(s.maxRPMDisplay, qint16(10000));
    QCOMPARE(s.maxVSSDisplay, qint16(140));
    QVERIFY(w.dataBuffer().bufferEmpty);
    QVERIFY(!w.abortRequested());
    QVERIFY(!w.realTimeActive());
    QCOMPARE(w.serialErrorCount(), 0);
    QVERIFY(!w.findChild<QGroupBox*>(QStringLiteral("fraPortSelect"))->isVisible());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::captionCarriesTheBrand() {
    Fixture f;
    FrmMain& w = f.load();
    QCOMPARE(w.baseTitle(), QStringLiteral("Nitrous Data Logging Program Version 2.0"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvenna Nitrous Data Logging Program Version 2.0"));

    Fixture g;
    Branding unbranded;
    FrmMain& w2 = g.make(unbranded);
    w2.Form_Load();
    QCOMPARE(w2.windowTitle(), QStringLiteral("Nitrous Data Logging Program Version 2.0"));
}

void TestMainWindow::chartMaximaAreClampedAtLoad_data() {
    QTest::addColumn<QString>("rpm");
    QTest::addColumn<QString>("vss");
    QTest::addColumn<int>("rpmLoaded");
    QTest::addColumn<int>("vssLoaded");
    QTest::newRow("below") << "3000"
                           << "40" << 4000 << 50;
    QTest::newRow("above") << "25000"
                           << "300" << 20000 << 250;
    QTest::newRow("inside") << "8000"
                            << "120" << 8000 << 120;
    QTest::newRow("at the ends") << "4000"
                                 << "250" << 4000 << 250;
    QTest::newRow("negative") << "-7"
                              << "-1" << 4000 << 50;
}

void TestMainWindow::chartMaximaAreClampedAtLoad() {
    QFETCH(QString, rpm);
    QFETCH(QString, vss);
    QFETCH(int, rpmLoaded);
    QFETCH(int, vssLoaded);
    Fixture f;
    f.store.set(QStringLiteral("MaxRPMDisplay"), rpm);
    f.store.set(QStringLiteral("MaxVSSDisplay"), vss);
    FrmMain& w = f.load();
    QCOMPARE(static_cast<int>(w.settings().maxRPMDisplay), rpmLoaded);
    QCOMPARE(static_cast<int>(w.settings().maxVSSDisplay), vssLoaded);
    // The store keeps what it held until the chart's prompt writes a new value.
    QCOMPARE(f.store.get(QStringLiteral("MaxRPMDisplay")), rpm);
    QCOMPARE(f.store.get(QStringLiteral("MaxVSSDisplay")), vss);
}

void TestMainWindow::dialLimitsAreAppliedAsStored_data() {
    QTest::addColumn<QString>("tachRedline");
    QTest::addColumn<QString>("tachMax");
    QTest::addColumn<QString>("speedoRedline");
    QTest::addColumn<QString>("speedoMax");
    QTest::addColumn<float>("dialTachRedline");
    QTest::addColumn<float>("dialTachMax");
    QTest::addColumn<float>("dialSpeedoRedline");
    QTest::addColumn<float>("dialSpeedoMax");
    QTest::newRow("defaults") << "6500"
                              << "10000"
                              << "85"
                              << "140" << 6.5f << 10.0f << 85.0f << 140.0f;
    QTest::newRow("outside the dialog's range, used as stored")
        << "19500"
        << "25000"
        << "300"
        << "400" << 19.5f << 25.0f << 300.0f << 400.0f;
    QTest::newRow("tie to even and whole part") << "6250"
                                                << "10350"
                                                << "85.7"
                                                << "139.99" << 6.2f << 10.4f << 85.0f << 139.0f;
}

void TestMainWindow::dialLimitsAreAppliedAsStored() {
    QFETCH(QString, tachRedline);
    QFETCH(QString, tachMax);
    QFETCH(QString, speedoRedline);
    QFETCH(QString, speedoMax);
    Fixture f;
    f.store.set(QStringLiteral("Tach_Redline"), tachRedline);
    f.store.set(QStringLiteral("Tach_Max"), tachMax);
    f.store.set(QStringLiteral("Speedo_Redline"), speedoRedline);
    f.store.set(QStringLiteral("Speedo_Max"), speedoMax);
    FrmMain& w = f.load();
    QTEST(static_cast<float>(w.realTimePanel().gauTach().redline()), "dialTachRedline");
    QTEST(static_cast<float>(w.realTimePanel().gauTach().maximum()), "dialTachMax");
    QTEST(static_cast<float>(w.realTimePanel().gauSpeedometer().redline()), "dialSpeedoRedline");
    QTEST(static_cast<float>(w.realTimePanel().gauSpeedometer().maximum()), "dialSpeedoMax");
}

void TestMainWindow::displayFlagsAcceptTextAndNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("False") << "False" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("True") << "True" << true;
    QTest::newRow("-1") << "-1" << true;
}

void TestMainWindow::displayFlagsAcceptTextAndNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    Fixture f;
    f.store.set(QStringLiteral("TPS_Percent_Display"), text);
    f.store.set(QStringLiteral("Input1_Analog_Display"), text);
    f.store.set(QStringLiteral("Input2_Analog_Display"), text);
    FrmMain& w = f.load();
    QCOMPARE(w.settings().tpsPercentDisplay, expected);
    QCOMPARE(w.settings().input1AnalogDisplay, expected);
    QCOMPARE(w.settings().input2AnalogDisplay, expected);
}

void TestMainWindow::storedPortPositions_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("errorText");  // empty: no box
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("writes");
    // A port the list does not have is reported with the setting and its file, and port 1 is
    // used: the program never works on a port that cannot be chosen.
    const auto notInList = [](const char* stored) { return badPortText(stored); };
    const QStringList usesCom1{QStringLiteral("CommPort=1")};
    QTest::newRow("3") << "3"
                       << "" << 3 << 2 << QStringList{"CommPort=3"};
    QTest::newRow("255") << "255"
                         << "" << 255 << 254 << QStringList{"CommPort=255"};
    QTest::newRow("0 selects nothing") << "0"
                                       << "" << 0 << -1 << QStringList{};
    QTest::newRow("12.5 rounds to 12") << "12.5"
                                       << "" << 12 << 11 << QStringList{"CommPort=12"};
    QTest::newRow("300") << "300" << notInList("300") << 1 << 0 << usesCom1;
    QTest::newRow("-5") << "-5" << notInList("-5") << 1 << 0 << usesCom1;
    QTest::newRow("256") << "256" << notInList("256") << 1 << 0 << usesCom1;
    QTest::newRow("999") << "999" << notInList("999") << 1 << 0 << usesCom1;
    QTest::newRow("abc") << "abc" << badPortText("abc") << 1 << 0 << usesCom1;
}

void TestMainWindow::storedPortPositions() {
    QFETCH(QString, stored);
    QFETCH(QString, errorText);
    QFETCH(int, portNumber);
    QFETCH(int, selected);
    QFETCH(QStringList, writes);
    Fixture f;
    f.store.set(QStringLiteral("CommPort"), stored);
    if (!errorText.isEmpty()) {
        f.dialogs.expectErrorBox(errorText, MsgResult::Ignore);
    }
    FrmMain& w = f.load();
    QCOMPARE(static_cast<int>(w.portNumber()), portNumber);
    QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("cboPort"))->currentIndex(), selected);
    QCOMPARE(f.store.writes, writes);
    // Ignore goes on: the rest of loading still happened.
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvenna Nitrous Data Logging Program Version 2.0"));
    QCOMPARE(w.settings().maxVSSDisplay, qint16(140));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::badPortAbortStillUsesCom1_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("999") << "999";
    QTest::newRow("abc") << "abc";
}

void TestMainWindow::badPortAbortStillUsesCom1() {
    // Abort skips the rest of loading, yet the port in use is still port 1.
    QFETCH(QString, stored);
    Fixture f;
    f.store.set(QStringLiteral("CommPort"), stored);
    f.dialogs.expectErrorBox(badPortText(qPrintable(stored)), MsgResult::Abort);
    FrmMain& w = f.load();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(w.portNumber(), qint16(1));
    QCOMPARE(w.settings().commPort, qint16(1));
}

void TestMainWindow::conversionFailureAbortSkipsTheRest() {
    Fixture f;
    f.store.set(QStringLiteral("Tach_Max"), QStringLiteral("lots"));
    f.dialogs.expectErrorBox(badSetting("Type mismatch", "Tach_Max", "lots"), MsgResult::Abort);
    FrmMain& w = f.load();
    // Loading stopped at Tach_Max: what came before is loaded, nothing after.
    QCOMPARE(w.portNumber(), qint16(1));
    QCOMPARE(w.settings().tachRedline, 6500.0f);
    QCOMPARE(w.settings().tachMax, 0.0f);
    QCOMPARE(w.settings().speedoRedline, 0.0f);
    QCOMPARE(w.settings().tpsPercentDisplay, false);
    QCOMPARE(w.settings().maxRPMDisplay, qint16(0));
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvenna Nitrous Data Logging Program Version 2.0"));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::conversionFailureIgnoreLeavesZero() {
    Fixture f;
    f.store.set(QStringLiteral("Tach_Max"), QStringLiteral("lots"));
    f.store.set(QStringLiteral("Input1_Analog_Display"), QStringLiteral("maybe"));
    f.dialogs.expectErrorBox(badSetting("Type mismatch", "Tach_Max", "lots"), MsgResult::Ignore)
        .expectErrorBox(badSetting("Type mismatch", "Input1_Analog_Display", "maybe"),
                        MsgResult::Ignore);
    FrmMain& w = f.load();
    QCOMPARE(w.settings().tachMax, 0.0f);
    QCOMPARE(static_cast<float>(w.realTimePanel().gauTach().maximum()), 0.0f);
    QCOMPARE(w.settings().input1AnalogDisplay, false);
    // Everything else still loaded.
    QCOMPARE(w.settings().speedoMax, 140.0f);
    QCOMPARE(w.settings().input2AnalogDisplay, true);
    QCOMPARE(w.settings().maxRPMDisplay, qint16(10000));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::conversionFailureRetryRepeatsTheStep() {
    Fixture f;
    f.store.set(QStringLiteral("MaxVSSDisplay"), QStringLiteral("fast"));
    // The user mends the store while the box is up, then retries.
    const QString fast = badSetting("Type mismatch", "MaxVSSDisplay", "fast");
    f.dialogs
        .expectMessage(QStringLiteral("Error"), fast, MsgIcon::Critical,
                       MsgButtons::AbortRetryIgnore, MsgResult::Retry)
        .expectMessage(QStringLiteral("Error"), fast, MsgIcon::Critical,
                       MsgButtons::AbortRetryIgnore, MsgResult::Retry,
                       [&] { f.store.set(QStringLiteral("MaxVSSDisplay"), QStringLiteral("90")); });
    FrmMain& w = f.load();
    QCOMPARE(w.settings().maxVSSDisplay, qint16(90));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::badValueInEveryKeyNeverCrashes_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("errorText");
    const char* keys[] = {"CommPort",
                          "Tach_Redline",
                          "Tach_Max",
                          "Speedo_Redline",
                          "Speedo_Max",
                          "TPS_Percent_Display",
                          "Input1_Analog_Display",
                          "Input2_Analog_Display",
                          "MaxRPMDisplay",
                          "MaxVSSDisplay"};
    for (const char* key : keys) {
        QTest::addRow("%s letters", key) << key << "abc"
                                         << "Type mismatch";
        QTest::addRow("%s empty", key) << key << ""
                                       << "Type mismatch";
        QTest::addRow("%s 10000 characters", key) << key << QString(10000, u'z') << "Type mismatch";
    }
    QTest::newRow("CommPort 10000 digits") << "CommPort" << QString(10000, u'7') << "Overflow";
    QTest::newRow("MaxRPMDisplay 40000") << "MaxRPMDisplay"
                                         << "40000"
                                         << "Overflow";
    QTest::newRow("Tach_Max 1e40") << "Tach_Max"
                                   << "1e40"
                                   << "Overflow";
}

void TestMainWindow::badValueInEveryKeyNeverCrashes() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, errorText);
    Fixture f;
    f.store.set(key, value);
    const QString shown = value.size() > 40 ? value.left(40) + QStringLiteral("...") : value;
    f.dialogs.expectErrorBox(
        errorText + QStringLiteral("\r\nSetting: ") + key + " = " + shown +
            QStringLiteral("\r\nSettings file: ") + f.store.file +
            (key == QLatin1String("CommPort") ? QStringLiteral("\r\nThe program uses Com1.")
                                              : QString()),
        MsgResult::Ignore);
    FrmMain& w = f.load();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvenna Nitrous Data Logging Program Version 2.0"));
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::choosingAPortWritesItAndClosesThePort() {
    Fixture f;
    FrmMain& w = f.load();
    f.store.writes.clear();
    const int closesBefore = f.portCloses;
    auto* cbo = w.findChild<QComboBox*>(QStringLiteral("cboPort"));
    cbo->setCurrentIndex(2);
    Q_EMIT cbo->activated(2);  // the user's choice of "Com3"
    QCOMPARE(w.portNumber(), qint16(3));
    QCOMPARE(f.store.writes, QStringList{QStringLiteral("CommPort=3")});
    QCOMPARE(f.portCloses, closesBefore + 1);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::refusedPortWriteShowsTheErrorBox() {
    Fixture f;
    FrmMain& w = f.load();
    f.store.refuseWrites = true;
    const int closesBefore = f.portCloses;
    f.dialogs.expectErrorBox(QStringLiteral("The settings store refused the write."),
                             MsgResult::Abort);
    w.cboPort_Click(4);
    QCOMPARE(w.portNumber(), qint16(5));
    QCOMPARE(f.portCloses, closesBefore);  // Abort ended the handler before the port step
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::portSetupFrameShowsAndHides() {
    Fixture f;
    FrmMain& w = f.load();
    w.show();
    auto* frame = w.findChild<QGroupBox*>(QStringLiteral("fraPortSelect"));
    QVERIFY(!frame->isVisible());
    w.findChild<QAction*>(QStringLiteral("mnuPortSetup"))->trigger();
    QVERIFY(frame->isVisible());
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdPortSelectOK")), Qt::LeftButton);
    QVERIFY(!frame->isVisible());
    QCOMPARE(w.portNumber(), qint16(1));  // OK changes nothing else
}

void TestMainWindow::escSetsAbortAndStillReachesTheControl() {
    Fixture f;
    FrmMain& w = f.load();
    w.show();
    w.mnuPortSetup_Click();
    auto* cbo = w.findChild<QComboBox*>(QStringLiteral("cboPort"));
    KeyRecorder recorder;
    cbo->installEventFilter(&recorder);
    QVERIFY(!w.abortRequested());
    QTest::keyClick(cbo, Qt::Key_Escape);
    QVERIFY(w.abortRequested());
    QVERIFY(recorder.keys.contains(Qt::Key_Escape));
    // Other keys go through untouched and do not set the flag.
    w.setAbortRequested(false);
    QTest::keyClick(cbo, Qt::Key_Down);
    QVERIFY(!w.abortRequested());
    QVERIFY(recorder.keys.contains(Qt::Key_Down));
    QCOMPARE(cbo->currentIndex(), 1);
}

void TestMainWindow::closingClosesPortAndEnds() {
    Fixture f;
    FrmMain& w = f.load();
    int shutdowns = 0;
    w.addShutdownAction([&] { ++shutdowns; });
    w.show();
    const int closesBefore = f.portCloses;
    QVERIFY(w.close());
    QCOMPARE(f.portCloses, closesBefore + 1);
    QCOMPARE(shutdowns, 1);
    QCOMPARE(f.exits, 1);
    QVERIFY(!w.isVisible());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
}

void TestMainWindow::exitMenuCloses() {
    Fixture f;
    FrmMain& w = f.load();
    w.show();
    w.findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
    QCOMPARE(f.exits, 1);
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
