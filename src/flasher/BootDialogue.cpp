#include "flasher/BootDialogue.h"

#include "resources/Strings.h"
#include "link/SerialLink.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLocale>

namespace {

const QByteArray EraseAnswerTail("E\n\rOK.\n\r>");
const QByteArray DownloadCommand("\rHEXDWL\r");
const QByteArray DownloadAnswer("\n\r>HEXDWL");
const QByteArray Prompt("\n\r>");
const QByteArray ResetCommand("\x1BRST\r");

} // namespace

TBootDialogue::TBootDialogue(TSerialLink& link, TBootLog& log, QObject* parent)
    : QObject(parent), Link(link), Log(log) {
    WakeTimer.setSingleShot(true);
    connect(&WakeTimer, &QTimer::timeout, this, [this] {
        if (ActiveLoop) ActiveLoop->quit();
    });
    connect(&Link.Port(), &QSerialPort::readyRead, this, [this] {
        if (ActiveLoop && WakeOnInput) ActiveLoop->quit();
    });
    connect(&Link, &TSerialLink::MonitorBytesReceived, this, [this](const QByteArray& bytes) {
        if (FEcho) Log.Echo(bytes);
    });
}

TBootDialogue::~TBootDialogue() {
    Abort();
}

// ---- Port modes -----------------------------------------------------------------------------

void TBootDialogue::EnterMonitorMode() {
    Link.ResetLink();
    // Set before the switch: it echoes the bytes that came before it.
    FEcho = true;
    FMonitorTextStart = Log.Size();
    Link.SwitchToMonitorMode(TSerialLink::RouteEcho);
    SetKeysToMonitor(true);
}

void TBootDialogue::LeaveMonitorMode() {
    FEcho = false;
    SetKeysToMonitor(false);
    Link.SwitchToFrameMode();
    if (TXQueue) TXQueue->SetEnabled(true);
}

void TBootDialogue::CloseMonitor() {
    Link.ResetLink();
    EnterMonitorMode();
    Send(ResetCommand);
    // The monitor needs the time to restart the application; messages keep running meanwhile.
    RunMessages(ClosePauseMs, false);
    Link.ResetLink();
    LeaveMonitorMode();
}

void TBootDialogue::SendToMonitor(const QByteArray& bytes) {
    Send(bytes);
}

void TBootDialogue::Send(const QByteArray& bytes) {
    if (Link.WritePort(bytes)) Link.Port().flush();
}

void TBootDialogue::SetKeysToMonitor(bool on) {
    if (FKeysToMonitor == on) return;
    FKeysToMonitor = on;
    emit KeysToMonitorChanged(on);
}

// ---- Waiting for the monitor ----------------------------------------------------------------

void TBootDialogue::RunMessages(int ms, bool wakeOnInput) {
    if (FAborted) return;
    QEventLoop loop;
    QEventLoop* outer = ActiveLoop;
    const bool outerWake = WakeOnInput;
    ActiveLoop = &loop;
    WakeOnInput = wakeOnInput;
    WakeTimer.start(qMax(0, ms));
    loop.exec();
    WakeTimer.stop();
    ActiveLoop = outer;
    WakeOnInput = outerWake;
}

TWaitResult TBootDialogue::WaitFor(const QByteArray& Expected, char Refusal) {
    QSerialPort& port = Link.Port();
    qsizetype position = 0;
    int misses = 0;
    QDeadlineTimer silence(SilenceTimeoutMs);
    while (position < Expected.size() && misses <= MaxStrayBytes) {
        if (FAborted) return TWaitResult::Aborted;
        char c = 0;
        if (port.isOpen() && port.getChar(&c)) {
            silence.setRemainingTime(SilenceTimeoutMs);
            if (c == Expected[position]) {
                ++position;
                misses = 0;
            } else if (Refusal != 0 && c == Refusal) {
                return TWaitResult::Refused;
            } else {
                ++misses;
            }
            continue;
        }
        if (silence.hasExpired()) return TWaitResult::TimedOut;
        RunMessages(int(qMin<qint64>(silence.remainingTime(), SilenceTimeoutMs)), true);
    }
    return misses <= MaxStrayBytes ? TWaitResult::Matched : TWaitResult::Mismatched;
}

void TBootDialogue::Settle() {
    QSerialPort& port = Link.Port();
    QDeadlineTimer limit(SilenceTimeoutMs);
    QDeadlineTimer quiet(SettleQuietMs);
    while (!FAborted && !quiet.hasExpired() && !limit.hasExpired()) {
        if (port.isOpen() && !port.readAll().isEmpty()) {
            quiet.setRemainingTime(SettleQuietMs);
            continue;
        }
        RunMessages(int(qMax<qint64>(1, quiet.remainingTime())), true);
    }
}

void TBootDialogue::ReportTimeOut() {
    Log.AddLine(ResStr(SFlashLogNoAnswer).arg(QLocale().toString(SilenceTimeoutMs / 1000.0)));
}

void TBootDialogue::Abort() {
    FAborted = true;
    if (ActiveLoop) ActiveLoop->quit();
}

// ---- Erase and download ---------------------------------------------------------------------

bool TBootDialogue::EraseSector(const QByteArray& Command) {
    Log.AddLine(ResStr(SFlashLogErasing).arg(QString::fromLatin1(Command.right(2))));
    bool erased = false, silent = false;
    for (int attempt = 1; attempt <= EraseTries && !erased && !FAborted; ++attempt) {
        Send(Command + '\r');
        const TWaitResult result = WaitFor(Command + EraseAnswerTail);
        if (result == TWaitResult::Matched) {
            erased = true;
        } else {
            silent = silent || result == TWaitResult::TimedOut;
            Send(QByteArray(1, Esc));
            // What is left of the failed answer and the prompt after ESC must not be taken for
            // the answer to the next try.
            Settle();
        }
    }
    Log.Append(ResStr(erased ? SFlashLogOk : SFlashLogFailed));
    FTimedOut = !erased && silent;
    if (FTimedOut) ReportTimeOut();
    return erased;
}

bool TBootDialogue::WriteLines() {
    Log.AddLine(ResStr(SFlashLogFlashingLine));
    const qsizetype caret = Log.Size();
    Send(DownloadCommand);
    WaitFor(DownloadAnswer); // a missed echo shows in the first line's answer

    const int n = int(Lines.size());
    TWaitResult result = TWaitResult::Matched;
    int i = 1;
    for (; i <= n; ++i) {
        // The line goes out first: the window's updates then take place while it is on the wire,
        // not between an acknowledgement and the next line.
        Send(Lines[i - 1] + '\r');
        emit ProgressChanged(i * 95 / n + 5);
        Log.ReplaceFrom(caret, ResStr(SFlashLogLineOf).arg(i).arg(n));
        if (i > 1) emit LinesWritten(i - 1, n);
        result = WaitFor(QByteArray(1, Ack), Nak);
        if (result != TWaitResult::Matched) break;
    }
    if (result == TWaitResult::Matched) emit LinesWritten(n, n);
    FTimedOut = result == TWaitResult::TimedOut;
    if (result != TWaitResult::Matched) {
        if (result == TWaitResult::Refused) Log.AddLine(ResStr(SFlashLogLineRefused).arg(i));
        if (FTimedOut) ReportTimeOut();
        return false;
    }
    WaitFor(Prompt);
    Send(QByteArray(1, Esc));
    WaitFor(Prompt);
    return true;
}

void TBootDialogue::SetFlashing(bool on) {
    FFlashing = on;
    emit FlashingChanged(on);
}

TFlashResult TBootDialogue::RunFlashProcedure() {
    SetFlashing(true);
    FTimedOut = false;
    SetKeysToMonitor(false);
    FEcho = false;
    Link.SwitchToMonitorMode(TSerialLink::RouteHold);
    // What the monitor said before the first command belongs to the log, not to its answer.
    if (Link.Port().isOpen()) {
        const QByteArray earlier = Link.Port().readAll();
        if (!earlier.isEmpty()) Log.Echo(earlier);
    }

    bool erased = EraseSector("ES 00");
    emit ProgressChanged(1);
    if (erased) {
        erased = EraseSector("ES 01");
        emit ProgressChanged(2);
    }
    if (erased) {
        erased = EraseSector("ES 02");
        emit ProgressChanged(3);
    }
    if (erased) {
        erased = EraseSector("ES 04");
        emit ProgressChanged(5);
    }
    if (!erased) {
        SetFlashing(false);
        return TFlashResult::EraseFailed;
    }
    emit FlashingStarted();
    const bool written = WriteLines();
    SetFlashing(false);
    return written ? TFlashResult::Flashed : TFlashResult::WriteFailed;
}

// ---- TFlashThread ---------------------------------------------------------------------------

TFlashThread::TFlashThread(std::function<void()> procedure, std::function<void()> refresh, QObject* parent)
    : QObject(parent), FProcedure(std::move(procedure)), FRefresh(std::move(refresh)) {
    QMetaObject::invokeMethod(this, &TFlashThread::Execute, Qt::QueuedConnection);
}

void TFlashThread::Execute() {
    if (FProcedure) FProcedure();
    FFinished = true;
    if (FRefresh) FRefresh();
}
