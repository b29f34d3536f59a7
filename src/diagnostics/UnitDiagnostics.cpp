#include "diagnostics/UnitDiagnostics.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormDiagnostics* FormDiagnostics = nullptr;

TFormDiagnostics::TFormDiagnostics(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormDiagnostics"));
    FormDiagnostics = this;
    resize(520, 400);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
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
