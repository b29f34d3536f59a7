#include "sim/SimEcu.h"

#include "link/Codec.h"
#include "sim/LiveData.h"

#include <algorithm>

namespace {

constexpr SimTime ReplyLatency = Ms(2);      // the firmware's time to turn a request round
constexpr SimTime FrameGapTimeout = Ms(200); // a frame that stops half way is dropped after this
constexpr int MaxWireFrame = 600;
constexpr size_t ComErrorCapacity = 16;

// Com error codes the ECU logs.
constexpr uint16_t ComUnknownCommand = 0x000A, ComFramingError = 0x0003, ComBufferFull = 0x0004;

// What a receiver set to another speed makes of a byte: noise, but never a frame delimiter.
uint8_t Garble(uint8_t b) {
    const uint8_t g = static_cast<uint8_t>((b ^ 0x5A) * 0x25 + 0x13);
    return g == 0xFE || g == 0xFD ? 0x7E : g;
}

void AppendWord(QByteArray& a, uint16_t w) {
    a.append(static_cast<char>(w & 0xFF));
    a.append(static_cast<char>(w >> 8));
}
void AppendLong(QByteArray& a, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        a.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

TSimEcu::TSimEcu(const TOptions& options)
    : Image(TEcuImage::DefaultSlave(options.Fuel)), Engine(Image),
      Monitor([this](const QByteArray& text, SimTime ready) { Send(text, ready); },
              [this](SimTime at) { ApplicationStarted(at); }),
      Ident(options.Ident), Options(options) {
    if (options.Blank) {
        Monitor.HasFirmware = false;
        InApplication = false;
        Monitor.Boot(SimTime{0});
    }
}

SimTime TSimEcu::ByteTime(int baud, int bits) const {
    if (!Options.Pacing || baud <= 0) return SimTime{0};
    return SimTime{(1000000LL * bits + baud / 2) / baud};
}

void TSimEcu::AddComError(uint16_t code) {
    if (ComErrors.size() >= ComErrorCapacity) ComErrors.erase(ComErrors.begin());
    ComErrors.push_back(code);
}

void TSimEcu::Receive(const QByteArray& bytes, SimTime now) {
    const int baud = LineBaud();
    const bool garbled = Options.CheckLine && Client && (Client->Baud != baud || !Client->EightBitsNoParity);
    // A byte reaches the ECU when its last bit is in.
    const SimTime byteTime = ByteTime(baud, InApplication ? FrameBits : MonitorBits);
    for (char c : bytes) {
        const SimTime arrival = std::max(now, InFree) + byteTime;
        InFree = arrival;
        Inbound.push_back({static_cast<uint8_t>(c), arrival, garbled});
    }
    if (garbled && !bytes.isEmpty() && InApplication) AddComError(ComFramingError);
}

SimTime TSimEcu::NextEvent() const {
    SimTime next = Monitor.NextEvent();
    if (!Inbound.empty()) next = std::min(next, Inbound.front().Arrival);
    if (!Outbound.empty()) next = std::min(next, Outbound.front().Due);
    if (InFrame) next = std::min(next, LastFrameByte + FrameGapTimeout);
    return next;
}

void TSimEcu::Advance(SimTime now) {
    for (;;) {
        SimTime next = Monitor.NextEvent();
        if (!Inbound.empty()) next = std::min(next, Inbound.front().Arrival);
        if (InFrame) next = std::min(next, LastFrameByte + FrameGapTimeout);
        if (next > now) break;
        Engine.StepTo(next);
        if (!Inbound.empty() && Inbound.front().Arrival == next) {
            const TInByte in = Inbound.front();
            Inbound.pop_front();
            if (!in.Garbled) HandleByte(in.Byte, in.Arrival);
        } else if (InFrame && LastFrameByte + FrameGapTimeout <= next) {
            if (Log)
                Log(QStringLiteral("RX incomplete frame dropped: %1")
                        .arg(QString::fromLatin1(Wire.toHex(' '))));
            InFrame = false;
            Wire.clear();
        } else {
            Monitor.Advance(next);
        }
    }
    Engine.StepTo(now);
}

QByteArray TSimEcu::TakeOutput(SimTime now) {
    QByteArray out;
    while (!Outbound.empty() && Outbound.front().Due <= now) {
        const TOutByte& b = Outbound.front();
        const bool garbled =
            Options.CheckLine && Client && (Client->Baud != b.Baud || !Client->EightBitsNoParity);
        out.append(static_cast<char>(garbled ? Garble(b.Byte) : b.Byte));
        Outbound.pop_front();
    }
    return out;
}

SimTime TSimEcu::Send(const QByteArray& bytes, SimTime ready, int baud, int bits) {
    if (Faults.Silent || bytes.isEmpty()) return ready;
    if (baud == 0) {
        baud = LineBaud();
        bits = InApplication ? FrameBits : MonitorBits;
    }
    const SimTime byteTime = ByteTime(baud, bits);
    SimTime due = ready;
    for (char c : bytes) {
        // A byte is handed over when its last bit has left.
        due = std::max(ready, OutFree) + byteTime;
        OutFree = due;
        Outbound.push_back({static_cast<uint8_t>(c), due, baud});
    }
    if (!InApplication && Log) {
        for (char c : bytes) {
            if (c == '\r') {
                Log(QStringLiteral("MON> %1").arg(QString::fromLatin1(MonitorText)));
                MonitorText.clear();
            } else if (c != '\n') {
                MonitorText.append(c >= 0x20 && c < 0x7F ? c : '.');
            }
        }
    }
    return due;
}

void TSimEcu::Burst(int count, int baud, int bitsPerByte, SimTime now) {
    Send(QByteArray(std::max(count, 0), '\x55'), now, baud, bitsPerByte);
}

void TSimEcu::PowerCycle(SimTime now) {
    InApplication = false;
    InFrame = false;
    Wire.clear();
    Engine.EcuRestarted();
    Monitor.Boot(now + BootDelay);
}

void TSimEcu::ApplicationStarted(SimTime) {
    InApplication = true;
    InFrame = false;
    Wire.clear();
    Engine.EcuRestarted();
}

void TSimEcu::HandleByte(uint8_t byte, SimTime t) {
    if (!InApplication) {
        if (Log && Monitor.Running()) {
            if (byte == '\r') {
                Log(QStringLiteral("MON< %1").arg(QString::fromLatin1(MonitorInput)));
                MonitorInput.clear();
            } else if (byte != '\n') {
                MonitorInput.append(byte >= 0x20 && byte < 0x7F ? char(byte) : '.');
            }
        }
        Monitor.Feed(byte, t);
        return;
    }
    if (Faults.Echo) {
        Send(QByteArray(1, static_cast<char>(byte)), t);
        return;
    }
    if (byte == FrameStartByte) {
        if (!InFrame || Wire.size() == 1) {
            StartFrame(t);
            return;
        }
        Wire.append(static_cast<char>(byte));
        const QByteArray frame = UnescapeFrame(Wire);
        const int expected = frame.size() >= 4 ? static_cast<uint8_t>(frame[3]) + 2 : 0;
        if (frame.size() < expected) {
            // The frame broke off and this byte starts the next one.
            if (Log)
                Log(QStringLiteral("RX incomplete frame dropped: %1")
                        .arg(QString::fromLatin1(frame.toHex(' '))));
            StartFrame(t);
            return;
        }
        InFrame = false;
        Wire.clear();
        HandleFrame(frame, t);
        return;
    }
    if (!InFrame) return; // noise between frames
    Wire.append(static_cast<char>(byte));
    LastFrameByte = t;
    if (Wire.size() > MaxWireFrame) {
        AddComError(ComBufferFull);
        InFrame = false;
        Wire.clear();
    }
}

void TSimEcu::StartFrame(SimTime t) {
    InFrame = true;
    Wire = QByteArray(1, static_cast<char>(FrameStartByte));
    LastFrameByte = t;
}

void TSimEcu::LogBytes(const char* direction, const QByteArray& bytes) {
    if (!Log) return;
    Log(QStringLiteral("%1 %2 %3")
            .arg(QLatin1String(direction))
            .arg(FrameCommand(bytes), 4, 16, QLatin1Char('0'))
            .arg(QString::fromLatin1(bytes.toHex(' ').toUpper())));
}

void TSimEcu::Reply(uint16_t code, const QByteArray& payload, SimTime t) {
    ++Faults.RepliesCounted;
    if (Faults.DropEvery > 0 && Faults.RepliesCounted % Faults.DropEvery == 0) {
        if (Log) Log(QStringLiteral("TX reply dropped"));
        return;
    }
    QByteArray frame = BuildFrame(code, payload);
    if (Faults.BadChecksum) frame[frame.size() - 3] = static_cast<char>(frame[frame.size() - 3] ^ 0x01);
    LogBytes("TX", frame);
    QByteArray wire = EscapeFrame(frame);
    if (Faults.Unterminated) wire.chop(1);
    if (Faults.Garbage > 0) {
        QByteArray noise;
        for (int i = 0; i < Faults.Garbage; ++i)
            noise.append(static_cast<char>("\x00\x55\xAA\x13\x7F\x80"[i % 6]));
        wire.prepend(noise);
    }
    Send(wire, t + (Options.Pacing ? ReplyLatency : SimTime{0}) + Ms(Faults.DelayMs));
}

void TSimEcu::HandleFrame(const QByteArray& frame, SimTime t) {
    LogBytes("RX", frame);
    if (frame.size() < MinFrameSize) return;
    if (!FrameSumOK(frame)) {
        Reply(rspChecksumError, {}, t);
        return;
    }
    const uint16_t code = FrameCommand(frame);
    const QByteArray data = FramePayload(frame);
    const int first = data.isEmpty() ? -1 : static_cast<uint8_t>(data[0]);
    const uint16_t reply = ReplyCode(code);
    if (Faults.Refused.count(code)) {
        Reply(rspNotSupported, {}, t);
        return;
    }

    switch (code) {
    case cmdWriteBlock:
        if (Image.Store(data))
            Reply(reply, {}, t);
        else
            AddComError(ComUnknownCommand); // a malformed block is not acknowledged
        return;
    case cmdReadBlock: {
        const int bank = EcuLayout::HasBanks(first) && data.size() >= 2 ? static_cast<uint8_t>(data[1]) : 1;
        const QByteArray block = Image.Block(first, bank);
        if (block.isEmpty())
            AddComError(ComUnknownCommand);
        else
            Reply(reply, block, t);
        return;
    }
    case cmdLiveData:
        Reply(reply, LiveDataPayload(Engine.Values(), Image), t);
        return;
    case cmdStatus:
        Reply(reply, StatusPayload(Engine.Values(), Image), t);
        return;
    case cmdFastData:
        Reply(reply, FastDataPayload(Engine.Values()), t);
        return;
    case cmdTroubleCodes: {
        QByteArray out(1, static_cast<char>(first));
        if (first == 1) {
            out.append(static_cast<char>(StoredCodes.size()));
            for (uint16_t c : StoredCodes)
                AppendWord(out, c);
        } else if (first == 2) {
            StoredCodes.clear();
            PendingCodes.clear();
        }
        Reply(reply, out, t);
        return;
    }
    case cmdPendingCodes: {
        QByteArray out;
        for (uint16_t c : PendingCodes)
            AppendWord(out, c);
        Reply(reply, out, t);
        return;
    }
    case cmdComErrors: {
        QByteArray out;
        if (ComErrors.empty()) AppendWord(out, 0x0000);
        for (uint16_t c : ComErrors)
            AppendWord(out, c);
        ComErrors.clear();
        Reply(reply, out, t);
        return;
    }
    case cmdIdentify:
        Reply(reply, Ident, t);
        return;
    case cmdConnect:
        Reply(reply, {}, t);
        return;
    case cmdReset: {
        Reply(reply, {}, t);
        if (first != 1) return;
        // The reply leaves first; then the ECU restarts into its boot monitor.
        const SimTime replyGone = Outbound.empty() ? t : Outbound.back().Due;
        InApplication = false;
        InFrame = false;
        Wire.clear();
        Engine.EcuRestarted();
        Monitor.Boot(replyGone + BootDelay);
        return;
    }
    case cmdFuelSwitch:
        if (first == 1 || first == 2) Engine.FuelSwitch(first);
        Reply(reply, QByteArray(1, static_cast<char>(std::max(first, 0))), t);
        return;
    case cmdMode:
        if (first == 1 || first == 2) Engine.Mode = first;
        Reply(reply, QByteArray(1, static_cast<char>(Engine.Mode)), t);
        return;
    case cmdCounters: {
        QByteArray out(1, static_cast<char>(first));
        if (first == 1) {
            AppendLong(out, Engine.DrivingCycles);
            AppendLong(out, static_cast<uint32_t>(Engine.SecondsOnGas / 60));
            AppendLong(out, static_cast<uint32_t>(Engine.SecondsOnPetrol / 60));
        } else if (first == 2) {
            Engine.ClearCounters();
        }
        Reply(reply, out, t);
        return;
    }
    case cmdVIN:
        if (first == 1) {
            // Only a whole VIN is stored and acknowledged; a short one would leave a corrupt number.
            if (data.size() != 18) {
                AddComError(ComUnknownCommand);
                return;
            }
            Vin = data.mid(1);
            Reply(reply, QByteArray(1, '\x01'), t);
        } else {
            Reply(reply, QByteArray(1, '\x02') + Vin, t);
        }
        return;
    default:
        AddComError(ComUnknownCommand);
        Reply(rspNotSupported, {}, t);
        return;
    }
}
