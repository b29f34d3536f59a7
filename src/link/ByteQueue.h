#pragma once

#include <QByteArray>
#include <cstdint>

// A byte string with a 1-based read position: payloads are built with WriteByte and read back
// with ReadByte/ReadWord/ReadString. A read that finds too few bytes changes nothing, so a short
// payload fills a prefix of the reader's fields; a write outside 0..255 saturates.
class TByteQueue {
public:
    QByteArray Data;
    int Position = 1;

    void Clear();
    void LoadPayload(const QByteArray& Frame);
    bool HasBytes(int n) const;
    uint8_t PeekByte(int i) const;
    void ReadByte(uint8_t& B);
    void ReadWord(uint16_t& W);
    void ReadString(QByteArray& S, int n);
    void WriteByte(int V);
    const QByteArray& GetData() const { return Data; }
};
