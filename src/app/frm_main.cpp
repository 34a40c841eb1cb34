#include "app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

#include "app/help_window.h"
#include "app/main_window_monitor_host.h"
#include "app/shell_commands.h"
#include "chart/chart_print.h"
#include "chart/comment_command.h"
#include "chart/view_chart_command.h"
#include "common/program_paths.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/clear_controller_command.h"
#include "logdata/dated_files.h"
#include "logdata/download_command.h"
#include "logdata/open_log_command.h"
#include "logdata/recordings_folder.h"
#include "logdata/save_log_command.h"
#include "platform/port_names.h"
#include "platform/qt_serial_port.h"
#include "platform/serial_devices.h"
#include "platform/steady_clock.h"
#include "realtime/frm_display_options.h"
#include "realtime/live_recorder.h"
#include "realtime/real_time_monitor.h"
#include "realtime/real_time_panel.h"
#include "realtime/strip_chart.h"

namespace tarvik {

const QString FrmMain::kDesignedCaption =
    QStringLiteral("Nitrous Data Logging Program Version 2.0");

namespace {
constexpr int kPortCount = 255;
// File > Recent Recordings lists this many; the folder holds them all.
constexpr int kRecordingsListed = 20;
}  // namespace

FrmMain::FrmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      store_(*services_.settings),
      dataBuffer_(std::make_unique<DataBuffer>()),
      framBuffer_(std::make_unique<FramBuffer>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kDesignedCaption);
    if (services_.serialPort == nullptr) {
        ownPort_ = std::make_unique<QtSerialPort>();
        services_.serialPort = ownPort_.get();
    }
    if (services_.clock == nullptr) {
        ownClock_ = std::make_unique<SteadyClock>();
        services_.clock = ownClock_.get();
    }
    link_ = std::make_unique<SerialLink>(
        *services_.serialPort, *services_.clock, *services_.dialogs,
        [settings = services_.settings](int n) { return portDeviceName(n, settings); });
    link_->setPortNumber(0);
    controller_ = std::make_unique<Controller>(*link_);
    closePort_ = [this] { link_->closePort(); };
    // A save cut short by the program's end leaves the old file as it was.
    addShutdownAction(&SaveLogCommand::abandonActiveSave);
    buildMenus();
    buildCentralArea();
    // The monitor owns RealTimeActive and tells the link about it.
    monitorHost_ = std::make_unique<MainWindowMonitorHost>(*framBuffer_, abortRequested_);
    monitor_ = std::make_unique<RealTimeMonitor>(RealTimeMonitorServices{
        *controller_, *fraRealTimeData_, settings_, *services_.dialogs, *monitorHost_});
    stopMonitor_ = [this] { monitor_->stop(); };
    wireRecording();
    // Closing may happen while a command is suspended in one of its pauses; returning to it would
    // let it reopen the port and carry on behind a closed window. So the program ends right here:
    // the shutdown actions have already closed the port and abandoned any file being written,
    // and every setting was saved when it changed.
    exit_ = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
}

FrmMain::~FrmMain() {
    if (keyPreview_) {
        qApp->removeEventFilter(this);
    }
}

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

void FrmMain::Form_Load() {
    ErrorTrap trap(dialogs());
    // Each step is one call to the trap: Abort skips the remaining steps (the window is still
    // shown), Retry repeats the step, Ignore goes on with the value left as it was.
    trap.run([&] {  // 1. key preview
        if (!keyPreview_) {
            qApp->installEventFilter(this);
            keyPreview_ = true;
        }
    });
    trap.run([&] {  // 2.
        fraProgress1_->hide();
        fraRealTimeData_->hide();
    });
    trap.run([&] { monitor_->setRealTimeActive(false); });  // 3.
    trap.run([&] {                                          // 4. the name the settings live under
        QCoreApplication::setOrganizationName(QStringLiteral("Tarvik"));
        QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
    });
    trap.run([&] { QDir::setCurrent(programFolder()); });  // 5.
    trap.run([&] { abortRequested_ = false; });            // 6.
    trap.run([&] {                                         // 7.
        settings_.commPort =
            store_.readInt16(settings_keys::kCommPort, settings_defaults::kCommPort);
        link_->setPortNumber(settings_.commPort);
    });
    trap.run([&] {  // 8.
        cboPort_->clear();
        for (int n = 1; n <= kPortCount; ++n) {
            cboPort_->addItem(QStringLiteral("Com") + QString::number(n));
        }
        cboPort_->setCurrentIndex(-1);  // nothing chosen until step 9 selects the stored port
    });
    trap.run([&] {  // 9. selecting a port runs its handler, which writes the setting back
        const int position = portNumber() - 1;
        if (position == -1) {
            return;  // port 0: no selection, PortNumber stays 0
        }
        if (position < 0 || position >= cboPort_->count()) {
            throw AppError(AppError::kInvalidPropertyValue, QStringLiteral("Tarvik"),
                           QStringLiteral("Invalid property value: port %1 is not in the port "
                                          "list (Com1 to Com255).")
                               .arg(portNumber()));
        }
        cboPort_->setCurrentIndex(position);
        cboPort_Click(position);
    });
    // 10. The serial line set-up is fixed in the link; the port stays closed until needed.
    trap.run([&] { link_->setSerialErrorCount(0); });  // 11.
    trap.run([&] {                                     // 12.
        framBuffer_->clearFramBuffer();
        dataBuffer_->clearDataBuffer();
    });
    trap.run([&] {  // 13.
        baseTitle_ = windowTitle();
        const QString brand = branding().brandName();
        setWindowTitle(brand.isEmpty() ? baseTitle_ : brand + u' ' + baseTitle_);
    });
    trap.run([&] {  // 14.
        settings_.tachRedline =
            store_.readSingle(settings_keys::kTachRedline, settings_defaults::kTachRedline);
    });
    trap.run([&] {
        settings_.tachMax = store_.readSingle(settings_keys::kTachMax, settings_defaults::kTachMax);
    });
    trap.run([&] {
        settings_.speedoRedline =
            store_.readSingle(settings_keys::kSpeedoRedline, settings_defaults::kSpeedoRedline);
    });
    trap.run([&] {
        settings_.speedoMax =
            store_.readSingle(settings_keys::kSpeedoMax, settings_defaults::kSpeedoMax);
    });
    trap.run([&] { fraRealTimeData_->applyDialSettings(settings_); });
    trap.run([&] {  // 15.
        settings_.tpsPercentDisplay = store_.readBool(settings_keys::kTpsPercentDisplay,
                                                      settings_defaults::kTpsPercentDisplay);
    });
    trap.run([&] {
        settings_.input1AnalogDisplay = store_.readBool(settings_keys::kInput1AnalogDisplay,
                                                        settings_defaults::kInput1AnalogDisplay);
    });
    trap.run([&] {
        settings_.input2AnalogDisplay = store_.readBool(settings_keys::kInput2AnalogDisplay,
                                                        settings_defaults::kInput2AnalogDisplay);
    });
    trap.run([&] {  // 16.
        settings_.maxRPMDisplay =
            store_.readInt16(settings_keys::kMaxRPMDisplay, settings_defaults::kMaxRPMDisplay);
    });
    trap.run([&] {
        settings_.maxVSSDisplay =
            store_.readInt16(settings_keys::kMaxVSSDisplay, settings_defaults::kMaxVSSDisplay);
    });
    trap.run([&] {
        settings_.maxRPMDisplay = std::clamp(settings_.maxRPMDisplay, kMaxRPMLow, kMaxRPMHigh);
        settings_.maxVSSDisplay = std::clamp(settings_.maxVSSDisplay, kMaxVSSLow, kMaxVSSHigh);
    });
    trap.run([&] {  // 17.
        dataBuffer_->firmwareId.clear();
        dataBuffer_->controllerVersion.clear();
        controller_->clearIdentity();
    });
}

qint16 FrmMain::portNumber() const {
    return link_->portNumber();
}

int FrmMain::serialErrorCount() const {
    return link_->serialErrorCount();
}

void FrmMain::mnuClearControllerBuffer_Click() {
    // Waits for any exchange in flight (a poll cycle suspended in a pause) to finish first.
    link_->runWhenIdle([this] {
        ClearControllerCommand(*controller_, dialogs()).mnuClearControllerBuffer_Click();
    });
}

LogDataContext FrmMain::logDataContext() {
    return LogDataContext{*dataBuffer_,
                          dialogs(),
                          baseTitle_,
                          branding().brandName(),
                          [this] { return abortRequested_; },
                          [this](bool on) { abortRequested_ = on; },
                          [this] { link_->yieldToEvents(); },
                          [this](const QString& caption) { setWindowTitle(caption); },
                          [this] { mnuViewChart_Click(); },
                          {},
                          [this](const QString& path) { rememberRecentFile(path); }};
}

void FrmMain::mnuOpenFile_Click() {
    // Never replaces the data set under a download or a save that is yielding.
    link_->runWhenIdle([this] {
        // The reading yields; a download or another file chosen meanwhile waits for its end.
        SerialLink::CommandScope command(*link_);
        const LogDataContext ctx = logDataContext();
        OpenLogCommand(ctx).mnuOpenFile_Click();
    });
}

void FrmMain::openLogFile(const QString& path) {
    link_->runWhenIdle([this, path] { openLogFileNow(path); });
}

void FrmMain::openLogFileNow(const QString& path) {
    SerialLink::CommandScope command(*link_);
    const LogDataContext ctx = logDataContext();
    OpenLogCommand(ctx).openPath(path);
}

void FrmMain::mnuSaveFile_Click() {
    link_->runWhenIdle([this] {
        // The save sends nothing, so monitoring goes on behind its dialogs and between its
        // lines; a download or file read chosen meanwhile waits for it to finish.
        SerialLink::CommandScope command(*link_);
        const LogDataContext ctx = logDataContext();
        SaveLogCommand(ctx).mnuSaveFile_Click();
    });
}

void FrmMain::mnuDownload_Click() {
    link_->runWhenIdle([this] {
        const LogDataContext ctx = logDataContext();
        DownloadHooks hooks;
        hooks.stopMonitor = [this] {
            if (stopMonitor_) {
                stopMonitor_();
            }
        };
        hooks.showProgress = [this](const QString& caption) {
            fraProgress1_->setTitle(caption);
            prgProgress1_->setValue(0);
            fraProgress1_->show();
            fraProgress1_->repaint();
        };
        hooks.setProgress = [this](int percent) { prgProgress1_->setValue(percent); };
        hooks.hideProgress = [this] { fraProgress1_->hide(); };
        hooks.keepDownload = [this](const DataBuffer& b, const QDateTime& when) {
            return keepDownload(b, when);
        };
        DownloadCommand(ctx, *controller_, *framBuffer_, std::move(hooks)).mnuDownload_Click();
    });
}

void FrmMain::mnuViewChart_Click() {
    // The chart names the data set as the caption does: the file's name, or "Downloaded Data".
    const QString marker = kDesignedCaption + QStringLiteral(" - ");
    const qsizetype at = windowTitle().indexOf(marker);
    const QString dataName = at < 0 ? QString() : windowTitle().mid(at + marker.size());
    ViewChartCommand command(
        ChartServices{*dataBuffer_, settings_, store_, dialogs(), QString(), dataName},
        stopMonitor_, this);
    command.setPrepareWindow([this](FrmChart1& window) {
        window.setPrintAction([this](FrmChart1& w) {
            printChart(dialogs(), *dataBuffer_, w.chart(), printer(), branding().brandName());
        });
    });
    command.run();
}

QPrinter& FrmMain::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *printer_;
}

HelpWindow* FrmMain::helpWindow() const {
    return helpWindow_.data();
}

void FrmMain::mnuAbout_Click() {
    showAbout(dialogs(), branding());
}

void FrmMain::mnuHelpContents_Click() {
    const QString file =
        services_.helpFile.isEmpty() ? programFile(kHelpFileName) : services_.helpFile;
    showHelpContents(dialogs(), file, this, helpWindow_);
}

void FrmMain::mnuPrintSetup_Click() {
    showPrinterSetup(dialogs(), printer());
}

void FrmMain::mnuEditComment_Click() {
    runEditComment(dialogs(), *dataBuffer_);
}

bool FrmMain::realTimeActive() const {
    return monitor_->realTimeActive();
}

void FrmMain::mnuViewRealTime_Click() {
    // Chosen while a poll cycle is suspended in a yield: runs once that cycle is over.
    link_->runWhenIdle([this] {
        const bool wasActive = monitor_->realTimeActive();
        monitor_->start();
        if (!wasActive && monitor_->realTimeActive()) {
            stripChart_->clear();  // the last minute of this run, not of one before
        }
        updateStripChartVisibility();
    });
}

void FrmMain::mnuRealTimeDisplayOptions_Click() {
    // Opened between cycles, never inside one: the dialog's own event loop then runs the next
    // cycles, so monitoring goes on behind it and shows each change at once.
    link_->runWhenIdle([this] {
        FrmDisplayOptions frmDisplayOptions(
            DisplayOptionsServices{settings_, store_, *fraRealTimeData_, dialogs()}, this);
        frmDisplayOptions.exec();
        fraRealTimeData_->applyDialSettings(settings_);
    });
}

void FrmMain::wireRecording() {
    recorder_ = std::make_unique<LiveRecorder>(dialogs(), *services_.clock);
    // The cycle hands its readings on; neither listener touches the link.
    connect(monitor_.get(), &RealTimeMonitor::cycleRead, recorder_.get(), &LiveRecorder::addCycle);
    connect(monitor_.get(), &RealTimeMonitor::cycleRead, stripChart_, &StripChart::addCycle);
    connect(monitor_.get(), &RealTimeMonitor::stopped, this, [this] {
        recorder_->stop();
        updateStripChartVisibility();
    });
    connect(recorder_.get(), &LiveRecorder::recordingChanged, this, [this](bool on) {
        mnuRecordRealTime_->setChecked(on);
        fraRealTimeData_->showRecording(on, LiveRecorder::elapsedText(0));
    });
    connect(recorder_.get(), &LiveRecorder::elapsedChanged, this, [this](const QString& text) {
        fraRealTimeData_->showRecording(recorder_->isRecording(), text);
    });
    // A recording under way when the program ends keeps its rows and gets its trailer.
    addShutdownAction([this] { recorder_->stopQuietly(); });
}

void FrmMain::mnuRecordRealTime_Click() {
    if (recorder_->isRecording()) {
        recorder_->stop();
        return;
    }
    mnuRecordRealTime_->setChecked(false);
    if (!monitor_->realTimeActive()) {
        dialogs().message(LiveRecorder::kTitle,
                          QStringLiteral("Recording keeps the readings of the real-time panel.") +
                              QStringLiteral("\r\nStart View Real Time Data first."),
                          MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    RecordingFile::Identity identity;
    identity.firmwareId = controller_->firmwareId();
    identity.controllerVersion = monitor_->controllerVersion();
    identity.brandName = branding().brandName();
    identity.start = QDateTime::currentDateTime();
    identity.startText = downloadDateText(identity.start);
    identity.interval = static_cast<float>(RealTimeMonitor::kPollIntervalMs) / 1000.0F;
    recorder_->start(identity);
}

void FrmMain::mnuStripChart_Click() {
    if (mnuStripChart_->isChecked() && !isMaximized() && !isFullScreen() && width() < 1340) {
        resize(1340, height());  // room for the chart without squeezing the gauges
    }
    updateStripChartVisibility();
}

void FrmMain::updateStripChartVisibility() {
    stripChart_->setVisible(mnuStripChart_->isChecked() && monitor_->realTimeActive());
}

void FrmMain::fillRecentRecordings() {
    mnuRecentRecordings_->clear();
    const QList<DatedFile> files = dated_files::list(recordingsFolder(), QStringLiteral(".log"));
    for (int i = 0; i < files.size() && i < kRecordingsListed; ++i) {
        QString text = files.at(i).menuText();
        QAction* a = mnuRecentRecordings_->addAction(text.replace(u'&', QStringLiteral("&&")));
        a->setObjectName(QStringLiteral("mnuRecentRecording%1").arg(i + 1));
        const QString path = files.at(i).path;
        connect(a, &QAction::triggered, this, [this, path] { openLogFile(path); });
    }
    if (files.isEmpty()) {
        mnuRecentRecordings_->addAction(QStringLiteral("(none)"))->setEnabled(false);
    }
}

void FrmMain::closePortIfOpen() {
    if (closePort_) {
        closePort_();
    }
}

void FrmMain::mnuExit_Click() {
    close();
}

void FrmMain::mnuPortSetup_Click() {
    fraPortSelect_->show();
    cboPort_->setFocus();
}

void FrmMain::cmdPortSelectOK_Click() {
    fraPortSelect_->hide();
}

void FrmMain::cboPort_Click(int index) {
    ErrorTrap trap(dialogs());
    trap.run([&] { link_->setPortNumber(static_cast<qint16>(index + 1)); });
    trap.run([&] {
        settings_.commPort = portNumber();
        store_.writeWhole(settings_keys::kCommPort, portNumber());
    });
    // The next controller command opens the newly chosen port.
    trap.run([&] { closePortIfOpen(); });
}

void FrmMain::Form_KeyPress(int key) {
    if (key == Qt::Key_Escape) {
        abortRequested_ = true;
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: the window sees every key meant for it or its controls first, and passes it
    // on unchanged.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->window() == this) {
            Form_KeyPress(static_cast<QKeyEvent*>(event)->key());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // Whatever the reason, the program ends: the port and every open file are closed and the
    // close cannot be cancelled.
    closePortIfOpen();
    for (auto& action : shutdownActions_) {
        action();
    }
    event->accept();
    if (exit_) {
        exit_();
    }
}

}  // namespace tarvik
