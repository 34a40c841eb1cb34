// The main window's menu bar and frames: every control with its design name, wired to its
// handler.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/frm_main.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"

namespace tarvik {

void FrmMain::buildMenus() {
    auto addMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption,
                          void (FrmMain::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        if (handler != nullptr) {
            connect(a, &QAction::triggered, this, handler);
        }
        return a;
    };
    auto addSeparator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QLatin1String(name));
    };

    QMenu* file = addMenu("mnuFile", QStringLiteral("&File"));
    addItem(file, "mnuOpenFile", QStringLiteral("&Open File"), &FrmMain::mnuOpenFile_Click);
    addItem(file, "mnuSaveFile", QStringLiteral("&Save File"), &FrmMain::mnuSaveFile_Click);
    mnuRecentFiles_ = file->addMenu(QStringLiteral("Recent &Files"));
    mnuRecentFiles_->setObjectName(QStringLiteral("mnuRecentFiles"));
    mnuRecentFiles_->menuAction()->setObjectName(QStringLiteral("mnuRecentFiles"));
    connect(mnuRecentFiles_, &QMenu::aboutToShow, this, &FrmMain::fillRecentFilesMenu);
    mnuRecentDownloads_ = file->addMenu(QStringLiteral("Recent &Downloads"));
    mnuRecentDownloads_->setObjectName(QStringLiteral("mnuRecentDownloads"));
    mnuRecentDownloads_->menuAction()->setObjectName(QStringLiteral("mnuRecentDownloads"));
    connect(mnuRecentDownloads_, &QMenu::aboutToShow, this, &FrmMain::fillRecentDownloadsMenu);
    mnuRecentRecordings_ = file->addMenu(QStringLiteral("Recent Recordings"));
    mnuRecentRecordings_->setObjectName(QStringLiteral("mnuRecentRecordings"));
    mnuRecentRecordings_->menuAction()->setObjectName(QStringLiteral("mnuRecentRecordings"));
    connect(mnuRecentRecordings_, &QMenu::aboutToShow, this, &FrmMain::fillRecentRecordings);
    addItem(file, "mnuOpenDownloadsFolder", QStringLiteral("Open Downloads Fo&lder"),
            &FrmMain::mnuOpenDownloadsFolder_Click);
    addItem(file, "mnuPassLibrary", QStringLiteral("Pass Library..."),
            &FrmMain::mnuPassLibrary_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    addSeparator(file, "mnuSep1");
    addItem(file, "mnuPrintSetup", QStringLiteral("Print Set&up"), &FrmMain::mnuPrintSetup_Click);
    addSeparator(file, "mnuSep2");
    addItem(file, "mnuExit", QStringLiteral("E&xit"), &FrmMain::mnuExit_Click);

    QMenu* edit = addMenu("mnuEdit", QStringLiteral("&Edit"));
    addItem(edit, "mnuEditComment", QStringLiteral("&Comment"), &FrmMain::mnuEditComment_Click);
    addItem(edit, "mnuRealTimeDisplayOptions", QStringLiteral("Real Time Display &Options"),
            &FrmMain::mnuRealTimeDisplayOptions_Click);

    QMenu* view = addMenu("mnuView", QStringLiteral("&View"));
    addItem(view, "mnuViewRealTime", QStringLiteral("View &Real Time Data"),
            &FrmMain::mnuViewRealTime_Click);
    addItem(view, "mnuViewChart", QStringLiteral("View &Chart (Downloaded Data)"),
            &FrmMain::mnuViewChart_Click);
    addSeparator(view, "mnuSepRecording");
    mnuRecordRealTime_ = addItem(view, "mnuRecordRealTime", QStringLiteral("Record Real Time Data"),
                                 &FrmMain::mnuRecordRealTime_Click);
    mnuRecordRealTime_->setCheckable(true);
    mnuStripChart_ = addItem(view, "mnuStripChart", QStringLiteral("Strip Chart"),
                             &FrmMain::mnuStripChart_Click);
    mnuStripChart_->setCheckable(true);

    QMenu* comms = addMenu("mnuCommunications", QStringLiteral("&Communications"));
    addItem(comms, "mnuDownload", QStringLiteral("&Download Data"), &FrmMain::mnuDownload_Click);
    addItem(comms, "mnuClearControllerBuffer", QStringLiteral("Clear Controller Data Buffer"),
            &FrmMain::mnuClearControllerBuffer_Click);
    addItem(comms, "mnuPortSetup", QStringLiteral("&Port Setup"), &FrmMain::mnuPortSetup_Click);
    addItem(comms, "mnuFindPorts", QStringLiteral("&Find Ports..."), &FrmMain::mnuFindPorts_Click);

    QMenu* help = addMenu("mnuHelp", QStringLiteral("&Help"));
    addItem(help, "mnuHelpContents", QStringLiteral("&Contents"), &FrmMain::mnuHelpContents_Click);
    addItem(help, "mnuAbout", QStringLiteral("&About"), &FrmMain::mnuAbout_Click);
}

void FrmMain::buildPortFrame() {
    fraPortSelect_ = new QGroupBox(QStringLiteral("Data Port Setup"));
    fraPortSelect_->setObjectName(QStringLiteral("fraPortSelect"));
    auto* lblPort = new QLabel(QStringLiteral("Port"));
    lblPort->setObjectName(QStringLiteral("lblPort"));
    cboPort_ = new QComboBox;
    cboPort_->setObjectName(QStringLiteral("cboPort"));
    cboPort_->setMaxVisibleItems(16);
    lblPort->setBuddy(cboPort_);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("cmdPortSelectOK"));
    connect(ok, &QPushButton::clicked, this, &FrmMain::cmdPortSelectOK_Click);
    // Only a choice made by the user (or by the load step's selection) runs the handler.
    connect(cboPort_, &QComboBox::activated, this, &FrmMain::cboPort_Click);

    auto* layout = new QHBoxLayout(fraPortSelect_);
    layout->addWidget(lblPort);
    layout->addWidget(cboPort_, 1);
    layout->addWidget(ok);
    fraPortSelect_->setMaximumWidth(360);
}

void FrmMain::buildCentralArea() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("centralArea"));
    auto* layout = new QVBoxLayout(central);

    buildPortFrame();
    layout->addWidget(fraPortSelect_, 0, Qt::AlignLeft | Qt::AlignTop);

    fraProgress1_ = new QGroupBox(QStringLiteral("Downloading Data"));
    fraProgress1_->setObjectName(QStringLiteral("fraProgress1"));
    prgProgress1_ = new QProgressBar;
    prgProgress1_->setObjectName(QStringLiteral("prgProgress1"));
    prgProgress1_->setRange(0, 100);
    auto* progressLayout = new QVBoxLayout(fraProgress1_);
    progressLayout->addWidget(prgProgress1_);
    layout->addWidget(fraProgress1_);

    fraRealTimeData_ = new RealTimePanel;
    stripChart_ = new StripChart(settings_);
    stripChart_->hide();
    // The panel takes the window's free height when shown; the stretch below only keeps the
    // frames at the top while it is hidden. The strip chart stands beside the gauges.
    auto* liveRow = new QHBoxLayout;
    liveRow->addWidget(fraRealTimeData_, 3);
    liveRow->addWidget(stripChart_, 1);
    layout->addLayout(liveRow, 100);

    layout->addStretch(1);
    setCentralWidget(central);

    fraPortSelect_->hide();
    // Room for the real-time panel at its natural size, within a 1366 x 768 laptop screen.
    resize(1000, 680);
}

}  // namespace tarvik
