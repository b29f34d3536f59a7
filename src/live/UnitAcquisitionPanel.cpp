#include "live/UnitAcquisitionPanel.h"

#include "StringIds.h"
#include "resources/Strings.h"
#include "windows/WindowScaling.h"

TFormAcquisitionPanel* FormAcquisitionPanel = nullptr;

TFormAcquisitionPanel::TFormAcquisitionPanel(TGuiHost* host, QWidget* parent) : QDialog(parent, Qt::Window), Host(host) {
    setObjectName(QStringLiteral("FormAcquisitionPanel"));
    FormAcquisitionPanel = this;
    resize(800, 560);
    ApplyCaptions();
    ScaleLikeMainWindow(this, Host);
}

TFormAcquisitionPanel::~TFormAcquisitionPanel() {
    if (FormAcquisitionPanel == this) FormAcquisitionPanel = nullptr;
}

void TFormAcquisitionPanel::ApplyCaptions() {
    setWindowTitle(ResStr(SDisplayCaption));
}
