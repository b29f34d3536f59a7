#pragma once

#include <functional>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

class TFrame;

// Implemented by everything that sends requests to the ECU.
class TConsumerInterface {
public:
    virtual ~TConsumerInterface() = default;
    // A valid reply to one of this consumer's requests; Reply.Notify is the request's.
    virtual void FrameReceived(const TFrame& Reply) = 0;
    virtual void Reserved() {}
    // The request left the queue without a reply (flush, or the ECU refused its code).
    // While this runs, TXQueue->HeadFrame() is the request concerned.
    virtual void FrameDiscarded() = 0;
    // Three transmissions went unanswered; the link declares the ECU disconnected right after.
    virtual void FrameFailed() = 0;
};

// One frame held by the link, in logical (unstuffed) form.
class TFrame {
public:
    static constexpr int Capacity = 256;

    QByteArray Data;
    TConsumerInterface* Consumer = nullptr;
    int32_t Attempts = 0;
    bool Notify = false;

    TFrame();
    TFrame(const TFrame& other);
    TFrame& operator=(const TFrame& other);

    // Copies Data into this frame's own buffer, reusing it; a nil consumer becomes the default one.
    void Assign(const QByteArray& data, TConsumerInterface* consumer, bool notify);
};

// The consumer of frames queued without one: every notification is ignored.
class TDefaultConsumer final : public TConsumerInterface {
public:
    void FrameReceived(const TFrame&) override {}
    void FrameDiscarded() override {}
    void FrameFailed() override {}
};

TDefaultConsumer* DefaultConsumer();

// The port that the transmit queue and the reply dispatch drive, with the packet detector on it
// and the reply time-out. The serial link implements it over the real port; tests with a fake.
class TLinkPort {
public:
    virtual ~TLinkPort() = default;

    virtual bool PortIsOpen() = 0;
    virtual bool PortIsSelected() = 0; // a port name is set
    virtual QString PortName() = 0;
    virtual bool OpenPort() = 0;       // false when the port cannot be opened
    virtual bool DetectorArmed() = 0;
    virtual void ArmDetector() = 0;
    virtual void DisarmDetector() = 0;
    virtual bool WritePort(const QByteArray& wire) = 0; // false on a write error
    virtual bool PurgePort() = 0;                       // false on an error
    virtual void FallBackToFirstPort() = 0;
    virtual void ProcessPendingMessages() = 0;

    virtual void SetReplyCountdown(int ticks) = 0;
};

// What the transmit queue and the reply dispatch tell of the traffic, and the connection state
// they follow. The serial link turns it into its signals and its connection handling.
class TLinkObserver {
public:
    virtual ~TLinkObserver() = default;

    virtual void LogFrame(const QByteArray& logical, bool sent) = 0;
    virtual void ShowQueuedCount(int count) = 0;
    virtual void AddComError(const QString& message) = 0;
    // Status bar: panel 0 gets the text compose() builds (called again after a language switch);
    // panel 1 is cleared when clearSecond is set.
    virtual void ShowLinkStatus(std::function<QString()> compose, bool clearSecond) = 0;

    virtual bool ECUisConnected() = 0;
    virtual void SetECUisConnected(bool connected) = 0;
    virtual bool PeriodicDutiesOn() = 0;
    virtual void SwitchStatusPollingOn() = 0;
    // The consumer of the link's own connection probes.
    virtual TConsumerInterface* LinkConsumer() = 0;
};

// The one transmit queue: a ring of 30 preallocated frames, at most 29 pending, the oldest on the wire.
class TTXQueue {
public:
    static constexpr int RingSize = 30;

    TTXQueue(TLinkPort* port, TLinkObserver* observer);
    ~TTXQueue();
    TTXQueue(const TTXQueue&) = delete;
    TTXQueue& operator=(const TTXQueue&) = delete;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    bool IsEmpty() const { return Head == Tail; }
    int Count() const;
    // The frame at the head, or, while a refused frame's consumer is told, the refused frame.
    const TFrame* HeadFrame() const;
    TFrame* MutableHead();

    void Enqueue(const QByteArray& Data, TConsumerInterface* Consumer, bool Notify);
    void Dequeue();
    void Resend();
    void SendHead();
    void Flush();
    bool Contains(uint16_t Code) const;
    void MarkUnsupported();
    bool IsUnsupported(uint16_t Code) const { return Unsupported[Code]; }
    void ClearUnsupported();

    TLinkObserver* Observer() const { return FObserver; }

    uint8_t Head = 0;
    uint8_t Tail = 0;

private:
    TLinkPort* FPort;
    TLinkObserver* FObserver;
    bool FEnabled = true;
    std::array<TFrame, RingSize> Frames;
    std::array<bool, 65536> Unsupported{};
    TFrame Refused;
    bool Refusing = false;
};

// Hands each valid reply to its consumer on the user-interface thread, after the packet handler
// has returned. Every resume delivers one copy of the frame given to SetTarget, so a later reply
// can never overwrite one that is still waiting to be delivered.
class TSynchThread : public QObject {
    Q_OBJECT
public:
    static constexpr int Slots = 32;

    explicit TSynchThread(QObject* parent = nullptr);

    void SetTarget(TConsumerInterface* Consumer, const TFrame& Frame);
    void Resume();
    // Drops deliveries not yet made; later resumes deliver nothing.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    int PendingDeliveries() const { return Pending; }

private:
    void Deliver();

    struct Delivery {
        TConsumerInterface* Consumer = nullptr;
        TFrame Frame;
    };
    std::array<Delivery, Slots> Ring;
    int First = 0;   // oldest delivery waiting
    int Pending = 0; // deliveries resumed and not yet made
    TConsumerInterface* NextConsumer = nullptr;
    TFrame NextFrame;
    bool FTerminated = false;
};

// The one transmit queue of the program, created with the communication window.
extern TTXQueue* TXQueue;
