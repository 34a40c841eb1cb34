#pragma once

// A download on the in-process simulator, with the main window's side recorded, and what the
// download tests check it against.
#include <QtTest>
#include <memory>
#include <vector>

#include "command_fixture.h"
#include "link_fixture.h"
#include "logdata/download_command.h"
#include "logdata/fram_decoder.h"
#include "logdata/kept_downloads.h"

namespace tarvik::test {

using Bytes = std::vector<quint8>;
inline const QString kTitle = QStringLiteral("Download Data");
inline const QString kNoLink =
    QStringLiteral("Cannot establish RS-232 link. Check cable and controller power.");
inline const QString kArmed = QStringLiteral("Cannot download while controller is armed.");
inline const QString kFramFailed = QStringLiteral("FRAM download failed.");
inline const QString kTimeout = QStringLiteral("RS-232 timeout. Check cable and click Abort.");

// A download on the in-process simulator, with the main window's side recorded.
struct DownloadFixture {
    LinkFixture link;
    CommandFixture cmd;
    FramBuffer* fram = new FramBuffer;
    std::unique_ptr<FramBuffer> framOwner{fram};
    int monitorStops = 0;
    QStringList progress;  // "show:<caption>", "<percent>", "hide"
    QStringList captions;
    /// Where kept downloads go; empty keeps nothing.
    QString keptFolder;
    QDateTime moment = QDateTime(QDate(2024, 3, 5), QTime(14, 2, 11));
    /// How many boxes had been shown when the chart opened.
    int boxesBeforeChart = -1;

    DownloadFixture() {
        // The command's boxes and the link's boxes are one sequence on screen.
        cmd.afterYield = [this] { link.link.yieldToEvents(); };
        cmd.onCaption = [this](const QString& c) { captions << c; };
        // A data set is loaded beforehand (opened from a file, commented, perhaps never
        // saved): a failed download must leave it whole.
        cmd.buffer.bufferEmpty = false;
        cmd.buffer.firmwareId = QStringLiteral("old");
        cmd.buffer.controllerVersion = QStringLiteral("QX-1");
        cmd.buffer.comment = QStringLiteral("first pass");
        cmd.buffer.logInterval = 2.0f;
        cmd.buffer.at(Column::RPM, 1) = 1234;
        cmd.buffer.at(Column::ElapsedTime, 2700) = 5400;
        cmd.caption = CommandFixture::kBase + QStringLiteral(" - run.log");
    }

    ScriptedDialogs& dialogs() { return link.dialogs; }

    /// The window as a download sees it: the link's dialogs, the monitor, the progress frame,
    /// a fixed moment and the kept downloads.
    class Host : public CommandFixture::Host {
    public:
        explicit Host(DownloadFixture& d) : CommandFixture::Host(d.cmd, d.link.dialogs), d_(d) {}
        void viewChart() override {
            ++d_.cmd.charts;
            d_.boxesBeforeChart = d_.link.dialogs.shownCount();
        }
        void stopMonitor() override { ++d_.monitorStops; }
        void showProgress(const QString& c) override { d_.progress << QStringLiteral("show:") + c; }
        void setProgress(int p) override { d_.progress << QString::number(p); }
        void hideProgress() override { d_.progress << QStringLiteral("hide"); }
        QString dateText(const QDateTime&) const override {
            return QStringLiteral("05/03/2024 14:02:11");
        }
        QDateTime now() const override { return d_.moment; }
        QString keepDownload(const DataBuffer& b, const QDateTime& when) override {
            if (d_.keptFolder.isEmpty()) {
                return QString();
            }
            return KeptDownloads(d_.keptFolder).keepOrSayWhy(b, brandName(), when);
        }

    private:
        DownloadFixture& d_;
    };

    void run() {
        Host host(*this);
        DownloadCommand(host, link.controller, *fram).run();
    }

    void expectFirmware() {
        link.dialogs.expectMessage(
            kTitle,
            QStringLiteral("Firmware ID: ") + QString::fromLatin1(link.model.firmwareText()),
            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    }
    void expect(const QString& text, MsgIcon icon = MsgIcon::Exclamation) {
        link.dialogs.expectMessage(kTitle, text, icon, MsgButtons::Ok, MsgResult::Ok);
    }

    // A download that succeeded replaced the loaded data set whole.
    void verifyLoaded() {
        QVERIFY(!cmd.buffer.bufferEmpty);
        QCOMPARE(cmd.buffer.firmwareId, QString::fromLatin1(link.model.firmwareText()));
        QCOMPARE(cmd.buffer.comment, QString());
        QVERIFY(cmd.buffer.logInterval != 2.0f);
        QCOMPARE(cmd.caption, CommandFixture::kBase + QStringLiteral(" - Downloaded Data"));
    }

    // The failure outcome every refused or failed download must leave: the port closed and
    // the loaded data set, its caption and its comment as they were.
    void verifyFailedCleanly() {
        QVERIFY(!cmd.buffer.bufferEmpty);
        QCOMPARE(cmd.buffer.at(Column::RPM, 1), 1234.0f);
        QCOMPARE(cmd.buffer.at(Column::ElapsedTime, 2700), 5400.0f);
        QCOMPARE(cmd.buffer.firmwareId, QStringLiteral("old"));
        QCOMPARE(cmd.buffer.controllerVersion, QStringLiteral("QX-1"));
        QCOMPARE(cmd.buffer.comment, QStringLiteral("first pass"));
        QCOMPARE(cmd.buffer.logInterval, 2.0f);
        QVERIFY(!link.link.isPortOpen());
        QCOMPARE(cmd.caption, CommandFixture::kBase + QStringLiteral(" - run.log"));
        QVERIFY(captions.isEmpty());
        QCOMPARE(cmd.charts, 0);
        if (!progress.isEmpty()) {
            QCOMPARE(progress.last(), QStringLiteral("hide"));
        }
    }
};

// What the buffer must hold for the simulator's image with the given settings.
inline DataBuffer expectedFrom(const std::vector<quint8>& image, const FramDecodeSettings& s,
                               float interval) {
    auto fram = std::make_unique<FramBuffer>();
    for (int a = 0; a < FramBuffer::kSize; ++a) {
        fram->set(a, image[static_cast<std::size_t>(a)]);
    }
    DataBuffer b;
    decodeFram(*fram, s, b);
    b.logInterval = interval;
    fillElapsedTimes(b);
    return b;
}

}  // namespace tarvik::test

#define DIALOGS_OK(f) QVERIFY2((f).dialogs().ok(), qPrintable((f).dialogs().report()))
