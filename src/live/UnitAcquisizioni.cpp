#include "live/UnitAcquisizioni.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"
#include "link/Codec.h"
#include "link/ReplyDispatch.h"
#include "live/RecordingFile.h"

TAcquisitions* Acquisitions = nullptr;

// ---- TRawMeasures ---------------------------------------------------------------------------

TRawMeasures::TRawMeasures() {
    Words[50] = 0xFFFF;
    Words[38] = 0xFFFF;
    Words[39] = 160;
    Words[53] = 255;
    Words[54] = 255;
}

// Once a field finds too few bytes the reply has ended: the fields after it keep their values,
// even a single-byte one that a leftover odd byte could otherwise fill with part of another field.
void TRawMeasures::ReadWord(int32_t& target) {
    if (ReplyEnded || !Queue.HasBytes(2)) {
        ReplyEnded = true;
        return;
    }
    uint16_t w = 0;
    Queue.ReadWord(w);
    target = w;
}

void TRawMeasures::ReadByte(int32_t& target) {
    if (ReplyEnded || !Queue.HasBytes(1)) {
        ReplyEnded = true;
        return;
    }
    uint8_t b = 0;
    Queue.ReadByte(b);
    target = b;
}

void TRawMeasures::DecodeLiveData(const QByteArray& frame) {
    Queue.LoadPayload(frame);
    ReplyEnded = false;
    ReadWord(RawRPM);
    ReadWord(RawBattery);
    for (int i = 0; i <= 11; ++i)
        ReadWord(Words[i]);
    for (int i = 12; i <= 19; ++i)
        ReadWord(Words[i]);
    ReadWord(Words[20]);
    ReadWord(Words[21]);
    for (int i = 22; i <= 29; ++i)
        ReadWord(Words[i]);
    ReadWord(Words[30]);
    ReadWord(Words[31]);
    ReadWord(Words[32]);
    for (int i = 34; i <= 38; ++i)
        ReadWord(Words[i]);
    for (int i = 40; i <= 49; ++i)
        ReadWord(Words[i]);
    ReadWord(Words[52]);
    ReadByte(Words[53]);
    ReadByte(Words[54]);
}

void TRawMeasures::DecodeStatus(const QByteArray& frame) {
    Queue.LoadPayload(frame);
    ReplyEnded = false;
    ReadWord(Words[0]);
    ReadWord(Words[4]);
    ReadWord(Words[22]);
    ReadWord(Words[26]);
    ReadWord(RawRPM);
    ReadWord(Words[30]);
    ReadWord(Words[31]);
    ReadWord(Words[40]);
    ReadWord(Words[9]);
    ReadWord(Words[10]);
    ReadWord(Words[32]);
    ReadWord(Words[38]);
    ReadWord(Words[36]);
    ReadWord(Words[41]);
    ReadWord(Words[47]);
    ReadWord(Words[48]);
    ReadWord(Words[49]);
    ReadWord(Words[11]);
    ReadByte(Words[39]);
    // A reply too short to carry the engine state blanks it rather than showing a stale one.
    Words[50] = 0xFFFF;
    ReadWord(Words[50]);
    ReadByte(Words[51]);
    ReadWord(Words[52]);
    ReadWord(Words[37]);
    ReadWord(RawAux);
}

void TRawMeasures::DecodeFast(const QByteArray& frame) {
    Queue.LoadPayload(frame);
    ReplyEnded = false;
    ReadWord(Words[40]);
    ReadWord(Words[33]);
    ReadWord(RawRPM);
    ReadWord(Words[9]);
    ReadWord(Words[10]);
    ReadWord(Words[30]);
    // In this mode the gas pressure is the rail pressure relative to the manifold.
    Words[32] = Words[33] - Words[40];
}

void TRawMeasures::ClearWords() {
    RawRPM = 0;
    RawAux = 0;
    for (int i = 0; i < WordCount; ++i) {
        switch (i) {
        case 8:
        case 11:
        case 38:
        case 39:
        case 50:
        case 53:
        case 54:
            break;
        default:
            Words[i] = 0;
        }
    }
}

// ---- TAcquisitions: live data ---------------------------------------------------------------

namespace {

double Percentage(int32_t word) {
    return (word / 32768.0 - 1.0) * 100.0;
}

double LambdaVolts(int type, int32_t x) {
    switch (type) {
    case 2:
        return x * 5.0 / 255.0;
    case 3:
        return (255 - x) * 5.0 / 255.0;
    case 4:
        return x * 0.8 / 255.0 + 0.8;
    case 5:
        return (255 - x) * 3.0 / 255.0 + 1.0;
    default: // 0 "None", 1 "0 - 1 Volt"
        return x / 255.0;
    }
}

double ThrottleVolts(int type, int32_t x) {
    switch (type) {
    case 1:
        return x * 5.0 / 255.0;
    case 2:
        return (255 - x) * 5.0 / 255.0;
    default:
        return 0;
    }
}

} // namespace

TAcquisitions::TAcquisitions(QObject* parent) : QObject(parent) {
    PetrolFlag.fill(true);
    GasFlag.fill(true);
}

TAcquisitions::~TAcquisitions() {
    if (Acquisitions == this) Acquisitions = nullptr;
    CloseRecording();
}

int TAcquisitions::LambdaType() const {
    return DataMap ? DataMap->LambdaType : 0;
}
int TAcquisitions::TPSType() const {
    return DataMap ? DataMap->TPSType : 0;
}

void TAcquisitions::FrameReceived(const TFrame& Reply) {
    switch (FrameCommand(Reply.Data)) {
    case ReplyCode(cmdLiveData):
        Raw.DecodeLiveData(Reply.Data);
        break;
    case ReplyCode(cmdStatus):
        Raw.DecodeStatus(Reply.Data);
        break;
    case ReplyCode(cmdFastData):
        Raw.DecodeFast(Reply.Data);
        break;
    default:
        break;
    }
    ComputeValues();
    emit RefreshMapCheck();
    emit RefreshWorkingPoint();
    emit RefreshStatus();
}

void TAcquisitions::FrameDiscarded() {
    const TFrame* head = TXQueue ? TXQueue->HeadFrame() : nullptr;
    if (!head) return;
    switch (FrameCommand(head->Data)) {
    case cmdLiveData:
        if (Standard) SetStandard(false);
        if (StatusUpdate) SetStatusUpdate(false);
        if (Saving) StopSaving();
        break;
    case cmdStatus:
        // A refused status request keeps status polling on: PollLiveData falls back to code 3.
        if (!TXQueue->IsUnsupported(cmdStatus)) SetStatusUpdate(false);
        break;
    default:
        break;
    }
}

void TAcquisitions::SendLiveDataRequest() {
    SendCommand(CommandBody(cmdLiveData), this, false);
}
void TAcquisitions::SendStatusRequest() {
    SendCommand(CommandBody(cmdStatus), this, false);
}
void TAcquisitions::SendFastRequest() {
    SendCommand(CommandBody(cmdFastData), this, false);
}

void TAcquisitions::ComputeValues() {
    const int lambdaType = LambdaType();
    const auto& w = Raw.Words;
    Petrol = w[38] != 0;
    GasPending = w[39] == 5 && Petrol;
    RPM = Raw.RawRPM;
    Aux = Raw.RawAux;
    MAP = w[40];
    TPSVolt = ThrottleVolts(TPSType(), w[49]);
    for (int i = 0; i < 8; ++i) {
        PetrolTime[i] = w[i] / 1000.0;
        GasTime[i] = w[22 + i] / 1000.0;
    }
    Lambda1 = LambdaVolts(lambdaType, w[30]);
    Lambda2 = LambdaVolts(lambdaType, w[31]);
    LambdaAux1 = LambdaVolts(lambdaType, w[34]);
    LambdaAux2 = LambdaVolts(lambdaType, w[35]);
    LambdaRef = LambdaVolts(lambdaType, w[41]);
    Emulated1 = w[47] / 100.0;
    Emulated2 = w[48] / 100.0;
    WaterTemp = w[9] / 4.0 - 20.0;
    GasTemp = w[10] / 4.0 - 20.0;
    GasPress = w[32];
    // First-order filter, 1/20 of the way to each new sample; integer division truncates toward 0.
    GasPressAvg = (GasPressAvg * 19 + w[32]) / 20;
    RailPress = w[33];
    TrimAux1 = Percentage(w[20]);
    TrimAux2 = Percentage(w[21]);
    GasTrim1 = Percentage(w[36]);
    GasTrim2 = Percentage(w[37]);
    Aux42 = w[42];
    Aux43 = w[43];
    Aux44 = w[44];
    Battery = Raw.RawBattery / 100.0;
    Vcc = w[8] / 102.3;
    GasLevel = w[11] * 100.0 / 255.0;
    for (int i = 0; i < 8; ++i)
        Coil[i] = w[12 + i];
    Coil[8] = w[45] / 1000.0;
    Coil[9] = w[46] / 1000.0;
    if (w[50] >= 0 && w[50] <= 4)
        EngineState = uint8_t(w[50]);
    else if (w[50] == 0xFFFF)
        EngineState = 5;
    AccelActive = w[51] > 0;
    GasLevelVolt = w[52] * 5.0 * 1.1 / 1023.0;
    for (int i = 0; i < 8; ++i) {
        PetrolFlag[i] = (w[53] >> i) & 1;
        GasFlag[i] = (w[54] >> i) & 1;
    }
}

// ---- Polling --------------------------------------------------------------------------------

void TAcquisitions::RefreshOnPollTick(bool meters) {
    // A failing window must not stop the polling.
    try {
        if (meters && Display) Display->UpdateDisplay();
    } catch (...) {
    }
    try {
        if (LambdaType() != 0) emit LambdaChartTick();
    } catch (...) {
    }
}

void TAcquisitions::PollLiveData() {
    if (SuperFast) {
        if (TXQueue && !TXQueue->IsUnsupported(cmdFastData) && !TXQueue->Contains(cmdFastData))
            SendFastRequest();
        emit PollCountdownReloaded(4);
        RefreshOnPollTick(true);
    } else if (Standard) {
        if (TXQueue && !TXQueue->IsUnsupported(cmdLiveData) && !TXQueue->Contains(cmdLiveData))
            SendLiveDataRequest();
        emit PollCountdownReloaded(14);
        RefreshOnPollTick(true);
    } else if (StatusUpdate) {
        if (TXQueue) {
            if (TXQueue->IsUnsupported(cmdStatus)) {
                if (!TXQueue->IsUnsupported(cmdLiveData) && !TXQueue->Contains(cmdLiveData))
                    SendLiveDataRequest();
            } else if (!TXQueue->Contains(cmdStatus)) {
                SendStatusRequest();
            }
        }
        emit PollCountdownReloaded(14);
        RefreshOnPollTick(false);
    }
}

void TAcquisitions::ResetForNewPolling() {
    Raw.ClearWords();
    ComputeValues();
    // Live display, recording and a file being viewed are exclusive: polling that comes back on
    // (after a link reset, a port change, a connection) neither wipes the file's traces nor
    // restarts a recording's time column in the middle of its file.
    if (Display && !Loading && !Saving) {
        Display->ClearTraces();
        Display->ResetAxes();
    }
    emit LambdaChartCleared();
    if (Display) Display->ResetGaugeMarks();
}

void TAcquisitions::SetStandard(bool on) {
    const bool turnedOn = on && !Standard;
    Standard = on;
    if (Display) {
        // Either rate records; switching one off leaves the other's recording possible.
        if (!Loading) Display->EnableSaveButton(Standard || SuperFast);
        Display->CheckRateItems(on, !on);
    }
    if (turnedOn) ResetForNewPolling();
    if (on) emit PollCountdownReloaded(14);
}

void TAcquisitions::SetSuperFast(bool on) {
    const bool turnedOn = on && !SuperFast;
    SuperFast = on;
    if (Display) {
        if (!Loading) Display->EnableSaveButton(Standard || SuperFast);
        Display->CheckRateItems(!on, on);
    }
    if (turnedOn) ResetForNewPolling();
    if (on) emit PollCountdownReloaded(4);
}

void TAcquisitions::SetStatusUpdate(bool on) {
    const bool turnedOn = on && !StatusUpdate;
    StatusUpdate = on;
    emit StatusUpdateSwitched(on);
    if (turnedOn) emit LambdaChartCleared();
    if (on) emit PollCountdownReloaded(14);
}

void TAcquisitions::SetSaving(bool on) {
    Saving = on;
    if (Display) Display->PressSaveButton(on);
    if (on || !DataFile.isOpen()) return;
    // A recording cut off from outside (a reset, the program closing) keeps every line written
    // so far, and the display goes back to live as after a failed recording.
    CloseRecording();
    if (Display) {
        Display->ShowDisplayState(TDisplayState::Live, QString());
        Display->EnableLoadButton(true);
        Display->PressLoadButton(false);
    }
}

void TAcquisitions::SetLoading(bool on) {
    Loading = on;
    if (Display) Display->PressLoadButton(on);
}

// ---- Recording and replay -------------------------------------------------------------------

TTraceValues TAcquisitions::TraceValues() const {
    return {
        double(RPM),   MAP,       TPSVolt, GasTime[0], GasTime[4],           PetrolTime[0],
        PetrolTime[4], Lambda1,   Lambda2, LambdaRef,  (GasTrim1 + 100) / 2, (GasTrim2 + 100) / 2,
        Emulated1,     Emulated2, GasTemp, WaterTemp,  double(GasPress),     GasLevelVolt,
        Battery,       Vcc,       Coil[0], Coil[4],    double(RailPress),
    };
}

QString TAcquisitions::DataLine(double time, const TTraceValues& values) {
    QString line = FormatFixed(time, 1, 2);
    line.reserve(TraceCount * 9 + 8);
    for (double v : values) {
        line += QLatin1Char('\t');
        line += FormatFixed(v, 4, 2);
    }
    return line;
}

void TAcquisitions::ReportAndGoLive(const QString& message) {
    if (Loading) EndLoading();
    Dialogs().Tell(TMsgKind::Error, message);
}

// A recording that cannot go on: the file keeps what was written, the display goes back to live.
void TAcquisitions::RecordingFailed(const QString& message) {
    SetSaving(false);
    if (Display) {
        Display->EnableLoadButton(true);
        Display->PressLoadButton(false);
        Display->ShowDisplayState(TDisplayState::Live, QString());
    }
    Dialogs().Tell(TMsgKind::Error, message);
}

void TAcquisitions::CloseRecording() {
    if (DataFile.isOpen()) DataFile.close();
}

namespace {

bool WriteAndFlush(QFile& file, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

void TAcquisitions::StartSaving(const QString& fileName) {
    if (DataFile.isOpen()) StopSaving();
    // The file is created before anything else changes, so a file that cannot be created leaves
    // the display exactly as it was.
    DataFile.setFileName(fileName);
    if (!DataFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString reason = DataFile.errorString();
        RecordingFailed(ResStr(SMsgRecordingCreateError).arg(fileName, reason));
        return;
    }
    if (Display) {
        Display->EnableLoadButton(false);
        Display->PressLoadButton(false);
        Display->ClearTraces();
        Display->ResetAxes();
    }
    emit LambdaChartCleared();
    SetSaving(true);
    QString header = ResStr(STimeColumn);
    for (int k = 0; k < TraceCount; ++k)
        header += QLatin1Char('\t') + (Display ? Display->TraceTitle(k) : ResStr(TraceTable[k].Title));
    header += QLatin1String("\r\n");
    if (Display) Display->ShowDisplayState(TDisplayState::Recording, fileName);
    if (!WriteAndFlush(DataFile, header)) {
        const QString reason = DataFile.errorString();
        RecordingFailed(ResStr(SMsgRecordingWriteError).arg(fileName, reason));
    }
}

void TAcquisitions::WriteDataLine(const QString& line) {
    if (!Saving || !DataFile.isOpen()) return;
    if (WriteAndFlush(DataFile, line + QLatin1String("\r\n"))) return;
    const QString fileName = DataFile.fileName();
    const QString reason = DataFile.errorString();
    RecordingFailed(ResStr(SMsgRecordingWriteError).arg(fileName, reason));
}

void TAcquisitions::StopSaving() {
    QString failure;
    if (DataFile.isOpen()) {
        QString closing = QLatin1String(ScalingKeyword);
        for (int k = 0; k < TraceCount; ++k) {
            const bool visible = Display ? Display->TraceVisible(k) : TraceTable[k].StandardPreset;
            const double max = Display ? Display->TraceMax(k) : TraceTable[k].DefaultMax;
            closing += QLatin1Char('\t') + (visible ? FormatFixed(max, 4, 1) : QStringLiteral("0"));
        }
        if (!WriteAndFlush(DataFile, closing))
            failure = ResStr(SMsgRecordingWriteError).arg(DataFile.fileName(), DataFile.errorString());
    }
    SetSaving(false);
    if (Display) {
        Display->ShowDisplayState(TDisplayState::Live, QString());
        Display->EnableLoadButton(true);
        Display->PressLoadButton(false);
    }
    if (!failure.isEmpty()) Dialogs().Tell(TMsgKind::Error, failure);
}

void TAcquisitions::LoadFile(const QString& fileName) {
    SetLoading(true);
    if (Display) {
        Display->EnableSaveButton(false);
        Display->PressSaveButton(false);
    }
    LoadedFile = fileName;
    if (!ReadScaling(fileName)) return;
    const std::optional<double> last = ReadTraces(fileName);
    if (!last) return;
    if (Display) {
        Display->SetTimeAxis(0, *last);
        Display->ShowDisplayState(TDisplayState::ShowingFile, fileName);
    }
}

bool TAcquisitions::ReadScaling(const QString& fileName) {
    TRecording recording;
    QString error;
    // The whole file is checked first, so that a bad file leaves the trace list as it was.
    if (!ReadRecordingFile(fileName, TraceCount, recording, &error)) {
        ReportAndGoLive(error);
        return false;
    }
    if (!recording.HasScaling || !Display) return true;
    for (size_t k = 0; k < recording.Scaling.size(); ++k) {
        const double max = recording.Scaling[k];
        if (max != 0) {
            Display->SetTraceVisible(int(k), true);
            Display->SetTraceMax(int(k), max);
        } else {
            Display->SetTraceVisible(int(k), false);
        }
    }
    return true;
}

std::optional<double> TAcquisitions::ReadTraces(const QString& fileName) {
    TRecording recording;
    QString error;
    if (!ReadRecordingFile(fileName, TraceCount, recording, &error)) {
        ReportAndGoLive(error);
        return std::nullopt;
    }
    if (Display) {
        Display->ClearTraces();
        for (size_t line = 0; line < recording.LineCount(); ++line) {
            const double time = recording.Times[line];
            for (size_t i = recording.LineStart[line]; i < recording.LineStart[line + 1]; ++i)
                Display->AddTracePoint(int(i - recording.LineStart[line]), time, recording.Values[i]);
        }
    }
    return recording.Times.back();
}

void TAcquisitions::EndLoading() {
    SetLoading(false);
    LoadedFile.clear();
    if (Display) {
        Display->ClearTraces();
        Display->ResetAxes();
        Display->ShowDisplayState(TDisplayState::Live, QString());
        // Super-fast polling records as well as standard polling does.
        Display->EnableSaveButton(Standard || SuperFast);
        Display->PressSaveButton(false);
    }
}

// ---- The meters window's caption ------------------------------------------------------------

QString DisplayCaption(TDisplayState state, const QString& fileName) {
    switch (state) {
    case TDisplayState::Recording:
        return ResStr(SDisplayCaption) + QStringLiteral(" - ") + ResStr(SSavingAcquiredDataIn) + fileName;
    case TDisplayState::ShowingFile:
        return ResStr(SDisplayCaption) + QStringLiteral(" - ") + ResStr(SDataAcquiredIn) + fileName;
    default:
        return ResStr(SDisplayCaption);
    }
}

uint32_t DisplayGradientEnd(TDisplayState state) {
    switch (state) {
    case TDisplayState::Recording:
        return 0x800000;
    case TDisplayState::ShowingFile:
        return 0x808000;
    default:
        return 0x000080;
    }
}
