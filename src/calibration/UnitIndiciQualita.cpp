#include "calibration/UnitIndiciQualita.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormIndiciQualita* FormIndiciQualita = nullptr;

TFormIndiciQualita::TFormIndiciQualita(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    SetUpSecondaryWindow(this, FormIndiciQualita, "FormIndiciQualita", {420, 300}, Host);
}

TFormIndiciQualita::~TFormIndiciQualita() {
    if (FormIndiciQualita == this) FormIndiciQualita = nullptr;
}

void TFormIndiciQualita::ApplyCaptions() {
    setWindowTitle(ResStr(SCheckNozzlesCaption));
}
