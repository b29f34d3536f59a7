#include "diagnostics/UnitPinOut.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/GuiHost.h"
#include "windows/SecondaryWindow.h"

TFormPinOut* FormPinOut = nullptr;

TFormPinOut::TFormPinOut(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    SetUpSecondaryWindow(this, FormPinOut, "FormPinOut", {640, 480}, Host);
}

TFormPinOut::~TFormPinOut() {
    if (FormPinOut == this) FormPinOut = nullptr;
}

void TFormPinOut::ApplyCaptions() {
    setWindowTitle(ResStr(SPinOutCaption));
}

void TFormPinOut::BlinkStep() {
    // Nothing blinks until the connector picture and its markers are in.
    if (Host) Host->SetCountdown(TGuiCountdown::PinOut, -1);
}
