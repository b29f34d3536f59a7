#pragma once

#include "config/ConfigFile.h"
#include "config/DataMapViews.h"
#include "config/GridClipboard.h"
#include "config/MapTypes.h"
#include "config/RawImage.h"
#include "config/SettingList.h"
#include "link/Frames.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <utility>

// What the tool believes the ECU's operating mode to be: 0 Slave, 1 Compensated.
enum : uint8_t { SlaveMode = 0, CompensatedMode = 1 };
extern uint8_t OperatingMode;

// Codes of the multiple-choice settings (the positions of the editors' items).
enum : uint8_t { FuelCNG = 0, FuelLPG = 1 };
enum : int { LevelSensorCustom = 4, LevelSensorReverseCustom = 5 };
enum : int { TPSNone = 0, TPSRising = 1, TPSFalling = 2 };

// The one configuration in memory, in engineering units: what the windows show and edit, what is
// written to and read from the ECU and what is saved to a file. Reached through DataMap.
class TDataMap : public QObject, public TConsumerInterface {
    Q_OBJECT
    Q_PROPERTY(bool Saved READ Saved WRITE SetSaved)
    Q_PROPERTY(bool EnableCheckRanges MEMBER EnableCheckRanges)
    Q_PROPERTY(bool EnableMapRefresh MEMBER EnableMapRefresh)

public:
    explicit TDataMap(QObject* Owner = nullptr);
    ~TDataMap() override;
    TDataMap(const TDataMap&) = delete;
    TDataMap& operator=(const TDataMap&) = delete;

    // ---- Maps, axes and tables, addressed by TMapTypeOfData ----
    TOneBasedArray<int32_t, 9> Giri_Slave;         // rpm
    TOneBasedArray<double, 12> TempiBenzina_Slave; // ms
    TMapCells<double> TempiGas_Slave_banco1;       // factor
    TMapCells<double> TempiGas_Slave_banco2;
    TOneBasedArray<int32_t, 9> Giri_Comp;   // rpm
    TOneBasedArray<double, 12> MAP_Comp;    // mbar
    TMapCells<double> TempiGas_Comp_banco1; // ms
    TMapCells<double> TempiGas_Comp_banco2;
    TOneBasedArray<int32_t, 9> Giri_Benzina;            // rpm
    TOneBasedArray<double, 12> MAP_Benzina;             // mbar
    TMapCells<double> Benzina;                          // ms
    TOneBasedArray<double, 9> TemperaturaRiduttore;     // deg C
    TOneBasedArray<double, 9> CorrTemperaturaRiduttore; // percent
    TOneBasedArray<double, 9> TemperaturaGas;           // deg C
    TOneBasedArray<double, 9> CorrTemperaturaGas;       // percent
    TOneBasedArray<double, 15> PressioneGas;            // mbar
    TOneBasedArray<double, 15> CorrPressioneGas;        // percent
    TOneBasedArray<double, 12> RiferimentoSondaLambda;  // V
    TOneBasedArray<double, 6> TemperaturaCicchetto;     // deg C
    TOneBasedArray<double, 6> TempoCicchetto;           // ms
    TOneBasedArray<double, 4> LivelloGas;               // V

    // ---- Scalar settings (SettingList.h) ----
    QString FileName;
    uint8_t Bank = 1; // 1 or 2: the bank whose gas maps are shown, edited and sent singly
#define CORVANE_SETTING_FIELD(Type, Field, Init, ...) Type Field = Init;
    CORVANE_SETTINGS(CORVANE_SETTING_FIELD)
#undef CORVANE_SETTING_FIELD

    // ---- Published properties ----
    bool Saved() const { return FSaved; }
    void SetSaved(bool Value);
    bool EnableCheckRanges = false; // editor values outside their limits are refused
    bool EnableMapRefresh = true;   // the periodic re-read of the displayed map is allowed

    // ---- What the model owns ----
    TRawData RawData;
    TGridClipboard GridClipboard;
    // The one-level undo snapshot, in raw form.
    RMappatura UndoImage;

    // The windows that show the model; null until they exist.
    TMainView* MainView = nullptr;
    TAdaptivityView* AdaptivityView = nullptr;
    TDiagnosticsView* DiagnosticsView = nullptr;

    // ---- Record ----
    void MakeFileName();
    // Copies every settings editor of the main and adaptivity windows into its field.
    void ReadFromGUI();
    // Asks the windows to show the model again.
    void RefreshViews();

    // ---- Arrays ----
    // The cells of Kind as stored, whatever the sensor type (CellsOf gives the same for any
    // record that names its arrays after the kinds, such as the raw image).
    TCellsView Cells(TMapTypeOfData Kind) { return CellsOf(*this, Kind); }
    TConstCellsView Cells(TMapTypeOfData Kind) const { return CellsOf(*this, Kind); }
    // The limits a new value of cell Index of Kind must keep: fixed, the neighbouring breakpoints
    // of an axis, or those of the lambda probe type.
    TCellRange CellLimits(TMapTypeOfData Kind, int Index) const;
    double GetMapValue(TMapTypeOfData Kind, int Row, int Index) const;
    void SetMapValue(TMapTypeOfData Kind, int Row, double Value, int Index);
    double GetTableValue(TMapTypeOfData Kind, int Index) const { return GetMapValue(Kind, 0, Index); }
    void SetTableValue(TMapTypeOfData Kind, int Index, double Value) { SetMapValue(Kind, 0, Value, Index); }

    // ---- Raw image conversions ----
    void RawToSettings(const RMappatura& Rec);
    void RawToMap(const RMappatura& Rec, int Block, int BankNo);
    void RawToMaps(const RMappatura& Rec);
    void ModelToRaw(RMappatura& Rec);

    // ---- Defaults ----
    void ResetAll(uint8_t FuelCode);
    void SetDefaultAxes(bool Turbo);
    void SetDefaultSlaveMaps(uint8_t FuelCode);
    void SetPressureCorrectionDefaults();
    void SetWaterCorrectionDefaults();
    void SetGasTempCorrectionDefaults();
    void SetLambdaControlDefaults(uint8_t Mode);
    void SetAdaptiveDefaults(uint8_t Mode);

    // ---- Editing services ----
    // True when the changed editor Sender is within its limits, or the range check is off.
    bool CheckRange(const QObject* Sender);
    void SaveUndo();
    bool UndoAvailable() const { return FUndoSaved; }
    void Undo();
    void MergeMaps(const RMappatura& Rec);
    void MergeMap(const RMappatura& Rec, int Block, int BankNo);

    // ---- Transfer with the ECU ----
    // Every write first takes the editors into the model and the model into the raw image, and
    // pauses the map refresh until the first answer. Requests queue whether or not the ECU is
    // connected; the link probes the connection first.
    void DownloadBlockBank(uint8_t Block, int BankNo);
    void DownloadBlock(uint8_t Block) { DownloadBlockBank(Block, Bank); }
    // Blocks 4 (Compensated) or 8, bank 1 then bank 2.
    void DownloadBothBanks(bool Compensated);
    // The block (and bank) that holds Kind.
    void DownloadForKind(TMapTypeOfData Kind);
    // The blocks of the main window's active page.
    void DownloadActivePage();
    // Blocks 1 to 9 (both banks of 4 and 8), then the VIN and the operating mode. With Notify the
    // acknowledgement of block 9 shows "Download successful".
    void DownloadAll(bool Notify);
    // Reads blocks 1 to 9 (both banks of 4 and 8), then the VIN. With Notify the reply to block
    // 9 shows "Upload successful".
    void UploadAll(bool Notify);
    // Re-reads the displayed map while the ECU acquires or adapts it.
    void RefreshActiveMap();

    // ---- Configuration files ----
    // Each returns false when the file could not be used; the user has been told why. A failed
    // load or merge leaves the configuration exactly as it was, a failed save leaves the file.
    bool SaveToFile(const QString& Name);
    bool LoadFromFile(const QString& Name);
    bool MergeMapsFromFile(const QString& Name);
    // The load of a file already read and checked, without questions: a full reset, the file's
    // mode and blocks, then the conversion into the model.
    void LoadConfigFile(const TConfigFile& File, const QString& Name);

    // ---- TConsumerInterface ----
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override;
    void FrameFailed() override;

signals:
    // The last block of a whole configuration read from the ECU has arrived: RawData.Image holds
    // what the ECU holds.
    void ConfigurationRead();

private:
    // The blocks that hold maps, in the order they are taken in whole: both banks of the Slave
    // and the Compensated gas maps, then the petrol map under the shown bank.
    template <typename F> void ForEachMapBlock(F&& f) const {
        for (const auto& [block, bank] : {std::pair{8, 1}, {8, 2}, {4, 1}, {4, 2}})
            f(block, bank);
        f(3, int(Bank));
    }
    void PrepareWrite();
    void QueueBlockWrite(uint8_t Block, int BankNo, bool Notify);
    void QueueBlockRead(uint8_t Block, int BankNo, bool Notify);

    bool FSaved = false;
    bool FUndoSaved = false;
};

// The effective gas level threshold Index (1..4) for a level sensor type: the tool's fixed table,
// or the model's own LivelloGas for the custom types (and for a type the tool does not know).
double GasLevelThreshold(int SensorType, int Index, const TOneBasedArray<double, 4>& Custom);

// The one configuration model of the program, created by the main window.
extern TDataMap* DataMap;
