#pragma once

#include "config/DataMapViews.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QSlider;
class TGuiHost;
class TLeaderLabel;
class TNumericEdit;

// The parameters that bound the ECU's own adaptation of the maps: the speed and load window in
// which it adapts, the correction step and the lambda clip time. The load is the petrol injection
// time in Slave mode and the manifold pressure in Compensated mode. Every accepted change goes to
// the configuration and, as block 9, to the ECU at once.
class TFormAutoAdaptiveParams : public QWidget, public TAdaptivityView {
    Q_OBJECT
public:
    explicit TFormAutoAdaptiveParams(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAutoAdaptiveParams() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
    // The controls from the configuration, with the limits and formats of the operating mode.
    void ShowParameters();
    // A change of an edit or a slider.
    void ParameterChanged(QObject* Sender);

    // TAdaptivityView
    bool ReadAdaptivityEditors(TAdaptivityEditors& editors) override;
    void RefreshEditors() override { ShowParameters(); }

    QGroupBox* GroupBoundingBox = nullptr;
    TNumericEdit* EditMinGiri = nullptr;
    TNumericEdit* EditMaxGiri = nullptr;
    TNumericEdit* EditMinY = nullptr;
    TNumericEdit* EditMaxY = nullptr;
    QSlider* SliderCorrection = nullptr;
    QSlider* SliderTempoPermanenza = nullptr;
    QLabel* IndicatorCorrection = nullptr;
    QLabel* IndicatorTempoPermanenza = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowLoadLabels();
    TGuiHost* Host;
    bool Showing = false;
    TLeaderLabel* LabelMinGiri = nullptr;
    TLeaderLabel* LabelMaxGiri = nullptr;
    TLeaderLabel* LabelMinY = nullptr;
    TLeaderLabel* LabelMaxY = nullptr;
    TLeaderLabel* LabelCorrection = nullptr;
    TLeaderLabel* LabelTempoPermanenza = nullptr;
};

extern TFormAutoAdaptiveParams* FormAutoAdaptiveParams;
