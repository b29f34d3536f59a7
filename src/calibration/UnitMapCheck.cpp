#include "calibration/UnitMapCheck.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormMapCheck* FormMapCheck = nullptr;

TFormMapCheck::TFormMapCheck(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    SetUpSecondaryWindow(this, FormMapCheck, "FormMapCheck", {560, 420}, Host);
}

TFormMapCheck::~TFormMapCheck() {
    if (FormMapCheck == this) FormMapCheck = nullptr;
}

void TFormMapCheck::ApplyCaptions() {
    setWindowTitle(ResStr(SMapCheckCaption));
}
