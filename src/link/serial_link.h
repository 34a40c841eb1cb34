#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <initializer_list>

#include "platform/clock.h"
#include "platform/serial_port.h"

namespace tarvik {

class AppError;
class UserDialogs;

/// The link to the controller: the one serial port, the port number, the success flag of the
/// latest command, the line-error count and handler, the paced pause, the building blocks of a
/// command exchange, and the guard that keeps two users of the link from interleaving.
///
/// Everything runs on the UI thread. The port is opened lazily by the first command that needs
/// it and may be closed by anyone at any time; the next command reopens it.
class SerialLink : public QObject {
    Q_OBJECT

public:
    /// Maps a port number to the device to open (see portDeviceName()).
    using PortNameResolver = std::function<QString(int portNumber)>;

    /// The reply time-out text; the box tells the user to click Abort because Retry only shows
    /// the box again.
    static const QString kTimeoutText;

    SerialLink(SerialPort& port, Clock& clock, UserDialogs& dialogs,
               PortNameResolver portNames = {}, QObject* parent = nullptr);
    ~SerialLink() override;

    SerialPort& port() { return port_; }
    Clock& clock() { return clock_; }
    UserDialogs& dialogs() { return dialogs_; }

    // --- Program-wide link state -------------------------------------------------------------

    /// The port to use, 1-255 (0 when none is chosen). Changing it does not close the port;
    /// the port list's handler closes it so the next command opens the new one.
    qint16 portNumber() const { return portNumber_; }
    void setPortNumber(qint16 n) { portNumber_ = n; }

    /// Success flag of the latest controller command: cleared at the start of every command,
    /// set when it completed.
    bool linkOk() const { return linkOK_; }
    void setLinkOk(bool ok) { linkOK_ = ok; }

    /// Line errors reported since start-up or since the monitor last reset it.
    int serialErrorCount() const { return serialErrorCount_; }
    void setSerialErrorCount(int n) { serialErrorCount_ = n; }

    /// How the line-error handler learns whether the real-time monitor runs (RealTimeActive
    /// lives with the monitor). Unset means "not monitoring".
    void setRealTimeActiveQuery(std::function<bool()> query) { realTimeActive_ = std::move(query); }
    bool realTimeActive() const { return realTimeActive_ && realTimeActive_(); }

    /// What Abort in a real-time read's error box does after closing the port: the monitor's
    /// Close action. Unset does nothing more.
    void setAbortMonitoringAction(std::function<void()> action) {
        abortMonitoring_ = std::move(action);
    }
    void abortMonitoring();

    // --- Port ---------------------------------------------------------------------------------

    bool isPortOpen() const { return port_.isOpen(); }
    /// Closes the port if it is open.
    void closePort();

    // --- Pacing -------------------------------------------------------------------------------

    /// The paced pause: n ms with the UI processing events. Throws AppError "Overflow" when n
    /// x 1000 overflows 32 bits. Counts as a yield for the link guard (see LinkUse).
    void delayTimer(qint32 n);
    /// Lets the UI process pending events once, as a yield of the current link user (the poll
    /// cycle uses this between its steps).
    void yieldToEvents();

    // --- Exchange building blocks (the controller commands are made of these) -----------------

    /// Opens the port on the device of PortNumber when it is closed, and asks its driver for
    /// low latency (a refusal is ignored). Throws AppError whose text says what is wrong and
    /// what to do (portOpenErrorText()); for the adapter that went away and is still away, the
    /// adapter-gone error (adapterGoneText()).
    void ensureOpen();
    /// The user chose Abort on a port that could not be opened: the command that asked ends
    /// there, with no further tries and no message of its own. Cleared by the next ensureOpen().
    bool openAborted() const { return openAborted_; }
    void noteOpenAborted() { openAborted_ = true; }

    /// The program is ending: the port closes, and from now on every pause and yield returns at
    /// once and no port opens, so a command that was suspended in a pause when the window closed
    /// winds down without waiting, repainting or sending anything.
    void shutDown();
    bool shuttingDown() const { return shuttingDown_; }
    /// Drops stale bytes left by an earlier, abandoned exchange. After an exchange that went
    /// unanswered (noteUnansweredExchange()) it first waits until the line has been quiet for
    /// kLateReplyQuietMs, dropping whatever comes (at most kLongestSettleMs), so that a reply
    /// that arrives after its deadline is never taken as the answer to the next command.
    void discardInput();
    /// An exchange ended without its whole answer: the reply may still come, late.
    void noteUnansweredExchange();
    static constexpr int kLateReplyQuietMs = 250;
    static constexpr int kLongestSettleMs = 2000;
    /// Writes one command byte. Throws AppError when the port is closed or the write fails;
    /// the adapter-gone error when the device went away.
    void writeByte(quint8 byte);
    /// Longest stretch of a reply wait without the UI processing its events.
    static constexpr int kReplyEventIntervalMs = 20;

    /// Waits until at least `minBytes` bytes are waiting or more than `deadlineMs`
    /// have elapsed since the call (a reply complete exactly at the deadline is accepted).
    /// Returns the bytes waiting at the end; 0 at once on a closed port. The wait blocks on the
    /// device, and every kReplyEventIntervalMs without a complete reply the UI processes its
    /// events once (as a yield of the current link user), so a silent controller neither
    /// freezes the window nor hides an Esc. Throws the adapter-gone error when the device goes
    /// away during the wait.
    int waitForReply(int minBytes, int deadlineMs);
    /// Closes the port and throws the CommError time-out. Calling it again (Retry)
    /// throws the same error again without any exchange.
    [[noreturn]] void raiseTimeout();
    /// One reply byte. Throws AppError when nothing is waiting.
    quint8 readByte();

    // --- A serial adapter that goes away ------------------------------------------------------

    /// The error of an adapter that went away mid-exchange, or is still away when the port
    /// opens again. A command answers it for its whole exchange: Retry opens the port again by
    /// its configured name and starts the exchange from its first byte.
    static bool isAdapterGone(const AppError& error);
    /// The adapter of the current port went away and the port has not opened since.
    bool adapterLost();
    /// Throws the adapter-gone error when the port closed because its device went away.
    void throwIfAdapterGone();
    /// Losses seen so far; a command that depends on the controller's address sets it again
    /// when this count has moved on since the address was set.
    int lossCount() const { return lossCount_; }
    /// Opens the port when it can, showing nothing; false when it cannot. The live panel
    /// waiting for its adapter tries this at each tick.
    bool reopenQuietly();

    // --- Line events --------------------------------------------------------------------------

    /// The serial event handler: chooses by code as the line-error table says, counts the
    /// error, closes the port past the second error, and shows the "Communications Error" box
    /// (Retry discards input, Cancel closes the port). Connected to the port at construction.
    void onLineEvent(int code);

    // --- Link owner guard ---------------------------------------------------------------------

    /// True while any user holds the link: a command (including its pauses and the firmware
    /// character loop) or a LinkUse scope such as a poll cycle or a download.
    bool busy() const { return useDepth_ > 0; }

    /// Runs `fn` now when the link is idle and no command is under way; otherwise queues it to
    /// run once, from the event loop, as soon as both hold (in the order queued). Menu commands
    /// go through this so they never interleave with an exchange in flight or with a command
    /// suspended in one of its yields.
    void runWhenIdle(std::function<void()> fn);
    /// Functions waiting for the link.
    int pendingCount() const { return static_cast<int>(pending_.size()); }

    /// Holds the link for a scope. Scopes nest on the same call path (a poll cycle holding the
    /// link calls commands that hold it too). A scope started from an event handled inside
    /// another user's yield (delayTimer, yieldToEvents, the firmware loop) would interleave
    /// with it: such a scope is refused (acquired() false) and the command using it sends
    /// nothing and ends with LinkOK false.
    class LinkUse {
    public:
        explicit LinkUse(SerialLink& link);
        ~LinkUse();
        LinkUse(const LinkUse&) = delete;
        LinkUse& operator=(const LinkUse&) = delete;
        bool acquired() const { return acquired_; }

    private:
        SerialLink& link_;
        bool acquired_ = false;
    };

    /// Marks a menu command that sends nothing to the controller (a save) for as long as it
    /// runs, its dialogs and yields included. Poll cycles go on meanwhile, since they cannot
    /// disturb it; other commands queued with runWhenIdle() wait for its end, so nothing
    /// replaces the data set under it.
    class CommandScope {
    public:
        explicit CommandScope(SerialLink& link) : link_(link) { ++link_.commandDepth_; }
        ~CommandScope() { link_.endCommand(); }
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        SerialLink& link_;
    };

    /// Marks a stretch in which UI events run on behalf of the current link user: the pacing
    /// pauses and the reply wait's event turns. A yield of a command that does
    /// not hold the link (a save) is no one's exchange: a poll cycle that starts inside it, and
    /// the commands that cycle issues, hold the link as usual.
    class YieldScope {
    public:
        explicit YieldScope(SerialLink& link) : link_(link), counted_(link.busy()) {
            if (counted_) {
                ++link_.yieldDepth_;
            }
        }
        ~YieldScope() {
            if (counted_) {
                --link_.yieldDepth_;
            }
        }
        YieldScope(const YieldScope&) = delete;
        YieldScope& operator=(const YieldScope&) = delete;

    private:
        SerialLink& link_;
        bool counted_;
    };

    /// How many commands were refused because they would have interleaved (for tests).
    int refusedCount() const { return refused_; }

private:
    /// Takes note of a loss the port reported (once per loss).
    void noteLossIfAny();
    [[noreturn]] void throwAdapterGone() const;
    /// The wait of discardInput() after an unanswered exchange.
    void settleLine();
    void release();
    void endCommand();
    /// Queued commands may run: the link is idle and no command is under way.
    bool freeForCommands() const { return !busy() && commandDepth_ == 0; }
    void schedulePending();
    void runPending();

    SerialPort& port_;
    Clock& clock_;
    UserDialogs& dialogs_;
    PortNameResolver portNames_;
    std::function<bool()> realTimeActive_;
    std::function<void()> abortMonitoring_;

    qint16 portNumber_ = 1;
    bool linkOK_ = false;
    int serialErrorCount_ = 0;
    bool openAborted_ = false;
    bool shuttingDown_ = false;

    int lossCount_ = 0;
    bool lossNoted_ = false;
    QString lostDevice_;  ///< the device that went away and has not opened since ("" none)
    int lostPort_ = 0;
    bool unanswered_ = false;
    qint64 unansweredAtUs_ = 0;

    int useDepth_ = 0;
    int yieldDepth_ = 0;
    int commandDepth_ = 0;
    int refused_ = 0;
    std::deque<std::function<void()>> pending_;
    bool pendingScheduled_ = false;
};

}  // namespace tarvik
