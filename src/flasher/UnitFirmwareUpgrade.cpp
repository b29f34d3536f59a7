#include "flasher/UnitFirmwareUpgrade.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormFirmwareUpgrade* FormFirmwareUpgrade = nullptr;

TFormFirmwareUpgrade::TFormFirmwareUpgrade(TGuiHost* host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), Host(host) {
    setObjectName(QStringLiteral("FormFirmwareUpgrade"));
    FormFirmwareUpgrade = this;
    resize(480, 300);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormFirmwareUpgrade::~TFormFirmwareUpgrade() {
    if (FormFirmwareUpgrade == this) FormFirmwareUpgrade = nullptr;
}

void TFormFirmwareUpgrade::ApplyCaptions() {
    setWindowTitle(ResStr(SFirmwareUpgradeCaption));
}
