#include "calibration/UnitAutoAdaptiveParams.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormAutoAdaptiveParams* FormAutoAdaptiveParams = nullptr;

TFormAutoAdaptiveParams::TFormAutoAdaptiveParams(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window), Host(host) {
    SetUpSecondaryWindow(this, FormAutoAdaptiveParams, "FormAutoAdaptiveParams", {360, 260}, Host);
}

TFormAutoAdaptiveParams::~TFormAutoAdaptiveParams() {
    if (FormAutoAdaptiveParams == this) FormAutoAdaptiveParams = nullptr;
}

void TFormAutoAdaptiveParams::ApplyCaptions() {
    setWindowTitle(ResStr(SAdaptiveParamsCaption));
}
