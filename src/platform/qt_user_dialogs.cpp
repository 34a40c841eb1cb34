#include "platform/qt_user_dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace tarvik {

namespace {

QMessageBox::Icon toQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgResult fromQt(int button, MsgButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return MsgResult::Ok;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        case QMessageBox::Abort:
            return MsgResult::Abort;
        case QMessageBox::Retry:
            return MsgResult::Retry;
        case QMessageBox::Ignore:
            return MsgResult::Ignore;
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        default:
            break;
    }
    // Closed without a button (Esc on a box that has no Cancel): the safe answer of its set.
    switch (buttons) {
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::Ok:
            return MsgResult::Ok;
        default:
            return MsgResult::Cancel;
    }
}

// The answer a button of the error box stands for.
const char* const kResultProperty = "tarvikResult";

QString standardButtonText(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Abort:
            return QStringLiteral("Abort");
        case QMessageBox::Retry:
            return QStringLiteral("Retry");
        case QMessageBox::Ignore:
            return QStringLiteral("Ignore");
        default:
            return QString();
    }
}

// Texts are composed with CR LF between lines; Qt wants plain line feeds.
QString forDisplay(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

}  // namespace

std::unique_ptr<QMessageBox> QtUserDialogs::makeMessageBox(const QString& title,
                                                           const QString& text, MsgIcon icon,
                                                           MsgButtons buttons, QWidget* owner) {
    if (buttons != MsgButtons::AbortRetryIgnore) {
        auto box = std::make_unique<QMessageBox>(toQt(icon), title, forDisplay(text), toQt(buttons),
                                                 owner);
        box->setTextFormat(Qt::PlainText);
        return box;
    }
    // The error box is left only by one of its three buttons, always in the order Abort, Retry,
    // Ignore. Qt would place Abort by its reject role (last, on most desktops) and make it the
    // answer to Esc and to the close box. Buttons of one neutral role keep the order they are
    // added in, and with none of them a reject button the box has no escape button at all: Esc
    // and the close box do nothing.
    auto box = std::make_unique<QMessageBox>(toQt(icon), title, forDisplay(text),
                                             QMessageBox::NoButton, owner);
    box->setTextFormat(Qt::PlainText);
    const std::pair<QMessageBox::StandardButton, MsgResult> order[] = {
        {QMessageBox::Abort, MsgResult::Abort},
        {QMessageBox::Retry, MsgResult::Retry},
        {QMessageBox::Ignore, MsgResult::Ignore}};
    for (const auto& [standard, result] : order) {
        QPushButton* b = box->addButton(standardButtonText(standard), QMessageBox::ActionRole);
        b->setProperty(kResultProperty, static_cast<int>(result));
        b->setObjectName(QStringLiteral("cmd") + standardButtonText(standard));
    }
    box->setDefaultButton(qobject_cast<QPushButton*>(box->buttons().constFirst()));
    return box;
}

MsgResult QtUserDialogs::message(const QString& title, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) {
    const auto box = makeMessageBox(title, text, icon, buttons, owner_);
    const int code = box->exec();
    if (QAbstractButton* clicked = box->clickedButton()) {
        const QVariant result = clicked->property(kResultProperty);
        if (result.isValid()) {
            return static_cast<MsgResult>(result.toInt());
        }
    }
    return fromQt(code, buttons);
}

QString QtUserDialogs::inputBox(const QString& prompt, const QString& title,
                                const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(owner_, title, forDisplay(prompt), QLineEdit::Normal,
                                               defaultText, &ok);
    return ok ? text : QString();
}

QString QtUserDialogs::openFileName(const QString& title, const QString& filter) {
    const QString path =
        QFileDialog::getOpenFileName(owner_, title, folder_.startFolder(), toQtFilter(filter));
    folder_.remember(path);
    return path;
}

QString QtUserDialogs::saveFileName(const QString& title, const QString& filter) {
    // The program asks about replacing a file itself, so Qt's own question is switched off.
    // The extension is added before that question, so it is asked about the file written.
    QString selected;
    const QString path = withFilterExtension(
        QFileDialog::getSaveFileName(owner_, title, folder_.startFolder(), toQtFilter(filter),
                                     &selected, QFileDialog::DontConfirmOverwrite),
        selected);
    folder_.remember(path);
    return path;
}

QString QtUserDialogs::folderName(const QString& title) {
    const QString folder = QFileDialog::getExistingDirectory(owner_, title, folder_.startFolder());
    if (!folder.isEmpty()) {
        // Remembered as a file in it would be, so the next dialog starts in the folder itself.
        folder_.remember(QDir(folder).filePath(QStringLiteral(".")));
    }
    return folder;
}

std::unique_ptr<QPrintDialog> QtUserDialogs::makePrinterSetupDialog(QPrinter& printer,
                                                                    const QString& title,
                                                                    QWidget* owner) {
    // The set-up form: which printer (or a PDF file) and its paper, not what to print, so the
    // page range, copies and selection choices are left out and the button says OK, not Print.
    auto dialog = std::make_unique<QPrintDialog>(&printer, owner);
    dialog->setWindowTitle(title);
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) {
            ok->setText(QStringLiteral("OK"));
        }
    }
    return dialog;
}

bool QtUserDialogs::printerSetup(QPrinter& printer, const QString& title) {
    return makePrinterSetupDialog(printer, title, owner_)->exec() == QDialog::Accepted;
}

QString QtUserDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(u';', u' ');
        if (!description.contains(u'(')) {
            description += QStringLiteral(" (") + pattern + u')';
        }
        entries << description;
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace tarvik
