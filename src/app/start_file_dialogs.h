#pragma once

#include <QString>

#include "platform/user_dialogs.h"

namespace tarvik {

/// The dialogs of the program with the open-file dialog answered once by a file named on the
/// command line: running File > Open File through it opens that file exactly as if the user
/// had chosen it, with the same messages for a file that is missing or damaged. Everything
/// else, and any later open-file dialog (Retry after "File not found."), goes to the real
/// dialogs.
class StartFileDialogs final : public UserDialogs {
public:
    StartFileDialogs(UserDialogs& dialogs, QString file)
        : dialogs_(dialogs), file_(std::move(file)) {}

    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override {
        return dialogs_.message(title, text, icon, buttons);
    }
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override {
        return dialogs_.inputBox(prompt, title, defaultText);
    }
    QString openFileName(const QString& title, const QString& filter) override {
        if (!answered_) {
            answered_ = true;
            return file_;
        }
        return dialogs_.openFileName(title, filter);
    }
    QString saveFileName(const QString& title, const QString& filter) override {
        return dialogs_.saveFileName(title, filter);
    }
    bool printerSetup(QPrinter& printer, const QString& title) override {
        return dialogs_.printerSetup(printer, title);
    }

private:
    UserDialogs& dialogs_;
    QString file_;
    bool answered_ = false;
};

}  // namespace tarvik
