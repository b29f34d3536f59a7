#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

class TRawData;

// Configuration files (".cfg"): the version text of the tool that wrote the file (four
// characters, "1.01"), the operating mode word ("SLAV" or "COMP"), then the record list: a
// record count and the configuration blocks as they travel to the ECU, each behind a length byte.
//
// A file is untrusted input. It is read whole into memory (a record list can hold no more than
// MaxConfigFileSize bytes, so nothing past that is read) and checked before anything is decoded.

inline constexpr int ConfigFileRecordCount = 11;
inline constexpr int ConfigVersionLength = 4;
inline constexpr int ConfigModeLength = 4;
inline constexpr int ConfigHeaderSize = ConfigVersionLength + ConfigModeLength;
// The largest file a record list can fill: 255 records of 255 bytes behind their length bytes.
inline constexpr int MaxConfigFileSize = ConfigHeaderSize + 1 + 255 * 256;

// The version this tool writes, with a point as decimal separator whatever the locale.
QByteArray ConfigVersionText();
// The version that four version characters give, in hundredths (1.01 is 101): the first, third
// and fourth characters are its digits, the second is not looked at.
int ConfigVersionHundredths(const QByteArray& VersionText);

// Why the bytes of a file cannot be loaded.
struct TConfigFileProblem {
    enum TKind {
        None,
        Empty,
        NotAConfiguration, // the version characters are not digits
        NoModeWord,        // the file ends inside its first eight bytes
        NoRecordCount,     // it ends right after them
        RecordCut,         // it ends inside record Record of Count
        RecordsMissing,    // it holds Record of the Count records it announces
    };
    TKind Kind = None;
    int Record = 0;
    int Count = 0;

    bool Ok() const { return Kind == None; }
};
// The message for a problem of the file FileName (shown without its folder).
QString ConfigFileProblemText(const QString& FileName, const TConfigFileProblem& Problem);

// A configuration file split into its parts.
struct TConfigFile {
    QByteArray VersionText; // the first four bytes
    uint8_t Mode = 0;       // 0 Slave for "SLAV", 1 Compensated for any other word
    QByteArray Records;     // the record list, as TRawData::LoadFromString reads it

    int VersionHundredths() const { return ConfigVersionHundredths(VersionText); }
};

// Checks that a record list holds the records its count announces, each complete.
TConfigFileProblem CheckRecordList(const QByteArray& S);
// Splits and checks the bytes of a file.
TConfigFileProblem ParseConfigFile(const QByteArray& Bytes, TConfigFile& File);
// Reads and checks the file Name. False with the message in Error when it cannot be read or
// is not a configuration file this tool can load.
bool ReadConfigFile(const QString& Name, TConfigFile& File, QString& Error);

// The bytes of a file for a raw image in a mode (0 Slave, 1 Compensated): what SaveToFile writes.
QByteArray ConfigFileBytes(TRawData& Raw, uint8_t Mode);
// Writes Bytes to a temporary file beside Name, which replaces Name only once it is complete:
// a failed write leaves the old file as it was. False with the reason in Error.
bool WriteFileSafely(const QString& Name, const QByteArray& Bytes, QString& Error);
