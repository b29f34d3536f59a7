#pragma once

#include "config/ConfigFile.h"
#include "config/MapTypes.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class TDataMap;
struct RMappatura;

// A configuration as a technician reads it: every setting with its unit and every table in
// engineering units. Numbers follow the user's locale.

// One value: a setting ("SwitchRPM") or one element of a table ("Giri_Slave[3]",
// "TempiGas_Slave_banco1[2][5]"), with its unit ("" for codes, switches and texts) and the raw
// byte or bytes the configuration holds for it ("125"; a text's characters in hex; "" for the
// version and the mode).
struct TListedValue {
    QString Key;
    QString Value;
    QString Unit;
    QString Raw;
    // What it is: setting Setting of SettingInfos, or the cell Row, Column (1-based; row 1 in a
    // one-row table) of the table Kind; neither for the version and the mode. Number is the
    // value of a cell.
    int Setting = -1;
    std::optional<TMapTypeOfData> Kind;
    int Row = 0;
    int Column = 0;
    double Number = 0;
};

// A configuration file loaded into a model of its own, as a file is opened after the program's
// start (Slave mode, LPG defaults for what the file lacks). The program's model (DataMap) and
// OperatingMode stay as they were. Null with the reason in Error when the file cannot be read.
std::unique_ptr<TDataMap> LoadDetached(const QString& Name, TConfigFile& File, QString& Error);
// The same for a file already read and checked, named Name.
std::unique_ptr<TDataMap> LoadDetached(const TConfigFile& File, const QString& Name);

// The version and mode of the file, then every setting, then every element of every table, in
// a fixed order. The raw bytes are those of Model's raw image, the file's own once it is loaded.
std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File);
// The same with the raw bytes of Raw, such as the image the model would give now.
std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File,
                                            const RMappatura& Raw);

// The whole listing for the terminal: settings one a line, tables as rows of numbers and maps
// as grids under their axes.
QString ShowConfiguration(const TDataMap& Model, const TConfigFile& File, const QString& FileName);

// Where two listings of the same layout differ: the position of each value that differs, in
// listing order, and whether only its raw bytes do (it reads alike in both).
struct TListedDifference {
    size_t Index = 0;
    bool RawOnly = false;
};
std::vector<TListedDifference> CompareListings(const std::vector<TListedValue>& A,
                                               const std::vector<TListedValue>& B);

// Gives To the value of setting Setting (an index of SettingInfos) that From holds.
void CopySetting(TDataMap& To, const TDataMap& From, int Setting);
// The value of a numeric setting as a number; false for a text or a date.
bool SettingNumber(const TDataMap& Model, int Setting, double& Value);

// One line per value that differs: "key: a -> b" (units after the values). Where the values
// read alike but their raw bytes differ: "key: a (raw x) -> b (raw y)". Empty when equal.
QStringList DiffConfigurations(const std::vector<TListedValue>& A, const std::vector<TListedValue>& B);
