#pragma once

#include <QDialog>

class TGuiHost;

// The firmware flasher: the whole upgrade of the ECU firmware, step by step.
class TFormFirmwareUpgrade : public QDialog {
    Q_OBJECT
public:
    explicit TFormFirmwareUpgrade(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormFirmwareUpgrade() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormFirmwareUpgrade* FormFirmwareUpgrade;
