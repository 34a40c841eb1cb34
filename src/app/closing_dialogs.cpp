#include "app/closing_dialogs.h"

namespace tarvik {

MsgResult ClosingDialogs::closedAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::OkCancel:
        case MsgButtons::YesNoCancel:
        case MsgButtons::RetryCancel:
            return MsgResult::Cancel;
    }
    return MsgResult::Cancel;
}

MsgResult ClosingDialogs::message(const QString& title, const QString& text, MsgIcon icon,
                                  MsgButtons buttons) {
    return closed_ ? closedAnswer(buttons) : shown_.message(title, text, icon, buttons);
}

QString ClosingDialogs::inputBox(const QString& prompt, const QString& title,
                                 const QString& defaultText) {
    return closed_ ? QString() : shown_.inputBox(prompt, title, defaultText);
}

QString ClosingDialogs::openFileName(const QString& title, const QString& filter) {
    return closed_ ? QString() : shown_.openFileName(title, filter);
}

QString ClosingDialogs::folderName(const QString& title) {
    return closed_ ? QString() : shown_.folderName(title);
}

QString ClosingDialogs::saveFileName(const QString& title, const QString& filter) {
    return closed_ ? QString() : shown_.saveFileName(title, filter);
}

bool ClosingDialogs::printerSetup(QPrinter& printer, const QString& title) {
    return closed_ ? false : shown_.printerSetup(printer, title);
}

}  // namespace tarvik
