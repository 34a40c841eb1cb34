#pragma once

#include <QtGlobal>
#include <array>

/// The controller's wire protocol: command bytes, replies and reply deadlines. Shared by the
/// program's command set and the controller simulator so the two cannot drift apart.
namespace tarvik::protocol {

constexpr quint8 kAck = 0x06;
/// What the controller answers to a command it refuses (any byte but kAck counts as refused).
constexpr quint8 kNak = 0x15;
constexpr quint8 kCarriageReturn = 13;

constexpr quint8 kCmdFirmwareId = 0x10;
constexpr quint8 kCmdSetAddress = 0x14;
constexpr quint8 kCmdReadEeprom = 0x15;
constexpr quint8 kCmdReadBat = 0x26;
constexpr quint8 kCmdReadRpm = 0x27;
constexpr quint8 kCmdReadVss = 0x28;
constexpr quint8 kCmdReadTps = 0x29;
constexpr quint8 kCmdReadVin1 = 0x2A;
constexpr quint8 kCmdReadVin2 = 0x2B;
constexpr quint8 kCmdReadInputData = 0x2C;
constexpr quint8 kCmdReadOutputData = 0x2D;
constexpr quint8 kCmdReadStatus = 0x2E;
constexpr quint8 kCmdReadPwm = 0x2F;
constexpr quint8 kCmdReadFramBlock = 0x30;
constexpr quint8 kCmdClearBuffer = 0x31;
constexpr quint8 kCmdReSync = 0x33;

/// The four bytes the controller requires right after kCmdClearBuffer before it erases its log.
/// A stray 0x31 on a noisy line must never wipe a log, so the confirmation is a pattern that
/// ordinary traffic does not produce; anything else after 0x31 is answered with kNak.
constexpr std::array<quint8, 4> kEraseConfirmation = {0x5A, 0xA5, 0xC3, 0x3C};

/// Reply deadlines, measured from the last command byte written.
constexpr int kReplyDeadlineMs = 1000;
constexpr int kClearBufferDeadlineMs = 5000;
/// The pause between command bytes and after each completed exchange.
constexpr int kPacingMs = 2;

/// EEPROM addresses the program reads.
constexpr int kEepromLogInterval = 19;
constexpr int kEepromGenModeFlags = 20;
constexpr int kEepromTpsZeroPoint = 23;
constexpr int kEepromTpsFullPoint = 24;
/// Bits of the general-mode byte.
constexpr quint8 kGenModeRpmDouble = 0x20;
constexpr quint8 kGenModeVssInMph = 0x40;

/// The FRAM log memory.
constexpr int kFramSize = 32768;
constexpr int kFramBlockSize = 64;

}  // namespace tarvik::protocol
