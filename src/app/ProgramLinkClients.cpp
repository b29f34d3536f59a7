#include "app/ProgramLinkClients.h"

#include "app/UnitMain.h"
#include "config/UnitDati.h"
#include "diagnostics/UnitDiagnostics.h"
#include "live/UnitAcquisitionPanel.h"
#include "live/UnitAcquisizioni.h"
#include "windows/UnitDialog.h"

bool TProgramLinkClients::Standard() {
    return Acquisitions && Acquisitions->Standard;
}

bool TProgramLinkClients::StatusUpdate() {
    return Acquisitions && Acquisitions->StatusUpdate;
}

void TProgramLinkClients::SetStandard(bool on) {
    if (Acquisitions) Acquisitions->SetStandard(on);
}

void TProgramLinkClients::SetSuperFast(bool on) {
    if (Acquisitions) Acquisitions->SetSuperFast(on);
}

void TProgramLinkClients::SetStatusUpdate(bool on) {
    if (Acquisitions) Acquisitions->SetStatusUpdate(on);
}

void TProgramLinkClients::SetSaving(bool on) {
    if (Acquisitions) Acquisitions->SetSaving(on);
}

void TProgramLinkClients::PollLiveData() {
    if (Acquisitions) Acquisitions->PollLiveData();
}

bool TProgramLinkClients::MetersVisible() {
    return FormAcquisitionPanel && FormAcquisitionPanel->isVisible();
}

bool TProgramLinkClients::EnableMapRefresh() {
    return DataMap && DataMap->EnableMapRefresh;
}

void TProgramLinkClients::SetEnableMapRefresh(bool on) {
    if (DataMap) DataMap->EnableMapRefresh = on;
}

void TProgramLinkClients::RefreshActiveMap() {
    if (DataMap) DataMap->RefreshActiveMap();
}

// The link asks for the ECU's configuration when the ECU becomes connected; the main window may
// write the tool's own instead, when it has not reached the ECU yet.
void TProgramLinkClients::UploadAll(bool notify) {
    if (FormMain && !notify)
        FormMain->EcuConnected();
    else if (DataMap)
        DataMap->UploadAll(notify);
}

int TProgramLinkClients::OperatingMode() {
    return ::OperatingMode;
}

void TProgramLinkClients::SetOperatingMode(int mode) {
    ::OperatingMode = mode == CompensatedMode ? CompensatedMode : SlaveMode;
}

void TProgramLinkClients::ApplyOperatingMode() {
    if (FormMain) FormMain->ApplyOperatingMode();
}

void TProgramLinkClients::ShowTransientMessage(const QString& text, int milliseconds) {
    if (FormDialog) FormDialog->Show(text, milliseconds);
}

void TProgramLinkClients::AddComError(const QString& message) {
    if (FormDiagnostics) {
        FormDiagnostics->AddComError(message);
    } else if (EarlyComErrors.size() < 100) {
        EarlyComErrors << message;
    }
}

void TProgramLinkClients::DeliverEarlyComErrors() {
    if (FormDiagnostics)
        for (const QString& message : std::as_const(EarlyComErrors))
            FormDiagnostics->AddComError(message);
    EarlyComErrors.clear();
}

TProgramLinkClients& ProgramLinkClients() {
    static TProgramLinkClients clients;
    return clients;
}

