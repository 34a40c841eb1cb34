#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/user_dialogs.h"

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

    /// "Description|*.ext|Other|*.x" -> "Description (*.ext);;Other (*.x)" for Qt's dialogs.
    static QString toQtFilter(const QString& filter);

private:
    QPointer<QWidget> owner_;
};

}  // namespace tarvik
