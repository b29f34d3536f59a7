#pragma once

#include <QDialog>

// The firmware flasher: the whole upgrade of the ECU firmware, step by step.
class TFormFirmwareUpgrade : public QDialog {
    Q_OBJECT
public:
    explicit TFormFirmwareUpgrade(QWidget* parent = nullptr);
    ~TFormFirmwareUpgrade() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
};

extern TFormFirmwareUpgrade* FormFirmwareUpgrade;
