#include "live/UnitAcquisitionPanel.h"

#include "StringIds.h"
#include "app/Strings.h"
#include "app/WindowScaling.h"

TFormAcquisitionPanel* FormAcquisitionPanel = nullptr;

TFormAcquisitionPanel::TFormAcquisitionPanel(QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormAcquisitionPanel"));
    FormAcquisitionPanel = this;
    resize(800, 560);
    ApplyCaptions();
    ScaleLikeMainWindow(this);
}

TFormAcquisitionPanel::~TFormAcquisitionPanel() {
    if (FormAcquisitionPanel == this) FormAcquisitionPanel = nullptr;
}

void TFormAcquisitionPanel::ApplyCaptions() {
    setWindowTitle(ResStr(SDisplayCaption));
}
