#pragma once

#include "core/user_dialogs.h"

namespace tarvik {

/// The main window's dialogs: every question is passed on to the real dialogs until the window
/// closes. From then on each is answered at once without being shown (Abort where there is one,
/// else Cancel or No or OK; no file, no text), so a command that was suspended when the program
/// began to end winds down by its exit path without a box.
class ClosingDialogs : public UserDialogs {
public:
    explicit ClosingDialogs(UserDialogs& shown) : shown_(shown) {}

    void close() { closed_ = true; }
    bool closed() const { return closed_; }

    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;
    QString folderName(const QString& title) override;
    bool printerSetup(QPrinter& printer, const QString& title) override;

    /// What a box with these buttons answers once the window has closed.
    static MsgResult closedAnswer(MsgButtons buttons);

private:
    UserDialogs& shown_;
    bool closed_ = false;
};

}  // namespace tarvik
