// The main window's data-set commands (Open File, Save File, Download Data) and what they ask of
// the window: its data buffer, caption, Esc, progress frame, Recent Files and kept downloads.
#include <QDateTime>
#include <QGroupBox>
#include <QPointer>
#include <QProgressBar>

#include "app/frm_main.h"
#include "link/serial_link.h"
#include "logdata/download_command.h"
#include "logdata/log_data_host.h"
#include "logdata/open_log_command.h"
#include "logdata/save_log_command.h"

namespace tarvik {

class FrmMain::DataSetHost : public LogDataHost {
public:
    explicit DataSetHost(FrmMain& window) : w_(window) {}

    DataBuffer& dataBuffer() override { return *w_.dataBuffer_; }
    UserDialogs& dialogs() override { return w_.dialogs(); }
    QString baseTitle() const override { return w_.baseTitle_; }
    QString brandName() const override { return w_.branding().brandName(); }
    bool abortRequested() const override { return w_.abortRequested_; }
    void clearAbortRequest() override { w_.abortRequested_ = false; }
    bool closing() const override { return w_.link_->shuttingDown(); }
    void yield() override { w_.link_->yieldToEvents(); }
    void setCaption(const QString& caption) override { w_.setWindowTitle(caption); }
    void viewChart() override { w_.mnuViewChart_Click(); }
    void fileUsed(const QString& path) override { w_.rememberRecentFile(path); }

    void stopMonitor() override {
        if (w_.stopMonitor_) {
            w_.stopMonitor_();
        }
    }
    void showProgress(const QString& caption) override {
        w_.fraProgress1_->setTitle(caption);
        w_.prgProgress1_->setValue(0);
        w_.fraProgress1_->show();
        w_.fraProgress1_->repaint();
    }
    void setProgress(int percent) override {
        // QProgressBar paints as soon as its value changes. During a download that paint would
        // come on top of the protocol's pauses: the new value is shown from the event loop
        // instead, which the download next runs inside its following 2 ms pause.
        QPointer<QProgressBar> bar = w_.prgProgress1_;
        QMetaObject::invokeMethod(
            bar,
            [bar, percent] {
                if (bar) {
                    bar->setValue(percent);
                }
            },
            Qt::QueuedConnection);
    }
    void hideProgress() override { w_.fraProgress1_->hide(); }
    QString keepDownload(const DataBuffer& buffer, const QDateTime& when) override {
        return w_.keepDownload(buffer, when);
    }

private:
    FrmMain& w_;
};

void FrmMain::mnuOpenFile_Click() {
    // Never replaces the data set under a download or a save that is yielding.
    link_->runWhenIdle([this] {
        // The reading yields; a download or another file chosen meanwhile waits for its end.
        SerialLink::CommandScope command(*link_);
        DataSetHost host(*this);
        OpenLogCommand(host).run();
    });
}

void FrmMain::openLogFile(const QString& path) {
    link_->runWhenIdle([this, path] { openLogFileNow(path); });
}

void FrmMain::openLogFileNow(const QString& path) {
    SerialLink::CommandScope command(*link_);
    DataSetHost host(*this);
    OpenLogCommand(host).openPath(path);
}

void FrmMain::mnuSaveFile_Click() {
    link_->runWhenIdle([this] {
        // The save sends nothing, so monitoring goes on behind its dialogs and between its
        // lines; a download or file read chosen meanwhile waits for it to finish.
        SerialLink::CommandScope command(*link_);
        DataSetHost host(*this);
        SaveLogCommand(host).run();
    });
}

void FrmMain::mnuDownload_Click() {
    link_->runWhenIdle([this] {
        DataSetHost host(*this);
        DownloadCommand(host, *controller_, *framBuffer_).run();
    });
}

}  // namespace tarvik
