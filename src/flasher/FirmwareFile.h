#pragma once

#include <QByteArrayList>
#include <QString>

// A firmware file as the boot monitor takes it: text lines, each sent exactly as read. Both
// kinds (".mhx" Motorola S-records, ".enc" encoded lines) are read the same way; every line is
// checked before the ECU is touched, because a line the monitor cannot take would leave it
// erased with half a firmware.
// The largest firmware file read: many times what the ECU's flash holds, written as S-records.
inline constexpr qint64 MaxFirmwareFileSize = qint64(16) * 1024 * 1024;

class TFirmwareFile {
public:
    // Reads Name into Lines, without their line ends. On any fault Lines is left empty and Error
    // holds the text to show the user.
    static bool Read(const QString& Name, QByteArrayList& Lines, QString& Error);

    // Why a line cannot be sent, or an empty string. SRecords: the file's lines must be
    // well-formed S-records with a good checksum, the end record (S7, S8, S9) only last.
    static QString CheckLine(const QByteArray& Line, bool SRecords, bool Last);

    // The revision the file holds, as the user sees it: the file name without its folder and its
    // last four characters (the extension with its dot).
    static QString RevisionName(const QString& Name);

    // The file dialog's filter.
    static QString Filter();
};
