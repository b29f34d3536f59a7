#include "sim/BootMonitor.h"

namespace {

constexpr char Esc = 0x1B, Cr = 0x0D, Lf = 0x0A, Ack = 0x06, Nak = 0x15;
const QByteArray NewLine("\n\r"); // the monitor ends its lines with LF CR
const QByteArray OfferText("Type ESC to enter monitor mode");

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool HexBytes(const QByteArray& text, std::vector<int>& bytes) {
    if (text.size() % 2 != 0) return false;
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(hi * 16 + lo);
    }
    return true;
}

} // namespace

bool CheckFirmwareLine(const QByteArray& line, bool& IsEnd) {
    IsEnd = false;
    std::vector<int> bytes;
    if (line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9') {
        if (!HexBytes(line.mid(2), bytes) || bytes.empty() || bytes[0] != int(bytes.size()) - 1) return false;
        int sum = 0;
        for (int b : bytes)
            sum += b;
        IsEnd = line[1] == '7' || line[1] == '8' || line[1] == '9';
        return (sum & 0xFF) == 0xFF;
    }
    if (line.size() >= 1 && line[0] == ':') {
        if (!HexBytes(line.mid(1), bytes) || bytes.size() < 5 || bytes[0] != int(bytes.size()) - 5)
            return false;
        int sum = 0;
        for (int b : bytes)
            sum += b;
        IsEnd = bytes[3] == 0x01;
        return (sum & 0xFF) == 0;
    }
    return true;
}

TBootMonitor::TBootMonitor(TSend send, TStarted started)
    : Send(std::move(send)), Started(std::move(started)) {}

void TBootMonitor::Boot(SimTime at) {
    Phase = TPhase::Booting;
    NextOffer = at;
    OffersMade = 0;
    BusyUntil = SimNever;
    Line.clear();
    HeldInput.clear();
}

void TBootMonitor::Stop() {
    Phase = TPhase::Off;
    NextOffer = SimNever;
    BusyUntil = SimNever;
}

SimTime TBootMonitor::NextEvent() const {
    if (Phase == TPhase::Booting || Phase == TPhase::Offering) return NextOffer;
    return BusyUntil;
}

void TBootMonitor::Advance(SimTime now) {
    while ((Phase == TPhase::Booting || Phase == TPhase::Offering) && NextOffer <= now) {
        const SimTime at = NextOffer;
        Phase = TPhase::Offering;
        if (OffersMade < Timing.Offers) {
            Send(OfferText + NewLine, at);
            ++OffersMade;
            NextOffer = at + Timing.OfferEvery;
        } else if (HasFirmware) {
            Send("Start Application" + NewLine, at);
            Stop();
            Started(at);
        } else {
            // Nothing to start: the monitor keeps offering itself.
            OffersMade = 0;
            NextOffer = at + Timing.BlankPause;
        }
    }
    if (BusyUntil <= now) {
        const SimTime at = BusyUntil;
        BusyUntil = SimNever;
        Send(NewLine + (EraseFailing ? "Erase error." : "OK.") + NewLine + ">", at);
        EraseFailing = false;
        const QByteArray held = HeldInput;
        HeldInput.clear();
        for (char c : held)
            Feed(static_cast<uint8_t>(c), at);
    }
}

void TBootMonitor::Prompt(SimTime now) {
    Send(NewLine + ">", now);
}

void TBootMonitor::Feed(uint8_t byte, SimTime now) {
    const char c = static_cast<char>(byte);
    switch (Phase) {
    case TPhase::Off:
    case TPhase::Booting:
        return;
    case TPhase::Offering:
        if (c == Esc) {
            Phase = TPhase::Command;
            NextOffer = SimNever;
            Send("Monitor active" + NewLine + ">", now);
        }
        return;
    case TPhase::Command:
        if (BusyUntil != SimNever) {
            HeldInput.append(c);
            return;
        }
        if (c == Esc) {
            Line.clear();
            Prompt(now);
        } else if (c == Cr) {
            Execute(now);
        } else if (c == 0x08 || c == 0x7F) {
            if (!Line.isEmpty()) {
                Line.chop(1);
                Send("\b \b", now);
            }
        } else if (c != Lf && byte >= 0x20) {
            Line.append(c);
            Send(QByteArray(1, c), now);
        }
        return;
    case TPhase::Download:
        if (c == Esc) {
            EndDownload(now, false);
        } else if (c == Cr) {
            DownloadLine(now);
        } else if (c != Lf) {
            Line.append(c);
        }
        return;
    }
}

void TBootMonitor::Execute(SimTime now) {
    const QByteArray command = Line.trimmed().toUpper();
    Line.clear();
    if (command.isEmpty()) {
        Prompt(now);
    } else if (command.size() == 5 && command.startsWith("ES ") && command[3] == '0' && command[4] >= '0' &&
               command[4] <= '4') {
        const int sector = command[4] - '0';
        Send("E", now);
        const auto failing = FailingErases.find(sector);
        EraseFailing = failing != FailingErases.end() && failing->second > 0;
        if (EraseFailing) {
            if (--failing->second == 0) FailingErases.erase(failing);
        } else {
            ErasedSectors.insert(sector);
        }
        HasFirmware = false;
        BusyUntil = now + Timing.EraseTime;
    } else if (command == "HEXDWL") {
        Phase = TPhase::Download;
        FlashedLines.clear();
        LinesReceived = 0;
    } else if (command == "RST") {
        Send(NewLine, now);
        if (HasFirmware) {
            Send("Start Application" + NewLine, now);
            Stop();
            Started(now);
        } else {
            Boot(now + Timing.OfferEvery);
        }
    } else {
        Send(NewLine + "Unknown command" + NewLine + ">", now);
    }
}

void TBootMonitor::DownloadLine(SimTime now) {
    bool end = false;
    ++LinesReceived;
    const bool ok = CheckFirmwareLine(Line, end) && LinesReceived != RefusedLine;
    if (ok) FlashedLines.push_back(Line);
    Line.clear();
    Send(QByteArray(1, ok ? Ack : Nak), now);
    if (ok && end) EndDownload(now, true);
}

void TBootMonitor::EndDownload(SimTime now, bool complete) {
    Line.clear();
    Phase = TPhase::Command;
    // Only a download that reached its end record leaves an application to start.
    if (complete && !FlashedLines.empty()) HasFirmware = true;
    Prompt(now);
}
