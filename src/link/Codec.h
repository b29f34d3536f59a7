#pragma once

#include <QByteArray>
#include <cstdint>

// Frames on the wire: FE 01 02 LEN code(2) payload checksum(2) FE, little-endian, with every
// FE and FD between the first and the last byte stuffed as FD 0E and FD 0D.

enum TCommandCode : uint16_t {
    cmdWriteBlock = 0x0001,
    cmdReadBlock = 0x0002,
    cmdLiveData = 0x0003,
    cmdTroubleCodes = 0x0004,
    cmdComErrors = 0x0005,
    cmdIdentify = 0x0006,
    cmdConnect = 0x0007,
    cmdReset = 0x0008,
    cmdStatus = 0x000B,
    cmdFuelSwitch = 0x0012,
    cmdMode = 0x0013,
    cmdCounters = 0x0014,
    cmdPendingCodes = 0x0015,
    cmdVIN = 0x0016,
    cmdFastData = 0x0017,
};

// The ECU's refusals, sent in place of the reply code.
inline constexpr uint16_t rspNotSupported = 0x0707;
inline constexpr uint16_t rspChecksumError = 0x7070;

inline constexpr uint8_t FrameStartByte = 0xFE;
inline constexpr uint8_t FrameEscapeByte = 0xFD;
inline constexpr int MinFrameSize = 9;
inline constexpr int MaxBodySize = 250; // LEN is one byte and counts code + payload + 5

// The reply code that answers a request code.
constexpr uint16_t ReplyCode(uint16_t command) { return static_cast<uint16_t>(0xFFFF - command); }

// The two-byte command code, low byte first, as a Body starts.
QByteArray CommandBody(uint16_t code);

// Builds the logical frame of a request from its Body (code low byte, code high byte, payload).
QByteArray BuildFrame(const QByteArray& Body);
// Builds a logical frame with an explicit code and payload, as a reply carries them.
QByteArray BuildFrame(uint16_t code, const QByteArray& payload);

QByteArray EscapeFrame(const QByteArray& Frame);
QByteArray UnescapeFrame(const QByteArray& Wire);
bool FrameSumOK(const QByteArray& Frame);
bool IsReplyTo(const QByteArray& Request, const QByteArray& Reply);
uint16_t FrameCommand(const QByteArray& Frame);
QByteArray FramePayload(const QByteArray& Frame);

// Upper-case hexadecimal with at least two digits, as the link's messages show codes ("03", "14").
QByteArray CodeText(uint16_t code);
