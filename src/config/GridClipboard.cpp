#include "config/GridClipboard.h"

#include "config/UnitDati.h"

namespace {

// Arrays whose cells mean the same kind of quantity; each array outside these classes is alone.
int CompatibilityClass(TMapTypeOfData kind) {
    using K = TMapTypeOfData;
    switch (kind) {
    case K::Giri_Slave:
    case K::Giri_Benzina:
    case K::Giri_Comp:
        return 100;
    case K::TempiGas_Slave_banco1:
    case K::TempiGas_Slave_banco2:
        return 101;
    case K::MAP_Benzina:
    case K::MAP_Comp:
        return 102;
    case K::Benzina:
    case K::TempiGas_Comp_banco1:
    case K::TempiGas_Comp_banco2:
        return 103;
    case K::TemperaturaRiduttore:
    case K::TemperaturaGas:
    case K::TemperaturaCicchetto:
        return 104;
    case K::CorrTemperaturaRiduttore:
    case K::CorrTemperaturaGas:
    case K::CorrPressioneGas:
        return 105;
    default:
        return Ordinal(kind);
    }
}

} // namespace

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
    return CompatibilityClass(SrcKind) == CompatibilityClass(DstKind);
}
