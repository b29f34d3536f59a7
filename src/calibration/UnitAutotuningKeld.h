#pragma once

#include <utility>
#include <vector>

#include "calibration/Autotuning.h"
#include "link/Frames.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class TGuiHost;
class TNumericEdit;
class TRoundMeter;

// Gas map auto-tuning on a running engine: the window that shows the procedure of TAutotuning,
// ticks it every 300 ms and carries its fuel-switch requests and map writes to the ECU.
class TFormAutotuningKeld : public QWidget, public TConsumerInterface, public TAutotuningHost {
    Q_OBJECT
public:
    static constexpr int TickMs = 300;

    explicit TFormAutotuningKeld(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAutotuningKeld() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // One tick of TimerStep: the instruction's dots, the measured values, then the procedure.
    void TimerStepTimer();
    void ButtonStartClick();
    void ButtonCancelClick();
    void ButtonResetMapClick();
    void ButtonNozzlesClick();

    TAutotuning Tuning;
    bool TimeEdited = false;

    TNumericEdit* EditRPM = nullptr;
    TNumericEdit* EditTime = nullptr;
    TNumericEdit* EditTempAcqua = nullptr;
    TNumericEdit* EditTempGas = nullptr;
    QLabel* ShowRPM = nullptr;
    QLabel* ShowTinj = nullptr;
    QLabel* ShowTempAcqua = nullptr;
    QLabel* ShowTempGas = nullptr;
    QProgressBar* ProgressRPM = nullptr;
    QProgressBar* ProgressTinj = nullptr;
    QLabel* LabelGiriStabili = nullptr;
    QLabel* LabelTempiStabili = nullptr;
    TRoundMeter* DeltaMeter = nullptr;
    QSlider* SliderConvergenza = nullptr;
    QLabel* ShowConvergenza = nullptr;
    QRadioButton* RadioButtonRatio = nullptr;
    QRadioButton* RadioButtonOffset = nullptr;
    QLabel* IterationsText = nullptr;
    QLabel* LabelInstructions = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonResetMap = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonNozzles = nullptr;
    QTimer* TimerStep = nullptr;

    // TConsumerInterface
    void FrameReceived(const TFrame& Reply) override;
    void FrameDiscarded() override {}
    void FrameFailed() override {}

    // TAutotuningHost
    TTuningLive LiveData() override;
    void SendFuelSwitch(uint8_t data) override;
    void SendBackToPetrol() override;
    void GasMapChanged(bool compensated) override;
    void FlagsChanged(bool lambdaToo) override;
    void Succeeded() override;
    void Stopped(const QString& message) override;

protected:
    void showEvent(QShowEvent* event) override;
    void SizeSteadyLamps();
    void closeEvent(QCloseEvent* event) override;

private:
    void SetIdleControls();
    void SetDeltaSectors();
    void ShowProcedure();
    void ShowMeasured(const TTuningLive& live);
    static bool EcuConnected();

    TGuiHost* Host;
    QGroupBox* GroupWorkingPoint = nullptr;
    QGroupBox* GroupMeasured = nullptr;
    QGroupBox* PanelConvergenza = nullptr;
    QGroupBox* PanelCorrection = nullptr;
    QGroupBox* PanelInstructions = nullptr;
    QLabel* LabelIterations = nullptr;
    std::array<QLabel*, 4> WorkingLabels{};
    std::array<QLabel*, 4> MeasuredLabels{};
    // The units beside the fields, captioned again after a language switch.
    std::vector<std::pair<QLabel*, StringId>> UnitLabels;
    QLabel* UnitLabel(StringId unit, QWidget* parent);
    bool Opened = false;
};

extern TFormAutotuningKeld* FormAutotuningKeld;
