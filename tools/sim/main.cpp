// tarvik-sim: a simulated controller on a pseudo-terminal. Prints the device to open as its
// first line, then answers the program's commands until SIGTERM or SIGINT.
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "controller_model.h"
#include "fram_log.h"
#include "pty_server.h"

using tarvik::sim::ControllerModel;

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop.store(true);
}

void installSignals() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: the wait returns at once
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

int fail(const QString& text) {
    std::fprintf(stderr, "tarvik-sim: %s\n", qPrintable(text));
    return 1;
}

bool byteValue(const QString& text, int& value, int max = 255) {
    bool ok = false;
    value = text.toInt(&ok, 0);
    return ok && value >= 0 && value <= max;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-sim"));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Simulated nitrous controller on a pseudo-terminal. Prints the device path as the "
        "first line, then serves until SIGTERM or SIGINT."));
    cli.addHelpOption();
    const QCommandLineOption link({QStringLiteral("link")},
                                  QStringLiteral("Also make a symbolic link PATH to the device."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption trace({QStringLiteral("trace")},
                                   QStringLiteral("Log each command received to FILE."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption qx1({QStringLiteral("qx1")},
                                 QStringLiteral("Identify as a QX-1 (default QX-2)."));
    const QCommandLineOption firmware({QStringLiteral("firmware")},
                                      QStringLiteral("Identification TEXT (without the CR)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption armed({QStringLiteral("armed")},
                                   QStringLiteral("Report status 3 (armed, \"Ready\")."));
    const QCommandLineOption status({QStringLiteral("status")},
                                    QStringLiteral("Report status CODE (default 1)."),
                                    QStringLiteral("CODE"));
    const QCommandLineOption flags({QStringLiteral("flags")},
                                   QStringLiteral("General-mode byte at EEPROM 20: 0x20 engine "
                                                  "speed doubled, 0x40 road speed in mph "
                                                  "(default 0x40)."),
                                   QStringLiteral("BYTE"));
    const QCommandLineOption interval({QStringLiteral("interval")},
                                      QStringLiteral("Log interval byte at EEPROM 19, x 0.016 s "
                                                     "(default 7)."),
                                      QStringLiteral("BYTE"));
    const QCommandLineOption tpsZero(
        {QStringLiteral("tps-zero")},
        QStringLiteral("Throttle zero point at EEPROM 23 (default 26)."), QStringLiteral("BYTE"));
    const QCommandLineOption tpsFull(
        {QStringLiteral("tps-full")},
        QStringLiteral("Throttle full point at EEPROM 24 (default 230)."), QStringLiteral("BYTE"));
    const QCommandLineOption ringSlot({QStringLiteral("ring-slot")},
                                      QStringLiteral("Slot of the oldest log record, 0-2699 "
                                                     "(default 1234, so the log wraps)."),
                                      QStringLiteral("N"));
    const QCommandLineOption delay({QStringLiteral("reply-delay")},
                                   QStringLiteral("Answer every command after MS milliseconds "
                                                  "(default 0)."),
                                   QStringLiteral("MS"));
    const QCommandLineOption nearDeadline({QStringLiteral("reply-inside-deadline")},
                                          QStringLiteral("Answer after 0.95 s, just inside the "
                                                         "program's 1 s deadline."));
    const QCommandLineOption pastDeadline({QStringLiteral("reply-past-deadline")},
                                          QStringLiteral("Answer after 1.05 s, just past the "
                                                         "program's 1 s deadline."));
    const QCommandLineOption silent({QStringLiteral("silent")},
                                    QStringLiteral("Fault: answer nothing."));
    const QCommandLineOption nak({QStringLiteral("nak")},
                                 QStringLiteral("Fault: refuse acknowledged commands (0x15)."));
    const QCommandLineOption shortReplies({QStringLiteral("short-replies")},
                                          QStringLiteral("Fault: every reply one byte short."));
    const QCommandLineOption garbage({QStringLiteral("garbage")},
                                     QStringLiteral("Fault: reply bytes are noise."));
    const QCommandLineOption noCr({QStringLiteral("no-cr")},
                                  QStringLiteral("Fault: identification text without its CR."));
    const QCommandLineOption silentAfter({QStringLiteral("silent-after-blocks")},
                                         QStringLiteral("Fault: go silent after N FRAM blocks."),
                                         QStringLiteral("N"));
    const QCommandLineOption refuseErase({QStringLiteral("refuse-erase")},
                                         QStringLiteral("Fault: refuse the log erase (0x15)."));
    const QCommandLineOption baud({QStringLiteral("baud")},
                                  QStringLiteral("Pace every byte at the wire speed of RATE baud "
                                                 "(10 bits a byte), as a real line does "
                                                 "(default: at once)."),
                                  QStringLiteral("RATE"));
    const QCommandLineOption usbLatency(
        {QStringLiteral("usb-latency")},
        QStringLiteral("Hold back the last bytes of each reply as a USB-serial adapter with a "
                       "latency timer of MS milliseconds does (packets of 62 bytes; default 0)."),
        QStringLiteral("MS"));
    cli.addOptions({refuseErase, link,         trace,        qx1,     firmware,  armed,
                    status,      flags,        interval,     tpsZero, tpsFull,   ringSlot,
                    delay,       nearDeadline, pastDeadline, silent,  nak,       shortReplies,
                    garbage,     noCr,         silentAfter,  baud,    usbLatency});
    cli.process(app);

    ControllerModel model;
    model.setReplyLatencyUs(0);
    int v = 0;
    if (cli.isSet(qx1)) {
        model.setQx1(true);
    }
    if (cli.isSet(firmware)) {
        model.setFirmwareText(cli.value(firmware).toLatin1());
    }
    if (cli.isSet(armed)) {
        model.setStatus(3);
    }
    if (cli.isSet(status)) {
        if (!byteValue(cli.value(status), v))
            return fail(QStringLiteral("bad --status"));
        model.setStatus(static_cast<quint8>(v));
    }
    if (cli.isSet(flags)) {
        if (!byteValue(cli.value(flags), v))
            return fail(QStringLiteral("bad --flags"));
        model.setGenModeFlags(static_cast<quint8>(v));
    }
    if (cli.isSet(interval)) {
        if (!byteValue(cli.value(interval), v))
            return fail(QStringLiteral("bad --interval"));
        model.setLogIntervalByte(static_cast<quint8>(v));
    }
    if (cli.isSet(tpsZero)) {
        if (!byteValue(cli.value(tpsZero), v))
            return fail(QStringLiteral("bad --tps-zero"));
        model.setEeprom(23, static_cast<quint8>(v));
    }
    if (cli.isSet(tpsFull)) {
        if (!byteValue(cli.value(tpsFull), v))
            return fail(QStringLiteral("bad --tps-full"));
        model.setEeprom(24, static_cast<quint8>(v));
    }
    if (cli.isSet(ringSlot)) {
        if (!byteValue(cli.value(ringSlot), v, 2699))
            return fail(QStringLiteral("bad --ring-slot"));
    }
    // The log follows the interval and speed unit chosen above.
    {
        const bool mph = (model.eeprom(20) & 0x40) != 0;
        model.setFram(tarvik::sim::makeStripDayLog(model.eeprom(19) * 0.016,
                                                   cli.isSet(ringSlot) ? v : 1234, mph));
    }
    if (cli.isSet(delay)) {
        bool ok = false;
        const double ms = cli.value(delay).toDouble(&ok);
        if (!ok || ms < 0 || ms > 60000)
            return fail(QStringLiteral("bad --reply-delay"));
        model.setReplyLatencyUs(static_cast<qint64>(ms * 1000));
    }
    if (cli.isSet(nearDeadline))
        model.setReplyLatencyUs(950'000);
    if (cli.isSet(pastDeadline))
        model.setReplyLatencyUs(1'050'000);
    model.faults().silent = cli.isSet(silent);
    model.faults().negativeAck = cli.isSet(nak);
    model.faults().shortReplies = cli.isSet(shortReplies);
    model.faults().garbage = cli.isSet(garbage);
    model.faults().firmwareWithoutCr = cli.isSet(noCr);
    model.faults().refuseErase = cli.isSet(refuseErase);
    if (cli.isSet(silentAfter)) {
        if (!byteValue(cli.value(silentAfter), v, 1 << 20)) {
            return fail(QStringLiteral("bad --silent-after-blocks"));
        }
        model.faults().silentAfterFramBlocks = v;
    }

    QFile traceFile;
    QTextStream traceOut;
    if (cli.isSet(trace)) {
        traceFile.setFileName(cli.value(trace));
        if (!traceFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            return fail(QStringLiteral("cannot write %1: %2")
                            .arg(traceFile.fileName(), traceFile.errorString()));
        }
        traceOut.setDevice(&traceFile);
        model.setTrace([&traceOut](const QString& line) {
            traceOut << line << '\n';
            traceOut.flush();
        });
    }

    installSignals();
    tarvik::sim::PtyServer server(model);
    if (cli.isSet(baud)) {
        if (!byteValue(cli.value(baud), v, 4'000'000) || v < 50) {
            return fail(QStringLiteral("bad --baud"));
        }
        server.line().setBaud(v);
    }
    if (cli.isSet(usbLatency)) {
        bool ok = false;
        const double ms = cli.value(usbLatency).toDouble(&ok);
        if (!ok || ms < 0 || ms > 1000) {
            return fail(QStringLiteral("bad --usb-latency"));
        }
        server.line().setLatencyUs(static_cast<qint64>(ms * 1000));
    }
    if (!server.open()) {
        return fail(QStringLiteral("cannot open a pseudo-terminal: ") + server.errorString());
    }
    QByteArray linkPath;
    if (cli.isSet(link)) {
        linkPath = QFile::encodeName(cli.value(link));
        ::unlink(linkPath.constData());  // a stale link from an earlier run
        if (::symlink(QFile::encodeName(server.devicePath()).constData(), linkPath.constData()) !=
            0) {
            return fail(QStringLiteral("cannot create link %1").arg(cli.value(link)));
        }
    }
    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);

    server.serve(g_stop);

    if (!linkPath.isEmpty()) {
        ::unlink(linkPath.constData());
    }
    return 0;
}
