#pragma once

#include "StringIds.h"

#include <cstdint>
#include <iterator>

// Every scalar setting of the configuration, declared once. The model's fields (TDataMap), the
// main window's editor contents (TSettingEditors), ReadFromGUI, the settings pages and the
// corvane-cfg listing are all expanded from this list, in this order (the order a technician
// reads a configuration in). Adding a setting is one line here, plus its place in the ECU's
// record (RawImage.cpp) and its conversion (Conversion.cpp), which the ECU fixes.
//
// X(Type, Field, Init, Block, Unit, Control, Kind, Min, Max, Format, Caption, Hint, Rule)
//   Type Field = Init   the model's field and its value before any reset; the raw image
//                       (RMappatura) holds the setting in a field of the same name
//   Block               the configuration block that carries it (General page: block 1,
//                       Functions: 2, Lambda: 5, Drivability: 7; 9 is the adaptivity window's)
//   Unit                string id of its unit; NoText for codes, counts, switches and texts
//   Control, Kind       the objectName of its control on the settings pages and the kind of
//                       control (TControlKind); `_` and None where the pages have no control.
//                       Date stands for the three spins DayEdit 1..31, MonthEdit 1..12 and
//                       YearEdit 2000..2099
//   Min, Max            the control's limits (the range check's, for a plain numeric field);
//                       for a text, Max is its length
//   Format              the control's display format
//   Caption             string id of the text beside the control (a row of two fields shares a
//                       leading label that the page layout gives); NoText: none
//   Hint                the control's hint, a design-time text that is not translated
//   Rule                how the control's value becomes the field: AsIs (a real into an integer
//                       field rounds half to even), FuelCode (an index that is no fuel keeps the
//                       field), Hundreds (to the nearest multiple of 100, ties up)
//
// clang-format off
#define CORVANE_SETTINGS(X) \
    X(QString, Make, {}, 1, NoText, BrandComboBox, EditableList, 0, 20, "", SLabelMake, "Select or enter the make of the car", AsIs) \
    X(QString, Model, {}, 1, NoText, CarTypeEdit, Text, 0, 20, "", SLabelModelNotes, "Enter the model of the car", AsIs) \
    X(QString, ConfigDate, {}, 1, NoText, Date, Date, 0, 0, "#0.#", SLabelConfigDate, "", AsIs) \
    X(uint8_t, Fuel, FuelLPG, 1, NoText, ComboBoxCarburante, List, 0, 0, "", SLabelGasFuel, "Choose the gas fuel", FuelCode) \
    X(int32_t, Cylinders, 4, 1, NoText, CylindersEdit, Spin, 2, 8, "#0.#", SLabelCylinders, "Enter how many cylinders the engine has", AsIs) \
    X(int32_t, IgnitionType, 0, 1, NoText, ComboBoxTipoAccensione, List, 0, 0, "", SLabelIgnitionType, "Choose ignition type", AsIs) \
    X(int32_t, PulsesPerRev, 2, 1, NoText, EditImpulsiGiro, Spin, 1, 255, "#0.#", SLabelPulsesPerRev, "Set how many pulses per round the RPM sensor generates", AsIs) \
    X(int32_t, EngineAux, 0, 1, NoText, _, None, 0, 0, "", NoText, "", AsIs) \
    X(int32_t, InjectorType, 0, 1, NoText, ComboBoxTipoIniettori, List, 0, 0, "", SLabelGasInjectors, "Set injectors type", AsIs) \
    X(int32_t, LambdaType, 1, 1, NoText, ComboBoxTipoLambda, List, 0, 0, "", SLabelLambdaProbe, "Set lambda probe's measure range", AsIs) \
    X(int32_t, LambdaProbes, 1, 1, NoText, NumeroLambdaEdit, Spin, 1, 2, "#0.#", SLabelLambdaProbes, "Select how many frontal lambda probes are installed", AsIs) \
    X(int32_t, LevelSensorType, 0, 1, NoText, ComboBoxTipoSensoreGas, List, 0, 0, "", SLabelLevelSensor, "Set the type of gas level sensor", AsIs) \
    X(int32_t, TPSType, 0, 1, NoText, ComboBoxTipoTPS, List, 0, 0, "", SLabelTPSSensor, "Set TPS sensor's measure range", AsIs) \
    X(int32_t, MAPSensor, 1, 1, NoText, MAPSensorBox, List, 0, 0, "", SLabelMAPSensor, "Choose if MAP sensor is installed or not", AsIs) \
    X(int32_t, PressureSensorType, 1, 1, NoText, PressureSensorType, List, 0, 0, "", SLabelPressureSensor, "Select pressure sensor's type", AsIs) \
    X(int32_t, ReducerType, 1, 1, NoText, PressureReducerType, List, 0, 0, "", SLabelPressureReducer, "Choose pressure reducer type", AsIs) \
    X(int32_t, SwitchCondition, 0, 2, NoText, ComboBoxTipoCambio, List, 0, 0, "", SLabelAutoSwitch, "Choose the auto-switch condition", AsIs) \
    X(int32_t, SwitchRPM, 2000, 2, SCfgUnitRpm, EditSogliaGiri, IntegerField, 500, 4000, "#0.#", SLabelRevsRPM, "Set the minimum RPM speed for auto-switch", AsIs) \
    X(int32_t, SwitchTempSensor, 1, 2, NoText, ThresholdTempType, List, 0, 0, "", SLabelTemperatureC, "Choose which temperature sensor to use for auto-switch", AsIs) \
    X(int32_t, SwitchTemp, 30, 2, SCfgUnitDegreesC, EditThresholdTemp, IntegerField, 0, 80, "#0.#", SLabelTemperatureC, "Set minimum temperature to auto-switch", AsIs) \
    X(int32_t, SwitchDelay, 40, 2, SCfgUnitSecond, EditRitardoPassaggio, IntegerField, 0, 1000, "###0", SLabelPetrolToGasDelay, "Set the tme to wait before auto-switch", AsIs) \
    X(bool, BackToPetrolOnLowGas, true, 2, NoText, CheckBoxRitornoAutomatico, Check, 0, 0, "", SCheckBackToGasoline, "Activate or deactivate the feature", AsIs) \
    X(int32_t, BackupDelay, 1, 2, SCfgUnitSecond, EditTempoBassaPressione, IntegerField, 0, 3, "#0.#", SLabelBackupDelay, "Set back-up to petrol delay", AsIs) \
    X(int32_t, MaxCurrentTime, 3, 2, SCfgUnitMs, EditTempoMassimaCorrente, IntegerField, 2, 30, "#0.#", SLabelMaxCurrentDuration, "Set the initial period of injection with max current", AsIs) \
    X(double, SteadyCurrent, 1.0, 2, SCfgUnitAmpere, EditCorrenteMantenimento, RealField, 0.1, 2, "#0.00#", SLabelSteadyCurrent, "Set the average steady current in injectors", AsIs) \
    X(double, MinOpenTime, 2.8, 2, SCfgUnitMs, EditAperturaIniettori, RealField, 0, 10, "#0.0#", SLabelMinOpenTime, "Set injectors min time required to open", AsIs) \
    X(double, InjectorOffset, 0.8, 2, SCfgUnitMs, EditOffsetIniettore, RealField, 0, 10, "0.0", SLabelOffsetTime, "Set an additive injection time offset", AsIs) \
    X(bool, PetrolAcquire, false, 2, NoText, ButtonAcqGasoline, TwoState, 0, 0, "", SButtonAcquire, "Automatic acquisition of petrol injection times in map", AsIs) \
    X(bool, PetrolAdapt, false, 2, NoText, ButtonUpdateGasoline, TwoState, 0, 0, "", SButtonAdaptive, "Auto-adapt petrol map", AsIs) \
    X(bool, GasAdapt, false, 2, NoText, ButtonUpdateGas, TwoState, 0, 0, "", SButtonAdaptive, "Auto-adapt gas map", AsIs) \
    X(bool, AdaptAux, false, 2, NoText, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, LeanThreshold, 0.3, 5, SCfgUnitVolt, LeanThresholdEdit, RealField, 0, 1, "0.0", SLabelLeanLevel, "Set lambda threshold voltage to detect a lean injection", AsIs) \
    X(double, RichThreshold, 0.6, 5, SCfgUnitVolt, RichThresholdEdit, RealField, 0, 1, "0.0", SLabelRichLevel, "Set lambda threshold voltage to detect a rich injection", AsIs) \
    X(double, EmulatedRich, 0.8, 5, SCfgUnitVolt, EditLivelloAltoEmulazione, RealField, 0, 1, "0.0", SLabelRich, "Set emulated lambda voltage while rich", AsIs) \
    X(double, EmulatedLean, 0.1, 5, SCfgUnitVolt, EditLivelloBassoEmulazione, RealField, 0, 1, "0.0", SLabelLean, "Set emulated lambda voltage while lean", AsIs) \
    X(int32_t, IntegralRich, 0, 5, NoText, EditComponenteIngrassare, IntegerField, 0, 255, "0.0", SLabelRich, "Set integral component while rich", AsIs) \
    X(int32_t, IntegralLean, 0, 5, NoText, EditComponenteSmagrire, IntegerField, 0, 255, "0.0", SLabelLean, "Set integral component while lean", AsIs) \
    X(double, ProportionalRich, 1.0, 5, NoText, EditProporzionaleIngrassare, RealField, 0, 5, "0.0", SLabelRich, "Set proportional factor while rich", AsIs) \
    X(double, ProportionalLean, 1.0, 5, NoText, EditProporzionaleSmagrire, RealField, 0, 5, "0.0", SLabelLean, "Set proportional factor while lean", AsIs) \
    X(int32_t, SamplingPeriodMin, 23, 5, SCfgUnitMs, EditPeriodoMin, IntegerField, 0, 255, "0.0", SLabelMin, "Set lowest sampling period", AsIs) \
    X(int32_t, SamplingPeriodMax, 23, 5, SCfgUnitMs, EditPeriodoMax, IntegerField, 0, 255, "0.0", SLabelMax, "Set highest sampling period", AsIs) \
    X(bool, LambdaControllerOn, false, 5, NoText, EnableLambdaController, Check, 0, 0, "", SCheckEnabled, "Enable this feature", AsIs) \
    X(bool, LambdaEmulationOn, false, 5, NoText, EnableLambdaEmulation, Check, 0, 0, "", SCheckEnabled, "Enable this feature", AsIs) \
    X(double, LambdaAuxA, 4.0, 5, NoText, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, LambdaAuxB, 0, 5, NoText, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AccelLevel, 100, 7, SCfgUnitPercent, SliderAccelerationLevel, Slider, 50, 150, "##0", SLabelInjectionLevel, "Set time interpolation rate", AsIs) \
    X(double, SoftStartT1, 1000, 7, SCfgUnitMs, SoftStartT1, IntegerField, 0, 2000, "#0.#", SLabelDuration, "Set initial injection reduction's duration", AsIs) \
    X(double, SoftStartT2, 500, 7, SCfgUnitMs, SoftStartT2, IntegerField, 0, 2000, "#0.#", SLabelRecovery, "Set duration of the recovery to full injection", AsIs) \
    X(int32_t, DeltaMap, 1000, 7, SCfgUnitMbarPerSecond, DeltaMap, IntegerField, 0, 2500, "#0.#", SLabelMinMapGradient, "Set min MAP gradient to activate the feature", AsIs) \
    X(int32_t, MapThreshold, 500, 7, SCfgUnitMbar, MapThreshold, IntegerField, 0, 1000, "#0.#", SLabelMapThreshold, "Set min MAP value to activate the feature", AsIs) \
    X(bool, AccelControlOn, false, 7, NoText, EnableAccelerationControl, Check, 0, 0, "", SCheckEnabled, "Enable this feature", AsIs) \
    X(bool, TPSCutOffOn, false, 7, NoText, EnableTPSCutOff, Check, 0, 0, "", SCheckEnabled, "Enable this feature", AsIs) \
    X(int32_t, TPSCutOffRPM, 1500, 7, SCfgUnitRpm, RPMThresholdEdit, IntegerField, 500, 4000, "#0.#", SLabelRevsRPM, "Set min RPM", Hundreds) \
    X(double, TPSThreshold, 1.5, 7, SCfgUnitVolt, TPSThresholdEdit, RealField, 0, 5, "#0.00", SLabelTPSVolt, "Set max TPS threshold", AsIs) \
    X(double, TPSHysteresis, 0.5, 7, SCfgUnitVolt, TPShisteresysEdit, RealField, 0, 5, "#0.00", SLabelTolerance, "Set tolerance over TPS threshold", AsIs) \
    X(double, TPSFallTime, 1.0, 7, SCfgUnitSecond, TPSFallTimeEdit, RealField, 0, 2.5, "#0.00#", SLabelFallTime, "Set injection reduction's duration", AsIs) \
    X(int32_t, FullGroupHoldOff, 0, 7, SCfgUnitPercent, SliderFullGroupHoldOff, Slider, 0, 100, "##0", SLabelFullGroup, "Set time interpolation rate", AsIs) \
    X(double, SlaveMaxDelay, 3.0, 7, SCfgUnitMs, SlaveMaxDelayEdit, RealField, 0, 255, "#0.0#", SLabelMax, "Set max delay of Slave gas injection", AsIs) \
    X(double, SlaveMinDelay, 0.5, 7, SCfgUnitMs, SlaveMinDelayEdit, RealField, 0, 5, "#0.0#", SLabelMin, "Set min delay of Slave gas injection", AsIs) \
    X(double, ExtraInjectionFilter, 0, 7, SCfgUnitMs, SliderExtraInjection, Slider, 0, 10, "#0.0", SLabelExtraInjection, "Set time interpolation rate", AsIs) \
    X(int32_t, AdaptMinRPM, 0, 9, SCfgUnitRpm, _, None, 0, 0, "", NoText, "", AsIs) \
    X(int32_t, AdaptMaxRPM, 0, 9, SCfgUnitRpm, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptSlaveMinY, 0, 9, SCfgUnitMs, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptSlaveMaxY, 0, 9, SCfgUnitMs, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptCompMinY, 0, 9, SCfgUnitMbar, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptCompMaxY, 0, 9, SCfgUnitMbar, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptDwell, 10, 9, SCfgUnitSecond, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptSlaveCorrection, 2, 9, SCfgUnitPercent, _, None, 0, 0, "", NoText, "", AsIs) \
    X(double, AdaptCompCorrection, 1, 9, SCfgUnitPercent, _, None, 0, 0, "", NoText, "", AsIs)
// clang-format on

// No string: a setting without a unit or a control without a caption.
inline constexpr StringId NoText = StringId(0);

// The kinds of control on the settings pages. Spin fields step by 1 and clamp to their limits
// themselves; plain numeric fields (IntegerField, RealField) take any number and leave their
// limits to the range check; a two-state button stays pressed or released.
enum class TControlKind : uint8_t {
    None,
    Spin,
    IntegerField,
    RealField,
    List,
    EditableList,
    Text,
    Date,
    Check,
    TwoState,
    Slider,
};

// CORVANE_WITH_CONTROL(Kind, F, args...) expands to F(ValueType, args...), ValueType being what
// a control of Kind holds (its item index for a list, its text for an editable list), and to
// nothing for a setting without a control.
#define CORVANE_WITH_CONTROL(Kind, F, ...) CORVANE_WITH_CONTROL_##Kind(F, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_None(F, ...)
#define CORVANE_WITH_CONTROL_Spin(F, ...) F(int, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_IntegerField(F, ...) F(int, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_RealField(F, ...) F(double, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_List(F, ...) F(int, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_EditableList(F, ...) F(QString, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_Text(F, ...) F(QString, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_Date(F, ...) F(TDateEditors, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_Check(F, ...) F(bool, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_TwoState(F, ...) F(bool, __VA_ARGS__)
#define CORVANE_WITH_CONTROL_Slider(F, ...) F(double, __VA_ARGS__)

// One setting as the settings pages see it.
struct TSettingInfo {
    const char* Name;    // the field of the model and of the raw image
    uint8_t Block;       // the configuration block that carries it
    StringId Unit;       // NoText: none
    const char* Control; // objectName of its control; null without one
    TControlKind Kind;
    double Min;
    double Max;
    const char* Format;
    StringId Caption; // NoText: none yet
    const char* Hint;
};

#define CORVANE_SETTING_INFO(Type, Field, Init, Block, Unit, Control, Kind, Min, Max, Format, Caption, Hint, \
                             Rule)                                                                           \
    TSettingInfo{#Field,                                                                                     \
                 Block,                                                                                      \
                 Unit,                                                                                       \
                 TControlKind::Kind == TControlKind::None ? nullptr : #Control,                              \
                 TControlKind::Kind,                                                                         \
                 Min,                                                                                        \
                 Max,                                                                                        \
                 Format,                                                                                     \
                 Caption,                                                                                    \
                 Hint},
inline constexpr TSettingInfo SettingInfos[] = {CORVANE_SETTINGS(CORVANE_SETTING_INFO)};
#undef CORVANE_SETTING_INFO

inline constexpr int SettingCount = int(std::size(SettingInfos));
