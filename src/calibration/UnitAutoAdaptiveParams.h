#pragma once

#include <QWidget>

class TGuiHost;

// The parameters that bound the ECU's own adaptation of the maps.
class TFormAutoAdaptiveParams : public QWidget {
    Q_OBJECT
public:
    explicit TFormAutoAdaptiveParams(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAutoAdaptiveParams() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

private:
    TGuiHost* Host;
};

extern TFormAutoAdaptiveParams* FormAutoAdaptiveParams;
