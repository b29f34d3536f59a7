#pragma once

#include "app/LinkSettings.h"

#include <QStringList>

// What the serial link asks of the rest of the program, answered by the live-data manager, the
// configuration model, the main window and the small windows that exist.
class TProgramLinkClients final : public TSettingsFileLinkClients {
public:
    bool Standard() override;
    bool StatusUpdate() override;
    void SetStandard(bool on) override;
    void SetSuperFast(bool on) override;
    void SetStatusUpdate(bool on) override;
    void SetSaving(bool on) override;
    void PollLiveData() override;
    bool MetersVisible() override;

    bool EnableMapRefresh() override;
    void SetEnableMapRefresh(bool on) override;
    void RefreshActiveMap() override;
    void UploadAll(bool notify) override;

    int OperatingMode() override;
    void SetOperatingMode(int mode) override;
    void ApplyOperatingMode() override;

    void ShowTransientMessage(const QString& text, int milliseconds) override;
    void AddComError(const QString& message) override;

    // The link starts before the diagnostics window exists: what it reports meanwhile (a port
    // that cannot be opened) waits for that window's COM page, and is given to it here; without
    // the window, it is dropped (what a previous run left).
    void DeliverEarlyComErrors();

private:
    QStringList EarlyComErrors;
};

// The program's one instance.
TProgramLinkClients& ProgramLinkClients();
