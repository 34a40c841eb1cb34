#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include "logdata/data_buffer.h"
#include "logdata/log_data_host.h"
#include "scripted_dialogs.h"

namespace tarvik::test {

/// The main window's side of the data-set commands, recorded for the tests.
struct CommandFixture {
    static inline const QString kBase = QStringLiteral("Nitrous Data Logging Program Version 2.0");
    static inline const QString kFilter =
        QStringLiteral("Nitrous Controller log files (*.log)|*.log");

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DataBuffer buffer;
    QString caption = QStringLiteral("untouched");
    bool abortRequested = false;
    int charts = 0;
    int yields = 0;
    std::function<void(int)> onYield;
    /// Further work of the window on each yield and each caption (a download adds the link's
    /// events and a list of captions).
    std::function<void()> afterYield;
    std::function<void(const QString&)> onCaption;

    /// The window, as the commands see it: every request lands in the fixture's fields.
    class Host : public LogDataHost {
    public:
        explicit Host(CommandFixture& f) : Host(f, f.dialogs) {}
        Host(CommandFixture& f, UserDialogs& dialogs) : f_(f), dialogs_(dialogs) {}
        DataBuffer& dataBuffer() override { return f_.buffer; }
        UserDialogs& dialogs() override { return dialogs_; }
        QString baseTitle() const override { return kBase; }
        QString brandName() const override { return QStringLiteral("Orvenna"); }
        bool abortRequested() const override { return f_.abortRequested; }
        void clearAbortRequest() override { f_.abortRequested = false; }
        void yield() override {
            ++f_.yields;
            if (f_.onYield) {
                f_.onYield(f_.yields);
            }
            if (f_.afterYield) {
                f_.afterYield();
            }
        }
        void setCaption(const QString& c) override {
            f_.caption = c;
            if (f_.onCaption) {
                f_.onCaption(c);
            }
        }
        void viewChart() override { ++f_.charts; }

    protected:
        CommandFixture& f_;

    private:
        UserDialogs& dialogs_;
    };
    Host ctx{*this};

    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray read(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& p, const QByteArray& bytes) {
        QFile f(p);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

}  // namespace tarvik::test
