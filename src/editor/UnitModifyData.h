#pragma once

#include "config/MapTypes.h"
#include "editor/NewDrawGrid.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDataMap;
class TGuiHost;

// How the value typed applies to each selected cell.
enum class TModifyMode { Set, Add, AddPercent };

// Applies X to every cell of Kind in Range (1-based table indexes: rows Top..Bottom, 0 for a
// one-row table or an axis, and indexes Left..Right), row by row: the new value is rounded as the
// kind's cells are, and, with the range check on, clipped to the cell's limits, which for an axis
// are its neighbours as they are at that moment. True when a value was clipped.
bool ApplyToRange(TDataMap& Model, TMapTypeOfData Kind, const TGridRect& Range, TModifyMode Mode, double X);

// One new value for the cell Row, Index of a table (row 0 in a one-row table).
struct TCellValue {
    int Row = 0;
    int Index = 0;
    double Value = 0;
};
// Stores new values into Kind's cells, each rounded as the kind's cells are; then, with the range
// check on, clips each to its limits, an axis's breakpoints against their new neighbours (all
// are stored before any is checked). True when a value was clipped.
bool StoreCellValues(TDataMap& Model, TMapTypeOfData Kind, const std::vector<TCellValue>& Cells);

// How Interpolate and Smooth reshape the selected cells (CellShaping.h).
enum class TCellShape { Interpolate, Smooth };

// Reshapes the cells of Kind in Range (as ApplyToRange addresses them): the new values are
// rounded as the kind's cells are and stored, then, with the range check on, each is clipped to
// its limits, an axis's breakpoints against their new neighbours. True when a value was clipped.
bool ShapeRange(TDataMap& Model, TMapTypeOfData Kind, const TGridRect& Range, TCellShape Shape);

// The dialog through which every change of map and table cells goes: opened beside the selected
// cells by a key or a right click on a map grid, it sets, adds or adds a percentage to every
// selected cell, checks the new values against the table's limits, optionally changes the other
// bank of a gas map the same way, and writes the changed table to the ECU.
class TFormModify : public QDialog {
    Q_OBJECT
public:
    explicit TFormModify(TGuiHost* host, QWidget* parent = nullptr);
    ~TFormModify() override;

    // Fills the captions from the resource strings; run at creation and after a language switch.
    void ApplyCaptions();

    // Opens the dialog for the cells Range of Kind shown by Grid; Key is the key that opened it
    // (a digit starts the value, Enter or "-" shows the first cell's value).
    void Modify(TNewDrawGrid* Grid, TMapTypeOfData Kind, QChar Key, const TGridRect& Range);

    void ButtonChangeClick();
    void ButtonCancelClick();
    void BothBankSwitchClick();
    void ButtonInterpolateClick();
    void ButtonSmoothClick();

    QLabel* LabelValue = nullptr;
    QLineEdit* Edit1 = nullptr;
    QRadioButton* AbsoluteRadioButton = nullptr;
    QRadioButton* LinearRadioButton = nullptr;
    QRadioButton* PercentageRadioButton = nullptr;
    QLabel* LabelAbsolute = nullptr;
    QLabel* LabelLinear = nullptr;
    QLabel* LabelPercentage = nullptr;
    QPushButton* BothBankSwitch = nullptr;
    QPushButton* ButtonInterpolate = nullptr;
    QPushButton* ButtonSmooth = nullptr;
    QPushButton* ButtonChange = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // What the dialog was opened for; the range in table indexes.
    TNewDrawGrid* EditedGrid() const { return Grid; }
    TMapTypeOfData EditedKind() const { return Kind; }
    TGridRect EditedRange() const { return Range; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TModifyMode Mode() const;
    void ShowBankOnSwitch();
    void PrepareValueField();
    void PlaceBesideSelection();
    void Finish();
    // Applies a change to the edited kind and, with "Bank 1+2", to the other bank, the way every
    // change of the dialog goes: undo snapshot, clip question, then the write of each changed
    // table's block (of every applied table's when OnlyChanged is false).
    void ApplyChange(const std::function<bool(TMapTypeOfData)>& Apply, bool OnlyChanged);

    TGuiHost* Host;
    QPointer<TNewDrawGrid> Grid;
    TMapTypeOfData Kind = MapTypeFromOrdinal(0);
    TGridRect Range;
    QChar OpeningKey;
    bool Open = false;
};

extern TFormModify* FormModify;
