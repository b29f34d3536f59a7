#include "config/UnitDati.h"

#include "app/Constants.h"
#include "app/Settings.h"
#include "resources/Strings.h"
#include "config/Conversion.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

uint8_t OperatingMode = SlaveMode;
TDataMap* DataMap = nullptr;

namespace {

// Built-in characteristics of the level sensors, volts per threshold, by LevelSensorType.
constexpr double FixedGasLevels[7][4] = {
    {0.5, 0.8, 1.2, 1.4},    // AEB 1090 (927301)
    {0.54, 1.1, 1.25, 1.56}, // AEB 820 (927302)
    {0.7, 1.4, 2.4, 3.8},    // AEB 806 (927303)
    {0.7, 1.6, 2.3, 3.1},    // Corvane 1050 (927304)
    {0, 0, 0, 0},            // Custom: the model's own thresholds
    {0, 0, 0, 0},            // Reverse custom: likewise
    {0.3, 0.6, 1.0, 1.2},    // Landi
};

QString TwoDigits(int n) {
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

// How a control's value becomes its field (the Rule of the settings list).
template <typename Field, typename Value> void TakeAsIs(Field& field, const Value& value) {
    field = value;
}
void TakeAsIs(int32_t& field, double value) {
    field = RoundToEven(value);
}
void TakeAsIs(QString& field, const TDateEditors& date) {
    field = TwoDigits(date.DayEdit) + TwoDigits(date.MonthEdit) + TwoDigits(date.YearEdit - 2000);
}
void TakeFuelCode(uint8_t& field, int index) {
    if (index == FuelCNG || index == FuelLPG) field = uint8_t(index);
}
// The range check keeps the field itself on multiples of 100; this one is rounded when it is read.
void TakeHundreds(int32_t& field, int value) {
    field = RoundToMultiple(value, 100);
}

// Where x falls on a rising axis of N points, as the merge re-samples: at or below the first
// point the first point is taken; otherwise the value is interpolated (or, past the last point,
// extrapolated) between points K - 1 and K with weight T.
struct TAxisPosition {
    bool First = true;
    int K = 1;
    double T = 0;
};

template <typename Axis> TAxisPosition Locate(double x, const Axis& axis) {
    TAxisPosition p;
    while (x > axis[p.K] && p.K < Axis::Count)
        ++p.K;
    if (p.K == 1) return p;
    p.First = false;
    const double span = axis[p.K] - axis[p.K - 1];
    // Two equal neighbouring points give no slope to follow: the later point's values hold.
    p.T = span == 0 ? 1.0 : (x - axis[p.K - 1]) / span;
    return p;
}

} // namespace

double GasLevelThreshold(int SensorType, int Index, const TOneBasedArray<double, 4>& Custom) {
    if (!Custom.InRange(Index)) return 0;
    if (SensorType < 0 || SensorType > 6 || SensorType == LevelSensorCustom ||
        SensorType == LevelSensorReverseCustom)
        return Custom[Index];
    return FixedGasLevels[SensorType][Index - 1];
}

TDataMap::TDataMap(QObject* Owner) : QObject(Owner), GridClipboard(this) {
    setObjectName(QStringLiteral("DataMap"));
    DataMap = this;
    ResetAll(FuelLPG);
    SetSaved(true);
    EnableCheckRanges = ReadSetting(QStringLiteral("RANGE_CHECK")) == QLatin1String("TRUE");
    EnableMapRefresh = true;
}

TDataMap::~TDataMap() {
    if (DataMap == this) DataMap = nullptr;
}

void TDataMap::SetSaved(bool Value) {
    FSaved = Value;
    if (!Model.isEmpty()) MakeFileName();
    QString caption = ResStr(SCfgWindowCaption).arg(ApplicationTitle(), QFileInfo(FileName).fileName());
    if (!Value) caption += ResStr(SCfgUnsavedMark);
    if (MainView) MainView->SetCaption(caption);
}

void TDataMap::MakeFileName() {
    TDateEditors date;
    if (!MainView || !MainView->ReadDateEditors(date)) {
        // Without the editors the name takes the configuration's own date.
        const bool digits = ConfigDate.size() == 6 && std::all_of(ConfigDate.begin(), ConfigDate.end(),
                                                                  [](QChar c) { return c.isDigit(); });
        date.DayEdit = digits ? ConfigDate.mid(0, 2).toInt() : 1;
        date.MonthEdit = digits ? ConfigDate.mid(2, 2).toInt() : 1;
        date.YearEdit = 2000 + (digits ? ConfigDate.mid(4, 2).toInt() : 0);
        date.DayText = QString::number(date.DayEdit);
        date.MonthText = QString::number(date.MonthEdit);
        date.YearText = QString::number(date.YearEdit);
    }
    QString name = Model + QLatin1Char(' ');
    if (Fuel == FuelCNG) name += ResStr(SCfgFuelWordCNG) + QLatin1Char(' ');
    if (Fuel == FuelLPG) name += ResStr(SCfgFuelWordLPG) + QLatin1Char(' ');
    if (OperatingMode == SlaveMode) name += ResStr(SCfgModeWordSlave) + QLatin1Char(' ');
    if (OperatingMode == CompensatedMode) name += ResStr(SCfgModeWordComp) + QLatin1Char(' ');
    name += date.YearText;
    name += (date.MonthEdit < 10 ? QStringLiteral("-0") : QStringLiteral("-")) + date.MonthText;
    name += (date.DayEdit < 10 ? QStringLiteral("-0") : QStringLiteral("-")) + date.DayText;
    name += QStringLiteral(".cfg");
    // The new name stays in the folder of the file the configuration came from, so that Save
    // writes beside it and not into whatever the working directory is.
    QString folder;
    if (FileName.contains(QLatin1Char('/')))
        folder = QFileInfo(FileName).path();
    else if (MainView)
        folder = MainView->FileFolder();
    FileName = folder.isEmpty() ? name : QDir(folder).filePath(name);
}

void TDataMap::ReadFromGUI() {
    TSettingEditors e;
    if (MainView && MainView->ReadSettingEditors(e)) {
#define CORVANE_TAKE(ValueType, Field, Control, Rule) Take##Rule(Field, e.Control);
#define CORVANE_READ_SETTING(Type, Field, Init, Block, Unit, Control, Kind, Min, Max, Format, Caption, Hint, \
                             Rule)                                                                           \
    CORVANE_WITH_CONTROL(Kind, CORVANE_TAKE, Field, Control, Rule)
        CORVANE_SETTINGS(CORVANE_READ_SETTING)
#undef CORVANE_READ_SETTING
#undef CORVANE_TAKE
    }

    TAdaptivityEditors a;
    if (AdaptivityView && AdaptivityView->ReadAdaptivityEditors(a)) {
        AdaptDwell = a.SliderTempoPermanenza;
        AdaptMinRPM = a.EditMinGiri;
        AdaptMaxRPM = a.EditMaxGiri;
        // The window's Y editors and correction slider serve the mode in use; the other mode's
        // values stay as they are.
        if (OperatingMode == SlaveMode) {
            AdaptSlaveCorrection = a.SliderCorrection;
            AdaptSlaveMinY = a.EditMinY;
            AdaptSlaveMaxY = a.EditMaxY;
        } else if (OperatingMode == CompensatedMode) {
            AdaptCompCorrection = a.SliderCorrection;
            AdaptCompMinY = a.EditMinYInteger;
            AdaptCompMaxY = a.EditMaxYInteger;
        }
    }
}

void TDataMap::RefreshViews() {
    if (MainView) {
        MainView->RefreshPages();
        MainView->RefreshStatusControls();
    }
    if (AdaptivityView) AdaptivityView->RefreshEditors();
}

double TDataMap::GetMapValue(TMapTypeOfData Kind, int Row, int Index) const {
    if (Kind == TMapTypeOfData::LivelloGas) return GasLevelThreshold(LevelSensorType, Index, LivelloGas);
    const TConstCellsView cells = Cells(Kind);
    return cells.InRange(Row, Index) ? cells.Value(Row, Index) : 0.0;
}

void TDataMap::SetMapValue(TMapTypeOfData Kind, int Row, double Value, int Index) {
    // The gas level thresholds written are always the model's own, whatever the sensor type.
    Cells(Kind).SetValue(Row, Index, Value);
}

TCellRange TDataMap::CellLimits(TMapTypeOfData Kind, int Index) const {
    const TMapKindInfo& info = MapKind(Kind);
    switch (info.Limits) {
    case TCellLimits::LambdaType:
        return LambdaReferenceRange(LambdaType);
    case TCellLimits::Neighbours: {
        // The breakpoints as they are now, so that a point changed earlier in the same edit counts.
        const TConstCellsView axis = Cells(Kind);
        return {axis.InRange(0, Index - 1) ? axis.Value(0, Index - 1) : info.Lower,
                axis.InRange(0, Index + 1) ? axis.Value(0, Index + 1) : info.Upper};
    }
    case TCellLimits::Fixed:
        break;
    }
    return {info.Lower, info.Upper};
}

bool TDataMap::CheckRange(const QObject* Sender) {
    if (MainView) {
        for (TSpeedEditor editor : {TSpeedEditor::EditSogliaGiri, TSpeedEditor::RPMThresholdEdit}) {
            int value = 0;
            if (MainView->SpeedEditorValue(editor, value))
                MainView->SetSpeedEditorValue(editor, RoundToMultiple(value, 100));
        }
    }
    bool inRange = true;
    TNumericEditorState state;
    if (MainView && Sender && MainView->NumericEditorState(Sender, state)) {
        const double value = state.HoldsReal ? state.RealValue : double(state.IntegerValue);
        inRange = state.MinValue <= value && value <= state.MaxValue;
    }
    return inRange || !EnableCheckRanges;
}

void TDataMap::SaveUndo() {
    ModelToRaw(UndoImage);
    FUndoSaved = true;
    if (MainView) MainView->SetUndoEnabled(true);
}

void TDataMap::Undo() {
    // Before the first snapshot the undo image holds nothing of this configuration.
    if (!FUndoSaved) return;
    EnableMapRefresh = false;
    RawToSettings(UndoImage);
    RawToMaps(UndoImage);
    RefreshViews();
    if (MainView) {
        MainView->UpdateColourRanges();
        if (OperatingMode == CompensatedMode) {
            MainView->RepaintMapGrid(TMapGridId::MappaGas_Comp);
            MainView->RepaintMapGrid(TMapGridId::MappaBenzina);
        } else {
            MainView->RepaintMapGrid(TMapGridId::MappaGas_Slave);
            MainView->RefreshMapCheck();
        }
    }
    DownloadAll(false);
    EnableMapRefresh = true;
}

void TDataMap::MergeMaps(const RMappatura& Rec) {
    ForEachMapBlock([&](int block, int bank) { MergeMap(Rec, block, bank); });
}

void TDataMap::MergeMap(const RMappatura& Rec, int Block, int BankNo) {
    TConvertedMap file;
    if (!ConvertRawMap(Rec, Block, BankNo, file)) return;
    TMapCells<double>* cells = nullptr;
    TOneBasedArray<double, MapRowCount> rows;
    TOneBasedArray<double, MapColumnCount> speeds;
    const TOneBasedArray<int32_t, MapColumnCount>* speedAxis = nullptr;
    switch (Block) {
    case 3:
        cells = &Benzina;
        rows = MAP_Benzina;
        speedAxis = &Giri_Benzina;
        break;
    case 4:
        cells = BankNo == 1 ? &TempiGas_Comp_banco1 : &TempiGas_Comp_banco2;
        rows = MAP_Comp;
        speedAxis = &Giri_Comp;
        break;
    default: // 8
        cells = BankNo == 1 ? &TempiGas_Slave_banco1 : &TempiGas_Slave_banco2;
        rows = TempiBenzina_Slave;
        speedAxis = &Giri_Slave;
        break;
    }
    for (int c = 1; c <= MapColumnCount; ++c)
        speeds[c] = (*speedAxis)[c];

    // Re-sample the file's map onto the model's rows, then onto its columns. lerp is exact at
    // the axis points, so a file equal to the model merges to the model's own values.
    TMapCells<double> g;
    for (int r = 1; r <= MapRowCount; ++r) {
        const TAxisPosition p = Locate(rows[r], file.RowAxis);
        for (int c = 1; c <= MapColumnCount; ++c)
            g[r][c] = p.First ? file.Cells[1][c] : std::lerp(file.Cells[p.K - 1][c], file.Cells[p.K][c], p.T);
    }
    TMapCells<double> h;
    for (int c = 1; c <= MapColumnCount; ++c) {
        const TAxisPosition p = Locate(speeds[c], file.SpeedAxis);
        for (int r = 1; r <= MapRowCount; ++r)
            h[r][c] = p.First ? g[r][1] : std::lerp(g[r][p.K - 1], g[r][p.K], p.T);
    }
    for (int r = 1; r <= MapRowCount; ++r)
        for (int c = 1; c <= MapColumnCount; ++c)
            (*cells)[r][c] = ((*cells)[r][c] + h[r][c]) / 2;
}
