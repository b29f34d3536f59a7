#include "calibration/UnitAutoAdaptiveParams.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormAutoAdaptiveParams* FormAutoAdaptiveParams = nullptr;

TFormAutoAdaptiveParams::TFormAutoAdaptiveParams(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormAutoAdaptiveParams"));
    FormAutoAdaptiveParams = this;
    resize(360, 260);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormAutoAdaptiveParams::~TFormAutoAdaptiveParams() {
    if (FormAutoAdaptiveParams == this) FormAutoAdaptiveParams = nullptr;
}

void TFormAutoAdaptiveParams::ApplyCaptions() {
    setWindowTitle(ResStr(SAdaptiveParamsCaption));
}
