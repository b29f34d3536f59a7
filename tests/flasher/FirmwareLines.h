#pragma once

// Firmware files for the flasher's tests and benchmark: Motorola S-records with good checksums,
// a header record first and an end record last.

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QString>

// One S-record of the given type over its address and data bytes; the count and the checksum
// are computed.
inline QByteArray SRecord(char type, const QByteArray& addressAndData) {
    QByteArray bytes(1, char(addressAndData.size() + 1));
    bytes += addressAndData;
    int sum = 0;
    for (const char c : bytes)
        sum += static_cast<uint8_t>(c);
    bytes.append(char(~sum & 0xFF));
    return QByteArray("S") + type + bytes.toHex().toUpper();
}

// count lines in all: a header, count - 2 data records of 32 bytes, an end record.
inline QByteArrayList FirmwareLines(int count) {
    QByteArrayList lines;
    lines << SRecord('0', QByteArray("\x00\x00", 2) + "KELD 2.06");
    for (int i = 0; i < count - 2; ++i) {
        const int address = 0xF80000 + i * 32;
        QByteArray record;
        record.append(char(address >> 16)).append(char(address >> 8)).append(char(address));
        for (int b = 0; b < 32; ++b)
            record.append(char((i * 7 + b * 13) & 0xFF));
        lines << SRecord('2', record);
    }
    lines << SRecord('8', QByteArray("\xFF\x00\x00", 3));
    return lines;
}

// Writes lines to path with the given line end.
inline bool WriteFirmwareFile(const QString& path, const QByteArrayList& lines,
                              const QByteArray& end = "\r\n") {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (const QByteArray& l : lines)
        f.write(l + end);
    return true;
}
