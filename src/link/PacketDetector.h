#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

// Cuts reply packets out of the bytes read from the port: from a start byte 0xFE to the next
// 0xFE, both kept. It is armed before each transmission and disarms itself after each packet, so
// bytes that arrive while no reply is awaited are dropped. A packet that has started but is not
// finished within the time-out is dropped and reported.
class TPacketDetector : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 550; // 10 ticks of 55 ms, counted from the start byte

    explicit TPacketDetector(QObject* parent = nullptr);

    bool Armed() const { return FArmed; }
    void Arm();
    // Also drops a packet in progress.
    void Disarm();
    // Bytes as they came off the port. Bytes after a completed packet in the same chunk predate
    // whatever the packet's handler sent next, so they are dropped.
    void Feed(const QByteArray& bytes);

    int TimeoutMs = DefaultTimeoutMs;

signals:
    void PacketReceived(const QByteArray& packet);
    void PacketTimeout();

private:
    void Expired();

    QTimer Timer;
    QByteArray Partial;
    bool FArmed = false;
    bool Collecting = false;
};
