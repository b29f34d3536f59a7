#include "flasher/FirmwareFile.h"

#include "resources/Strings.h"

#include <QFile>
#include <QFileInfo>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsEndRecord(const QByteArray& line) {
    return line.size() >= 2 && line[0] == 'S' && (line[1] == '7' || line[1] == '8' || line[1] == '9');
}

} // namespace

QString TFirmwareFile::CheckLine(const QByteArray& Line, bool SRecords, bool Last) {
    if (Line.isEmpty()) return ResStr(SFlashLineEmpty);
    // Control bytes would be taken by the monitor as commands: CR ends a line, ESC leaves the
    // download, and ACK or NAK would look like its own answers.
    for (const char c : Line) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E) return ResStr(SFlashLineBadCharacter);
    }
    if (!SRecords) return QString();

    if (Line.size() < 4 || Line[0] != 'S' || Line[1] < '0' || Line[1] > '9' || Line.size() % 2 != 0)
        return ResStr(SFlashLineNotSRecord);
    int sum = 0;
    int count = -1;
    for (qsizetype i = 2; i < Line.size(); i += 2) {
        const int hi = HexDigit(Line[i]), lo = HexDigit(Line[i + 1]);
        if (hi < 0 || lo < 0) return ResStr(SFlashLineNotSRecord);
        const int byte = hi * 16 + lo;
        if (count < 0) count = byte;
        sum += byte;
    }
    if (count != (Line.size() - 4) / 2) return ResStr(SFlashLineNotSRecord);
    if ((sum & 0xFF) != 0xFF) return ResStr(SFlashLineBadChecksum);
    // The monitor ends the download at an end record and would take the lines after it as
    // commands.
    if (IsEndRecord(Line) && !Last) return ResStr(SFlashLineEarlyEnd);
    return QString();
}

bool TFirmwareFile::Read(const QString& Name, QByteArrayList& Lines, QString& Error) {
    Lines.clear();
    Error.clear();
    const QString shown = QFileInfo(Name).fileName();
    QFile file(Name);
    if (!file.open(QIODevice::ReadOnly)) {
        Error = ResStr(SFlashFileCannotBeRead).arg(shown, file.errorString());
        return false;
    }
    if (file.size() > MaxFirmwareFileSize) {
        Error = ResStr(SFlashFileTooLarge).arg(shown).arg(MaxFirmwareFileSize / (1024 * 1024));
        return false;
    }
    QByteArrayList lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.isEmpty() && file.error() != QFileDevice::NoError) break;
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        lines << line;
    }
    if (file.error() != QFileDevice::NoError) {
        Error = ResStr(SFlashFileCannotBeRead).arg(shown, file.errorString());
        return false;
    }
    if (lines.isEmpty()) {
        Error = ResStr(SFlashFileEmpty).arg(shown);
        return false;
    }
    const bool sRecords = Name.endsWith(QLatin1String(".mhx"), Qt::CaseInsensitive);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString fault = CheckLine(lines[i], sRecords, i == lines.size() - 1);
        if (!fault.isEmpty()) {
            Error = ResStr(SFlashFileBadLine).arg(shown, QString::number(i + 1), fault);
            return false;
        }
    }
    if (sRecords && !IsEndRecord(lines.last())) {
        Error = ResStr(SFlashFileNoEndRecord).arg(shown);
        return false;
    }
    Lines = lines;
    return true;
}

QString TFirmwareFile::RevisionName(const QString& Name) {
    return QFileInfo(Name).fileName().chopped(qMin<qsizetype>(4, QFileInfo(Name).fileName().size()));
}

QString TFirmwareFile::Filter() {
    return ResStr(SFlashFilterMhx) + QStringLiteral(";;") + ResStr(SFlashFilterEnc) + QStringLiteral(";;") +
           ResStr(SFlashFilterAll);
}
