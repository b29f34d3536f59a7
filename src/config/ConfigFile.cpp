#include "config/ConfigFile.h"

#include "app/Constants.h"
#include "resources/Strings.h"
#include "app/UserDialogs.h"
#include "config/UnitDati.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <utility>

namespace {

// The records of a file of this version, in the order written.
constexpr std::pair<uint8_t, int> FileRecords[ConfigFileRecordCount] = {
    {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {8, 2}, {9, 1},
};

const QByteArray SlaveWord = QByteArrayLiteral("SLAV");
const QByteArray CompensatedWord = QByteArrayLiteral("COMP");

int ToolVersionHundredths() {
    return int(std::lround(AppVersion * 100));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The four version characters of a file's start: a file shorter than four bytes keeps "0.00"
// for what it lacks.
QByteArray VersionTextOf(const QByteArray& Bytes) {
    QByteArray text = QByteArrayLiteral("0.00");
    const QByteArray head = Bytes.left(ConfigVersionLength);
    text.replace(0, head.size(), head);
    return text;
}

QString ShortName(const QString& Name) {
    return QFileInfo(Name).fileName();
}

} // namespace

QByteArray ConfigVersionText() {
    return FormatAppVersion().toLatin1();
}

int ConfigVersionHundredths(const QByteArray& VersionText) {
    const QByteArray t = VersionTextOf(VersionText);
    return (t[0] - '0') * 100 + (t[2] - '0') * 10 + (t[3] - '0');
}

QString ConfigFileProblemText(const QString& FileName, const TConfigFileProblem& Problem) {
    const QString name = ShortName(FileName);
    switch (Problem.Kind) {
    case TConfigFileProblem::None:
        break;
    case TConfigFileProblem::Empty:
        return ResStr(SCfgFileIsEmpty).arg(name);
    case TConfigFileProblem::NotAConfiguration:
        return ResStr(SCfgFileNotAConfiguration).arg(name);
    case TConfigFileProblem::NoModeWord:
        return ResStr(SCfgFileEndsBeforeMode).arg(name);
    case TConfigFileProblem::NoRecordCount:
        return ResStr(SCfgFileEndsBeforeCount).arg(name);
    case TConfigFileProblem::RecordCut:
        return ResStr(SCfgFileRecordCut).arg(name).arg(Problem.Record).arg(Problem.Count);
    case TConfigFileProblem::RecordsMissing:
        return ResStr(SCfgFileRecordsMissing).arg(name).arg(Problem.Record).arg(Problem.Count);
    }
    return QString();
}

TConfigFileProblem CheckRecordList(const QByteArray& S) {
    TConfigFileProblem p;
    if (S.isEmpty()) {
        p.Kind = TConfigFileProblem::NoRecordCount;
        return p;
    }
    p.Count = static_cast<uint8_t>(S[0]);
    qsizetype at = 1;
    for (int record = 1; record <= p.Count; ++record) {
        if (at >= S.size()) {
            p.Kind = TConfigFileProblem::RecordsMissing;
            p.Record = record - 1;
            return p;
        }
        const int length = static_cast<uint8_t>(S[at]);
        if (S.size() - at - 1 < length) {
            p.Kind = TConfigFileProblem::RecordCut;
            p.Record = record;
            return p;
        }
        at += 1 + length;
    }
    return p;
}

TConfigFileProblem ParseConfigFile(const QByteArray& Bytes, TConfigFile& File) {
    TConfigFileProblem p;
    if (Bytes.isEmpty()) {
        p.Kind = TConfigFileProblem::Empty;
        return p;
    }
    // The second character is left free: some releases wrote the version with the locale's
    // decimal separator.
    for (int i : {0, 2, 3})
        if (i < Bytes.size() && !IsDigit(Bytes[i])) {
            p.Kind = TConfigFileProblem::NotAConfiguration;
            return p;
        }
    if (Bytes.size() < ConfigHeaderSize) {
        p.Kind = TConfigFileProblem::NoModeWord;
        return p;
    }
    const QByteArray records = Bytes.mid(ConfigHeaderSize);
    p = CheckRecordList(records);
    if (!p.Ok()) return p;
    File.VersionText = Bytes.left(ConfigVersionLength);
    File.Mode = Bytes.mid(ConfigVersionLength, ConfigModeLength) == SlaveWord ? SlaveMode : CompensatedMode;
    File.Records = records;
    return p;
}

bool ReadConfigFile(const QString& Name, TConfigFile& File, QString& Error) {
    QFile file(Name);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(MaxConfigFileSize);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        Error = ResStr(SCfgFileCannotBeRead).arg(ShortName(Name), file.errorString());
        return false;
    }
    const TConfigFileProblem problem = ParseConfigFile(bytes, File);
    if (!problem.Ok()) {
        Error = ConfigFileProblemText(Name, problem);
        return false;
    }
    return true;
}

QByteArray ConfigFileBytes(TRawData& Raw, uint8_t Mode) {
    return ConfigVersionText() + (Mode == SlaveMode ? SlaveWord : CompensatedWord) + Raw.SaveToString();
}

bool WriteFileSafely(const QString& Name, const QByteArray& Bytes, QString& Error) {
    // Unbuffered, so that a short write shows here: through the buffer a write cut short by the
    // disk can go unnoticed and the save file would commit what reached it.
    QSaveFile file(Name);
    qint64 done = 0;
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        while (done < Bytes.size()) {
            const qint64 n = file.write(Bytes.constData() + done, Bytes.size() - done);
            if (n <= 0) break;
            done += n;
        }
    }
    if (done == Bytes.size() && file.commit()) return true;
    Error = file.errorString();
    file.cancelWriting();
    return false;
}

// ---- The record list of the raw image ----------------------------------------------------

QByteArray TRawData::SaveToString() {
    QByteArray s(1, char(ConfigFileRecordCount));
    for (auto [block, bank] : FileRecords) {
        const QByteArray payload = EncodeBlock(block, bank);
        s += char(payload.size());
        s += payload;
    }
    return s;
}

bool TRawData::LoadFromString(const QByteArray& S) {
    if (!CheckRecordList(S).Ok()) return false;
    const int count = static_cast<uint8_t>(S[0]);
    qsizetype at = 1;
    for (int record = 0; record < count; ++record) {
        const int length = static_cast<uint8_t>(S[at]);
        // A record may exceed what a reply frame can carry, so it is decoded as a bare payload.
        DecodePayload(S.mid(at + 1, length));
        at += 1 + length;
    }
    return true;
}

// ---- The model's file operations ------------------------------------------------------------

bool TDataMap::SaveToFile(const QString& Name) {
    // FileName changes only once the file is written: a save that fails or is refused must not
    // leave the configuration under a name it is not saved in.
    ModelToRaw(RawData.Image);

    const int tool = ToolVersionHundredths();
    int version = tool;
    QFile existing(Name);
    if (existing.exists()) {
        QByteArray head;
        if (existing.open(QIODevice::ReadOnly)) head = existing.read(ConfigVersionLength);
        existing.close();
        version = ConfigVersionHundredths(head);
    }
    TMsgButton answer = mbYes;
    if (version != tool) {
        const bool older = version < tool;
        answer = Dialogs().Ask(TMsgKind::Warning,
                               Name + ResStr(older ? SCfgSavedWithOlderRelese : SCfgSavedWithNewerRelese) +
                                   QLatin1Char('.') + QChar(13) +
                                   ResStr(older ? SCfgOverwriteOlderRelese : SCfgOverwriteNewerRelese),
                               mbYes | mbNo | mbCancel);
    }
    if (answer == mbNo) {
        if (MainView) MainView->SaveAs();
        return false;
    }
    if (answer != mbYes) return false;

    // A read-only file is made writable, as the user has chosen to replace it.
    if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner))
        existing.setPermissions(existing.permissions() | QFileDevice::WriteOwner);
    QString error;
    if (!WriteFileSafely(Name, ConfigFileBytes(RawData, OperatingMode), error)) {
        Dialogs().Tell(TMsgKind::Error, ResStr(SCfgFileCannotBeSaved).arg(ShortName(Name), error));
        return false;
    }
    FileName = Name;
    SetSaved(true);
    if (MainView) MainView->ShowTransientMessage(ResStr(SCfgFileSaved), 1000);
    return true;
}

bool TDataMap::LoadFromFile(const QString& Name) {
    TConfigFile file;
    QString error;
    if (!ReadConfigFile(Name, file, error)) {
        Dialogs().Tell(TMsgKind::Error, error + QLatin1Char('\n') + ResStr(SCfgConfigurationUnchanged));
        return false;
    }
    const int version = file.VersionHundredths();
    const int tool = ToolVersionHundredths();
    if (version != tool) {
        const bool older = version < tool;
        Dialogs().Tell(TMsgKind::Information,
                       ShortName(Name) + ResStr(older ? SCfgSavedWithOlderRelese : SCfgSavedWithNewerRelese) +
                           QStringLiteral(": ") + QString::fromLatin1(file.VersionText) + QLatin1Char('.') +
                           QChar(13) + ResStr(older ? SCfgOldDataConverted : SCfgNewerFieldsIgnored));
    }
    LoadConfigFile(file, Name);
    return true;
}

void TDataMap::LoadConfigFile(const TConfigFile& File, const QString& Name) {
    EnableMapRefresh = false;
    // What the file does not hold keeps its default: that is how older files are converted.
    ResetAll(Fuel);
    OperatingMode = File.Mode;
    if (MainView) MainView->ShowOperatingModePages();
    RawData.LoadFromString(File.Records);
    FileName = Name;
    RawToMaps(RawData.Image);
    RawToSettings(RawData.Image);
    RefreshViews();
    SetSaved(true);
}

bool TDataMap::MergeMapsFromFile(const QString& Name) {
    TConfigFile file;
    QString error;
    if (!ReadConfigFile(Name, file, error)) {
        Dialogs().Tell(TMsgKind::Error, error + QLatin1Char('\n') + ResStr(SCfgConfigurationUnchanged));
        return false;
    }
    EnableMapRefresh = false;
    // The image starts from the model, so that a map block the file lacks merges the model
    // with itself instead of with whatever the image last held.
    ModelToRaw(RawData.Image);
    RawData.LoadFromString(file.Records);
    MergeMaps(RawData.Image);
    ModelToRaw(RawData.Image);
    RefreshViews();
    // The merged configuration is in no file yet: it stays under its own name, unsaved, so that
    // neither closing the program nor Save loses it or overwrites the file it came from.
    SetSaved(false);
    return true;
}
