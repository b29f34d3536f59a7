#include "calibration/UnitMapCheck.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormMapCheck* FormMapCheck = nullptr;

TFormMapCheck::TFormMapCheck(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormMapCheck"));
    FormMapCheck = this;
    resize(560, 420);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormMapCheck::~TFormMapCheck() {
    if (FormMapCheck == this) FormMapCheck = nullptr;
}

void TFormMapCheck::ApplyCaptions() {
    setWindowTitle(ResStr(SMapCheckCaption));
}
