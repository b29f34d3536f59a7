#include "editor/UnitModifyData.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormModify* FormModify = nullptr;

TFormModify::TFormModify(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormModify"));
    FormModify = this;
    resize(300, 160);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormModify::~TFormModify() {
    if (FormModify == this) FormModify = nullptr;
}

void TFormModify::ApplyCaptions() {
    setWindowTitle(ResStr(SModifyCaption));
}
