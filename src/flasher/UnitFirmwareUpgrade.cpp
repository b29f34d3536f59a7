#include "flasher/UnitFirmwareUpgrade.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormFirmwareUpgrade* FormFirmwareUpgrade = nullptr;

TFormFirmwareUpgrade::TFormFirmwareUpgrade(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormFirmwareUpgrade"));
    FormFirmwareUpgrade = this;
    resize(480, 300);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormFirmwareUpgrade::~TFormFirmwareUpgrade() {
    if (FormFirmwareUpgrade == this) FormFirmwareUpgrade = nullptr;
}

void TFormFirmwareUpgrade::ApplyCaptions() {
    setWindowTitle(ResStr(SFirmwareUpgradeCaption));
}
