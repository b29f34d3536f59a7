#include "diagnostics/UnitPinOut.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/UnitMain.h"
#include "app/WindowScaling.h"

TFormPinOut* FormPinOut = nullptr;

TFormPinOut::TFormPinOut(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormPinOut"));
    FormPinOut = this;
    resize(640, 480);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormPinOut::~TFormPinOut() {
    if (FormPinOut == this) FormPinOut = nullptr;
}

void TFormPinOut::ApplyCaptions() {
    setWindowTitle(ResStr(SPinOutCaption));
}

void TFormPinOut::BlinkStep() {
    // Nothing blinks until the connector picture and its markers are in.
    if (FormMain) FormMain->PinOutCountdown = -1;
}
