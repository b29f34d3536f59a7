#pragma once

#include <QDialog>

class TGuiHost;

// The meters and traces window: live data on gauges and as chart traces, and the recordings.
class TFormAcquisitionPanel : public QDialog {
    Q_OBJECT
public:
    explicit TFormAcquisitionPanel(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAcquisitionPanel() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormAcquisitionPanel* FormAcquisitionPanel;
