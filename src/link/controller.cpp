#include "link/controller.h"

#include <functional>
#include <optional>
#include <vector>

#include "core/app_error.h"
#include "core/error_trap.h"
#include "link/controller_protocol.h"

namespace tarvik {

namespace p = protocol;

Controller::Controller(SerialLink& link) : link_(link) {}

void Controller::clearIdentity() {
    firmwareId_.clear();
    controllerVersion_.clear();
    model_ = ControllerModel::Unknown;
}

void Controller::setTpsScaleFactors(float zeroPoint, float fullPoint) {
    tpsScaleFactors_ = {zeroPoint, fullPoint};
}

namespace {

// Writes the command bytes as separate trapped steps, pausing between consecutive bytes.
// Returns false when the user aborted.
bool writeSteps(SerialLink& link, ErrorTrap& trap, std::initializer_list<quint8> bytes) {
    bool first = true;
    for (quint8 b : bytes) {
        if (!first && !trap.run([&] { link.delayTimer(p::kPacingMs); })) {
            return false;
        }
        first = false;
        if (!trap.run([&] { link.writeByte(b); })) {
            return false;
        }
    }
    return true;
}

enum class Reply { Arrived, TimedOut, Aborted };

// Waits up to the deadline for `wanted` bytes; fewer than `enough` is a time-out, shown in the
// error box. Retry only shows the box again (the exchange is over); Ignore ends the command
// without its answer. Whatever the controller still sends is kept off the next command.
Reply awaitReply(SerialLink& link, ErrorTrap& trap, int wanted, int enough, int deadlineMs) {
    int waiting = 0;
    if (!trap.run([&] { waiting = link.waitForReply(wanted, deadlineMs); })) {
        return Reply::Aborted;
    }
    if (waiting >= enough) {
        return Reply::Arrived;
    }
    link.noteUnansweredExchange();
    return trap.step([&] { link.raiseTimeout(); }) == StepResult::Aborted ? Reply::Aborted
                                                                          : Reply::TimedOut;
}

}  // namespace

Controller::Exchange Controller::exchange(ErrorTrap& trap,
                                          const std::function<Exchange()>& attempt) {
    // The command's own trap leaves a lost adapter to the box here, because its Retry must open
    // the port again and start the exchange from its first byte: repeating only the step that
    // failed would send half a command to the controller.
    trap.passOn(&SerialLink::isAdapterGone);
    ErrorTrap lossTrap(link_.dialogs());
    Exchange result = Exchange::Ended;
    switch (lossTrap.step([&] { result = attempt(); })) {
        case StepResult::Done:
            return result;
        case StepResult::Ignored:
            return Exchange::Ended;  // without its answer, as after a time-out
        case StepResult::Aborted:
            break;
    }
    return Exchange::Aborted;
}

Controller::Exchange Controller::send(ErrorTrap& trap, std::initializer_list<quint8> bytes,
                                      Addressing addressing) {
    // Abort on a port that cannot be opened is noted on the link, so the command ends there.
    if (trap.step([&] { link_.ensureOpen(); }) == StepResult::Aborted) {
        link_.noteOpenAborted();
        return Exchange::Aborted;
    }
    if (addressing == Addressing::FollowsAddress && !restoreAddress()) {
        return Exchange::Ended;
    }
    if (!trap.run([&] { link_.discardInput(); }) || !writeSteps(link_, trap, bytes)) {
        return Exchange::Aborted;
    }
    return Exchange::Done;
}

bool Controller::restoreAddress() {
    if (!addressKnown_ || addressLossCount_ == link_.lossCount()) {
        return true;
    }
    // The adapter went away since the address was set: the controller may have moved past a
    // reply that never arrived, so it is told again where the next read starts.
    setAddress(expectedAddress_);
    const bool ok = link_.linkOk();
    link_.setLinkOk(false);
    return ok;
}

std::optional<quint8> Controller::commandReply(ErrorTrap& trap,
                                               std::initializer_list<quint8> command, int wanted,
                                               int deadlineMs) {
    quint8 reply = 0;
    const Exchange got = exchange(trap, [&] {
        const Exchange sent = send(trap, command, Addressing::None);
        if (sent != Exchange::Done) {
            return sent;
        }
        switch (awaitReply(link_, trap, wanted, 1, deadlineMs)) {
            case Reply::Aborted:
                return Exchange::Aborted;
            case Reply::TimedOut:
                return Exchange::Ended;
            case Reply::Arrived:
                break;
        }
        return trap.run([&] { reply = link_.readByte(); }) ? Exchange::Done : Exchange::Aborted;
    });
    if (got == Exchange::Aborted) {
        link_.closePort();
    }
    if (got != Exchange::Done) {
        return std::nullopt;
    }
    return reply;
}

bool Controller::dataRead(std::initializer_list<quint8> command, int n,
                          const std::function<void(int, quint8)>& store, Kind kind,
                          Addressing addressing) {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return false;
    }
    ErrorTrap trap(link_.dialogs());
    auto exitPath = [&] {
        link_.closePort();
        if (kind == Kind::RealTime) {
            link_.abortMonitoring();
        }
        return false;
    };
    const Exchange got = exchange(trap, [&] {
        const Exchange sent = send(trap, command, addressing);
        if (sent != Exchange::Done) {
            return sent;
        }
        switch (awaitReply(link_, trap, n, n, p::kReplyDeadlineMs)) {
            case Reply::Aborted:
                return Exchange::Aborted;
            case Reply::TimedOut:
                return Exchange::Ended;
            case Reply::Arrived:
                break;
        }
        for (int i = 0; i < n; ++i) {
            quint8 byte = 0;
            if (!trap.run([&] { byte = link_.readByte(); }) || !trap.run([&] { store(i, byte); })) {
                return Exchange::Aborted;
            }
        }
        return Exchange::Done;
    });
    if (got == Exchange::Aborted) {
        return exitPath();
    }
    if (got == Exchange::Ended) {
        return false;
    }
    if (!trap.run([&] { link_.delayTimer(p::kPacingMs); })) {
        return exitPath();
    }
    link_.setLinkOk(true);
    return true;
}

void Controller::reSync() {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return;
    }
    ErrorTrap trap(link_.dialogs());
    quint8 reply = 0;
    const Exchange got = exchange(trap, [&] {
        const Exchange sent = send(trap, {p::kCmdReSync}, Addressing::None);
        if (sent != Exchange::Done) {
            return sent;
        }
        int waiting = 0;
        if (!trap.run([&] { waiting = link_.waitForReply(1, p::kReplyDeadlineMs); })) {
            return Exchange::Aborted;
        }
        if (waiting < 1) {
            // Silence is this command's answer, not an error; an answer may still come late.
            link_.noteUnansweredExchange();
            return Exchange::Ended;
        }
        return trap.run([&] { reply = link_.readByte(); }) ? Exchange::Done : Exchange::Aborted;
    });
    if (got == Exchange::Aborted) {
        link_.closePort();
        return;
    }
    if (got == Exchange::Ended) {
        return;
    }
    if (!trap.run([&] { link_.delayTimer(p::kPacingMs); })) {
        link_.closePort();
        return;
    }
    link_.setLinkOk(reply == p::kAck);
}

bool Controller::establishLink(const QString& title, const std::function<bool()>& stop) {
    for (int i = 0; i < kLinkChecks; ++i) {
        reSync();
        if (linkOk()) {
            return true;
        }
        if (link_.openAborted()) {
            return false;  // the user ended it on the box about the port
        }
        if (link_.adapterLost() || (stop && stop())) {
            break;  // an adapter that has gone answers no further check
        }
    }
    link_.dialogs().message(
        title, QStringLiteral("Cannot establish RS-232 link. Check cable and controller power."),
        MsgIcon::Exclamation, MsgButtons::Ok);
    link_.closePort();
    return false;
}

void Controller::setAddress(qint32 address) {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return;
    }
    ErrorTrap trap(link_.dialogs());
    // Only the low 16 bits travel, low byte first.
    const auto low = static_cast<quint8>(address & 0xFF);
    const auto high = static_cast<quint8>((address & 0xFF00) / 256);
    const std::optional<quint8> reply =
        commandReply(trap, {p::kCmdSetAddress, low, high}, 1, p::kReplyDeadlineMs);
    if (!reply) {
        return;
    }
    if (*reply != p::kAck) {
        return;  // refused: silent, the caller decides
    }
    expectedAddress_ = address & 0xFFFF;
    addressKnown_ = true;
    addressLossCount_ = link_.lossCount();
    link_.setLinkOk(true);
    if (!trap.run([&] { link_.delayTimer(p::kPacingMs); })) {
        link_.closePort();
    }
}

void Controller::readFirmwareId() {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    firmwareId_.clear();
    if (!use.acquired()) {
        return;
    }
    ErrorTrap trap(link_.dialogs());
    QString text;
    bool complete = false;
    const Exchange got = exchange(trap, [&] {
        text.clear();
        complete = false;
        const Exchange sent = send(trap, {p::kCmdFirmwareId}, Addressing::None);
        if (sent != Exchange::Done) {
            return sent;
        }
        return trap.run([&] { readFirmwareText(text, complete); }) ? Exchange::Done
                                                                   : Exchange::Aborted;
    });
    if (got == Exchange::Aborted) {
        link_.closePort();
        return;
    }
    if (got == Exchange::Ended) {
        return;
    }
    if (!complete) {
        // The characters already received are dropped; FirmwareID stays "".
        link_.noteUnansweredExchange();
        if (trap.step([&] { link_.raiseTimeout(); }) == StepResult::Aborted) {
            link_.closePort();
        }
        return;
    }
    firmwareId_ = text;
    model_ = controllerModelOf(firmwareId_);
    controllerVersion_ = controllerModelName(model_);
    link_.closePort();
    if (!trap.run([&] { link_.delayTimer(p::kPacingMs); })) {
        return;
    }
    link_.setLinkOk(true);
}

void Controller::readFirmwareText(QString& text, bool& complete) {
    SerialPort& port = link_.port();
    Clock& clock = link_.clock();
    const qint64 start = clock.nowUs();
    const qint64 limitUs = static_cast<qint64>(p::kReplyDeadlineMs) * 1000;
    while (clock.nowUs() - start <= limitUs) {
        if (port.bytesWaiting() > 0) {
            const quint8 b = link_.readByte();
            if (b == p::kCarriageReturn) {
                complete = true;
                return;
            }
            text.append(QChar::fromLatin1(static_cast<char>(b)));
        } else if (port.isOpen()) {
            // Block briefly on the device rather than spin; the UI still gets its turn
            // every few milliseconds.
            const qint64 leftMs = (limitUs - (clock.nowUs() - start)) / 1000 + 1;
            port.waitForMoreBytes(static_cast<int>(std::min<qint64>(leftMs, 5)));
        }
        link_.yieldToEvents();
        if (!port.isOpen() && port.bytesWaiting() == 0) {
            // The adapter went away, or a line error or the port list closed the port while
            // we yielded: nothing more can come. A lost adapter has its own box; otherwise the
            // time-out reports it.
            link_.throwIfAdapterGone();
            return;
        }
    }
}

quint8 Controller::readEeprom() {
    quint8 value = 0;
    if (dataRead(
            {p::kCmdReadEeprom}, 1, [&](int, quint8 b) { value = b; }, Kind::Setup,
            Addressing::FollowsAddress)) {
        expectedAddress_ = (expectedAddress_ + 1) & 0xFFFF;
    }
    return value;
}

void Controller::readFramBlock(qint16 n) {
    // The length goes out as one byte; a length that is not one byte cannot be asked for.
    if (n < 0 || n > 255) {
        SerialLink::LinkUse use(link_);
        link_.setLinkOk(false);
        ErrorTrap trap(link_.dialogs());
        trap.run([&] {
            throw AppError(5, QStringLiteral("Tarvik"),
                           QStringLiteral("Invalid procedure call or argument"));
        });
        link_.closePort();
        return;
    }
    const auto length = static_cast<quint8>(n);
    if (dataRead(
            {p::kCmdReadFramBlock, length}, n,
            [this](int i, quint8 b) {
                if (i >= kBlockBufferSize) {
                    throw AppError::subscriptOutOfRange(QStringLiteral("Tarvik"));
                }
                blockBuffer_[static_cast<size_t>(i)] = b;
            },
            Kind::Setup, Addressing::FollowsAddress)) {
        expectedAddress_ = (expectedAddress_ + n) & 0xFFFF;
    }
}

void Controller::clearControllerBuffer() {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return;
    }
    ErrorTrap trap(link_.dialogs());
    const auto& c = p::kEraseConfirmation;
    // The controller answers with one byte while it erases; the wait runs its full length
    // unless a second byte turns up.
    const std::optional<quint8> reply = commandReply(
        trap, {p::kCmdClearBuffer, c[0], c[1], c[2], c[3]}, 2, p::kClearBufferDeadlineMs);
    if (!reply) {
        return;
    }
    link_.setLinkOk(*reply == p::kAck);
    trap.run([&] { link_.delayTimer(p::kPacingMs); });
    link_.closePort();
}

float Controller::readDataLogInterval() {
    SerialLink::LinkUse use(link_);  // the address and the read belong together
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return 0.0F;
    }
    setAddress(p::kEepromLogInterval);
    if (!link_.linkOk()) {
        link_.closePort();
        return 0.0F;
    }
    link_.setLinkOk(false);
    const quint8 b = readEeprom();
    return static_cast<float>(b * 0.016);
}

void Controller::readTpsScaleFactors() {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return;
    }
    setAddress(p::kEepromTpsZeroPoint);
    if (!link_.linkOk()) {
        link_.closePort();
        return;
    }
    link_.setLinkOk(false);
    tpsScaleFactors_[0] = readEeprom();
    if (!link_.linkOk()) {
        link_.closePort();
        return;
    }
    link_.setLinkOk(false);
    // The controller's address has moved on to the full point.
    tpsScaleFactors_[1] = readEeprom();
    if (!link_.linkOk()) {
        link_.closePort();
    }
}

void Controller::readGenModeFlag() {
    SerialLink::LinkUse use(link_);
    link_.setLinkOk(false);
    if (!use.acquired()) {
        return;
    }
    setAddress(p::kEepromGenModeFlags);
    if (!link_.linkOk()) {
        link_.closePort();
        return;
    }
    link_.setLinkOk(false);
    const quint8 g = readEeprom();
    rpmDouble_ = (g & p::kGenModeRpmDouble) != 0;
    vssInMph_ = (g & p::kGenModeVssInMph) != 0;
}

float Controller::realTimeByte(quint8 command) {
    quint8 value = 0;
    dataRead(
        {command}, 1, [&](int, quint8 b) { value = b; }, Kind::RealTime);
    return static_cast<float>(value);
}

float Controller::readBat() {
    return static_cast<float>(realTimeByte(p::kCmdReadBat) * 18.0 / 255.0);
}

float Controller::readRpm() {
    // An unsigned count: engine speeds of 32768 and above are real readings, not overflows.
    std::array<quint8, 2> bytes{};
    dataRead(
        {p::kCmdReadRpm}, 2, [&](int i, quint8 b) { bytes[static_cast<size_t>(i)] = b; },
        Kind::RealTime);
    return static_cast<float>(static_cast<quint32>(bytes[0]) + 256U * bytes[1]);
}

float Controller::readVss() {
    return realTimeByte(p::kCmdReadVss);
}

float Controller::readTps() {
    return realTimeByte(p::kCmdReadTps);
}

float Controller::readVin1() {
    return static_cast<float>(realTimeByte(p::kCmdReadVin1) * 5.0 / 255.0);
}

float Controller::readVin2() {
    return static_cast<float>(realTimeByte(p::kCmdReadVin2) * 5.0 / 255.0);
}

float Controller::readInputData() {
    return realTimeByte(p::kCmdReadInputData);
}

float Controller::readOutputData() {
    return realTimeByte(p::kCmdReadOutputData);
}

float Controller::readStatus() {
    return realTimeByte(p::kCmdReadStatus);
}

void Controller::readPwm() {
    std::array<quint8, 2> bytes{};
    if (dataRead(
            {p::kCmdReadPwm}, 2, [&](int i, quint8 b) { bytes[static_cast<size_t>(i)] = b; },
            Kind::RealTime)) {
        stage1Pwm_ = bytes[0];
        stage2Pwm_ = bytes[1];
    }
}

}  // namespace tarvik
