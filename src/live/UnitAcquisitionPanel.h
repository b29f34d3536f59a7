#pragma once

#include "live/AcquisitionDisplay.h"
#include "live/Traces.h"

#include <QColor>
#include <QDialog>
#include <QTime>
#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QChart;
class QChartView;
class QFrame;
class QLabel;
class QLineEdit;
class QLineSeries;
class QMenu;
class QPushButton;
class QScrollArea;
class QValueAxis;
class TBarMeter;
class TGuiHost;
class TRoundMeter;
class TThermometer;

// The end colour of a trace row's background: the colour whose packed value (blue x 65536 +
// green x 256 + red) is half the trace colour's.
QColor TraceRowEndColour(const QColor& colour);

// The meters and traces window: live data on gauges and as chart traces over a sliding
// 100-second window, the trace list, the rate menu, and recording and replay of the traces.
class TFormAcquisitionPanel : public QDialog, public TAcquisitionDisplay {
    Q_OBJECT
public:
    explicit TFormAcquisitionPanel(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormAcquisitionPanel() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
    void SetCaptions() { ApplyCaptions(); }

    // TAcquisitionDisplay
    bool DisplayShown() const override { return isVisible(); }
    void UpdateDisplay() override;
    void ClearTraces() override;
    void ResetAxes() override;
    void ResetGaugeMarks() override;
    void CheckRateItems(bool standard, bool superFast) override;
    void EnableSaveButton(bool enabled) override;
    void PressSaveButton(bool down) override;
    void EnableLoadButton(bool enabled) override;
    void PressLoadButton(bool down) override;
    void ShowDisplayState(TDisplayState state, const QString& fileName) override;
    QString TraceTitle(int index) const override;
    bool TraceVisible(int index) const override;
    double TraceMax(int index) const override;
    void SetTraceVisible(int index, bool visible) override;
    void SetTraceMax(int index, double max) override;
    void AddTracePoint(int index, double time, double value) override;
    void SetTimeAxis(double from, double to) override;

    // Events of the window: opening (standard polling on), the buttons, the rate menu, the
    // check boxes, a Max confirmed with Enter, a double click on the chart, closing.
    void FormShow();
    void ButtonSaveClick();
    void ButtonLoadClick();
    void StandardClick();
    void SuperFastClick();
    void TraceCheckBoxClick();
    void MaxEditReturnPressed(int index);
    void Chart1DblClick();
    // False when the user chose to keep the recording going.
    bool FormCloseQuery();
    void FormClose();

    // The clock of UpdateDisplay's time steps; a test may set its own.
    std::function<QTime()> Now;

    // Hands the traces, thinned to what the chart's pixels can show, and the scrolled time axis
    // to the chart in one pass per shown trace; the ticks of live display ask for it at most five
    // times a second, and a zoom or pan asks for it at once.
    void RedrawTraces();

    // A trace's points at full resolution, as recorded; the chart draws a thinned copy.
    QLineSeries* Trace(int index) const { return Traces[size_t(index)]; }
    QLineSeries* DrawnTrace(int index) const { return Drawn[size_t(index)]; }
    QCheckBox* TraceCheckBox(int index) const { return CheckBoxes[size_t(index)]; }
    QLineEdit* MaxEdit(int index) const { return MaxEdits[size_t(index)]; }
    QValueAxis* TimeAxis() const { return AxisX; }
    QColor ChartGradientEnd() const { return GradientEnd; }
    // The recording line the last UpdateDisplay built.
    QString LastLine() const { return LastRecordingLine; }

    QFrame* PanelGraph = nullptr;
    QFrame* PanelMeters = nullptr;
    QFrame* PanelBottom = nullptr;
    QChartView* Chart1 = nullptr;
    QPushButton* ButtonLoad = nullptr;
    QPushButton* ButtonSave = nullptr;
    QMenu* RateMenu = nullptr;
    QAction* Standard1 = nullptr;
    QAction* SuperFast1 = nullptr;
    TRoundMeter* MeterRPM = nullptr;
    QLabel* RPMValue = nullptr;
    TRoundMeter* PressMeter = nullptr;
    QLabel* PressValue = nullptr;
    TRoundMeter* LambdaMeter = nullptr;
    QLabel* LambdaValue = nullptr;
    TThermometer* TempGas = nullptr;
    TThermometer* TempWater = nullptr;
    TBarMeter* AccumulatorVoltage = nullptr;
    TBarMeter* LivelloGas = nullptr;
    std::array<TRoundMeter*, 8> InjBenz{};
    std::array<QLabel*, 8> InjBenzValue{};
    std::array<TRoundMeter*, 8> InjGass{};
    std::array<QLabel*, 8> InjGassValue{};

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTracePanel();
    void BuildMeterPanel();
    void BuildInjectionPanel();
    void ApplyPreset(bool superFast);
    void ApplyChartBackground();
    double LastTime(int index) const;
    void ShowTrace(int index, bool visible);
    QList<QPointF> Thinned(const QList<QPointF>& points, double from, double to) const;
    void ChartViewChanged();
    void LayOutTraceRows();

    TGuiHost* Host;
    QChart* Chart = nullptr;
    QValueAxis* AxisX = nullptr;
    QValueAxis* AxisY = nullptr;
    std::array<QLineSeries*, TraceCount> Traces{}; // full resolution, not in the chart
    std::array<QLineSeries*, TraceCount> Drawn{};  // the chart's thinned copies
    std::array<QCheckBox*, TraceCount> CheckBoxes{};
    std::array<QFrame*, TraceCount> TraceRows{};
    std::array<QLabel*, TraceCount> TitleLabels{};
    std::array<QLineEdit*, TraceCount> MaxEdits{};
    QWidget* TraceRowsBox = nullptr;
    QScrollArea* TraceScroll = nullptr;
    std::array<double, TraceCount> Maxes{};
    QLabel* HeadingTrace = nullptr;
    QLabel* HeadingMax = nullptr;
    QLabel* HeadingPetrol = nullptr;
    QLabel* HeadingGas = nullptr;
    QTime PreviousUpdate;
    QColor GradientEnd{0x00, 0x00, 0x80};
    QString LastRecordingLine;
    // Points go into the traces with the chart not listening, so that a tick costs one pass over
    // each trace instead of one per point added and one per point dropped; this timer batches the
    // redraws of quick ticks.
    class QTimer* ChartRedraw = nullptr;
    double ScrollFrom = -1, ScrollTo = -1; // the time axis the next redraw shows, when set
    bool SettingAxis = false;               // the redraw's own axis change, already thinned for
    bool RethinQueued = false;              // a zoom or pan waits for the traces thinned anew
};

extern TFormAcquisitionPanel* FormAcquisitionPanel;
