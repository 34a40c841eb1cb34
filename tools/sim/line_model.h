#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace tarvik::sim {

/// The serial line and the USB-serial adapter between the controller and the computer, as the
/// simulator plays them, over time in microseconds.
///
/// At a given baud rate every byte takes 10 bit times on the wire (start bit, 8 data bits, stop
/// bit), in each direction, one after the other. An adapter with a latency timer passes what it
/// receives to the computer in packets: a full packet (62 bytes) goes at once; a packet that is
/// not full waits until the timer, started by its first byte, runs out. So the last bytes of a
/// reply arrive up to the latency late. With no baud rate and no latency bytes pass at once.
class LineModel {
public:
    /// Data bytes in one USB packet of the common adapter chips (64 less 2 status bytes).
    static constexpr int kPacketBytes = 62;
    static constexpr int kBitsPerByte = 10;

    /// 0: no pacing.
    void setBaud(int baud) { baud_ = baud; }
    int baud() const { return baud_; }
    /// 0: the adapter holds nothing back.
    void setLatencyUs(qint64 us) { latencyUs_ = us; }
    qint64 latencyUs() const { return latencyUs_; }
    /// Time one byte takes on the wire, in nanoseconds (0 without pacing).
    qint64 byteNs() const;

    /// A byte from the computer written at `atUs`: when it has reached the controller.
    qint64 towardsController(qint64 atUs);
    /// A byte the controller starts to send at `atUs`, on its way to the computer.
    void fromController(quint8 byte, qint64 atUs);
    /// When the next byte reaches the computer, if any is on its way.
    std::optional<qint64> nextDueUs() const;
    /// Moves every byte that has reached the computer by `nowUs` into `out`; returns how many.
    int takeDue(qint64 nowUs, QByteArray& out);
    /// Forgets everything on its way (the line was dropped).
    void reset();

private:
    /// The adapter hands its packet to the computer at `atUs`.
    void sendPacket(qint64 atUs);

    int baud_ = 0;
    qint64 latencyUs_ = 0;
    // When each wire is free again, in nanoseconds, so that rounding does not add up.
    qint64 inboundFreeNs_ = 0;    ///< towards the controller
    qint64 outboundFreeNs_ = 0;   ///< towards the computer
    std::vector<quint8> packet_;  ///< in the adapter, not yet handed over
    qint64 packetTimerUs_ = 0;    ///< when the adapter's latency timer runs out for it
    std::deque<std::pair<qint64, quint8>> delivered_;
};

}  // namespace tarvik::sim
