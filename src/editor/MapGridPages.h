#pragma once

#include "config/DataMapViews.h"
#include "config/MapTypes.h"
#include "editor/NewDrawGrid.h"

#include <QObject>
#include <QPoint>
#include <array>

class QAbstractButton;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The captions of a grid's rows, beside the grid and each centred on its row, however the grid
// sizes its cells.
class TGridRowCaptions : public QWidget {
    Q_OBJECT
public:
    TGridRowCaptions(TNewDrawGrid* Grid, QWidget* parent);
    void SetTexts(const QStringList& Texts);
    QStringList Texts() const { return FTexts; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TNewDrawGrid* Grid;
    QStringList FTexts;
};

// The pages of the main window that hold map grids, and the tool-bar button that switches the
// bank of the gas maps. The main window gives them; the grids are laid into them.
struct TMapGridPlaces {
    QWidget* Functions = nullptr;
    QWidget* PetrolMap = nullptr;
    QWidget* GasMapComp = nullptr;
    QWidget* GasMapSlave = nullptr;
    QWidget* Lambda = nullptr;
    QWidget* Correction = nullptr;
    QWidget* Drivability = nullptr;
    QAbstractButton* ButtonBank = nullptr;
};

// The nine map grids of the main window: their shapes, colours and texts, the keys and clicks
// that open the modify dialog, the bank of the gas maps, the colour ranges of the contoured maps
// and the working-point markers.
//
// The grids of the pages of settings sit in group boxes of their own (GroupLambdaReferences,
// GroupCustomGasLevels, GroupPrimeTime), placed at the top of their page's vertical layout; the
// settings that share those pages are added around them.
class TMapGridPages : public QObject {
    Q_OBJECT
public:
    enum TGrid : int {
        GridBenzina,
        GridGasComp,
        GridGasSlave,
        GridEmissioni,
        GridGasTemp,
        GridGasPress,
        GridPressRedTemp,
        GridCicchetto,
        GridLivelloGas,
        GridCount
    };

    TMapGridPages(const TMapGridPlaces& Places, QObject* parent = nullptr);

    TNewDrawGrid* MappaBenzina = nullptr;
    TNewDrawGrid* MappaGas_Comp = nullptr;
    TNewDrawGrid* MappaGas_Slave = nullptr;
    TNewDrawGrid* MappaEmissioni = nullptr;
    TNewDrawGrid* MappaGasTemp = nullptr;
    TNewDrawGrid* MappaGasPress = nullptr;
    TNewDrawGrid* MappaPressRedTemp = nullptr;
    TNewDrawGrid* Mappa_Cicchetto = nullptr;
    TNewDrawGrid* MappaLivelloGas = nullptr;

    QGroupBox* GroupLambdaReferences = nullptr;
    QGroupBox* GroupCustomGasLevels = nullptr;
    QGroupBox* GroupPrimeTime = nullptr;
    // The title panels over the three correction grids (water, gas temperature, gas pressure),
    // each with room on its right for the correction's buttons.
    std::array<QFrame*, 3> CorrectionTitlePanels{};
    // Their "Reset" buttons, in the same order: ButtonResetWater, ButtonResetGas, ButtonResetPress.
    std::array<QPushButton*, 3> CorrectionResetButtons{};

    TNewDrawGrid* Grid(TGrid Which) const { return Grids[size_t(Which)]; }
    TNewDrawGrid* Grid(TMapGridId Which) const;

    // Captions of the grids' frames and the bank button; run at creation and after a language switch.
    void ApplyCaptions();
    // Every grid shows the configuration afresh (it changed behind them).
    void RefreshGrids();
    // The colour ranges of the contoured maps of the current mode follow their cells; no repaint.
    void UpdateMapColourRanges();
    // The markers follow the live data.
    void UpdateWorkingPoint();
    // Where the Slave gas map's marker is, in that grid's pixels: the map check window places its
    // own markers from it, rescaled to its cell pitches.
    QPoint SlaveWorkingPoint() const;

    // The tool bar's bank button: the other bank of the gas maps is shown and edited.
    void ButtonBankClick();
    // The bank button's text and the gas maps follow the configuration's bank.
    void ShowBank();
    // The main window's page control shows Page.
    void PageShown(QWidget* Page);

    // The key handling of each grid, as the grid calls it (tests drive it the same way).
    void GridKeyPress(TNewDrawGrid* Grid, QChar& Key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TGridState;
    void BuildPages(const TMapGridPlaces& Places);
    QString MapText(TGrid Which, int Row, int Col) const;
    QString TableText(TGrid Which, int Row, int Col) const;
    // The data kind a grid shows now: a gas map shows the configuration's bank.
    TMapTypeOfData ShownKind(TGrid Which) const;
    void MapKeyPress(TGrid Which, QChar& Key);
    void TableKeyPress(TGrid Which, QChar& Key);
    void FitCells(TGrid Which);
    int Index(const TNewDrawGrid* Grid) const;

    TMapGridPlaces Places;
    std::array<TNewDrawGrid*, GridCount> Grids{};
    std::array<QLabel*, 3> CorrectionTitles{};
    std::array<TGridRowCaptions*, GridCount> RowCaptions{};
};
