#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "branding/branding.h"
#include "logdata/data_buffer.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

class QAction;
class QDateTime;
class QMenu;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QPushButton;

namespace tarvik {

class ClosingDialogs;
class ErrorTrap;
class UserDialogs;
class SettingsBacking;
class RealTimePanel;
class RealTimeMonitor;
class MonitorHost;
class SerialPort;
class Clock;
class SerialLink;
class Controller;
class HelpWindow;
class LiveRecorder;
class StripChart;
class PassLibrary;
class FrmLibrary;
class SerialDeviceList;

/// What the main window is given from outside: the dialogs, the settings store's backing and
/// the brand texts the splash read.
struct MainWindowServices {
    UserDialogs* dialogs = nullptr;
    SettingsBacking* settings = nullptr;
    Branding branding = Branding::defaults();
    /// The controller's serial port and the link's clock; null for the real QSerialPort and
    /// the real clock (tests pass the simulator's port and a fake clock).
    SerialPort* serialPort = nullptr;
    Clock* clock = nullptr;
    /// The user guide; empty for "Tarvik_Help.html" in the program's folder.
    QString helpFile = QString();
    /// Where downloads are kept; empty for "downloads" in the per-user data folder.
    QString downloadsFolder = QString();
    /// The serial devices Find Ports lists; null for the ones QSerialPortInfo finds.
    SerialDeviceList* serialDevices = nullptr;
    /// Shows a folder in the file manager; empty for QDesktopServices::openUrl.
    std::function<bool(const QString& folder)> showFolder = {};
};

/// The main window: owns the program-wide state, the menus and the port set-up frame, and wires
/// the commands of the feature folders to the menus.
class FrmMain : public QMainWindow {
    Q_OBJECT

public:
    /// The caption the window is designed with; captured as BaseTitle at load.
    static const QString kDesignedCaption;

    explicit FrmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~FrmMain() override;

    /// Loads the window: the start-up steps, each under the window's error trap.
    void Form_Load();

    // Program-wide state (read by tests and by the commands wired here).
    const Settings& settings() const { return settings_; }
    qint16 portNumber() const;
    bool abortRequested() const { return abortRequested_; }
    void setAbortRequested(bool on) { abortRequested_ = on; }
    /// Monitoring runs (owned by the real-time monitor).
    bool realTimeActive() const;
    int serialErrorCount() const;
    /// The controller link and command set (port, PortNumber, LinkOK, line errors).
    SerialLink& serialLink() { return *link_; }
    Controller& controller() { return *controller_; }
    const QString& baseTitle() const { return baseTitle_; }
    DataBuffer& dataBuffer() { return *dataBuffer_; }
    const Branding& branding() const { return services_.branding; }
    UserDialogs& dialogs() { return *services_.dialogs; }

    /// The real-time panel fraRealTimeData (hidden at load).
    RealTimePanel& realTimePanel() { return *fraRealTimeData_; }
    /// The real-time monitor: its start, poll cycle and stop.
    RealTimeMonitor& realTimeMonitor() { return *monitor_; }
    /// The recorder of live readings (View > "Record Real Time Data").
    LiveRecorder& liveRecorder() { return *recorder_; }
    /// The strip chart beside the real-time panel (View > "Strip Chart").
    StripChart& stripChart() { return *stripChart_; }
    /// The program-wide printer set-up: Print Setup edits it, and each chart print is made on
    /// a printer of its own set up from it (never on this object, so a print that fails cannot
    /// spoil it). Made on first use, set to the system's default printer.
    QPrinter& printer();
    /// The help window once Help > Contents has opened it, else null.
    HelpWindow* helpWindow() const;
    /// The pass library (made on first use; its database opens on first use too).
    PassLibrary& passLibrary();
    /// The Pass Library window once File > Pass Library... has opened it, else null.
    FrmLibrary* libraryWindow() const;

    /// Closes the serial port if it is open (the link installs the real action).
    void closePortIfOpen();
    void setClosePortAction(std::function<void()> action) { closePort_ = std::move(action); }
    /// Work to do when the program ends (closing the port, abandoning files being written).
    void addShutdownAction(std::function<void()> action) {
        shutdownActions_.push_back(std::move(action));
    }
    /// How the program ends when the window is closed. By default the event loop returns
    /// (QCoreApplication::quit); tests replace it.
    void setExitAction(std::function<void()> action) { exit_ = std::move(action); }

    // Handlers of this window.
    void mnuExit_Click();
    void mnuPortSetup_Click();
    void cmdPortSelectOK_Click();
    void cboPort_Click(int index);
    void mnuClearControllerBuffer_Click();
    /// "Open File", "Save File" and "Download Data": each waits for an exchange in flight.
    void mnuOpenFile_Click();
    /// Opens a log file exactly as File > Open File does when the user chooses that file (the
    /// file named on the command line, a recent file, a kept download or a recording), once
    /// the link is idle.
    void openLogFile(const QString& path);
    void mnuSaveFile_Click();
    void mnuDownload_Click();
    /// "View Chart (Downloaded Data)"; also run at the end of a download and of a file read.
    void mnuViewChart_Click();
    void mnuEditComment_Click();
    /// "View Real Time Data": starts monitoring once the link is free.
    void mnuViewRealTime_Click();
    /// "Real Time Display Options": the modal options dialog, opened between poll cycles.
    void mnuRealTimeDisplayOptions_Click();
    void mnuAbout_Click();
    void mnuHelpContents_Click();
    void mnuPrintSetup_Click();
    /// "Record Real Time Data": starts a recording of the running panel, or ends the one
    /// running.
    void mnuRecordRealTime_Click();
    /// "Strip Chart": shows or hides the strip chart beside the running panel.
    void mnuStripChart_Click();
    /// File > Recent Files: the last ten log files read or saved. One that has gone is said to
    /// be gone, before anything else is asked, and dropped if the user agrees.
    void openRecentFile(const QString& path);
    /// The open itself; the reading yields, so nothing that needs the link may cut in.
    void openLogFileNow(const QString& path);
    /// The open of a file chosen from the File menu list `listName` (see
    /// OpenLogCommand::openListed); true when the list should drop it.
    bool openListedFileNow(const QString& path, const QString& listName, bool askToRemove);
    void mnuOpenDownloadsFolder_Click();
    /// File > Pass Library...: the library window, shown or brought to the front.
    void mnuPassLibrary_Click();
    /// Opens the pass library as the program starts, so anything to say about it is said then
    /// and the files are looked at again in the background.
    void openPassLibrary();
    /// The chart of the loaded data set with the log at `path` as its comparison, once the
    /// link is idle (the library window's Compare With Loaded).
    void compareWithLoaded(const QString& path);
    /// Communications > Find Ports...: the modal device list that binds a device to a port.
    void mnuFindPorts_Click();
    /// The folder kept downloads go to.
    QString downloadsFolder() const;
    /// The paths File > Recent Files lists, newest first.
    QStringList recentFiles() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installKeyPreview();
    /// The stored port, the port list and its selection.
    void loadPortSetup(ErrorTrap& trap);
    void selectStoredPort();
    /// BaseTitle, with the brand name before it in the caption.
    void showBrandInCaption();
    void loadDialSettings(ErrorTrap& trap);
    void loadDisplaySettings(ErrorTrap& trap);
    void buildMenus();
    void buildPortFrame();
    void buildCentralArea();
    void wireRecording();
    void fillRecentRecordings();
    void updateStripChartVisibility();
    void Form_KeyPress(int key);
    /// What the data-set commands ask of this window.
    class DataSetHost;
    void fillRecentFilesMenu();
    void fillRecentDownloadsMenu();
    /// A menu of the newest files of a folder, newest first; each item opens its file.
    void fillDatedFilesMenu(QMenu* menu, const QString& folder, const QString& extension,
                            const QString& itemName, const QString& listName);
    void rememberRecentFile(const QString& path);
    /// Keeps a downloaded data set; "" when kept, else what went wrong.
    QString keepDownload(const DataBuffer& buffer, const QDateTime& when);
    /// View Chart, with the log at `comparedPath` compared when it is not empty.
    void showChart(const QString& comparedPath);
    /// The library hears of the files the program writes and uses.
    void wireLibrary();

    MainWindowServices services_;
    std::unique_ptr<ClosingDialogs> closingDialogs_;
    SettingsStore store_;
    Settings settings_;
    std::unique_ptr<DataBuffer> dataBuffer_;
    std::unique_ptr<FramBuffer> framBuffer_;
    std::unique_ptr<SerialPort> ownPort_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<SerialLink> link_;
    std::unique_ptr<Controller> controller_;
    std::unique_ptr<MonitorHost> monitorHost_;
    std::unique_ptr<RealTimeMonitor> monitor_;
    std::unique_ptr<LiveRecorder> recorder_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<HelpWindow> helpWindow_;
    std::unique_ptr<PassLibrary> library_;
    QPointer<FrmLibrary> libraryWindow_;
    /// Data-set commands (open, save, download) under way, their yields included: the
    /// library's indexing waits for them.
    int dataSetCommands_ = 0;

    bool abortRequested_ = false;
    QString baseTitle_;
    bool keyPreview_ = false;

    std::function<void()> closePort_;
    std::vector<std::function<void()>> shutdownActions_;
    std::function<void()> exit_;
    std::function<void()> stopMonitor_;

    QMenu* mnuRecentFiles_ = nullptr;
    QMenu* mnuRecentDownloads_ = nullptr;
    std::unique_ptr<SerialDeviceList> ownDevices_;
    QGroupBox* fraPortSelect_ = nullptr;
    QComboBox* cboPort_ = nullptr;
    QGroupBox* fraProgress1_ = nullptr;
    QProgressBar* prgProgress1_ = nullptr;
    RealTimePanel* fraRealTimeData_ = nullptr;
    StripChart* stripChart_ = nullptr;
    QAction* mnuRecordRealTime_ = nullptr;
    QAction* mnuStripChart_ = nullptr;
    QMenu* mnuRecentRecordings_ = nullptr;
};

}  // namespace tarvik
