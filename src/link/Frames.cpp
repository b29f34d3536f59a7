#include "link/Frames.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "link/Codec.h"

#include <cstring>

TTXQueue* TXQueue = nullptr;

TDefaultConsumer* DefaultConsumer() {
    static TDefaultConsumer instance;
    return &instance;
}

// ---- TFrame ---------------------------------------------------------------------------------

TFrame::TFrame() { Data.reserve(Capacity); }

TFrame::TFrame(const TFrame& other) : TFrame() { *this = other; }

TFrame& TFrame::operator=(const TFrame& other) {
    if (this == &other) return *this;
    Assign(other.Data, other.Consumer, other.Notify);
    Attempts = other.Attempts;
    return *this;
}

void TFrame::Assign(const QByteArray& data, TConsumerInterface* consumer, bool notify) {
    // Copy into the buffer this frame already owns, so that a reused frame allocates nothing.
    Data.resize(data.size());
    if (!data.isEmpty()) std::memcpy(Data.data(), data.constData(), size_t(data.size()));
    Consumer = consumer ? consumer : DefaultConsumer();
    Notify = notify;
    Attempts = 0;
}

// ---- TTXQueue -------------------------------------------------------------------------------

TTXQueue::TTXQueue(TLinkPort* port, TLinkObserver* observer) : FPort(port), FObserver(observer) {}

TTXQueue::~TTXQueue() { Flush(); }

int TTXQueue::Count() const {
    int n = int(Tail) - int(Head);
    return n < 0 ? n + RingSize : n;
}

const TFrame* TTXQueue::HeadFrame() const {
    if (Refusing) return &Refused;
    return IsEmpty() ? nullptr : &Frames[Head];
}

TFrame* TTXQueue::MutableHead() { return IsEmpty() ? nullptr : &Frames[Head]; }

void TTXQueue::Enqueue(const QByteArray& Data, TConsumerInterface* Consumer, bool Notify) {
    const uint16_t code = FrameCommand(Data);
    if (IsUnsupported(code) || !FEnabled) return;
    if (Count() == RingSize - 1) {
        // A 30th pending frame would make the ring read as empty and lose every request in it.
        // Refuse this one instead, and tell its sender as if it had been discarded.
        Refused.Assign(Data, Consumer, Notify);
        if (FObserver) FObserver->AddComError(ResStr(SMsgQueueFull) + QString::fromLatin1(CodeText(code)));
        Refusing = true;
        try {
            Refused.Consumer->FrameDiscarded();
        } catch (...) {
        }
        Refusing = false;
        return;
    }
    Frames[Tail].Assign(Data, Consumer, Notify);
    Tail = uint8_t((Tail + 1) % RingSize);
    if (Count() == 1) SendHead();
}

void TTXQueue::Dequeue() {
    if (IsEmpty()) return;
    Head = uint8_t((Head + 1) % RingSize);
    if (!IsEmpty() && FEnabled) SendHead();
}

void TTXQueue::Resend() {
    if (!IsEmpty() && FEnabled) SendHead();
}

void TTXQueue::SendHead() {
    if (IsEmpty()) return;
    TFrame& head = Frames[Head];
    head.Attempts += 1;
    if (FEnabled && FPort && FObserver) {
        const QByteArray wire = EscapeFrame(head.Data);
        bool ok = true;
        if (!FPort->PortIsOpen() && FPort->PortIsSelected()) ok = FPort->OpenPort();
        if (ok && !FPort->DetectorArmed()) FPort->ArmDetector();
        if (ok && FPort->PortIsOpen()) {
            ok = FPort->WritePort(wire);
            if (ok) FObserver->LogFrame(head.Data, true);
        }
        if (!ok) {
            // Nothing can reach the ECU: drop what waits, and say so. The queue stays enabled so
            // that the watchdog's next probe retries the port; a replugged adapter is then found
            // again without any action of the user. The link notices the lost port itself.
            FObserver->AddComError(ResStr(SMsgPortWriteError) + FPort->PortName());
            Flush();
        } else {
            FPort->ProcessPendingMessages();
        }
    }
    if (FPort) FPort->SetReplyCountdown(49);
}

void TTXQueue::Flush() {
    const bool wasEnabled = FEnabled;
    FEnabled = false;
    while (!IsEmpty()) {
        TConsumerInterface* consumer = Frames[Head].Consumer;
        try {
            if (consumer) consumer->FrameDiscarded();
        } catch (...) {
        }
        Dequeue();
    }
    Head = Tail = 0;
    FEnabled = wasEnabled;
}

bool TTXQueue::Contains(uint16_t Code) const {
    for (int i = Head; i != Tail; i = (i + 1) % RingSize)
        if (FrameCommand(Frames[i].Data) == Code) return true;
    return false;
}

void TTXQueue::MarkUnsupported() {
    if (!IsEmpty()) Unsupported[FrameCommand(Frames[Head].Data)] = true;
}

void TTXQueue::ClearUnsupported() { Unsupported.fill(false); }

// ---- TSynchThread ---------------------------------------------------------------------------

TSynchThread::TSynchThread(QObject* parent) : QObject(parent) {}

void TSynchThread::SetTarget(TConsumerInterface* Consumer, const TFrame& Frame) {
    NextConsumer = Consumer;
    NextFrame = Frame;
}

void TSynchThread::Resume() {
    if (FTerminated || !NextConsumer) return;
    if (Pending == Slots) Deliver(); // the user-interface thread fell far behind: make room in order
    Delivery& d = Ring[(First + Pending) % Slots];
    d.Consumer = NextConsumer;
    d.Frame = NextFrame;
    ++Pending;
    NextConsumer = nullptr;
    QMetaObject::invokeMethod(this, &TSynchThread::Deliver, Qt::QueuedConnection);
}

void TSynchThread::Terminate() {
    FTerminated = true;
    Pending = 0;
}

void TSynchThread::Deliver() {
    if (Pending == 0) return; // already delivered early, or terminated
    Delivery& d = Ring[First];
    First = (First + 1) % Slots;
    --Pending;
    try {
        d.Consumer->FrameReceived(d.Frame);
    } catch (...) {
    }
}
