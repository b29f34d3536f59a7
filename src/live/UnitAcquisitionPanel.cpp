#include "live/UnitAcquisitionPanel.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/SecondaryWindow.h"

TFormAcquisitionPanel* FormAcquisitionPanel = nullptr;

TFormAcquisitionPanel::TFormAcquisitionPanel(TGuiHost* host, QWidget* parent) : QDialog(parent, Qt::Window), Host(host) {
    SetUpSecondaryWindow(this, FormAcquisitionPanel, "FormAcquisitionPanel", {800, 560}, Host);
}

TFormAcquisitionPanel::~TFormAcquisitionPanel() {
    if (FormAcquisitionPanel == this) FormAcquisitionPanel = nullptr;
}

void TFormAcquisitionPanel::ApplyCaptions() {
    setWindowTitle(ResStr(SDisplayCaption));
}
