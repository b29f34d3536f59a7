#pragma once

#include "link/Frames.h"

#include <QByteArray>

// What happens to each packet the detector delivers, and to a request whose reply does not come.
class TReplyDispatcher {
public:
    TReplyDispatcher(TTXQueue* queue, TLinkPort* port, TLinkObserver* observer);

    // A packet from start byte to end byte, as it came off the wire (still stuffed).
    void HandlePacket(const QByteArray& wire);
    // The detector saw a start byte but no end byte in time.
    void HandlePacketTimeout();
    // The reply countdown expired: resend the head request, or give up after three transmissions.
    void HandleTimeout();

    TSynchThread& SynchThread() { return FSynchThread; }
    const TFrame& RXFrame() const { return FRXFrame; }

private:
    QString CommandText() const;

    TTXQueue* Queue;
    TLinkPort* Port;
    TLinkObserver* Observer;
    TFrame FRXFrame;
    TSynchThread FSynchThread;
    // A request answered only after it was sent again has further answers on their way, one for
    // each extra transmission, and they come before anything the next request brings. Replies
    // matching the head by code alone would take them for the next request's answer, so copies of
    // the accepted reply are dropped while such answers can still come.
    QByteArray LateReply;
    int LateReplies = 0;
    // A copy dropped while a request waits may have been that request's own answer, when the
    // earlier answer was lost rather than late; the request then gets one more transmission
    // than the usual three, so that the guard never makes the link give up on a working ECU.
    QByteArray GraceRequest;
    int GraceSlot = -1;
};

// Queues a request built from Body (code low byte, code high byte, payload). While the ECU is
// not connected, a connection probe goes first unless one already waits.
void SendCommand(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify);
// Queues a request without probing the connection.
void QueueFrame(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify);
