#include "calibration/UnitAutotuningKeld.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormAutotuningKeld* FormAutotuningKeld = nullptr;

TFormAutotuningKeld::TFormAutotuningKeld(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormAutotuningKeld"));
    FormAutotuningKeld = this;
    resize(560, 420);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormAutotuningKeld::~TFormAutotuningKeld() {
    if (FormAutotuningKeld == this) FormAutotuningKeld = nullptr;
}

void TFormAutotuningKeld::ApplyCaptions() {
    setWindowTitle(ResStr(SAutotuningCaption));
}
