#include "app/Settings.h"

#include "StringIds.h"
#include "app/Constants.h"
#include "resources/Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

constexpr int kSlots = 10;

QString SettingsDirectory() {
    const QString winDir = qEnvironmentVariable("WinDir");
    if (!winDir.isEmpty()) return winDir;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Corvane");
}

QString FileError(StringId id, const QString& path, const QString& reason) {
    return ResStr(id).arg(QDir::toNativeSeparators(path), reason);
}

// Ten lines of a key and a value fit many times over; anything larger is not this file.
constexpr qint64 kMaxFileSize = 64 * 1024;

// A settings file holds short lines of UTF-8 text: a NUL byte, bytes that are not UTF-8 or a size
// no ten lines reach mean the file is something else, which no write may replace.
bool IsSettingsText(const QByteArray& bytes) {
    return bytes.size() <= kMaxFileSize && !bytes.contains('\0') && QString::fromUtf8(bytes).toUtf8() == bytes;
}

// Reads the file's lines; returns false when the file exists but cannot be read or is damaged.
bool ReadLines(const QString& path, QStringList& lines, QString* error, int maxLines = -1) {
    lines.clear();
    QFile file(path);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = FileError(SSettingsReadError, path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = FileError(SSettingsReadError, path, file.errorString());
        return false;
    }
    if (!IsSettingsText(bytes)) {
        if (error) *error = FileError(SSettingsReadError, path, ResStr(SSettingsDamaged));
        return false;
    }
    QTextStream in(bytes);
    while (!in.atEnd() && (maxLines < 0 || lines.size() < maxLines))
        lines.append(in.readLine());
    return true;
}

} // namespace

QString SettingsFilePath() {
    return SettingsDirectory() + QLatin1Char('/') + ApplicationTitle() + QStringLiteral(".ini");
}

void SplitSettingLine(const QString& line, QString& key, QString& value) {
    const qsizetype first = line.indexOf(QLatin1Char('='));
    if (first < 0) {
        key = line.endsWith(QLatin1Char(' ')) ? line.left(line.size() - 1) : line;
        value.clear();
        return;
    }
    key = line.left(first);
    if (key.endsWith(QLatin1Char(' '))) key.chop(1);
    const qsizetype last = line.lastIndexOf(QLatin1Char('='));
    if (last == 0) {
        value.clear();
        return;
    }
    value = line.mid(last + 1);
    if (value.startsWith(QLatin1Char(' '))) value.remove(0, 1);
}

QString ReadSetting(const QString& key, QString* error) {
    QStringList lines;
    if (!ReadLines(SettingsFilePath(), lines, error)) return QString();
    QString found, lineKey, lineValue;
    for (const QString& line : lines) {
        SplitSettingLine(line, lineKey, lineValue);
        if (lineKey == key) found = lineValue;
    }
    return found;
}

bool WriteSetting(const QString& key, const QString& value, QString* error) {
    const QString path = SettingsFilePath();
    QStringList lines;
    if (!ReadLines(path, lines, error, kSlots - 1)) return false;

    QStringList out;
    out.append(key + QStringLiteral(" = ") + value);
    QString lineKey, lineValue;
    for (const QString& line : lines) {
        SplitSettingLine(line, lineKey, lineValue);
        if (lineKey == key || lineKey.isEmpty()) continue; // a dropped line still used up its slot
        out.append(lineKey + QStringLiteral(" = ") + lineValue);
    }

    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) {
        if (error) *error = FileError(SSettingsWriteError, path, ResStr(SSettingsFolderError));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (error) *error = FileError(SSettingsWriteError, path, file.errorString());
        return false;
    }
    QByteArray content;
    for (const QString& line : out)
        content += line.toUtf8() + '\n';
    if (file.write(content) != content.size() || !file.commit()) {
        if (error) *error = FileError(SSettingsWriteError, path, file.errorString());
        return false;
    }
    return true;
}
