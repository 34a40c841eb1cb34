#pragma once

#include <QString>

class QPrinter;

namespace tarvik {

enum class MsgIcon { None, Critical, Exclamation, Information, Question };
enum class MsgButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgResult { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

/// Every box the program shows goes through this interface: the Qt implementation shows real
/// modal dialogs, the tests' scripted double checks each one against what the test expects.
/// Texts are given as the program composes them (lines joined with CR LF).
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    /// A modal message box; returns the button pressed. A box cannot be left another way: the
    /// close box counts as Cancel where there is one, else as the only/last button.
    virtual MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                              MsgButtons buttons) = 0;

    /// A single-line input box. Returns the text entered, or "" when the user cancels.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    /// The open and save file dialogs. The filter is in the "Description|*.ext|..." form; the
    /// first entry is selected. Returns the chosen path, "" when the dialog was dismissed.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter) = 0;
    /// The folder dialog. Returns the chosen folder, "" when the dialog was dismissed (and
    /// where no one can be asked).
    virtual QString folderName(const QString& /*title*/) { return QString(); }

    /// The printer dialog in its set-up form: the user picks a printer (or printing to a PDF
    /// file) and its page settings, which OK writes into `printer`. Cancel leaves `printer` as it
    /// was and returns false.
    virtual bool printerSetup(QPrinter& printer, const QString& title) = 0;
};

}  // namespace tarvik
