#pragma once

#include "calibration/MapCheck.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TGuiHost;
class TNewDrawGrid;
class TVerticalTitle;

// The gas map check: the gas injection times the Slave gas map gives, cell by cell, and the
// cells that break monotony, delays or the full-open limit.
class TFormMapCheck : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool CorrectionSynched MEMBER CorrectionSynched)
public:
    explicit TFormMapCheck(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormMapCheck() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();
    // After a live-data reply or a change of the configuration: the indices follow the live data
    // while synchronised, and the grids are repainted.
    void RefreshCheck();
    // The three breakpoint values and the correction.
    void ShowCorrection();
    void ButtonSyncClick();

    TMapCheck Check;
    bool CorrectionSynched = false;

    QTabWidget* PageControl = nullptr;
    TNewDrawGrid* MappaTempiSlave = nullptr;
    TNewDrawGrid* MappaDelay = nullptr;
    TNewDrawGrid* MappaFullOpen = nullptr;
    QPushButton* ButtonSync = nullptr;
    QLineEdit* EditWaterTemp = nullptr;
    QLineEdit* EditGasTemp = nullptr;
    QLineEdit* EditGasPress = nullptr;
    QLineEdit* EditCorrection = nullptr;
    QLabel* LabelCorrectionUnit = nullptr;
    // Down and up of each index: water, gas, pressure.
    std::array<QToolButton*, 3> SpinDown{};
    std::array<QToolButton*, 3> SpinUp{};

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepIndex(int which, int delta);
    TGuiHost* Host;
    std::array<QWidget*, 3> Pages{};
    std::array<TNewDrawGrid*, 3> Grids{};
    std::array<QLabel*, 3> Headings{};
    std::array<TVerticalTitle*, 3> Titles{};
    std::array<QLabel*, 4> IndexLabels{};
};

extern TFormMapCheck* FormMapCheck;
