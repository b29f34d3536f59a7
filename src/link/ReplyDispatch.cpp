#include "link/ReplyDispatch.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "link/Codec.h"

TReplyDispatcher::TReplyDispatcher(TTXQueue* queue, TLinkPort* port, TLinkObserver* observer)
    : Queue(queue), Port(port), Observer(observer) {}

QString TReplyDispatcher::CommandText() const {
    const TFrame* head = Queue->HeadFrame();
    return QString::fromLatin1(CodeText(head ? FrameCommand(head->Data) : 0));
}

void TReplyDispatcher::HandlePacket(const QByteArray& wire) {
    Port->DisarmDetector();
    Port->ProcessPendingMessages();
    const QByteArray frame = UnescapeFrame(wire);
    Observer->LogFrame(frame, false);
    if (Queue->IsEmpty()) return;

    TFrame* head = Queue->MutableHead();
    if (frame == head->Data)
        Observer->ShowLinkStatus([port = Port->PortName()] { return ResStr(SMsgModemOn) + port; }, false);

    FRXFrame.Assign(frame, nullptr, head->Notify);
    if (frame.size() < MinFrameSize) {
        Observer->AddComError(ResStr(SMsgFrameIncomplete) + CommandText());
        return;
    }
    if (!FrameSumOK(frame)) {
        Observer->AddComError(ResStr(SMsgChecksumIncoming) + CommandText());
        return;
    }
    const uint16_t code = FrameCommand(frame);
    if (LateReplies > 0 && frame == LateReply) {
        // A late answer to a request already answered: only the Log window shows it, and the
        // head request's own answer is still awaited.
        --LateReplies;
        GraceSlot = Queue->Head;
        GraceRequest = head->Data;
        Port->ArmDetector();
        return;
    }
    if (IsReplyTo(head->Data, frame)) {
        // Whatever was still owed to earlier requests has come by now. One copy at most is
        // awaited: a lost reply looks the same as a late one, and an awaited copy that never
        // comes makes the link drop the next request's answer when it is alike (a write's),
        // which costs that request a transmission.
        LateReplies = head->Attempts > 1 ? 1 : 0;
        if (LateReplies > 0) LateReply = frame;
        GraceSlot = -1;
        Queue->SetEnabled(false);
        Port->SetReplyCountdown(-1);
        FSynchThread.SetTarget(head->Consumer, FRXFrame);
        FSynchThread.Resume();
        // The first reply after a loss declares the ECU connected, which flushes the queue and
        // starts the connection's own requests. A request sent before that would be flushed while
        // on the wire, and its reply would then meet another head and be reported as unexpected;
        // so in that case nothing goes out until the connection has been declared.
        const bool connecting = Observer->PeriodicDutiesOn() && !Observer->ECUisConnected();
        Queue->SetEnabled(!connecting);
        Queue->Dequeue();
        // Sending the next request lets the delivery run, and a delivery may disable the queue
        // for good reasons of its own (the reply to a reset enters the boot monitor): enable
        // again only what this handler disabled.
        if (connecting) Queue->SetEnabled(true);
        Observer->ShowQueuedCount(Queue->Count());
        Observer->SwitchStatusPollingOn();
        if (Observer->PeriodicDutiesOn()) Observer->SetECUisConnected(true);
        if (connecting && !Queue->IsEmpty() && Queue->HeadFrame()->Attempts == 0) Queue->SendHead();
    } else if (code == rspNotSupported) {
        Queue->SetEnabled(false);
        Port->SetReplyCountdown(-1);
        Observer->AddComError(ResStr(SMsgNotSupported) + QStringLiteral("0x") +
                          QString::number(FrameCommand(head->Data), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        Queue->MarkUnsupported();
        try {
            head->Consumer->FrameDiscarded();
        } catch (...) {
        }
        Queue->SetEnabled(true);
        Queue->Dequeue();
        Observer->ShowQueuedCount(Queue->Count());
    } else if (code == rspChecksumError) {
        Observer->AddComError(ResStr(SMsgChecksumOutgoing) + CommandText());
    } else {
        Observer->AddComError(ResStr(SMsgUnexpectedAnswer) + CommandText());
    }
}

void TReplyDispatcher::HandlePacketTimeout() {
    Observer->AddComError(ResStr(SMsgFrameTimeout));
    HandleTimeout();
}

void TReplyDispatcher::HandleTimeout() {
    const bool purged = Port->PurgePort();
    Port->DisarmDetector();
    Port->ProcessPendingMessages();
    if (!purged) Port->FallBackToFirstPort();

    if (Queue->IsEmpty()) {
        Port->SetReplyCountdown(-1);
        return;
    }
    TFrame* head = Queue->MutableHead();
    const bool grace = GraceSlot == Queue->Head && GraceRequest == head->Data;
    if (head->Attempts > (grace ? 3 : 2)) {
        GraceSlot = -1;
        Port->SetReplyCountdown(-1);
        Queue->SetEnabled(false);
        Observer->SetECUisConnected(false);
        Observer->ShowLinkStatus(
            [selected = Port->PortIsSelected(), port = Port->PortName()] {
                return selected ? ResStr(SMsgNotConnectedOn) + port : ResStr(SMsgNoComPort);
            },
            true);
        try {
            head->Consumer->FrameFailed();
        } catch (...) {
        }
        Queue->Flush();
        Queue->SetEnabled(true);
        Observer->ShowQueuedCount(Queue->Count());
        return;
    }
    Queue->Resend();
    Port->SetReplyCountdown(49);
}

void QueueFrame(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify) {
    if (!TXQueue || Body.size() < 2 || Body.size() > MaxBodySize) return;
    TXQueue->Enqueue(BuildFrame(Body), Consumer, Notify);
    if (TLinkObserver* observer = TXQueue->Observer()) observer->ShowQueuedCount(TXQueue->Count());
}

void SendCommand(const QByteArray& Body, TConsumerInterface* Consumer, bool Notify) {
    if (!TXQueue || Body.size() < 2) return;
    TLinkObserver* host = TXQueue->Observer();
    const uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(Body[0]) + 256 * static_cast<uint8_t>(Body[1]));
    if (host && !host->ECUisConnected() && code != cmdConnect && code != cmdReset && !TXQueue->Contains(cmdConnect))
        QueueFrame(CommandBody(cmdConnect), host->LinkConsumer(), false);
    QueueFrame(Body, Consumer, Notify);
}
