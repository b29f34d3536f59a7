#include "calibration/UnitIndiciQualita.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormIndiciQualita* FormIndiciQualita = nullptr;

TFormIndiciQualita::TFormIndiciQualita(TGuiHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormIndiciQualita"));
    FormIndiciQualita = this;
    resize(420, 300);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormIndiciQualita::~TFormIndiciQualita() {
    if (FormIndiciQualita == this) FormIndiciQualita = nullptr;
}

void TFormIndiciQualita::ApplyCaptions() {
    setWindowTitle(ResStr(SCheckNozzlesCaption));
}
