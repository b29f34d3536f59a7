#include "config/ConfigBackups.h"

#include "config/ConfigFile.h"
#include "config/RawImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Sorts as it reads in time, and holds no character a file name on any system refuses.
const QString NamePattern = QStringLiteral("yyyy-MM-dd HH.mm.ss");
const QString Extension = QStringLiteral(".cfg");
const QString IdentityExtension = QStringLiteral(".ecu");

QString IdentityFile(const QString& configPath) {
    return configPath.left(configPath.size() - Extension.size()) + IdentityExtension;
}

} // namespace

TConfigBackups::TConfigBackups(QString Root) : FRoot(std::move(Root)) {}

QString TConfigBackups::DefaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
}

QString TConfigBackups::CarName(const QString& Vin, const QString& Make, const QString& Model) {
    QString name = Vin.trimmed();
    if (name.isEmpty()) name = (Make.trimmed() + QLatin1Char(' ') + Model.trimmed()).trimmed();
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c)) c = QLatin1Char('_');
    // "." and ".." are folders of their own.
    if (name.startsWith(QLatin1Char('.'))) name.replace(0, 1, QLatin1Char('_'));
    return name;
}

QString TConfigBackups::CarFolder(const QString& Car) const {
    return QDir(FRoot).filePath(Car);
}

QStringList TConfigBackups::FileNames(const QString& Car) const {
    return QDir(CarFolder(Car)).entryList({QLatin1Char('*') + Extension}, QDir::Files, QDir::Name);
}

TConfigBackups::TWriteResult TConfigBackups::Write(const QString& Car, const QByteArray& Bytes,
                                                   const QString& Identity, const QDateTime& When,
                                                   QString& Error) const {
    const QDir folder(CarFolder(Car));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        Error = folder.path();
        return TWriteResult::Failed;
    }
    const QStringList names = FileNames(Car);
    if (!names.isEmpty()) {
        QFile newest(folder.filePath(names.last()));
        if (newest.open(QIODevice::ReadOnly) && newest.read(MaxConfigFileSize + 1) == Bytes)
            return TWriteResult::Identical;
    }
    // Two reads within a second: the later one is kept a second on, so that names stay in order.
    QDateTime at = When;
    QString path = folder.filePath(at.toString(NamePattern) + Extension);
    while (QFileInfo::exists(path) || (!names.isEmpty() && QFileInfo(path).fileName() < names.last())) {
        at = at.addSecs(1);
        path = folder.filePath(at.toString(NamePattern) + Extension);
    }
    if (!WriteFileSafely(path, Bytes, Error)) {
        Error = path + QStringLiteral(": ") + Error;
        return TWriteResult::Failed;
    }
    if (!Identity.isEmpty()) {
        QString ignored;
        // The identity only labels the list: a backup without it is still whole.
        WriteFileSafely(IdentityFile(path), Identity.toUtf8(), ignored);
    }
    const QStringList kept = FileNames(Car);
    for (qsizetype i = 0; i + KeptPerCar < kept.size(); ++i) {
        const QString old = folder.filePath(kept[i]);
        QFile::remove(old);
        QFile::remove(IdentityFile(old));
    }
    return TWriteResult::Written;
}

QStringList TConfigBackups::Cars() const {
    QStringList cars;
    for (const QString& car :
         QDir(FRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        if (!FileNames(car).isEmpty()) cars << car;
    return cars;
}

std::vector<TConfigBackups::TEntry> TConfigBackups::Backups(const QString& Car) const {
    std::vector<TEntry> entries;
    const QDir folder(CarFolder(Car));
    const QStringList names = FileNames(Car);
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        TEntry e;
        e.Path = folder.filePath(names[i]);
        e.When = QDateTime::fromString(names[i].chopped(Extension.size()), NamePattern);
        QFile identity(IdentityFile(e.Path));
        if (identity.open(QIODevice::ReadOnly)) e.Identity = QString::fromUtf8(identity.read(256)).trimmed();
        TConfigFile file;
        QString error;
        TRawData raw;
        if (ReadConfigFile(e.Path, file, error) && raw.LoadFromString(file.Records)) {
            e.Readable = true;
            e.Mode = file.Mode;
            e.Fuel = raw.Image.Fuel;
        }
        entries.push_back(e);
    }
    return entries;
}
