#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "core/user_dialogs.h"
#include "platform/dialog_folder.h"

class QMessageBox;
class QPrintDialog;

namespace tarvik {

/// Real dialogs, owned by (and centred on) the given window.
class QtUserDialogs final : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;
    QString folderName(const QString& title) override;
    bool printerSetup(QPrinter& printer, const QString& title) override;

    /// The boxes as message() and printerSetup() show them, for pictures of them.
    static std::unique_ptr<QMessageBox> makeMessageBox(const QString& title, const QString& text,
                                                       MsgIcon icon, MsgButtons buttons,
                                                       QWidget* owner);
    static std::unique_ptr<QPrintDialog> makePrinterSetupDialog(QPrinter& printer,
                                                                const QString& title,
                                                                QWidget* owner);

    /// "Description|*.ext|Other|*.x" -> "Description (*.ext);;Other (*.x)" for Qt's dialogs.
    static QString toQtFilter(const QString& filter);

    /// Where the next Open or Save dialog starts.
    const DialogFolder& folder() const { return folder_; }

private:
    QPointer<QWidget> owner_;
    DialogFolder folder_;
};

}  // namespace tarvik
