#pragma once

#include "app/Settings.h"
#include "link/SerialLink.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// For as long as it lives: a settings file of its own in a temporary folder (WinDir), and a list
// of serial ports that holds none but the one the settings file names. A test or a benchmark
// thus never reads the user's settings nor opens a real port.
class TScratchSettings {
public:
    TScratchSettings() {
        qputenv("WinDir", Folder.path().toUtf8());
        TSerialLink::SetPortEnumerator([] { return QStringList(); });
    }
    ~TScratchSettings() {
        TSerialLink::SetPortEnumerator({});
        qunsetenv("WinDir");
    }
    TScratchSettings(const TScratchSettings&) = delete;
    TScratchSettings& operator=(const TScratchSettings&) = delete;

    bool IsValid() const { return Folder.isValid(); }
    QString Path() const { return Folder.path(); }
    // The port the link opens when it starts (a simulator's link path).
    static bool UsePort(const QString& port) { return WriteSetting(QStringLiteral("COMPORT"), port); }

private:
    QTemporaryDir Folder;
};
