#pragma once

#include "sim/SimClock.h"

#include <QByteArray>
#include <functional>
#include <map>
#include <set>
#include <vector>

// The ECU's boot monitor: the plain-text dialogue it runs after a restart. It offers its prompt a
// few times; ESC enters it, and then it erases flash sectors ("ES nn"), takes a firmware download
// line by line ("HEXDWL"), and restarts the application ("RST"). Without an ESC in time it starts
// the application by itself, if there is one to start.
class TBootMonitor {
public:
    struct TTiming {
        SimTime OfferEvery = Ms(300);
        int Offers = 5;
        SimTime EraseTime = Ms(40);
        SimTime BlankPause = Ms(1000); // between rounds of offers when there is no application
    };

    // Text goes out through Send, to be on the line no earlier than the time given.
    using TSend = std::function<void(const QByteArray& text, SimTime ready)>;
    // Called when the monitor hands the line back to the application.
    using TStarted = std::function<void(SimTime at)>;

    TBootMonitor(TSend send, TStarted started);

    // The ECU restarts into the monitor at the given time.
    void Boot(SimTime at);
    void Stop();
    void Feed(uint8_t byte, SimTime now);
    void Advance(SimTime now);
    SimTime NextEvent() const;

    bool Running() const { return Phase != TPhase::Off; }
    bool Entered() const { return Phase == TPhase::Command || Phase == TPhase::Download; }
    bool Downloading() const { return Phase == TPhase::Download; }

    TTiming Timing;
    // An application is in the flash: erasing a sector removes it, a download that reaches its end
    // record puts one back.
    bool HasFirmware = true;
    std::vector<QByteArray> FlashedLines; // the lines of the last download, as received
    std::set<int> ErasedSectors;

    // Faults of the flash itself: the next erases of a sector fail (sector to count), and the
    // n-th line of every download is refused with NAK (0: none).
    std::map<int, int> FailingErases;
    int RefusedLine = 0;
    void ClearFaults() {
        FailingErases.clear();
        RefusedLine = 0;
    }

private:
    enum class TPhase { Off, Booting, Offering, Command, Download };

    void Execute(SimTime now);
    void DownloadLine(SimTime now);
    void EndDownload(SimTime now, bool complete);
    void Prompt(SimTime now);

    TSend Send;
    TStarted Started;
    TPhase Phase = TPhase::Off;
    SimTime NextOffer = SimNever;
    int OffersMade = 0;
    SimTime BusyUntil = SimNever; // an erase under way
    bool EraseFailing = false;    // the erase under way will report a failure
    int LinesReceived = 0;        // lines of the download under way
    QByteArray Line;
    QByteArray HeldInput; // bytes that arrived while an erase ran
};

// True when a download line is a well-formed Motorola S-record or Intel HEX record with a good
// checksum, or is neither kind (encoded firmware is taken as it comes). End records set IsEnd.
bool CheckFirmwareLine(const QByteArray& line, bool& IsEnd);
