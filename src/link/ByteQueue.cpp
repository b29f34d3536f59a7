#include "link/ByteQueue.h"

#include "link/Codec.h"

#include <algorithm>

void TByteQueue::Clear() {
    Data.clear();
    Position = 1;
}

void TByteQueue::LoadPayload(const QByteArray& Frame) {
    Data = FramePayload(Frame);
    Position = 1;
}

bool TByteQueue::HasBytes(int n) const { return Data.size() >= qsizetype(Position) + n - 1; }

uint8_t TByteQueue::PeekByte(int i) const {
    const qsizetype index = qsizetype(Position) + i - 1; // 0-based
    if (index < 0 || index >= Data.size()) return 0;
    return static_cast<uint8_t>(Data[index]);
}

void TByteQueue::ReadByte(uint8_t& B) {
    if (!HasBytes(1)) return;
    B = PeekByte(0);
    Position += 1;
}

void TByteQueue::ReadWord(uint16_t& W) {
    if (!HasBytes(2)) return;
    W = static_cast<uint16_t>(PeekByte(0) + 256 * PeekByte(1));
    Position += 2;
}

void TByteQueue::ReadString(QByteArray& S, int n) {
    if (n < 0 || !HasBytes(n)) return;
    S = Data.mid(Position - 1, n);
    Position += n;
}

void TByteQueue::WriteByte(int V) {
    Data.append(static_cast<char>(std::clamp(V, 0, 255)));
    Position += 1;
}
