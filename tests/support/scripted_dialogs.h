#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "core/user_dialogs.h"

namespace tarvik::test {

/// The test double of UserDialogs. A test lists every box it expects, in order, with the answer
/// to give; a box that was not expected, or that differs from the expectation, is recorded as a
/// failure (and answered with Cancel/Abort/"" so the code under test can finish). Tests end with
/// QVERIFY2(dialogs.ok(), qPrintable(dialogs.report())).
class ScriptedDialogs final : public UserDialogs {
public:
    struct Expected {
        enum class Kind {
            Message,
            Input,
            OpenFile,
            SaveFile,
            Folder,
            PrinterSetup
        } kind = Kind::Message;
        QString title;
        QString text;  // message text or input prompt
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QString defaultText;  // input box default, file dialog filter
        MsgResult answer = MsgResult::Ok;
        QString textAnswer;                            // input box answer or path
        std::function<void()> whileShown;              // runs while the box is "on screen"
        std::function<void(QPrinter&)> choosePrinter;  // what the user sets in the printer dialog
    };

    /// Expects a message box; `whileShown` runs before the answer is given.
    ScriptedDialogs& expectMessage(const QString& title, const QString& text, MsgIcon icon,
                                   MsgButtons buttons, MsgResult answer,
                                   std::function<void()> whileShown = {});
    /// Expects the program's error box (title "Error", Abort/Retry/Ignore, critical icon).
    ScriptedDialogs& expectErrorBox(const QString& text, MsgResult answer);
    /// `whileShown` runs while the input box or file dialog is "on screen", before its answer.
    ScriptedDialogs& expectInput(const QString& prompt, const QString& title,
                                 const QString& defaultText, const QString& answer,
                                 std::function<void()> whileShown = {});
    ScriptedDialogs& expectOpenFile(const QString& title, const QString& filter,
                                    const QString& path);
    ScriptedDialogs& expectSaveFile(const QString& title, const QString& filter,
                                    const QString& path, std::function<void()> whileShown = {});

    /// Expects the folder dialog, answered with `folder` ("" for a dismissed dialog).
    ScriptedDialogs& expectFolder(const QString& title, const QString& folder);

    /// Expects the printer set-up dialog. With `accept`, `choose` plays the user's choices on
    /// the printer before OK; without it the dialog is cancelled and the printer left alone.
    ScriptedDialogs& expectPrinterSetup(const QString& title, bool accept,
                                        std::function<void(QPrinter&)> choose = {});

    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;
    QString folderName(const QString& title) override;
    bool printerSetup(QPrinter& printer, const QString& title) override;

    /// True when every expected box was shown and nothing else was.
    bool ok() const { return failures_.isEmpty() && expected_.empty(); }
    /// What went wrong, for the failure message.
    QString report() const;
    /// Every box shown so far, one line each (for diagnosing a failure).
    const QStringList& shown() const { return shown_; }
    int shownCount() const { return static_cast<int>(shown_.size()); }
    /// Forget the remaining expectations and failures.
    void reset();

private:
    Expected* next(Expected::Kind kind, const QString& description);

    std::deque<Expected> expected_;
    Expected current_;
    QStringList failures_;
    QStringList shown_;
};

QString describe(MsgIcon icon);
QString describe(MsgButtons buttons);
QString describe(MsgResult result);

}  // namespace tarvik::test
