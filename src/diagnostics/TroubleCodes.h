#pragma once

#include "StringIds.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// What the ECU reports about itself: trouble codes, its communication error log, its counters
// and the VIN, turned into the lines the trouble-code window lists. No widget here.

// One entry of the two constant tables: the trouble codes are looked up by their code text (their
// number is 0), the communication errors by their number (their code text is empty).
struct TCodeEntry {
    uint16_t Number;
    const char* Code;
    StringId Description;
};

extern const std::array<TCodeEntry, 45> TroubleCodeTable;
extern const std::array<TCodeEntry, 9> ComErrorTable;

// A trouble code as the ECU sends it (16 bits) in its five-character form: 0x3391 is "P3391",
// 0xF00A is "U300A".
QString FormatTroubleCode(uint16_t code);

// The description of a formatted code, "not a standard code" when the table does not know it.
QString TroubleCodeDescription(const QString& codeText);
// The description of a communication error number, "Unknown COM error" when unknown.
QString ComErrorDescription(uint16_t number);

// The lines of the replies, each from the reply's payload.
// Stored codes: the ECU answers 1, the number of codes, then the codes; anything else lists none.
QStringList StoredCodeLines(const QByteArray& payload);
// Pending codes: the codes from the first byte on, each line starting "Pending ".
QStringList PendingCodeLines(const QByteArray& payload);
// The communication error log: "F000: Eeprom write error".
QStringList ComErrorLines(const QByteArray& payload);
// The three counters (driving cycles, minutes on gas and on petrol), or no line when the payload
// is not a whole reading.
QStringList CounterLines(const QByteArray& payload);
// The 17 characters of a VIN reading; nothing for any other reply.
std::optional<QByteArray> VinOfReply(const QByteArray& payload);

// The length of a VIN, the longest text the window accepts and the only one it writes.
inline constexpr int VinLength = 17;

// Request payloads of the trouble-code and counter commands, and of the VIN command.
enum : uint8_t { ReadRecord = 1, ClearRecord = 2 };
enum : uint8_t { VinWrite = 1, VinRead = 2 };
