#pragma once

#include <cstdio>

#include "core/user_dialogs.h"

namespace tarvik::bench {

/// Any box during a benchmark means the run went wrong: say so on stderr and answer Abort.
class FailingDialogs final : public UserDialogs {
public:
    int boxes = 0;
    MsgResult message(const QString& title, const QString& text, MsgIcon, MsgButtons) override {
        ++boxes;
        std::fprintf(stderr, "unexpected box: %s: %s\n", qPrintable(title), qPrintable(text));
        return MsgResult::Abort;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    /// The file a benchmark "chooses" in the open dialog (none by default).
    QString openAnswer;
    QString openFileName(const QString&, const QString&) override { return openAnswer; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

}  // namespace tarvik::bench
