#include "scripted_dialogs.h"

namespace tarvik::test {

QString describe(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QStringLiteral("no icon");
        case MsgIcon::Critical:
            return QStringLiteral("critical");
        case MsgIcon::Exclamation:
            return QStringLiteral("exclamation");
        case MsgIcon::Information:
            return QStringLiteral("information");
        case MsgIcon::Question:
            return QStringLiteral("question");
    }
    return QStringLiteral("?");
}

QString describe(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QStringLiteral("OK");
        case MsgButtons::OkCancel:
            return QStringLiteral("OK/Cancel");
        case MsgButtons::AbortRetryIgnore:
            return QStringLiteral("Abort/Retry/Ignore");
        case MsgButtons::YesNoCancel:
            return QStringLiteral("Yes/No/Cancel");
        case MsgButtons::YesNo:
            return QStringLiteral("Yes/No");
        case MsgButtons::RetryCancel:
            return QStringLiteral("Retry/Cancel");
    }
    return QStringLiteral("?");
}

QString describe(MsgResult result) {
    switch (result) {
        case MsgResult::Ok:
            return QStringLiteral("OK");
        case MsgResult::Cancel:
            return QStringLiteral("Cancel");
        case MsgResult::Abort:
            return QStringLiteral("Abort");
        case MsgResult::Retry:
            return QStringLiteral("Retry");
        case MsgResult::Ignore:
            return QStringLiteral("Ignore");
        case MsgResult::Yes:
            return QStringLiteral("Yes");
        case MsgResult::No:
            return QStringLiteral("No");
    }
    return QStringLiteral("?");
}

namespace {
QString visible(const QString& s) {
    QString t = s;
    t.replace(QStringLiteral("\r"), QStringLiteral("\\r"))
        .replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    return u'"' + t + u'"';
}
}  // namespace

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& title, const QString& text,
                                                MsgIcon icon, MsgButtons buttons, MsgResult answer,
                                                std::function<void()> whileShown) {
    Expected e;
    e.kind = Expected::Kind::Message;
    e.title = title;
    e.text = text;
    e.icon = icon;
    e.buttons = buttons;
    e.answer = answer;
    e.whileShown = std::move(whileShown);
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectErrorBox(const QString& text, MsgResult answer) {
    return expectMessage(QStringLiteral("Error"), text, MsgIcon::Critical,
                         MsgButtons::AbortRetryIgnore, answer);
}

ScriptedDialogs& ScriptedDialogs::expectInput(const QString& prompt, const QString& title,
                                              const QString& defaultText, const QString& answer,
                                              std::function<void()> whileShown) {
    Expected e;
    e.whileShown = std::move(whileShown);
    e.kind = Expected::Kind::Input;
    e.title = title;
    e.text = prompt;
    e.defaultText = defaultText;
    e.textAnswer = answer;
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectOpenFile(const QString& title, const QString& filter,
                                                 const QString& path) {
    Expected e;
    e.kind = Expected::Kind::OpenFile;
    e.title = title;
    e.defaultText = filter;
    e.textAnswer = path;
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectSaveFile(const QString& title, const QString& filter,
                                                 const QString& path,
                                                 std::function<void()> whileShown) {
    Expected e;
    e.whileShown = std::move(whileShown);
    e.kind = Expected::Kind::SaveFile;
    e.title = title;
    e.defaultText = filter;
    e.textAnswer = path;
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectFolder(const QString& title, const QString& folder) {
    Expected e;
    e.kind = Expected::Kind::Folder;
    e.title = title;
    e.textAnswer = folder;
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectPrinterSetup(const QString& title, bool accept,
                                                     std::function<void(QPrinter&)> choose) {
    Expected e;
    e.kind = Expected::Kind::PrinterSetup;
    e.title = title;
    e.answer = accept ? MsgResult::Ok : MsgResult::Cancel;
    e.choosePrinter = std::move(choose);
    expected_.push_back(std::move(e));
    return *this;
}

ScriptedDialogs::Expected* ScriptedDialogs::next(Expected::Kind kind, const QString& description) {
    shown_ << description;
    if (expected_.empty()) {
        failures_ << QStringLiteral("unexpected box: ") + description;
        return nullptr;
    }
    current_ = std::move(expected_.front());
    expected_.pop_front();
    if (current_.kind != kind) {
        failures_ << QStringLiteral("expected another kind of box, got: ") + description;
        return nullptr;
    }
    return &current_;
}

MsgResult ScriptedDialogs::message(const QString& title, const QString& text, MsgIcon icon,
                                   MsgButtons buttons) {
    const QString d = QStringLiteral("message %1 %2 [%3, %4]")
                          .arg(visible(title), visible(text), describe(icon), describe(buttons));
    Expected* e = next(Expected::Kind::Message, d);
    const MsgResult fallback = buttons == MsgButtons::AbortRetryIgnore ? MsgResult::Abort
                               : buttons == MsgButtons::Ok             ? MsgResult::Ok
                                                                       : MsgResult::Cancel;
    if (e == nullptr) {
        return fallback;
    }
    if (e->title != title || e->text != text || e->icon != icon || e->buttons != buttons) {
        failures_ << QStringLiteral("box differs: expected message %1 %2 [%3, %4], got %5")
                         .arg(visible(e->title), visible(e->text), describe(e->icon),
                              describe(e->buttons), d);
        return fallback;
    }
    if (e->whileShown) {
        e->whileShown();
    }
    return e->answer;
}

QString ScriptedDialogs::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    const QString d = QStringLiteral("input %1 %2 default %3")
                          .arg(visible(title), visible(prompt), visible(defaultText));
    Expected* e = next(Expected::Kind::Input, d);
    if (e == nullptr) {
        return QString();
    }
    if (e->title != title || e->text != prompt || e->defaultText != defaultText) {
        failures_ << QStringLiteral("input differs: expected %1 %2 default %3, got %4")
                         .arg(visible(e->title), visible(e->text), visible(e->defaultText), d);
        return QString();
    }
    if (e->whileShown) {
        e->whileShown();
    }
    return e->textAnswer;
}

QString ScriptedDialogs::openFileName(const QString& title, const QString& filter) {
    const QString d = QStringLiteral("open file %1 %2").arg(visible(title), visible(filter));
    Expected* e = next(Expected::Kind::OpenFile, d);
    if (e == nullptr) {
        return QString();
    }
    if (e->title != title || e->defaultText != filter) {
        failures_ << QStringLiteral("open dialog differs: expected %1 %2, got %3")
                         .arg(visible(e->title), visible(e->defaultText), d);
        return QString();
    }
    return e->textAnswer;
}

QString ScriptedDialogs::saveFileName(const QString& title, const QString& filter) {
    const QString d = QStringLiteral("save file %1 %2").arg(visible(title), visible(filter));
    Expected* e = next(Expected::Kind::SaveFile, d);
    if (e == nullptr) {
        return QString();
    }
    if (e->title != title || e->defaultText != filter) {
        failures_ << QStringLiteral("save dialog differs: expected %1 %2, got %3")
                         .arg(visible(e->title), visible(e->defaultText), d);
        return QString();
    }
    if (e->whileShown) {
        e->whileShown();
    }
    return e->textAnswer;
}

QString ScriptedDialogs::folderName(const QString& title) {
    const QString d = QStringLiteral("folder %1").arg(visible(title));
    Expected* e = next(Expected::Kind::Folder, d);
    if (e == nullptr) {
        return QString();
    }
    if (e->title != title) {
        failures_ << QStringLiteral("folder dialog differs: expected %1, got %2")
                         .arg(visible(e->title), d);
        return QString();
    }
    return e->textAnswer;
}

bool ScriptedDialogs::printerSetup(QPrinter& printer, const QString& title) {
    const QString d = QStringLiteral("printer setup %1").arg(visible(title));
    Expected* e = next(Expected::Kind::PrinterSetup, d);
    if (e == nullptr) {
        return false;
    }
    if (e->title != title) {
        failures_ << QStringLiteral("printer dialog differs: expected %1, got %2")
                         .arg(visible(e->title), d);
        return false;
    }
    if (e->answer != MsgResult::Ok) {
        return false;
    }
    if (e->choosePrinter) {
        e->choosePrinter(printer);
    }
    return true;
}

QString ScriptedDialogs::report() const {
    QStringList lines = failures_;
    for (const Expected& e : expected_) {
        lines << QStringLiteral("expected box never shown: %1 %2")
                     .arg(visible(e.title), visible(e.text));
    }
    lines << QStringLiteral("boxes shown: ") +
                 (shown_.isEmpty() ? QStringLiteral("none") : shown_.join(QStringLiteral("; ")));
    return lines.join(u'\n');
}

void ScriptedDialogs::reset() {
    expected_.clear();
    failures_.clear();
    shown_.clear();
}

}  // namespace tarvik::test
