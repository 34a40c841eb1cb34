// The main window's side of the pass library: the library hears of every log the program
// writes or uses, File > Pass Library... shows its window, and the window's open and compare
// commands run here, as the menu commands do.
#include <QStandardPaths>

#include "app/frm_main.h"
#include "library/frm_library.h"
#include "library/pass_library.h"
#include "link/serial_link.h"
#include "logdata/recordings_folder.h"
#include "realtime/live_recorder.h"

namespace tarvik {

PassLibrary& FrmMain::passLibrary() {
    if (!library_) {
        library_ = std::make_unique<PassLibrary>(
            LibraryPlaces{QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                          downloadsFolder(), recordingsFolder()},
            dialogs());
        // Reading files waits while a command holds the link or a data-set command runs, so
        // neither an exchange nor a save's yields are held up by it.
        library_->setMayWork([this] { return !link_->busy() && dataSetCommands_ == 0; });
    }
    return *library_;
}

FrmLibrary* FrmMain::libraryWindow() const {
    return libraryWindow_.data();
}

void FrmMain::wireLibrary() {
    // A recording is entered once it is finished, every part of it.
    connect(recorder_.get(), &LiveRecorder::recordingChanged, this, [this](bool on) {
        if (!on) {
            for (const QString& file : recorder_->files()) {
                passLibrary().enterFile(file);
            }
        }
    });
    addShutdownAction([this] {
        if (library_) {
            library_->cancel();
        }
        if (libraryWindow_) {
            libraryWindow_->close();
        }
    });
}

void FrmMain::openPassLibrary() {
    passLibrary().open();
}

void FrmMain::mnuPassLibrary_Click() {
    PassLibrary& library = passLibrary();
    if (library.isOpen()) {
        library.refresh();
    } else {
        library.open();
    }
    if (!libraryWindow_) {
        libraryWindow_ = new FrmLibrary(
            LibraryWindowServices{library, dialogs(),
                                  [this](const QString& path) { openLogFile(path); },
                                  [this](const QString& path) { compareWithLoaded(path); },
                                  [this] { return !dataBuffer_->bufferEmpty; }},
            this);
    }
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
}

void FrmMain::compareWithLoaded(const QString& path) {
    link_->runWhenIdle([this, path] { showChart(path); });
}

}  // namespace tarvik
