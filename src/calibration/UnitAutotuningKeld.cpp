#include "calibration/UnitAutotuningKeld.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormAutotuningKeld* FormAutotuningKeld = nullptr;

TFormAutotuningKeld::TFormAutotuningKeld(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormAutotuningKeld"));
    FormAutotuningKeld = this;
    resize(560, 420);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormAutotuningKeld::~TFormAutotuningKeld() {
    if (FormAutotuningKeld == this) FormAutotuningKeld = nullptr;
}

void TFormAutotuningKeld::ApplyCaptions() {
    setWindowTitle(ResStr(SAutotuningCaption));
}
