#pragma once

#include "link/ByteQueue.h"
#include "link/Frames.h"
#include "live/AcquisitionDisplay.h"
#include "live/Traces.h"

#include <QFile>
#include <QMetaMethod>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The words of the live-data replies exactly as the ECU sent them, and the byte layout of the
// three replies. Every value is a 16-bit word (or a byte) zero-extended; word 32 alone can go
// negative, when the fast reply turns it into the rail pressure relative to the manifold.
class TRawMeasures {
public:
    static constexpr int WordCount = 55;

    TByteQueue Queue;
    int32_t RawRPM = 0;
    int32_t RawAux = 0;
    int32_t RawBattery = 0;
    std::array<int32_t, WordCount> Words{};

    TRawMeasures();

    // Each takes a whole reply frame. A reply shorter than its layout fills a prefix of the fields
    // and leaves the rest as they were.
    void DecodeLiveData(const QByteArray& frame);
    void DecodeStatus(const QByteArray& frame);
    void DecodeFast(const QByteArray& frame);
    void ClearWords();

private:
    void ReadWord(int32_t& target);
    void ReadByte(int32_t& target);

    bool ReplyEnded = false;
};

// The live-data manager: the polling switches, the reply consumer of the three live-data
// requests, the live-data record in engineering units and the recording file.
//
// Windows follow it through the signals below and the meters window through the
// TAcquisitionDisplay it registers. The communication window keeps the poll countdown: it
// follows PollCountdownReloaded and calls PollLiveData when the countdown reaches 0.
class TAcquisitions : public QObject, public TConsumerInterface {
    Q_OBJECT
public:
    explicit TAcquisitions(QObject* parent = nullptr);
    ~TAcquisitions() override;

    bool Standard = false;
    bool SuperFast = false;
    bool StatusUpdate = false;
    bool Saving = false;
    bool Loading = false;
    bool Petrol = true;
    bool GasPending = false;
    int32_t RPM = 0;
    int32_t Aux = 0;
    double MAP = 0;
    double TPSVolt = 0;
    std::array<double, 8> PetrolTime{};
    std::array<double, 8> GasTime{};
    double Lambda1 = 0, Lambda2 = 0, LambdaAux1 = 0, LambdaAux2 = 0, LambdaRef = 0;
    double Emulated1 = 0, Emulated2 = 0;
    double WaterTemp = 0, GasTemp = 0;
    int32_t GasPress = 0;
    int32_t GasPressAvg = 0;
    int32_t RailPress = 0;
    double TrimAux1 = 0, TrimAux2 = 0;
    double GasTrim1 = 0, GasTrim2 = 0;
    double Aux42 = 0, Aux43 = 0, Aux44 = 0;
    double Battery = 0;
    double Vcc = 0;
    double GasLevel = 0;
    std::array<double, 10> Coil{};
    uint8_t EngineState = 5; // 0 engine off, 1 key on, 2 engine on, 3 waiting, 4 stall, 5 unknown
    bool AccelActive = false;
    double GasLevelVolt = 0;
    std::array<bool, 8> PetrolFlag{};
    std::array<bool, 8> GasFlag{};
    QFile DataFile; // the recording being written

    TRawMeasures Raw;

    // The meters window, or nullptr.
    void SetDisplay(TAcquisitionDisplay* display) { Display = display; }
    TAcquisitionDisplay* GetDisplay() const { return Display; }

    // TConsumerInterface
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override;
    void FrameFailed() override {}

    void SendLiveDataRequest();
    void SendStatusRequest();
    void SendFastRequest();
    void ComputeValues();

    // One poll tick of the master timer: queues the next request and reloads the countdown.
    void PollLiveData();

    void SetStandard(bool on);
    void SetSuperFast(bool on);
    void SetStatusUpdate(bool on);
    // Switching saving off closes a recording at once, keeping every line written so far.
    void SetSaving(bool on);
    void SetLoading(bool on);

    // The plotted value of each trace, before scaling by its Max.
    TTraceValues TraceValues() const;
    // A data line of the recording file, without its line end.
    static QString DataLine(double time, const TTraceValues& values);

    // Recording and replay. Failures are reported to the user and leave the display live.
    void StartSaving(const QString& fileName);
    // Appends one data line while recording; the line reaches the file before this returns.
    void WriteDataLine(const QString& line);
    void StopSaving();
    void LoadFile(const QString& fileName);
    // Applies the file's closing line to the trace list; false (reported) when the file is bad.
    bool ReadScaling(const QString& fileName);
    // Draws the file's data lines; the time of the last one, or nothing (reported) when bad.
    std::optional<double> ReadTraces(const QString& fileName);
    void EndLoading();
    // The file shown while Loading.
    QString LoadedFileName() const { return LoadedFile; }
    // Whether a window follows the signal; the program checks its own wiring with it.
    bool SignalFollowed(const QMetaMethod& signal) const { return isSignalConnected(signal); }

signals:
    // After each decoded reply, in this order. The map-check window acts on the first one only
    // while its CorrectionSynched is set.
    void RefreshMapCheck();
    void RefreshWorkingPoint();
    void RefreshStatus();
    // On a poll tick with a lambda probe configured: the main window adds a lambda chart point.
    void LambdaChartTick();
    void LambdaChartCleared();
    // The "Enable status update" / "Disable status update" actions follow it.
    void StatusUpdateSwitched(bool on);
    // The communication window sets its PollCountdown to ticks.
    void PollCountdownReloaded(int ticks);

private:
    // The configuration's lambda probe and throttle sensor types, read afresh for every reply so
    // that a changed setting applies to the next values; 0 without a configuration model.
    int LambdaType() const;
    int TPSType() const;
    void ResetForNewPolling();
    void RefreshOnPollTick(bool meters);
    void ReportAndGoLive(const QString& message);
    void RecordingFailed(const QString& message);
    void CloseRecording();

    TAcquisitionDisplay* Display = nullptr;
    QString LoadedFile;
};

// The one live-data manager, created by the main window.
extern TAcquisitions* Acquisitions;
