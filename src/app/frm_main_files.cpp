// The main window's File menu lists (Recent Files, Recent Downloads, Recent Recordings) and the
// kept downloads: the parts of the window that deal with files the user has used.
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

#include "app/frm_main.h"
#include "core/app_error.h"
#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "library/pass_library.h"
#include "link/serial_link.h"
#include "logdata/dated_files.h"
#include "logdata/kept_downloads.h"
#include "logdata/log_data_host.h"
#include "logdata/open_log_command.h"
#include "logdata/recordings_folder.h"
#include "platform/local_path.h"
#include "settings/recent_files.h"

namespace tarvik {

namespace {
// Recent Downloads and Recent Recordings list this many; their folders hold them all.
constexpr int kDatedFilesListed = 20;
const QString kDownloadsFolderTitle = QStringLiteral("Open Downloads Folder");
}  // namespace

QString FrmMain::downloadsFolder() const {
    return services_.downloadsFolder.isEmpty() ? KeptDownloads::defaultFolder()
                                               : services_.downloadsFolder;
}

QStringList FrmMain::recentFiles() const {
    return RecentFiles(*services_.settings).paths();
}

void FrmMain::rememberRecentFile(const QString& path) {
    ErrorTrap trap(dialogs());
    trap.run([&] { RecentFiles(*services_.settings).remember(path); });
}

QString FrmMain::keepDownload(const DataBuffer& buffer, const QDateTime& when) {
    QString kept;
    const QString why =
        KeptDownloads(downloadsFolder()).keepOrSayWhy(buffer, branding().brandName(), when, &kept);
    if (!kept.isEmpty()) {
        passLibrary().enterFile(kept);
    }
    return why;
}

void FrmMain::fillRecentFilesMenu() {
    mnuRecentFiles_->clear();
    const QStringList paths = recentFiles();
    for (int i = 0; i < paths.size(); ++i) {
        QAction* a = mnuRecentFiles_->addAction(RecentFiles::menuText(i, paths.at(i)));
        a->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i + 1));
        a->setToolTip(local_path::shown(paths.at(i)));
        const QString path = paths.at(i);
        connect(a, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    if (paths.isEmpty()) {
        mnuRecentFiles_->addAction(QStringLiteral("(none)"))->setEnabled(false);
    }
}

void FrmMain::fillDatedFilesMenu(QMenu* menu, const QString& folder, const QString& extension,
                                 const QString& itemName, const QString& listName) {
    menu->clear();
    const QList<DatedFile> files = dated_files::list(folder, extension);
    for (int i = 0; i < files.size() && i < kDatedFilesListed; ++i) {
        QString text = files.at(i).menuText();
        QAction* a = menu->addAction(text.replace(u'&', QStringLiteral("&&")));
        a->setObjectName(itemName + QString::number(i + 1));
        const QString path = files.at(i).path;
        // The list follows its folder: a file that has gone has left it already.
        connect(a, &QAction::triggered, this, [this, path, listName] {
            link_->runWhenIdle(
                [this, path, listName] { openListedFileNow(path, listName, false); });
        });
    }
    if (files.isEmpty()) {
        menu->addAction(QStringLiteral("(none)"))->setEnabled(false);
    }
}

void FrmMain::fillRecentDownloadsMenu() {
    fillDatedFilesMenu(mnuRecentDownloads_, downloadsFolder(),
                       QString::fromLatin1(KeptDownloads::kExtension),
                       QStringLiteral("mnuRecentDownload"), QStringLiteral("Recent Downloads"));
}

void FrmMain::fillRecentRecordings() {
    fillDatedFilesMenu(mnuRecentRecordings_, recordingsFolder(), QStringLiteral(".log"),
                       QStringLiteral("mnuRecentRecording"), QStringLiteral("Recent Recordings"));
}

void FrmMain::openRecentFile(const QString& path) {
    link_->runWhenIdle([this, path] {
        // A file that has gone is said to be gone first, and leaves the list if the user
        // agrees; something that is there but is no file (a folder) has its say from the open
        // command and leaves the list.
        const bool drop = openListedFileNow(path, QStringLiteral("Recent Files"), true) ||
                          (local_path::exists(path) && !local_path::isFile(path));
        if (drop) {
            ErrorTrap trap(dialogs());
            trap.run([&] { RecentFiles(*services_.settings).forget(path); });
        }
    });
}

void FrmMain::mnuOpenDownloadsFolder_Click() {
    const QString folder = downloadsFolder();
    const QString shown = QDir::toNativeSeparators(folder);
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        dialogs().message(kDownloadsFolderTitle,
                          shown + QStringLiteral("\r\nThis is a file, not a folder: downloads "
                                                 "cannot be kept there until it is moved away."),
                          MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    if (!QDir().mkpath(folder)) {
        dialogs().message(kDownloadsFolderTitle,
                          shown + QStringLiteral("\r\nThe folder cannot be created."),
                          MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const bool shownInManager = services_.showFolder
                                    ? services_.showFolder(folder)
                                    : QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    if (!shownInManager) {
        dialogs().message(kDownloadsFolderTitle,
                          QStringLiteral("No file manager could show the downloads folder. It "
                                         "is:\r\n") +
                              shown,
                          MsgIcon::Information, MsgButtons::Ok);
    }
}

}  // namespace tarvik
