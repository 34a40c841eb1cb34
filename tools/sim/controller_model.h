#pragma once

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace tarvik::sim {

/// Ways the simulated controller can misbehave, each on its own.
struct Faults {
    bool silent = false;             ///< answers nothing at all
    bool negativeAck = false;        ///< refuses every acknowledged command (0x15)
    bool shortReplies = false;       ///< every reply lacks its last byte
    bool garbage = false;            ///< every reply byte is noise (the firmware text keeps its CR)
    bool firmwareWithoutCr = false;  ///< the identification text never ends
    int silentAfterFramBlocks = -1;  ///< after this many FRAM blocks, answers nothing (-1: never)
    bool refuseErase = false;        ///< answers the erase with 0x15 even when confirmed
};

/// The controller's side of the protocol, byte by byte, over simulated time in microseconds.
/// Feed it the bytes the program writes; collect the reply bytes once they are due.
class ControllerModel {
public:
    /// Default time from the last command byte to the reply.
    static constexpr qint64 kDefaultLatencyUs = 300;
    /// A gap longer than this between the bytes of one command abandons the command.
    static constexpr qint64 kCommandGapUs = 100'000;

    ControllerModel();

    // --- Configuration ----------------------------------------------------------------------
    Faults& faults() { return faults_; }
    /// Delay of every reply after the command's last byte (use ~0.99 s / ~1.01 s for replies
    /// just inside / just past the program's deadline).
    void setReplyLatencyUs(qint64 us) { latencyUs_ = us; }
    qint64 replyLatencyUs() const { return latencyUs_; }
    void setFirmwareText(const QByteArray& text) { firmware_ = text; }
    /// "QX-1 ..." instead of the default "QX-2 ..." text.
    void setQx1(bool on);
    const QByteArray& firmwareText() const { return firmware_; }
    /// Status code reported live (1 "Power On - Not Armed" by default; 3 says armed).
    void setStatus(quint8 code) { status_ = code; }
    quint8 status() const { return status_; }
    /// Sets EEPROM bytes: log interval (19), general-mode flags (20), TPS scale (23, 24).
    void setEeprom(int address, quint8 value);
    quint8 eeprom(int address) const;
    void setGenModeFlags(quint8 flags) { setEeprom(20, flags); }
    void setLogIntervalByte(quint8 b) { setEeprom(19, b); }
    void setTpsScale(quint8 zero, quint8 full);
    /// The FRAM image (32768 bytes); regenerates the strip-day log when called with nothing.
    void setFram(std::vector<quint8> fram);
    const std::vector<quint8>& fram() const { return fram_; }
    /// Live readings come from this clock origin (seconds offset into the repeating pass).
    void setLiveTimeOffset(double seconds) { liveOffset_ = seconds; }
    /// Fixed live readings instead of the moving car (for exact tests); nullopt: moving car.
    struct Live {
        quint16 rpm = 0;
        quint8 bat = 0, vss = 0, tps = 0, vin1 = 0, vin2 = 0, inputs = 0, outputs = 0;
        quint8 pwm1 = 0, pwm2 = 0;
    };
    void setFixedLive(std::optional<Live> live) { fixedLive_ = live; }

    // --- Wire --------------------------------------------------------------------------------
    /// One byte from the program at time `nowUs`.
    void receive(quint8 byte, qint64 nowUs);
    /// When the next reply byte is due, if any.
    std::optional<qint64> nextDueUs() const;
    /// Moves every reply byte due by `nowUs` into `out`; returns how many.
    int takeDue(qint64 nowUs, QByteArray& out);
    /// Forgets replies not yet sent and any half-received command (the line was dropped).
    void resetLine();

    /// Called with a one-line description of each complete command received.
    void setTrace(std::function<void(const QString&)> trace) { trace_ = std::move(trace); }
    /// Commands completed so far, and FRAM blocks answered.
    int commandCount() const { return commands_; }
    int framBlocksServed() const { return framBlocks_; }
    int eraseCount() const { return erases_; }

private:
    void execute(qint64 nowUs);
    void reply(const QByteArray& bytes, qint64 nowUs, bool isFirmware = false);
    void ack(bool ok, qint64 nowUs);
    Live liveAt(qint64 nowUs) const;

    Faults faults_;
    qint64 latencyUs_ = kDefaultLatencyUs;
    QByteArray firmware_;
    quint8 status_ = 1;
    std::vector<quint8> eeprom_;
    std::vector<quint8> fram_;
    double liveOffset_ = 0;
    std::optional<Live> fixedLive_;

    std::vector<quint8> command_;
    qint64 lastByteUs_ = 0;
    int address_ = 0;
    std::deque<std::pair<qint64, quint8>> out_;
    quint32 noise_ = 0x2545F491;
    bool wentSilent_ = false;

    std::function<void(const QString&)> trace_;
    int commands_ = 0;
    int framBlocks_ = 0;
    int erases_ = 0;
};

}  // namespace tarvik::sim
