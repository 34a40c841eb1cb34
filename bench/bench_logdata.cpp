// Speed of the data-set work:
//  (a) decoding a full FRAM image into the data buffer;
//  (b) writing a log file, and (c) reading it back, the file's I/O included
//      (goals: each under 5 ms);
//  (d) a whole download against tarvik-sim over a pseudo-terminal, against the pacing floor of
//      the 2 ms pauses it asks for (goal: ratio <= 1.05), and the CPU time it takes (goal: under
//      20 % of its wall time: the waits must not keep a core busy);
//  (e) the whole download on a simulated real line at 56000 baud, with an adapter latency
//      timer of 0, 1 and 16 ms, beside its floor: the pauses plus the time the reply bytes and
//      each command's last byte take on the wire. This is the time a racer waits.
#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/user_dialogs.h"
#include "fram_log.h"
#include "link/controller.h"
#include "link/serial_link.h"
#include "logdata/data_buffer.h"
#include "logdata/download_command.h"
#include "logdata/fram_decoder.h"
#include "logdata/kept_downloads.h"
#include "logdata/log_file_reader.h"
#include "logdata/log_file_writer.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"

using namespace tarvik;

namespace {

// The firmware notice is answered at once; any other box is a failure of the run.
class BenchDialogs final : public UserDialogs {
public:
    int unexpected = 0;
    MsgResult message(const QString& title, const QString& text, MsgIcon, MsgButtons) override {
        if (!text.startsWith(QStringLiteral("Firmware ID: "))) {
            ++unexpected;
            std::fprintf(stderr, "unexpected box: %s: %s\n", qPrintable(title), qPrintable(text));
            return MsgResult::Abort;
        }
        return MsgResult::Ok;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

// The real clock, adding up the pauses asked for: the floor no download can beat.
class CountingClock final : public Clock {
public:
    qint64 nowUs() const override { return real_.nowUs(); }
    void pauseProcessingEvents(int ms) override {
        const qint64 start = real_.nowUs();
        real_.pauseProcessingEvents(ms);
        if (ms > 0) {
            askedMs += ms;
            pausedUs += real_.nowUs() - start;
        }
    }
    qint64 askedMs = 0;
    qint64 pausedUs = 0;  ///< how long the timed pauses really took

private:
    SteadyClock real_;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

constexpr int kLineBaud = 56000;

// The real port, counting what crosses the wire: reply bytes read, and exchanges (a command's
// last byte, which the controller must have before it answers).
class CountingPort final : public SerialPort {
public:
    int bytesRead = 0;
    int exchanges = 0;
    void open(const QString& name) override { port_.open(name); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    QString deviceName() const override { return port_.deviceName(); }
    void discardInput() override { port_.discardInput(); }
    int bytesWaiting() override {
        noteReplyWait();
        return port_.bytesWaiting();
    }
    quint8 readByte() override {
        ++bytesRead;
        return port_.readByte();
    }
    void writeByte(quint8 b) override {
        written_ = true;
        port_.writeByte(b);
    }
    bool waitForMoreBytes(int msecs) override {
        noteReplyWait();
        return port_.waitForMoreBytes(msecs);
    }
    void setLineEventHandler(LineEventHandler h) override {
        port_.setLineEventHandler(std::move(h));
    }
    QString errorString() const override { return port_.errorString(); }
    PortOpenFailure lastOpenFailure() const override { return port_.lastOpenFailure(); }
    bool deviceLost() const override { return port_.deviceLost(); }
    bool requestLowLatency() override { return port_.requestLowLatency(); }

private:
    void noteReplyWait() {
        if (written_) {
            written_ = false;
            ++exchanges;
        }
    }
    QtSerialPort port_;
    bool written_ = false;
};

struct Download {
    double wallMs = 0;
    double cpuMs = 0;
    qint64 askedMs = 0;
    double pausedMs = 0;
    int bytesRead = 0;
    int exchanges = 0;
    bool loaded = false;
};

// A whole download (DownloadCommand, as the menu runs it, without the window) against a
// simulator started with `simOptions`.
bool downloadOver(const QStringList& simOptions, Download& figures) {
    QProcess simProcess;
    simProcess.start(QStringLiteral(TARVIK_SIM_PATH), simOptions);
    if (!simProcess.waitForStarted(5000) || !simProcess.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", TARVIK_SIM_PATH);
        return false;
    }
    while (!simProcess.canReadLine() && simProcess.waitForReadyRead(1000)) {
    }
    const QString device = QString::fromLocal8Bit(simProcess.readLine()).trimmed();
    CountingPort port;
    CountingClock clock;
    BenchDialogs dialogs;
    SerialLink link(port, clock, dialogs, [device](int) { return device; });
    Controller controller(link);
    auto downloaded = std::make_unique<DataBuffer>();
    auto image = std::make_unique<FramBuffer>();
    struct Host : LogDataHost {
        Host(DataBuffer& b, UserDialogs& d, SerialLink& l) : buffer(b), dialogs_(d), link(l) {}
        DataBuffer& dataBuffer() override { return buffer; }
        UserDialogs& dialogs() override { return dialogs_; }
        QString baseTitle() const override { return QStringLiteral("Bench"); }
        QString brandName() const override { return QStringLiteral("Orvenna"); }
        void yield() override { link.yieldToEvents(); }
        DataBuffer& buffer;
        UserDialogs& dialogs_;
        SerialLink& link;
    } host(*downloaded, dialogs, link);
    QElapsedTimer t;
    const double cpu0 = cpuSeconds();
    t.start();
    DownloadCommand(host, controller, *image).run();
    figures.wallMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    figures.cpuMs = (cpuSeconds() - cpu0) * 1000.0;
    figures.askedMs = clock.askedMs;
    figures.pausedMs = static_cast<double>(clock.pausedUs) / 1000.0;
    figures.bytesRead = port.bytesRead;
    figures.exchanges = port.exchanges;
    figures.loaded = !downloaded->bufferEmpty && dialogs.unexpected == 0;
    simProcess.terminate();
    simProcess.waitForFinished(3000);
    return true;
}

double medianMs(int runs, const std::function<void()>& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    bool ok = true;

    // (a)
    const std::vector<quint8> image = sim::makeStripDayLog(0.112, 1234, true);
    auto fram = std::make_unique<FramBuffer>();
    for (int a = 0; a < FramBuffer::kSize; ++a) {
        fram->set(a, image[static_cast<std::size_t>(a)]);
    }
    auto buffer = std::make_unique<DataBuffer>();
    FramDecodeSettings settings;
    settings.vssInMph = true;
    const double decodeMs = medianMs(51, [&] {
        decodeFram(*fram, settings, *buffer);
        buffer->logInterval = static_cast<float>(7 * 0.016);
        fillElapsedTimes(*buffer);
    });
    std::printf("decode FRAM image into the buffer: %.3f ms (goal < 5 ms)\n", decodeMs);
    buffer->firmwareId = QStringLiteral("QX-2 V4.1");
    buffer->controllerVersion = QStringLiteral("QX-2");
    buffer->downloadDate = QStringLiteral("05/03/2024 14:02:11");
    buffer->comment = QStringLiteral("bench");
    buffer->bufferEmpty = false;

    // (b), (c)
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.log"));
    const double writeMs = medianMs(51, [&] {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        LogFileWriter(file).writeAll(*buffer, QStringLiteral("Orvenna"));
        ok = file.commit() && ok;
    });
    std::printf("write a log file (2706 lines, %lld bytes): %.3f ms (goal < 5 ms)\n",
                static_cast<long long>(QFile(path).size()), writeMs);
    auto back = std::make_unique<DataBuffer>();
    const double readMs = medianMs(51, [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        LogFileReader reader(file);
        ok = reader.readHeader(*back) && reader.readSamples(*back) && ok;
        LogFileReader::repairElapsedTimes(*back);
        ok = reader.readTrailer(*back) && ok;
    });
    std::printf("read it back: %.3f ms (goal < 5 ms)\n", readMs);
    ok = ok && back->column(Column::VSS) == buffer->column(Column::VSS);

    // Keeping a download: the whole file written to a temporary name, flushed to the disk and
    // renamed into the downloads folder.
    {
        const KeptDownloads kept(dir.filePath(QStringLiteral("downloads")));
        QDateTime when(QDate(2026, 12, 8), QTime(14, 3, 22));
        double worst = 0;
        const double keepMs = medianMs(21, [&] {
            QElapsedTimer k;
            k.start();
            ok = !kept.keep(*buffer, QStringLiteral("Orvenna"), when).isEmpty() && ok;
            worst = std::max(worst, static_cast<double>(k.nsecsElapsed()) / 1e6);
            when = when.addSecs(1);
        });
        std::printf(
            "keep a download in the downloads folder: %.3f ms, worst of 21 %.3f ms "
            "(goal < 20 ms)\n",
            keepMs, worst);
        ok = ok && keepMs < 20.0;
    }

    // (d)
    Download plain;
    if (!downloadOver({}, plain)) {
        return 1;
    }
    const double downloadMs = plain.wallMs;
    std::printf(
        "whole download over a pseudo-terminal: %.1f ms; pacing floor %lld ms; ratio %.3f "
        "(goal <= 1.05)%s\n",
        downloadMs, static_cast<long long>(plain.askedMs),
        downloadMs / static_cast<double>(std::max<qint64>(plain.askedMs, 1)),
        plain.loaded ? "" : "  [FAILED]");
    std::printf(
        "  of which: pauses %.1f ms for %lld ms asked (%.1f %% over), exchanges and the rest "
        "%.1f ms; CPU time %.1f ms = %.1f %% of the wall time (goal < 20 %%)\n",
        plain.pausedMs, static_cast<long long>(plain.askedMs),
        (plain.pausedMs / static_cast<double>(plain.askedMs) - 1.0) * 100.0,
        downloadMs - plain.pausedMs, plain.cpuMs, plain.cpuMs / downloadMs * 100.0);

    // (e) On a real line: every byte paced at 56000 baud, and the adapter's latency timer
    // holding back the last bytes of each reply (16 ms is the common chips' default; 1 ms is
    // what the guide advises and what the low-latency request asks for).
    bool lineOk = true;
    for (const int latencyMs : {0, 1, 16}) {
        Download d;
        if (!downloadOver({QStringLiteral("--baud"), QString::number(kLineBaud),
                           QStringLiteral("--usb-latency"), QString::number(latencyMs)},
                          d)) {
            return 1;
        }
        const double wireMs =
            static_cast<double>(d.bytesRead + d.exchanges) * 10.0 * 1000.0 / kLineBaud;
        const double floorMs = static_cast<double>(d.askedMs) + wireMs;
        std::printf(
            "whole download at %d baud, adapter latency timer %2d ms: %.0f ms; pacing-plus-wire "
            "floor %.0f ms (pauses %lld ms, %d exchanges and %d reply bytes on the wire %.0f "
            "ms); ratio %.3f%s\n",
            kLineBaud, latencyMs, d.wallMs, floorMs, static_cast<long long>(d.askedMs), d.exchanges,
            d.bytesRead, wireMs, d.wallMs / floorMs, d.loaded ? "" : "  [FAILED]");
        lineOk = lineOk && d.loaded;
    }
    return ok && plain.loaded && lineOk ? 0 : 1;
}
