#include "app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPrinter>
#include <QProgressBar>

#include "app/closing_dialogs.h"
#include "app/help_window.h"
#include "app/main_window_monitor_host.h"
#include "app/shell_commands.h"
#include "chart/chart_analysis.h"
#include "chart/chart_print.h"
#include "chart/comment_command.h"
#include "chart/view_chart_command.h"
#include "common/program_paths.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "library/frm_library.h"
#include "library/pass_library.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/clear_controller_command.h"
#include "logdata/download_command.h"
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

namespace {
// The organization and application name that the per-user data folders (kept downloads,
// recordings) hang off, set as the application object is made: in the program, and in every
// test that builds this window.
void setProgramIdentity() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));
}
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(setProgramIdentity)

const QString FrmMain::kDesignedCaption =
    QStringLiteral("Nitrous Data Logging Program Version 2.0");

FrmMain::FrmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      store_(*services_.settings),
      dataBuffer_(std::make_unique<DataBuffer>()),
      framBuffer_(std::make_unique<FramBuffer>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kDesignedCaption);
    // Everything the window drives asks its questions through here, so none is shown once the
    // window has closed.
    closingDialogs_ = std::make_unique<ClosingDialogs>(*services_.dialogs);
    services_.dialogs = closingDialogs_.get();
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
    buildMenus();
    buildCentralArea();
    // The monitor owns RealTimeActive and tells the link about it.
    monitorHost_ = std::make_unique<MainWindowMonitorHost>(*framBuffer_, abortRequested_);
    monitor_ = std::make_unique<RealTimeMonitor>(RealTimeMonitorServices{
        *controller_, *fraRealTimeData_, settings_, *services_.dialogs, *monitorHost_});
    stopMonitor_ = [this] { monitor_->stop(); };
    wireRecording();
    wireLibrary();
    // Every setting was saved when it changed, so ending is leaving the event loop. A command
    // suspended in one of its pauses when the window closed first winds down (see closeEvent).
    exit_ = [] { QCoreApplication::quit(); };
}

FrmMain::~FrmMain() {
    // The library window shows the library's model: it goes first.
    delete libraryWindow_.data();
    if (keyPreview_) {
        qApp->removeEventFilter(this);
    }
}

void FrmMain::Form_Load() {
    ErrorTrap trap(dialogs());
    // Each step is one call to the trap: Abort skips the remaining steps (the window is still
    // shown), Retry repeats the step, Ignore goes on with the value left as it was.
    trap.run([&] { installKeyPreview(); });
    trap.run([&] {
        fraProgress1_->hide();
        fraRealTimeData_->hide();
    });
    trap.run([&] { monitor_->setRealTimeActive(false); });
    trap.run([&] { QDir::setCurrent(programFolder()); });
    trap.run([&] { abortRequested_ = false; });
    // The serial line set-up is fixed in the link; the port stays closed until needed.
    loadPortSetup(trap);
    trap.run([&] { link_->setSerialErrorCount(0); });
    trap.run([&] {
        framBuffer_->clearFramBuffer();
        dataBuffer_->clearDataBuffer();
    });
    trap.run([&] { showBrandInCaption(); });
    loadDialSettings(trap);
    loadDisplaySettings(trap);
    trap.run([&] {
        dataBuffer_->firmwareId.clear();
        dataBuffer_->controllerVersion.clear();
        controller_->clearIdentity();
    });
}

void FrmMain::installKeyPreview() {
    if (!keyPreview_) {
        qApp->installEventFilter(this);
        keyPreview_ = true;
    }
}

void FrmMain::showBrandInCaption() {
    baseTitle_ = windowTitle();
    const QString brand = branding().brandName();
    setWindowTitle(brand.isEmpty() ? baseTitle_ : brand + u' ' + baseTitle_);
}

void FrmMain::loadDialSettings(ErrorTrap& trap) {
    trap.run([&] {
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
}

void FrmMain::loadDisplaySettings(ErrorTrap& trap) {
    trap.run([&] {
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
    trap.run([&] {
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
}

void FrmMain::mnuClearControllerBuffer_Click() {
    // Waits for any exchange in flight (a poll cycle suspended in a pause) to finish first.
    link_->runWhenIdle([this] { ClearControllerCommand(*controller_, dialogs()).run(); });
}

void FrmMain::mnuViewChart_Click() {
    showChart(QString());
}

void FrmMain::showChart(const QString& comparedPath) {
    // The chart names the data set as the caption does: the file's name, or "Downloaded Data".
    const QString marker = kDesignedCaption + QStringLiteral(" - ");
    const qsizetype at = windowTitle().indexOf(marker);
    const QString dataName = at < 0 ? QString() : windowTitle().mid(at + marker.size());
    ViewChartCommand command(
        ChartServices{*dataBuffer_, settings_, store_, dialogs(), QString(), dataName},
        stopMonitor_, this);
    command.setPrepareWindow([this](FrmChart1& window) {
        window.setPrintAction([this](FrmChart1& w) {
            printChart(dialogs(), *dataBuffer_, w, printer(), branding().brandName());
        });
    });
    if (!comparedPath.isEmpty()) {
        command.setRunWindow([comparedPath](FrmChart1& window) {
            window.analysis().compareWithFile(comparedPath);
            window.exec();
        });
    }
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
    // While the serial adapter is away the chart shows the gap and the REC lamp says no readings
    // come; the recording itself just gets no rows until they do.
    connect(monitor_.get(), &RealTimeMonitor::cycleMissed, stripChart_,
            &StripChart::addMissedCycle);
    connect(monitor_.get(), &RealTimeMonitor::readingsInterrupted, fraRealTimeData_,
            &RealTimePanel::showReadingsInterrupted);
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

void FrmMain::mnuExit_Click() {
    close();
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
    // close cannot be cancelled. Closing may happen while a command is suspended in one of its
    // pauses: from here on the link neither pauses, yields nor opens the port, no box is shown,
    // and a save under way drops its new file, so that command ends at once by its exit path
    // and the event loop then returns.
    closePortIfOpen();
    link_->shutDown();
    closingDialogs_->close();
    for (auto& action : shutdownActions_) {
        action();
    }
    event->accept();
    if (exit_) {
        exit_();
    }
}

}  // namespace tarvik
