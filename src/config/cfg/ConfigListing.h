#pragma once

#include "config/ConfigFile.h"

#include <QString>
#include <QStringList>
#include <vector>

class TDataMap;

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
};

// The version and mode of the file, then every setting, then every element of every table, in
// a fixed order. The raw bytes are those of Model's raw image, the file's own once it is loaded.
std::vector<TListedValue> ListConfiguration(const TDataMap& Model, const TConfigFile& File);

// The whole listing for the terminal: settings one a line, tables as rows of numbers and maps
// as grids under their axes.
QString ShowConfiguration(const TDataMap& Model, const TConfigFile& File, const QString& FileName);

// One line per value that differs: "key: a -> b" (units after the values). Where the values
// read alike but their raw bytes differ: "key: a (raw x) -> b (raw y)". Empty when equal.
QStringList DiffConfigurations(const std::vector<TListedValue>& A, const std::vector<TListedValue>& B);
