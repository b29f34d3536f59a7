#pragma once

#include "sim/BootMonitor.h"
#include "sim/EcuImage.h"
#include "sim/EngineModel.h"
#include "sim/SimClock.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <vector>

// Faults the simulated ECU can show; all of them can change while it runs.
struct TFaults {
    bool Silent = false;        // answers nothing at all
    bool Echo = false;          // sends back what it receives instead of answering, as a modem would
    bool BadChecksum = false;   // replies carry a wrong checksum
    bool Unterminated = false;  // replies start and never end
    int DropEvery = 0;          // every n-th reply is not sent (0: none)
    int DelayMs = 0;            // replies leave this much later
    int Garbage = 0;            // bytes of noise before every reply
    std::set<uint16_t> Refused; // command codes answered with rspNotSupported
    int RepliesCounted = 0;     // replies since DropEvery was set

    void Clear() { *this = TFaults(); }
};

// How the program at the other end has set its side of the line.
struct TClientLine {
    int Baud = 9600;
    bool EightBitsNoParity = true;
};

// The simulated ECU: bytes in, bytes out, on a clock it is given. It answers request frames as
// the application firmware does, and after a reset or a power cycle runs its boot monitor.
// Output is paced at the line's speed (9600 baud, 10 bits a byte for frames; 38400 baud with two
// stop bits, 11 bits a byte, in the monitor) unless pacing is off.
class TSimEcu {
public:
    struct TOptions {
        bool Pacing = true;
        bool Blank = false; // no application in the flash: the monitor never hands over
        int Fuel = 1;       // 1 LPG, 0 CNG
        QByteArray Ident = "CORVANE KELD 2.05";
        bool CheckLine = true; // bytes at the wrong speed are lost, as on a real line
    };

    static constexpr int FrameBaud = 9600, FrameBits = 10, MonitorBaud = 38400, MonitorBits = 11;
    static constexpr SimTime BootDelay = Ms(150); // from the reset reply to the monitor's first words

    explicit TSimEcu(const TOptions& options);
    TSimEcu(const TSimEcu&) = delete;
    TSimEcu& operator=(const TSimEcu&) = delete;

    // Bytes written by the program at the other end at time now.
    void Receive(const QByteArray& bytes, SimTime now);
    // Runs the ECU up to now.
    void Advance(SimTime now);
    // The bytes whose time on the line has come by now.
    QByteArray TakeOutput(SimTime now);
    // When something next happens (a byte due, a timer), SimNever when nothing is waiting.
    SimTime NextEvent() const;

    void SetClientLine(std::optional<TClientLine> line) { Client = line; }
    void PowerCycle(SimTime now);
    // Puts count filler bytes on the line back to back at the given speed, to measure pacing.
    void Burst(int count, int baud, int bitsPerByte, SimTime now);

    bool InMonitor() const { return !InApplication; }
    int LineBaud() const { return InApplication ? FrameBaud : MonitorBaud; }

    TFaults Faults;
    TEcuImage Image;
    TEngineModel Engine;
    TBootMonitor Monitor;
    QByteArray Ident;
    QByteArray Vin = "ZFA18800000785316";
    std::vector<uint16_t> StoredCodes, PendingCodes;
    std::vector<uint16_t> ComErrors; // read and cleared by cmdComErrors

    // -v: every frame and monitor line received and sent.
    std::function<void(const QString&)> Log;

    void AddComError(uint16_t code);

private:
    struct TOutByte {
        uint8_t Byte;
        SimTime Due;
        int Baud;
    };
    struct TInByte {
        uint8_t Byte;
        SimTime Arrival;
        bool Garbled;
    };

    SimTime ByteTime(int baud, int bits) const;
    SimTime Send(const QByteArray& bytes, SimTime ready, int baud = 0, int bits = 0);
    void HandleByte(uint8_t byte, SimTime t);
    void StartFrame(SimTime t);
    void HandleFrame(const QByteArray& frame, SimTime t);
    void Reply(uint16_t code, const QByteArray& payload, SimTime t);
    void ApplicationStarted(SimTime t);
    void LogBytes(const char* direction, const QByteArray& bytes);

    TOptions Options;
    bool InApplication = true;
    std::optional<TClientLine> Client;
    std::deque<TInByte> Inbound;
    std::deque<TOutByte> Outbound;
    SimTime InFree{0}, OutFree{0};

    bool InFrame = false;
    QByteArray Wire;
    SimTime LastFrameByte{0};
    QByteArray MonitorText, MonitorInput; // for the log, one line at a time
};
