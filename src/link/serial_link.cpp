#include "link/serial_link.h"

#include <algorithm>

#include "core/app_error.h"
#include "core/user_dialogs.h"
#include "link/delay_timer.h"
#include "link/port_open_error.h"
#include "platform/port_names.h"

namespace tarvik {

const QString SerialLink::kTimeoutText =
    QStringLiteral("RS-232 timeout. Check cable and click Abort.");

SerialLink::SerialLink(SerialPort& port, Clock& clock, UserDialogs& dialogs,
                       PortNameResolver portNames, QObject* parent)
    : QObject(parent),
      port_(port),
      clock_(clock),
      dialogs_(dialogs),
      portNames_(std::move(portNames)) {
    if (!portNames_) {
        portNames_ = [](int n) { return portDeviceName(n, nullptr); };
    }
    port_.setLineEventHandler([this](int code) { onLineEvent(code); });
}

SerialLink::~SerialLink() {
    port_.setLineEventHandler({});
}

void SerialLink::abortMonitoring() {
    if (abortMonitoring_) {
        abortMonitoring_();
    }
}

void SerialLink::closePort() {
    if (port_.isOpen()) {
        port_.close();
    }
}

void SerialLink::shutDown() {
    shuttingDown_ = true;
    closePort();
}

void SerialLink::delayTimer(qint32 n) {
    if (shuttingDown_) {
        return;
    }
    YieldScope yield(*this);
    tarvik::delayTimer(clock_, n);
}

void SerialLink::yieldToEvents() {
    if (shuttingDown_) {
        return;
    }
    YieldScope yield(*this);
    clock_.pauseProcessingEvents(0);
}

void SerialLink::ensureOpen() {
    openAborted_ = false;
    if (shuttingDown_) {
        throw AppError(AppError::kCommError, QStringLiteral("Tarvik"),
                       QStringLiteral("The program is ending: the port stays closed."));
    }
    if (port_.isOpen()) {
        return;
    }
    noteLossIfAny();
    const QString device = portNames_(portNumber_);
    try {
        port_.open(device);
    } catch (const AppError& e) {
        const PortOpenFailure failure = port_.lastOpenFailure();
        // The adapter that went away is still away (or came back under another name): say so in
        // the words the user saw when it went.
        if (!lostDevice_.isEmpty() && lostDevice_ == device && lostPort_ == portNumber_ &&
            failure == PortOpenFailure::NoSuchDevice) {
            throwAdapterGone();
        }
        throw AppError(e.code(), e.source(),
                       portOpenErrorText(failure, device, portNumber_, port_.errorString()));
    }
    lossNoted_ = false;
    lostDevice_.clear();
    // A USB adapter would otherwise hold the last bytes of every reply for its latency timer
    // (16 ms on common chips), doubling a download; ports that cannot do it refuse harmlessly.
    port_.requestLowLatency();
}

bool SerialLink::reopenQuietly() {
    if (port_.isOpen()) {
        return true;
    }
    try {
        ensureOpen();
    } catch (const AppError&) {
        return false;
    }
    return port_.isOpen();
}

bool SerialLink::isAdapterGone(const AppError& error) {
    return error.code() == AppError::kAdapterGone;
}

void SerialLink::noteLossIfAny() {
    if (!lossNoted_ && port_.deviceLost()) {
        lossNoted_ = true;
        ++lossCount_;
        lostDevice_ = port_.deviceName();
        lostPort_ = portNumber_;
    }
}

bool SerialLink::adapterLost() {
    noteLossIfAny();
    return !port_.isOpen() && !lostDevice_.isEmpty();
}

void SerialLink::throwIfAdapterGone() {
    if (adapterLost()) {
        throwAdapterGone();
    }
}

void SerialLink::throwAdapterGone() const {
    throw AppError(AppError::kAdapterGone, QStringLiteral("Comm Error"),
                   adapterGoneText(lostDevice_, lostPort_));
}

void SerialLink::noteUnansweredExchange() {
    unanswered_ = true;
    unansweredAtUs_ = clock_.nowUs();
}

void SerialLink::discardInput() {
    if (unanswered_) {
        settleLine();
    }
    port_.discardInput();
}

void SerialLink::settleLine() {
    unanswered_ = false;
    // The answer of the exchange that gave up may still be on its way. Were it to arrive just
    // after the next command is written, it would pass for that command's answer (a late link
    // check's acknowledgement read as status 6): so wait for the line to fall quiet first.
    const qint64 start = clock_.nowUs();
    qint64 quietFrom = unansweredAtUs_;
    qint64 eventsAtUs = start;
    while (!shuttingDown_ && port_.isOpen()) {
        if (port_.bytesWaiting() > 0) {
            port_.discardInput();
            quietFrom = clock_.nowUs();
        }
        const qint64 now = clock_.nowUs();
        const qint64 quietLeftUs =
            static_cast<qint64>(kLateReplyQuietMs) * 1000 - (now - quietFrom);
        if (quietLeftUs <= 0 || now - start >= static_cast<qint64>(kLongestSettleMs) * 1000) {
            return;
        }
        if (now - eventsAtUs >= kReplyEventIntervalMs * 1000) {
            yieldToEvents();
            eventsAtUs = clock_.nowUs();
            continue;
        }
        port_.waitForMoreBytes(
            static_cast<int>(std::clamp<qint64>(quietLeftUs / 1000 + 1, 1, kReplyEventIntervalMs)));
    }
}

void SerialLink::writeByte(quint8 byte) {
    throwIfAdapterGone();
    try {
        port_.writeByte(byte);
    } catch (const AppError&) {
        throwIfAdapterGone();
        throw;
    }
}

int SerialLink::waitForReply(int minBytes, int deadlineMs) {
    if (!port_.isOpen()) {
        throwIfAdapterGone();
        return 0;
    }
    const qint64 start = clock_.nowUs();
    const qint64 limitUs = static_cast<qint64>(deadlineMs) * 1000;
    qint64 eventsAtUs = start;
    for (;;) {
        const int waiting = port_.bytesWaiting();
        if (waiting >= minBytes) {
            return waiting;
        }
        const qint64 now = clock_.nowUs();
        const qint64 elapsed = now - start;
        if (!port_.isOpen()) {
            throwIfAdapterGone();
            return waiting;
        }
        if (elapsed > limitUs) {
            return waiting;
        }
        // A silent controller keeps us here for the whole deadline: the window still repaints
        // and sees Esc, while the link stays held so no other command can slip in.
        const qint64 sinceEventsUs = now - eventsAtUs;
        if (sinceEventsUs >= kReplyEventIntervalMs * 1000) {
            yieldToEvents();
            eventsAtUs = clock_.nowUs();
            continue;
        }
        // Block on the device until the next event turn or the deadline, whichever is first (at
        // least 1 ms, so the loop always moves past the deadline rather than asking for zero
        // over and over).
        const qint64 untilEventsMs = (kReplyEventIntervalMs * 1000 - sinceEventsUs + 999) / 1000;
        const qint64 leftMs = (limitUs - elapsed) / 1000 + 1;
        port_.waitForMoreBytes(
            static_cast<int>(std::max<qint64>(std::min(leftMs, untilEventsMs), 1)));
    }
}

void SerialLink::raiseTimeout() {
    closePort();
    throw AppError::commError(kTimeoutText);
}

quint8 SerialLink::readByte() {
    throwIfAdapterGone();
    return port_.readByte();
}

void SerialLink::onLineEvent(int code) {
    const bool monitoring = realTimeActive();
    QString text;
    switch (code) {
        case line_event::kFramingError:
            if (monitoring) {
                return;
            }
            text = QStringLiteral("Framing Error");
            break;
        case line_event::kHardwareOverrun:
        case line_event::kReceiveBufferOverflow:
            // While monitoring, lost bytes only spoil one reading: start afresh on the next poll.
            if (monitoring) {
                closePort();
                return;
            }
            text = code == line_event::kHardwareOverrun ? QStringLiteral("Port Hardware Overrun")
                                                        : QStringLiteral("Receive Buffer Overflow");
            break;
        case line_event::kParityError:
            if (monitoring) {
                return;
            }
            text = QStringLiteral("Parity Error");
            break;
        case line_event::kDeviceControlBlockError:
            text = QStringLiteral("Device Control Block Error");
            break;
        default:
            return;
    }
    ++serialErrorCount_;
    if (serialErrorCount_ > 2) {
        closePort();
    }
    const MsgResult answer = dialogs_.message(QStringLiteral("Communications Error"), text,
                                              MsgIcon::Critical, MsgButtons::RetryCancel);
    if (answer == MsgResult::Retry) {
        port_.discardInput();
    } else {
        closePort();
    }
}

// --- Link owner guard -----------------------------------------------------------------------

SerialLink::LinkUse::LinkUse(SerialLink& link) : link_(link) {
    // A use that begins while another user is yielding would put its bytes between that user's
    // bytes; nesting on the same call path (a poll cycle calling its commands) is fine.
    if (link_.busy() && link_.yieldDepth_ > 0) {
        ++link_.refused_;
        return;
    }
    ++link_.useDepth_;
    acquired_ = true;
}

SerialLink::LinkUse::~LinkUse() {
    if (acquired_) {
        link_.release();
    }
}

void SerialLink::release() {
    --useDepth_;
    if (freeForCommands() && !pending_.empty()) {
        schedulePending();
    }
}

void SerialLink::endCommand() {
    --commandDepth_;
    if (freeForCommands() && !pending_.empty()) {
        schedulePending();
    }
}

void SerialLink::runWhenIdle(std::function<void()> fn) {
    if (freeForCommands() && pending_.empty()) {
        fn();
        return;
    }
    pending_.push_back(std::move(fn));
    if (freeForCommands()) {
        schedulePending();
    }
}

void SerialLink::schedulePending() {
    if (pendingScheduled_) {
        return;
    }
    pendingScheduled_ = true;
    QMetaObject::invokeMethod(
        this, [this] { runPending(); }, Qt::QueuedConnection);
}

void SerialLink::runPending() {
    pendingScheduled_ = false;
    while (!pending_.empty()) {
        if (!freeForCommands()) {
            return;  // the link's release, or the command's end, schedules the rest
        }
        std::function<void()> fn = std::move(pending_.front());
        pending_.pop_front();
        fn();
    }
}

}  // namespace tarvik
