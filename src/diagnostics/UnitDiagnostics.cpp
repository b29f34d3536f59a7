#include "diagnostics/UnitDiagnostics.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormDiagnostics* FormDiagnostics = nullptr;

TFormDiagnostics::TFormDiagnostics(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    SetUpSecondaryWindow(this, FormDiagnostics, "FormDiagnostics", {520, 400}, Host);
}

TFormDiagnostics::~TFormDiagnostics() {
    if (FormDiagnostics == this) FormDiagnostics = nullptr;
}

void TFormDiagnostics::ApplyCaptions() {
    setWindowTitle(ResStr(SDiagnosticsCaption));
}

void TFormDiagnostics::AddComError(const QString& message) {
    ComErrors.append(message);
    // A link that fails for hours must not fill the memory: the newest messages are kept.
    if (ComErrors.size() > MaxComErrors) ComErrors.remove(0, ComErrors.size() - MaxComErrors);
}
