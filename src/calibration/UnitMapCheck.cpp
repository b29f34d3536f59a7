#include "calibration/UnitMapCheck.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormMapCheck* FormMapCheck = nullptr;

TFormMapCheck::TFormMapCheck(TGuiHost* host, QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormMapCheck"));
    FormMapCheck = this;
    resize(560, 420);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormMapCheck::~TFormMapCheck() {
    if (FormMapCheck == this) FormMapCheck = nullptr;
}

void TFormMapCheck::ApplyCaptions() {
    setWindowTitle(ResStr(SMapCheckCaption));
}
