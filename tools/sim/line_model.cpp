#include "line_model.h"

#include <algorithm>

namespace tarvik::sim {

namespace {
qint64 toUs(qint64 ns) {
    return (ns + 999) / 1000;
}
}  // namespace

qint64 LineModel::byteNs() const {
    return baud_ > 0 ? kBitsPerByte * 1'000'000'000LL / baud_ : 0;
}

qint64 LineModel::towardsController(qint64 atUs) {
    inboundFreeNs_ = std::max(atUs * 1000, inboundFreeNs_) + byteNs();
    return toUs(inboundFreeNs_);
}

void LineModel::fromController(quint8 byte, qint64 atUs) {
    outboundFreeNs_ = std::max(atUs * 1000, outboundFreeNs_) + byteNs();
    const qint64 arrived = toUs(outboundFreeNs_);
    if (latencyUs_ <= 0) {
        delivered_.emplace_back(arrived, byte);
        return;
    }
    // A packet whose timer ran out before this byte came has gone to the computer already.
    if (!packet_.empty() && packetTimerUs_ <= arrived) {
        sendPacket(packetTimerUs_);
    }
    if (packet_.empty()) {
        packetTimerUs_ = arrived + latencyUs_;
    }
    packet_.push_back(byte);
    if (static_cast<int>(packet_.size()) == kPacketBytes) {
        sendPacket(arrived);
    }
}

void LineModel::sendPacket(qint64 atUs) {
    for (quint8 b : packet_) {
        delivered_.emplace_back(atUs, b);
    }
    packet_.clear();
}

std::optional<qint64> LineModel::nextDueUs() const {
    if (!delivered_.empty()) {
        return delivered_.front().first;
    }
    if (!packet_.empty()) {
        return packetTimerUs_;
    }
    return std::nullopt;
}

int LineModel::takeDue(qint64 nowUs, QByteArray& out) {
    if (!packet_.empty() && packetTimerUs_ <= nowUs) {
        sendPacket(packetTimerUs_);
    }
    int n = 0;
    while (!delivered_.empty() && delivered_.front().first <= nowUs) {
        out.append(static_cast<char>(delivered_.front().second));
        delivered_.pop_front();
        ++n;
    }
    return n;
}

void LineModel::reset() {
    packet_.clear();
    delivered_.clear();
}

}  // namespace tarvik::sim
