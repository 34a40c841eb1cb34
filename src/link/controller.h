#pragma once

#include <QString>
#include <array>
#include <functional>
#include <initializer_list>
#include <optional>

#include "link/controller_model.h"
#include "link/serial_link.h"

namespace tarvik {

class ErrorTrap;

/// The controller's command set. Each routine is one command exchange (the EEPROM settings a
/// short sequence of them) with its own error trap: a failure shows the "Error" box with
/// Abort/Retry/Ignore. After every call the caller tests linkOk(); a failed read returns 0.
///
/// A negative acknowledgement is silent: linkOk() stays false and the caller shows its own
/// message. A command started from inside another link user's yield is refused (nothing sent,
/// LinkOK false, 0): callers go through SerialLink::runWhenIdle().
///
/// A serial adapter that goes away during an exchange closes the port at once and its box says
/// so; Retry there opens the port again and runs the exchange again from its first byte. The
/// EEPROM and FRAM reads first set the controller's address again to where the program's reads
/// have got to, since the controller may have advanced past a reply that never arrived.
class Controller {
public:
    /// Bytes the controller keeps in one FRAM block reply; BlockBuffer's size.
    static constexpr int kBlockBufferSize = 64;

    explicit Controller(SerialLink& link);

    SerialLink& link() { return link_; }
    bool linkOk() const { return link_.linkOk(); }

    // --- Link check and addressing --------------------------------------------------------------

    /// Link check (0x33). LinkOK true if acknowledged. Silence for 1.0 s is not an error: it
    /// returns with LinkOK false, nothing shown, the port left open.
    void reSync();
    /// How many link checks a command makes before it gives up on the controller.
    static constexpr int kLinkChecks = 5;
    /// The commands' link check: reSync up to kLinkChecks times until acknowledged. True when
    /// the controller answered. When none of the checks was answered, says "Cannot establish
    /// RS-232 link. Check cable and controller power." in a box titled `title` and closes the
    /// port. Stops at once, with nothing more shown, when the user chose Abort on a port that
    /// could not be opened (link().openAborted()). `stop` (when given) is asked after each
    /// failed check: true ends the checks early (Esc) and the box is still shown.
    bool establishLink(const QString& title, const std::function<bool()>& stop = {});
    /// Sets the EEPROM/FRAM read address (0x14, low, high); only the low 16 bits are sent.
    /// LinkOK true if acknowledged; any other reply byte ends it silently with LinkOK false.
    void setAddress(qint32 address);

    // --- Identity -------------------------------------------------------------------------------

    /// Reads the identification text up to its carriage return (1.0 s for the whole text, the
    /// UI running meanwhile); sets FirmwareID and ControllerVersion. Closes the port after.
    /// With no carriage return in time the text is dropped (FirmwareID "") and the time-out is
    /// reported. An empty text is a success here.
    void readFirmwareId();

    // --- Memory ---------------------------------------------------------------------------------

    /// The EEPROM byte at the current address (the controller advances the address by one).
    quint8 readEeprom();
    /// Reads n bytes (0x30, n) into BlockBuffer[0..n-1]; the controller advances the address by
    /// n. The program asks for 64; a byte beyond BlockBuffer is reported through the trap as
    /// "Subscript out of range" and never stored.
    void readFramBlock(qint16 n);
    /// Erases the controller's log: 0x31 and the erase confirmation bytes, then waits 5.0 s
    /// (ending early only on a second reply byte). LinkOK true if acknowledged. Closes the port.
    void clearControllerBuffer();

    // --- EEPROM settings (each a SetAddress and one or two ReadEEPROM) --------------------------

    /// Seconds between logged samples: EEPROM byte 19 x 0.016. 0 with LinkOK false on failure.
    float readDataLogInterval();
    /// Sets TPSScaleFactors from EEPROM 23 (zero point) and 24 (full point). A failed read sets
    /// its factor to 0 and stops; a factor not attempted keeps its value. LinkOK false tells the
    /// caller to substitute its defaults.
    void readTpsScaleFactors();
    /// Sets RPMDouble (bit 0x20) and VSSInMPH (bit 0x40) from EEPROM byte 20. A failed
    /// SetAddress keeps both; a failed read clears both.
    void readGenModeFlag();

    // --- Live readings (the ten real-time reads: Abort in their error box also stops the
    // monitor through SerialLink::setAbortMonitoringAction) --------------------------------------

    float readBat();         ///< supply volts: byte x 18 / 255
    float readRpm();         ///< engine speed: low + 256 x high, 0-65535
    float readVss();         ///< road speed, raw byte
    float readTps();         ///< throttle position, raw byte
    float readVin1();        ///< input 1 volts: byte x 5 / 255
    float readVin2();        ///< input 2 volts: byte x 5 / 255
    float readInputData();   ///< input bits
    float readOutputData();  ///< output bits
    float readStatus();      ///< status code
    /// Sets Stage1PWM and Stage2PWM from the two reply bytes.
    void readPwm();

    // --- What the commands deliver --------------------------------------------------------------

    const QString& firmwareId() const { return firmwareId_; }
    const QString& controllerVersion() const { return controllerVersion_; }
    /// The model the last identification named (Unknown before one was read).
    ControllerModel model() const { return model_; }
    /// Clears FirmwareID and ControllerVersion (the main window does so at load).
    void clearIdentity();
    const std::array<quint8, kBlockBufferSize>& blockBuffer() const { return blockBuffer_; }
    /// [0] zero point, [1] full point: the raw throttle bytes at 0 % and 100 %.
    const std::array<float, 2>& tpsScaleFactors() const { return tpsScaleFactors_; }
    /// Callers substitute kDefaultTpsZeroPoint and kDefaultTpsFullPoint when the read failed.
    void setTpsScaleFactors(float zeroPoint, float fullPoint);
    bool rpmDouble() const { return rpmDouble_; }
    bool vssInMph() const { return vssInMph_; }
    float stage1Pwm() const { return stage1Pwm_; }
    float stage2Pwm() const { return stage2Pwm_; }

private:
    enum class Kind { Setup, RealTime };
    /// How one exchange ended: complete; over without its answer (time-out ignored, an address
    /// that could not be set again); or aborted by the user (the command's exit path runs).
    enum class Exchange { Done, Ended, Aborted };
    /// Whether an exchange reads from the controller's current address (EEPROM, FRAM).
    enum class Addressing { None, FollowsAddress };

    /// Runs `attempt` (one exchange, its steps trapped by `trap`); a lost adapter is answered
    /// here for the exchange as a whole.
    Exchange exchange(ErrorTrap& trap, const std::function<Exchange()>& attempt);
    /// The start of every exchange: open if needed, set the address again if an adapter loss
    /// may have moved it, drop stale bytes, send the command.
    Exchange send(ErrorTrap& trap, std::initializer_list<quint8> bytes, Addressing addressing);
    /// Sets the controller's address to expectedAddress_ when the adapter was lost since it was
    /// set; false when that failed.
    bool restoreAddress();
    /// Sends a command and reads the first byte of its answer, which must begin within the
    /// deadline (`wanted` bytes end the wait early). Empty when no byte came (the time-out has
    /// been shown) or the user aborted; an abort closes the port.
    std::optional<quint8> commandReply(ErrorTrap& trap, std::initializer_list<quint8> command,
                                       int wanted, int deadlineMs);
    /// The common data read: the command bytes, n reply bytes into `reply`, then the pause and
    /// LinkOK. Returns false when the command ended early (time-out ignored, abort, refused).
    bool dataRead(std::initializer_list<quint8> command, int n,
                  const std::function<void(int, quint8)>& store, Kind kind,
                  Addressing addressing = Addressing::None);
    /// The identification's character loop, up to the carriage return or the deadline.
    void readFirmwareText(QString& text, bool& complete);
    float realTimeByte(quint8 command);

    SerialLink& link_;
    QString firmwareId_;
    QString controllerVersion_;
    ControllerModel model_ = ControllerModel::Unknown;
    std::array<quint8, kBlockBufferSize> blockBuffer_{};
    std::array<float, 2> tpsScaleFactors_{};
    bool rpmDouble_ = false;
    bool vssInMph_ = false;
    float stage1Pwm_ = 0;
    float stage2Pwm_ = 0;
    /// Where the controller's read address stands after the reads that succeeded: set by
    /// setAddress, advanced by each EEPROM read and FRAM block.
    qint32 expectedAddress_ = 0;
    bool addressKnown_ = false;
    /// SerialLink::lossCount() when the address was last set.
    int addressLossCount_ = 0;
};

}  // namespace tarvik
