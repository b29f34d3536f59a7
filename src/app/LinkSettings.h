#pragma once

#include "link/LinkClients.h"

// The serial link's settings in the settings file: COMPORT and COM_AUTOSCAN ("TRUE" scans).
// Reading gives "" and no scan for what is missing; both give the file's error in *error.
TStoredPort ReadStoredPort(QString* error = nullptr);
bool WriteStoredPort(const TStoredPort& port, QString* error = nullptr);

// Link clients that keep the port in the settings file and show the link's failures in message
// boxes, as the program does. The program's own clients, and those of tests and benchmarks that
// run a link on its own, build on it.
class TSettingsFileLinkClients : public TLinkClients {
public:
    void ReportFailure(const QString& text) override;
    TStoredPort StoredPort() override;
    void StorePort(const TStoredPort& port) override;

private:
    // The link reads the settings again on every port scan: an unreadable file is told once.
    bool ReadErrorTold = false;
};
