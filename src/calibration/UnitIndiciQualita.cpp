#include "calibration/UnitIndiciQualita.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormIndiciQualita* FormIndiciQualita = nullptr;

TFormIndiciQualita::TFormIndiciQualita(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormIndiciQualita"));
    FormIndiciQualita = this;
    resize(420, 300);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormIndiciQualita::~TFormIndiciQualita() {
    if (FormIndiciQualita == this) FormIndiciQualita = nullptr;
}

void TFormIndiciQualita::ApplyCaptions() {
    setWindowTitle(ResStr(SCheckNozzlesCaption));
}
