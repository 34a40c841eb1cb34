#include "controller_model.h"

#include <algorithm>

#include "car_profile.h"
#include "fram_log.h"
#include "link/controller_protocol.h"

namespace tarvik::sim {

namespace p = protocol;

namespace {

constexpr int kEepromSize = 512;
const QByteArray kQx2Text = QByteArrayLiteral("QX-2 Progressive Nitrous Controller V2.14");
const QByteArray kQx1Text = QByteArrayLiteral("QX-1 Nitrous Controller V1.07");
// Erasing the FRAM takes the controller a moment before it answers.
constexpr qint64 kEraseUs = 60'000;

// Parameter bytes that follow each command byte.
int parameterCount(quint8 command) {
    switch (command) {
        case p::kCmdSetAddress:
            return 2;
        case p::kCmdReadFramBlock:
            return 1;
        case p::kCmdClearBuffer:
            return static_cast<int>(p::kEraseConfirmation.size());
        default:
            return 0;
    }
}

QString hex(quint8 b) {
    return QStringLiteral("0x%1").arg(b, 2, 16, QLatin1Char('0'));
}

}  // namespace

ControllerModel::ControllerModel() : firmware_(kQx2Text), eeprom_(kEepromSize, 0xFF) {
    setLogIntervalByte(7);  // 0.112 s between samples: about five minutes of log
    setGenModeFlags(p::kGenModeVssInMph);
    setTpsScale(26, 230);
    setFram({});
}

void ControllerModel::setQx1(bool on) {
    firmware_ = on ? kQx1Text : kQx2Text;
}

void ControllerModel::setEeprom(int address, quint8 value) {
    eeprom_[static_cast<size_t>(address % kEepromSize)] = value;
}

quint8 ControllerModel::eeprom(int address) const {
    return eeprom_[static_cast<size_t>(address % kEepromSize)];
}

void ControllerModel::setTpsScale(quint8 zero, quint8 full) {
    setEeprom(p::kEepromTpsZeroPoint, zero);
    setEeprom(p::kEepromTpsFullPoint, full);
}

void ControllerModel::setFram(std::vector<quint8> fram) {
    if (fram.empty()) {
        const double interval = eeprom(p::kEepromLogInterval) * 0.016;
        // The ring's oldest record sits well inside it, so the log wraps.
        fram = makeStripDayLog(interval, 1234,
                               (eeprom(p::kEepromGenModeFlags) & p::kGenModeVssInMph) != 0);
    }
    fram.resize(p::kFramSize, 0);
    fram_ = std::move(fram);
}

void ControllerModel::resetLine() {
    out_.clear();
    command_.clear();
}

void ControllerModel::receive(quint8 byte, qint64 nowUs) {
    if (!command_.empty() && nowUs - lastByteUs_ > kCommandGapUs) {
        command_.clear();  // an abandoned command: start afresh with this byte
    }
    lastByteUs_ = nowUs;
    command_.push_back(byte);
    if (static_cast<int>(command_.size()) > parameterCount(command_.front())) {
        execute(nowUs);
        command_.clear();
    }
}

std::optional<qint64> ControllerModel::nextDueUs() const {
    if (out_.empty()) {
        return std::nullopt;
    }
    return out_.front().first;
}

int ControllerModel::takeDue(qint64 nowUs, QByteArray& out) {
    int n = 0;
    while (!out_.empty() && out_.front().first <= nowUs) {
        out.append(static_cast<char>(out_.front().second));
        out_.pop_front();
        ++n;
    }
    return n;
}

void ControllerModel::reply(const QByteArray& bytes, qint64 nowUs, bool isFirmware) {
    if (faults_.silent || wentSilent_) {
        return;
    }
    QByteArray data = bytes;
    if (faults_.garbage) {
        for (qsizetype i = 0; i < data.size(); ++i) {
            if (isFirmware && i == data.size() - 1) {
                break;  // keep the text's end so the program sees a (meaningless) complete text
            }
            noise_ ^= noise_ << 13;
            noise_ ^= noise_ >> 17;
            noise_ ^= noise_ << 5;
            // Noise that is never a clean acknowledgement.
            auto b = static_cast<quint8>(noise_ & 0xFF);
            data[i] = static_cast<char>(b == p::kAck ? 0xF6 : b);
        }
    }
    if (faults_.shortReplies && !data.isEmpty()) {
        data.chop(1);
    }
    qint64 due = std::max(nowUs + latencyUs_, out_.empty() ? 0 : out_.back().first);
    for (char c : data) {
        out_.emplace_back(due, static_cast<quint8>(c));
    }
}

void ControllerModel::ack(bool ok, qint64 nowUs) {
    reply(QByteArray(1, static_cast<char>(ok && !faults_.negativeAck ? p::kAck : p::kNak)), nowUs);
}

ControllerModel::Live ControllerModel::liveAt(qint64 nowUs) const {
    if (fixedLive_) {
        return *fixedLive_;
    }
    const bool mph = (eeprom(p::kEepromGenModeFlags) & p::kGenModeVssInMph) != 0;
    const CarSample s = liveCarAt(static_cast<double>(nowUs) / 1e6 + liveOffset_, mph);
    Live l;
    l.rpm = s.rpm;
    l.bat = s.battery;
    l.vss = s.speed;
    l.tps = s.tps;
    l.vin1 = s.input1;
    l.vin2 = s.input2;
    l.inputs = s.inputBits;
    l.outputs = s.outputBits;
    l.pwm1 = s.stage1Pwm;
    l.pwm2 = s.stage2Pwm;
    return l;
}

void ControllerModel::execute(qint64 nowUs) {
    ++commands_;
    const quint8 cmd = command_.front();
    auto one = [&](quint8 b) { reply(QByteArray(1, static_cast<char>(b)), nowUs); };
    auto trace = [&](const QString& text) {
        if (trace_) {
            trace_(text);
        }
    };
    switch (cmd) {
        case p::kCmdReSync:
            trace(QStringLiteral("ReSync"));
            ack(true, nowUs);
            break;
        case p::kCmdSetAddress:
            address_ = command_[1] + 256 * command_[2];
            trace(QStringLiteral("SetAddress %1").arg(address_));
            ack(true, nowUs);
            break;
        case p::kCmdFirmwareId: {
            trace(QStringLiteral("ReadFirmwareID"));
            QByteArray text = firmware_;
            if (!faults_.firmwareWithoutCr) {
                text.append(static_cast<char>(p::kCarriageReturn));
            }
            reply(text, nowUs, true);
            break;
        }
        case p::kCmdReadEeprom:
            trace(QStringLiteral("ReadEEPROM @%1").arg(address_));
            one(eeprom(address_));
            address_ = (address_ + 1) & 0xFFFF;
            break;
        case p::kCmdReadFramBlock: {
            const int n = command_[1];
            trace(QStringLiteral("ReadFRAMBlock %1 @%2").arg(n).arg(address_));
            if (faults_.silentAfterFramBlocks >= 0 &&
                framBlocks_ >= faults_.silentAfterFramBlocks) {
                wentSilent_ = true;  // as if the cable came out mid-download
            }
            QByteArray block;
            for (int i = 0; i < n; ++i) {
                block.append(
                    static_cast<char>(fram_[static_cast<size_t>((address_ + i) % p::kFramSize)]));
            }
            address_ = (address_ + n) & 0xFFFF;
            reply(block, nowUs);
            ++framBlocks_;
            break;
        }
        case p::kCmdClearBuffer: {
            const bool confirmed = std::equal(p::kEraseConfirmation.begin(),
                                              p::kEraseConfirmation.end(), command_.begin() + 1);
            trace(QStringLiteral("ClearControllerBuffer %1")
                      .arg(confirmed ? "confirmed" : "refused"));
            if (confirmed && !faults_.negativeAck && !faults_.refuseErase) {
                fram_ = makeErasedLog();
                ++erases_;
                reply(QByteArray(1, static_cast<char>(p::kAck)), nowUs + kEraseUs);
            } else {
                ack(false, nowUs);
            }
            break;
        }
        case p::kCmdReadStatus:
            trace(QStringLiteral("ReadStatus"));
            one(status_);
            break;
        case p::kCmdReadRpm: {
            trace(QStringLiteral("ReadRPM"));
            const quint16 rpm = liveAt(nowUs).rpm;
            reply(QByteArray() + static_cast<char>(rpm & 0xFF) + static_cast<char>(rpm >> 8),
                  nowUs);
            break;
        }
        case p::kCmdReadPwm: {
            trace(QStringLiteral("ReadPWM"));
            const Live l = liveAt(nowUs);
            reply(QByteArray() + static_cast<char>(l.pwm1) + static_cast<char>(l.pwm2), nowUs);
            break;
        }
        case p::kCmdReadBat:
            trace(QStringLiteral("ReadBAT"));
            one(liveAt(nowUs).bat);
            break;
        case p::kCmdReadVss:
            trace(QStringLiteral("ReadVSS"));
            one(liveAt(nowUs).vss);
            break;
        case p::kCmdReadTps:
            trace(QStringLiteral("ReadTPS"));
            one(liveAt(nowUs).tps);
            break;
        case p::kCmdReadVin1:
            trace(QStringLiteral("ReadVIN1"));
            one(liveAt(nowUs).vin1);
            break;
        case p::kCmdReadVin2:
            trace(QStringLiteral("ReadVIN2"));
            one(liveAt(nowUs).vin2);
            break;
        case p::kCmdReadInputData:
            trace(QStringLiteral("ReadInputData"));
            one(liveAt(nowUs).inputs);
            break;
        case p::kCmdReadOutputData:
            trace(QStringLiteral("ReadOutputData"));
            one(liveAt(nowUs).outputs);
            break;
        default:
            // The controller ignores bytes it does not know.
            trace(QStringLiteral("unknown command %1").arg(hex(cmd)));
            break;
    }
}

}  // namespace tarvik::sim
