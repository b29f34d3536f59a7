#include "link/PacketDetector.h"

#include "link/Codec.h"

TPacketDetector::TPacketDetector(QObject* parent) : QObject(parent) {
    Timer.setSingleShot(true);
    connect(&Timer, &QTimer::timeout, this, &TPacketDetector::Expired);
    Partial.reserve(512);
}

void TPacketDetector::Arm() {
    FArmed = true;
}

void TPacketDetector::Disarm() {
    FArmed = false;
    Collecting = false;
    Partial.clear();
    Timer.stop();
}

void TPacketDetector::Feed(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size() && FArmed; ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        if (!Collecting) {
            if (b != FrameStartByte) continue;
            Collecting = true;
            Partial.clear();
            Partial.append(char(b));
            Timer.start(TimeoutMs);
            continue;
        }
        Partial.append(char(b));
        if (b == FrameStartByte) {
            Timer.stop();
            Collecting = false;
            FArmed = false;
            const QByteArray packet = Partial;
            Partial.clear();
            emit PacketReceived(packet);
            return;
        }
    }
}

void TPacketDetector::Expired() {
    if (!Collecting) return;
    Collecting = false;
    Partial.clear();
    emit PacketTimeout();
}
