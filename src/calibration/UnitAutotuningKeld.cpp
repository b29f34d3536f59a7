#include "calibration/UnitAutotuningKeld.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormAutotuningKeld* FormAutotuningKeld = nullptr;

TFormAutotuningKeld::TFormAutotuningKeld(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    SetUpSecondaryWindow(this, FormAutotuningKeld, "FormAutotuningKeld", {560, 420}, Host);
}

TFormAutotuningKeld::~TFormAutotuningKeld() {
    if (FormAutotuningKeld == this) FormAutotuningKeld = nullptr;
}

void TFormAutotuningKeld::ApplyCaptions() {
    setWindowTitle(ResStr(SAutotuningCaption));
}
