#pragma once

#include "StringIds.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QTime>
#include <array>
#include <functional>

class QAbstractButton;
class QChart;
class QChartView;
class QFrame;
class QLabel;
class QLineSeries;
class QMenu;
class QToolButton;
class QValueAxis;
class QWidget;
class TLamp;

// Where the live indicators go in the main window: the bottom panel's frame and chart, the pages
// that carry the fuel and level lamps, the gas trim indicators and the acceleration gradient, and
// the bank button.
struct TStatusPlaces {
    QFrame* PanelStatus = nullptr;
    QChartView* ChartView = nullptr;
    QChart* Chart = nullptr;
    QValueAxis* TimeAxis = nullptr;
    QValueAxis* ValueAxis = nullptr;
    QWidget* FunctionsPage = nullptr;
    QWidget* LambdaPage = nullptr;
    QWidget* DrivabilityPage = nullptr;
    QAbstractButton* ButtonBank = nullptr;
};

// The main window's live state: the status panel's fields, the lamps and indicators on the pages,
// and the ten-second lambda chart with its pop-up menu. It reads the live-data manager and the
// configuration model; what it does beyond its own controls (the glowing label, the status bar,
// whether the ECU is connected, the clock) goes through the hooks below, so a test can watch it.
class TStatusPanel : public QObject {
    Q_OBJECT
public:
    // Chart series indexes.
    enum TLambdaSeries : int {
        SeriesLambda1 = 0,
        SeriesLambda2,
        SeriesGasTrim1,
        SeriesGasTrim2,
        SeriesReference,
        SeriesEmulated1,
        SeriesEmulated2,
        LambdaSeriesCount
    };

    TStatusPanel(const TStatusPlaces& places, QObject* parent = nullptr);

    std::function<bool()> Connected;
    std::function<void(const QString&)> AnnounceFuel;
    std::function<void(int panel, const QString&)> SetStatusText;
    std::function<QTime()> Now;

    void ApplyCaptions();
    void ShowStatusLayout();
    void ShowStatus();
    void AddLambdaChartPoint();
    void ClearLambdaChart();

    QLineSeries* Series(int index) const { return LambdaSeries[size_t(index)]; }
    QMenu* PopupMenu() const { return PopupMenu1; }
    bool PressureFlashing() const;
    // The chart background's first colour: dark green before any fuel change, dark grey after.
    QColor ChartBackgroundStart() const { return BackgroundStart; }
    QColor ChartBackgroundEnd() const { return BackgroundEnd; }

private:
    QLabel* AddCaption(int row, int column, StringId text, int span = 1);
    QLabel* AddField(int row, int column, const char* name, StringId hint);
    void BuildPanel();
    void BuildPageIndicators();
    void BuildChart();
    void ApplyChartBackground();
    void PopupMenuAboutToShow();
    double LambdaAxisMaximum() const;

    TStatusPlaces Places;
    QTime LastChartTime;
    QColor BackgroundStart{0x00, 0x40, 0x00};
    QColor BackgroundEnd{0x00, 0x80, 0x00};
    bool BackgroundReversed = false;

    // Captions that change with the layout or are greyed.
    QLabel* LabelMAP = nullptr;
    QLabel* LabelTPS = nullptr;
    QLabel* LabelBank1 = nullptr;
    QLabel* LabelBank2 = nullptr;
    QLabel* LabelLambda = nullptr;
    QLabel* LabelLambda1 = nullptr;
    QLabel* LabelLambda2 = nullptr;
    QLabel* LabelLambdaValue = nullptr;
    QLabel* LabelReference = nullptr;
    QLabel* LabelGasTrim = nullptr;
    QLabel* LabelPower = nullptr;

    QLabel* StatusRPM = nullptr;
    QLabel* StatusMAP = nullptr;
    QLabel* StatusTPS = nullptr;
    QLabel* StatusGasolineInjTimeL = nullptr;
    QLabel* StatusGasolineInjTimeR = nullptr;
    QLabel* StatusGasInjTimeL = nullptr;
    QLabel* StatusGasInjTimeR = nullptr;
    QLabel* StatusReducerTemp = nullptr;
    QLabel* StatusGasTemp = nullptr;
    QToolButton* StatusPressure = nullptr;
    QLabel* StatusPowerLabel = nullptr;
    QLabel* StatusLambdaR = nullptr;
    QLabel* StatusLambdaL = nullptr;
    QLabel* StatusLambdaRef = nullptr;
    QLabel* StatusFuelTrimR = nullptr;
    QLabel* StatusFuelTrimL = nullptr;

    TLamp* LedPetrol = nullptr;
    TLamp* LedGas = nullptr;
    std::array<TLamp*, 5> LedLevels{}; // LedLevelR, LedLevel1 .. LedLevel4
    QLabel* StatusRichControlSpeed = nullptr;
    QLabel* StatusLeanControlSpeed = nullptr;
    QLabel* StatusLambdaControlSamplingPeriod = nullptr;
    QFrame* GradientAccelerationControlActive = nullptr;

    std::array<QLineSeries*, LambdaSeriesCount> LambdaSeries{};
    QMenu* PopupMenu1 = nullptr;
    class QTimer* PressureBlinker = nullptr;
};

// The status panel's text for a petrol injection time: "cut-off" for 0 and "full op" for at least
// one engine cycle while the engine turns, else the time.
QString PetrolTimeText(double ms, int rpm);
// The sampling period the gas trim uses at a speed, in ms.
double SamplingPeriodAt(int periodMin, int periodMax, int rpm);
