#include "app/LinkSettings.h"

#include "app/Settings.h"
#include "app/UserDialogs.h"

namespace {

const QString KeyComPort = QStringLiteral("COMPORT");
const QString KeyAutoScan = QStringLiteral("COM_AUTOSCAN");

} // namespace

TStoredPort ReadStoredPort(QString* error) {
    TStoredPort port;
    port.Port = ReadSetting(KeyComPort, error);
    if (error && !error->isEmpty()) return port;
    port.Scan = ReadSetting(KeyAutoScan, error) == QLatin1String("TRUE");
    return port;
}

bool WriteStoredPort(const TStoredPort& port, QString* error) {
    return WriteSetting(KeyComPort, port.Port, error) &&
           WriteSetting(KeyAutoScan, port.Scan ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), error);
}

void TSettingsFileLinkClients::ReportFailure(const QString& text) {
    Dialogs().Tell(TMsgKind::Error, text);
}

TStoredPort TSettingsFileLinkClients::StoredPort() {
    QString error;
    const TStoredPort port = ReadStoredPort(&error);
    if (!error.isEmpty() && !ReadErrorTold) Dialogs().Tell(TMsgKind::Error, error);
    ReadErrorTold = !error.isEmpty();
    return port;
}

void TSettingsFileLinkClients::StorePort(const TStoredPort& port) {
    QString error;
    if (!WriteStoredPort(port, &error)) Dialogs().Tell(TMsgKind::Error, error);
}
