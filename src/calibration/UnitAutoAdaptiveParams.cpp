#include "calibration/UnitAutoAdaptiveParams.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormAutoAdaptiveParams* FormAutoAdaptiveParams = nullptr;

TFormAutoAdaptiveParams::TFormAutoAdaptiveParams(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window), Host(host) {
    setObjectName(QStringLiteral("FormAutoAdaptiveParams"));
    FormAutoAdaptiveParams = this;
    resize(360, 260);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormAutoAdaptiveParams::~TFormAutoAdaptiveParams() {
    if (FormAutoAdaptiveParams == this) FormAutoAdaptiveParams = nullptr;
}

void TFormAutoAdaptiveParams::ApplyCaptions() {
    setWindowTitle(ResStr(SAdaptiveParamsCaption));
}
