#include "config/GridClipboard.h"

#include "config/UnitDati.h"

bool TGridClipboard::SetSize(TMapTypeOfData NewKind, int NewRows, int NewCols) {
    Cursor = 0;
    // A selection running backwards is as unusable as an oversized one.
    if (NewRows < 1 || NewCols < 1 || NewRows * NewCols > MaxCells) {
        Rows = Cols = 0;
        Values.clear();
        return false;
    }
    Kind = NewKind;
    Rows = NewRows;
    Cols = NewCols;
    Values.assign(size_t(Rows * Cols), 0.0);
    return true;
}

void TGridClipboard::Push(double V) {
    if (Cursor >= 0 && size_t(Cursor) < Values.size()) Values[size_t(Cursor)] = V;
    ++Cursor;
}

double TGridClipboard::Pop() {
    const double v = Cursor >= 0 && size_t(Cursor) < Values.size() ? Values[size_t(Cursor)] : 0.0;
    ++Cursor;
    return v;
}

void TGridClipboard::CopyFrom(TMapTypeOfData SrcKind, int Top, int Left, int Bottom, int Right) {
    if (!SetSize(SrcKind, Bottom - Top + 1, Right - Left + 1)) return;
    for (int r = Top; r <= Bottom; ++r)
        for (int i = Left; i <= Right; ++i)
            Push(FModel->GetMapValue(SrcKind, r, i));
}

void TGridClipboard::PasteInto(TMapTypeOfData DstKind, int Top, int Left, int Bottom, int Right) {
    Rewind();
    if (IsEmpty() || !Compatible(Kind, DstKind)) return;
    FModel->SaveUndo();
    for (int r = 0; r < Rows; ++r)
        for (int i = 0; i < Cols; ++i) {
            const double v = Pop();
            const int row = Top + r;
            const int index = Left + i;
            if (row <= Bottom && index <= Right) FModel->SetMapValue(DstKind, row, v, index);
        }
}

bool TGridClipboard::Compatible(TMapTypeOfData SrcKind, TMapTypeOfData DstKind) {
    const TClipboardClass cls = MapKind(SrcKind).Clipboard;
    return cls == MapKind(DstKind).Clipboard && (cls != TClipboardClass::Alone || SrcKind == DstKind);
}
