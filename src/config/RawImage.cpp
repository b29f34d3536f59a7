#include "config/RawImage.h"

#include "link/Frames.h"

namespace {

// The three maps go over the wire column by column: all twelve rows of speed column 1 first.
template <typename Map, typename F> void ColumnByColumn(Map& map, F&& f) {
    for (int c = 1; c <= MapColumnCount; ++c)
        for (int r = 1; r <= MapRowCount; ++r)
            f(map[r][c]);
}

template <typename Array, typename F> void EachOf(Array& array, F&& f) {
    for (auto& e : array)
        f(e);
}

// Visits the elements of Block in payload order after the block number (and the bank byte of
// blocks 4 and 8), so that decoding and encoding cannot drift apart. Texts go to text().
template <typename Rec, typename F, typename T>
void VisitBlock(Rec& r, int Block, int Bank, F&& f, T&& text) {
    switch (Block) {
    case 1:
        text(r.Make, MakeLength);
        text(r.Model, ModelLength);
        text(r.ConfigDate, ConfigDateLength);
        for (auto* e : {&r.Fuel, &r.Cylinders, &r.IgnitionType, &r.EngineAux, &r.PulsesPerRev,
                        &r.InjectorType, &r.LambdaType, &r.LambdaProbes, &r.LevelSensorType, &r.TPSType,
                        &r.MAPSensor, &r.PressureSensorType, &r.ReducerType})
            f(*e);
        break;
    case 2:
        for (auto* e :
             {&r.SwitchCondition, &r.SwitchRPM, &r.SwitchTemp, &r.SwitchDelay, &r.BackToPetrolOnLowGas,
              &r.BackupDelay, &r.MaxCurrentTime, &r.SteadyCurrent, &r.MinOpenTime, &r.InjectorOffset,
              &r.PetrolAcquire, &r.PetrolAdapt, &r.GasAdapt, &r.AdaptAux, &r.SwitchTempSensor})
            f(*e);
        break;
    case 3:
        EachOf(r.Giri_Benzina, f);
        EachOf(r.MAP_Benzina, f);
        ColumnByColumn(r.Benzina, f);
        break;
    case 4:
        EachOf(r.Giri_Comp, f);
        EachOf(r.MAP_Comp, f);
        ColumnByColumn(Bank == 1 ? r.TempiGas_Comp_banco1 : r.TempiGas_Comp_banco2, f);
        break;
    case 5:
        EachOf(r.RiferimentoSondaLambda, f);
        for (auto* e : {&r.LeanThreshold, &r.RichThreshold, &r.EmulatedRich, &r.EmulatedLean, &r.IntegralRich,
                        &r.IntegralLean, &r.ProportionalRich, &r.ProportionalLean, &r.SamplingPeriodMin,
                        &r.SamplingPeriodMax, &r.LambdaControllerOn, &r.LambdaEmulationOn, &r.LambdaAuxA,
                        &r.LambdaAuxB})
            f(*e);
        break;
    case 6:
        EachOf(r.TemperaturaRiduttore, f);
        EachOf(r.CorrTemperaturaRiduttore, f);
        EachOf(r.TemperaturaGas, f);
        EachOf(r.CorrTemperaturaGas, f);
        EachOf(r.PressioneGas, f);
        EachOf(r.CorrPressioneGas, f);
        break;
    case 7:
        for (auto* e :
             {&r.AccelLevel, &r.SoftStartT1, &r.SoftStartT2, &r.DeltaMap, &r.MapThreshold, &r.AccelControlOn,
              &r.TPSCutOffOn, &r.TPSCutOffRPM, &r.TPSThreshold, &r.TPSHysteresis, &r.TPSFallTime,
              &r.FullGroupHoldOff, &r.SlaveMaxDelay, &r.SlaveMinDelay, &r.ExtraInjectionFilter})
            f(*e);
        EachOf(r.TemperaturaCicchetto, f);
        EachOf(r.TempoCicchetto, f);
        break;
    case 8:
        EachOf(r.Giri_Slave, f);
        EachOf(r.TempiBenzina_Slave, f);
        ColumnByColumn(Bank == 1 ? r.TempiGas_Slave_banco1 : r.TempiGas_Slave_banco2, f);
        break;
    case 9:
        for (auto* e :
             {&r.AdaptMinRPM, &r.AdaptMaxRPM, &r.AdaptSlaveMinY, &r.AdaptSlaveMaxY, &r.AdaptCompMinY,
              &r.AdaptCompMaxY, &r.AdaptDwell, &r.AdaptSlaveCorrection, &r.AdaptCompCorrection})
            f(*e);
        EachOf(r.LivelloGas, f);
        break;
    default:
        break;
    }
}

} // namespace

int BlockSize(int Block) {
    switch (Block) {
    case 1:
        return 60;
    case 2:
        return 16;
    case 3:
        return 130;
    case 4:
        return 131;
    case 5:
        return 27;
    case 6:
        return 67;
    case 7:
        return 28;
    case 8:
        return 131;
    case 9:
        return 14;
    default:
        return 1;
    }
}

uint8_t TRawData::DecodeBlock(const TFrame& Frame) {
    InQueue.LoadPayload(Frame.Data);
    return DecodeLoadedPayload();
}

uint8_t TRawData::DecodePayload(const QByteArray& Payload) {
    InQueue.Clear();
    InQueue.Data = Payload;
    return DecodeLoadedPayload();
}

uint8_t TRawData::DecodeLoadedPayload() {
    // A short payload fills a prefix of the block and leaves the rest of the image as it was.
    // Decoding stops at the first element the payload does not cover whole: a text cut short
    // must not leave its characters to be read as the fields after it.
    uint8_t block = 0;
    InQueue.ReadByte(block);
    if (block < 1 || block > ConfigBlockCount) return block;
    uint8_t bank = 0;
    if (IsBankBlock(block)) InQueue.ReadByte(bank);
    bool ended = false;
    VisitBlock(
        Image, block, bank == 1 ? 1 : 2,
        [this, &ended](int32_t& e) {
            if (ended || !InQueue.HasBytes(1)) {
                ended = true;
                return;
            }
            uint8_t b = 0;
            InQueue.ReadByte(b);
            e = b;
        },
        [this, &ended](QByteArray& s, int n) {
            if (ended || !InQueue.HasBytes(n)) {
                ended = true;
                return;
            }
            InQueue.ReadString(s, n);
        });
    return block;
}

QByteArray TRawData::EncodeBlock(uint8_t Block, int Bank) {
    OutQueue.Clear();
    OutQueue.WriteByte(Block);
    if (IsBankBlock(Block)) OutQueue.WriteByte(Bank);
    // Texts are cut or padded to their fixed width: a longer text would shift every later byte
    // of block 1 and the ECU would read the wrong settings.
    VisitBlock(
        Image, Block, Bank == 1 ? 1 : 2, [this](int32_t& e) { OutQueue.WriteByte(e); },
        [this](QByteArray& s, int n) {
            for (int i = 0; i < n; ++i)
                OutQueue.WriteByte(i < s.size() ? static_cast<uint8_t>(s[i]) : ' ');
        });
    return OutQueue.GetData();
}
