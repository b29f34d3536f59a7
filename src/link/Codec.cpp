#include "link/Codec.h"

namespace {

uint16_t SumBytes(const QByteArray& data, qsizetype from, qsizetype to) {
    unsigned sum = 0;
    for (qsizetype i = from; i <= to && i < data.size(); ++i)
        sum += static_cast<uint8_t>(data[i]);
    return static_cast<uint16_t>(sum);
}

} // namespace

QByteArray CommandBody(uint16_t code) {
    QByteArray body;
    body.append(static_cast<char>(code & 0xFF));
    body.append(static_cast<char>(code >> 8));
    return body;
}

QByteArray BuildFrame(const QByteArray& Body) {
    QByteArray frame;
    frame.reserve(Body.size() + 9);
    frame.append(static_cast<char>(FrameStartByte));
    frame.append('\x01');
    frame.append('\x02');
    frame.append(static_cast<char>(static_cast<uint8_t>(Body.size() + 5)));
    frame.append(Body);
    const uint16_t sum = SumBytes(frame, 1, frame.size() - 1);
    frame.append(static_cast<char>(sum & 0xFF));
    frame.append(static_cast<char>(sum >> 8));
    frame.append(static_cast<char>(FrameStartByte));
    return frame;
}

QByteArray BuildFrame(uint16_t code, const QByteArray& payload) { return BuildFrame(CommandBody(code) + payload); }

QByteArray EscapeFrame(const QByteArray& Frame) {
    if (Frame.size() < 2) return Frame;
    QByteArray wire;
    wire.reserve(Frame.size() * 2);
    wire.append(Frame[0]);
    for (qsizetype i = 1; i < Frame.size() - 1; ++i) {
        const uint8_t b = static_cast<uint8_t>(Frame[i]);
        if (b == 0xFE || b == 0xFD) {
            wire.append(static_cast<char>(FrameEscapeByte));
            wire.append(b == 0xFE ? '\x0E' : '\x0D');
        } else {
            wire.append(static_cast<char>(b));
        }
    }
    wire.append(Frame[Frame.size() - 1]);
    return wire;
}

QByteArray UnescapeFrame(const QByteArray& Wire) {
    if (Wire.size() < 2) return Wire;
    QByteArray frame;
    frame.reserve(Wire.size());
    frame.append(Wire[0]);
    const qsizetype last = Wire.size() - 1;
    for (qsizetype i = 1; i < last; ++i) {
        const uint8_t b = static_cast<uint8_t>(Wire[i]);
        if (b == FrameEscapeByte && i + 1 < last) {
            const uint8_t n = static_cast<uint8_t>(Wire[i + 1]);
            if (n == 0x0E || n == 0x0D) {
                frame.append(n == 0x0E ? '\xFE' : '\xFD');
                ++i;
                continue;
            }
        }
        frame.append(static_cast<char>(b));
    }
    frame.append(Wire[last]);
    return frame;
}

bool FrameSumOK(const QByteArray& Frame) {
    const qsizetype L = Frame.size();
    if (L < MinFrameSize) return false;
    const uint16_t stored =
        static_cast<uint16_t>(static_cast<uint8_t>(Frame[L - 3]) + 256 * static_cast<uint8_t>(Frame[L - 2]));
    return SumBytes(Frame, 1, L - 4) == stored;
}

bool IsReplyTo(const QByteArray& Request, const QByteArray& Reply) {
    if (Request.size() < 6 || Reply.size() < 6) return false;
    return FrameCommand(Reply) == ReplyCode(FrameCommand(Request));
}

uint16_t FrameCommand(const QByteArray& Frame) {
    if (Frame.size() < 6) return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(Frame[4]) + 256 * static_cast<uint8_t>(Frame[5]));
}

QByteArray FramePayload(const QByteArray& Frame) {
    if (Frame.size() < 4) return QByteArray();
    const int n = static_cast<uint8_t>(Frame[3]) - 7;
    if (n <= 0) return QByteArray();
    return Frame.mid(6, n);
}

QByteArray CodeText(uint16_t code) { return QByteArray::number(code, 16).toUpper().rightJustified(2, '0'); }
