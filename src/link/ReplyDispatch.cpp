#include "link/ReplyDispatch.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "link/Codec.h"

TReplyDispatcher::TReplyDispatcher(TTXQueue* queue, TLinkHost* host) : Queue(queue), Host(host) {}

QString TReplyDispatcher::CommandText() const {
    const TFrame* head = Queue->HeadFrame();
    return QString::fromLatin1(CodeText(head ? FrameCommand(head->Data) : 0));
}

void TReplyDispatcher::HandlePacket(const QByteArray& wire) {
    Host->DisarmDetector();
    Host->ProcessPendingMessages();
    const QByteArray frame = UnescapeFrame(wire);
    Host->LogFrame(frame, false);
    if (Queue->IsEmpty()) return;

    TFrame* head = Queue->MutableHead();
    if (frame == head->Data) Host->ShowLinkStatus(ResStr(SMsgModemOn) + Host->PortName(), false);

    FRXFrame.Assign(frame, nullptr, head->Notify);
    if (frame.size() < MinFrameSize) {
        Host->AddComError(ResStr(SMsgFrameIncomplete) + CommandText());
        return;
    }
    if (!FrameSumOK(frame)) {
        Host->AddComError(ResStr(SMsgChecksumIncoming) + CommandText());
        return;
    }
    const uint16_t code = FrameCommand(frame);
    if (IsReplyTo(head->Data, frame)) {
        Queue->SetEnabled(false);
        Host->SetReplyCountdown(-1);
        FSynchThread.SetTarget(head->Consumer, FRXFrame);
        FSynchThread.Resume();
        // The first reply after a loss declares the ECU connected, which flushes the queue and
        // starts the connection's own requests. A request sent before that would be flushed while
        // on the wire, and its reply would then meet another head and be reported as unexpected;
        // so in that case nothing goes out until the connection has been declared.
        const bool connecting = Host->PeriodicDutiesOn() && !Host->ECUisConnected();
        Queue->SetEnabled(!connecting);
        Queue->Dequeue();
        // Sending the next request lets the delivery run, and a delivery may disable the queue
        // for good reasons of its own (the reply to a reset enters the boot monitor): enable
        // again only what this handler disabled.
        if (connecting) Queue->SetEnabled(true);
        Host->ShowQueuedCount(Queue->Count());
        Host->SwitchStatusPollingOn();
        if (Host->PeriodicDutiesOn()) Host->SetECUisConnected(true);
        if (connecting && !Queue->IsEmpty() && Queue->HeadFrame()->Attempts == 0) Queue->SendHead();
    } else if (code == rspNotSupported) {
        Queue->SetEnabled(false);
        Host->SetReplyCountdown(-1);
        Host->AddComError(ResStr(SMsgNotSupported) + QStringLiteral("0x") +
                          QString::number(FrameCommand(head->Data), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        Queue->MarkUnsupported();
        try {
            head->Consumer->FrameDiscarded();
        } catch (...) {
        }
        Queue->SetEnabled(true);
        Queue->Dequeue();
        Host->ShowQueuedCount(Queue->Count());
    } else if (code == rspChecksumError) {
        Host->AddComError(ResStr(SMsgChecksumOutgoing) + CommandText());
    } else {
        Host->AddComError(ResStr(SMsgUnexpectedAnswer) + CommandText());
    }
}

void TReplyDispatcher::HandlePacketTimeout() {
    Host->AddComError(ResStr(SMsgFrameTimeout));
    HandleTimeout();
}

void TReplyDispatcher::HandleTimeout() {
    const bool purged = Host->PurgePort();
    Host->DisarmDetector();
    Host->ProcessPendingMessages();
    if (!purged) Host->FallBackToFirstPort();

    if (Queue->IsEmpty()) {
        Host->SetReplyCountdown(-1);
        return;
    }
    TFrame* head = Queue->MutableHead();
    if (head->Attempts > 2) {
        Host->SetReplyCountdown(-1);
        Queue->SetEnabled(false);
        Host->SetECUisConnected(false);
        Host->ShowLinkStatus(Host->PortIsSelected() ? ResStr(SMsgNotConnectedOn) + Host->PortName()
                                                    : ResStr(SMsgNoComPort),
                             true);
        try {
            head->Consumer->FrameFailed();
        } catch (...) {
        }
        Queue->Flush();
        Queue->SetEnabled(true);
        Host->ShowQueuedCount(Queue->Count());
        return;
    }
    Queue->Resend();
    Host->SetReplyCountdown(49);
}

void QueueFrame(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify) {
    if (!TXQueue || Body.size() < 2 || Body.size() > MaxBodySize) return;
    TXQueue->Enqueue(BuildFrame(Body), Consumer, Notify);
    if (TLinkHost* host = TXQueue->Host()) host->ShowQueuedCount(TXQueue->Count());
}

void SendCommand(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify) {
    if (!TXQueue || Body.size() < 2) return;
    TLinkHost* host = TXQueue->Host();
    const uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(Body[0]) + 256 * static_cast<uint8_t>(Body[1]));
    if (host && !host->ECUisConnected() && code != cmdConnect && code != cmdReset && !TXQueue->Contains(cmdConnect))
        QueueFrame(CommandBody(cmdConnect), host->LinkConsumer(), false);
    QueueFrame(Body, Consumer, Notify);
}
