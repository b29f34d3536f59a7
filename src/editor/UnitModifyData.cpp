#include "editor/UnitModifyData.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormModify* FormModify = nullptr;

TFormModify::TFormModify(TGuiHost* host, QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormModify"));
    FormModify = this;
    resize(300, 160);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormModify::~TFormModify() {
    if (FormModify == this) FormModify = nullptr;
}

void TFormModify::ApplyCaptions() {
    setWindowTitle(ResStr(SModifyCaption));
}
