#pragma once

#include "config/MapTypes.h"

#include <vector>

class TDataMap;

// The clipboard of map cells behind the main window's Copy and Paste: a block of at most 12 x 9
// values, row by row, and the array they came from. Cells paste only into an array of the same
// compatibility class (speed axes, slave gas maps, injection time maps, ...).
class TGridClipboard {
public:
    static constexpr int MaxCells = 12 * 9;

    explicit TGridClipboard(TDataMap* Model) : FModel(Model) {}

    std::vector<double> Values;
    int Cursor = 0;
    int Rows = 0;
    int Cols = 0;
    TMapTypeOfData Kind = TMapTypeOfData::Giri_Slave;

    // Makes room for Rows x Cols values of Kind; an empty or oversized block empties the clipboard.
    bool SetSize(TMapTypeOfData Kind, int Rows, int Cols);
    void Rewind() { Cursor = 0; }
    bool IsEmpty() const { return Rows == 0 && Cols == 0; }
    // Past the last value a push is dropped and a pop gives 0.
    void Push(double V);
    double Pop();

    // Copies the cells of rows Top..Bottom and indices Left..Right of Kind (Top = Bottom = 0 for
    // a one-dimensional array).
    void CopyFrom(TMapTypeOfData Kind, int Top, int Left, int Bottom, int Right);
    // Lays the block from the selection's first cell, cut to the selection, after an undo snapshot.
    // Nothing happens when the clipboard is empty or Kind is not compatible with its content.
    void PasteInto(TMapTypeOfData Kind, int Top, int Left, int Bottom, int Right);

    static bool Compatible(TMapTypeOfData SrcKind, TMapTypeOfData DstKind);

private:
    TDataMap* FModel;
};
